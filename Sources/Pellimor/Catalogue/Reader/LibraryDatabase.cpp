#include "Catalogue/Reader/LibraryReader.h"
#include "Support/RegularFile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::LibraryReader {

namespace {

// The characters a URL path may hold besides letters and digits. Everything else, "%", "?",
// "#", spaces and every non-ASCII byte among it, is written as "%HH": SQLite's URI parser
// ends the file name at "?" or "#" and decodes "%HH" back into the byte.
const QByteArray kPathSafe = QByteArrayLiteral("!$&'()*+,-./:;=@_~");

// SQLite's Unix layer refuses a file name longer than 512 bytes, and before it opens a file it
// resolves every link on the way into the full path, which for a deep library is that long
// name again. So a database is opened through a short name for the same file: the folder's
// entry among this process's open descriptors, "/proc/self/fd/<descriptor of its folder>/<file
// name>", through a layer over the Unix one that takes such a name as it stands. The kernel
// resolves the descriptor's entry; the file name is then looked up in that very folder.
const char* const kShortNameLayer = "pellimor-unix-short-names";
const char kDescriptorFolder[] = "/proc/self/fd/";

sqlite3_vfs* g_unixLayer = nullptr;
sqlite3_vfs g_shortNameLayer;

int shortFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    if (std::strncmp(name, kDescriptorFolder, sizeof kDescriptorFolder - 1) != 0)
        return g_unixLayer->xFullPathname(g_unixLayer, name, size, out);
    const size_t length = std::strlen(name);
    if (length >= size_t(size))
        return SQLITE_CANTOPEN;
    std::memcpy(out, name, length + 1);
    return SQLITE_OK;
}

// The short-name layer, registered once; null where it cannot be (no descriptor folder, as in a
// system without /proc): databases are then opened by their own names, as far as SQLite takes
// them.
const char* shortNameLayer() {
    static const char* const layer = []() -> const char* {
        if (::access(kDescriptorFolder, X_OK) != 0)
            return nullptr;
        g_unixLayer = sqlite3_vfs_find(nullptr);
        if (!g_unixLayer)
            return nullptr;
        g_shortNameLayer = *g_unixLayer;
        g_shortNameLayer.pNext = nullptr;
        g_shortNameLayer.zName = kShortNameLayer;
        g_shortNameLayer.xFullPathname = shortFullPathname;
        return sqlite3_vfs_register(&g_shortNameLayer, 0) == SQLITE_OK ? kShortNameLayer : nullptr;
    }();
    return layer;
}

// A URI that opens `file` (native bytes) read-only and immutable.
QByteArray readOnlyUri(const QByteArray& file) {
    QByteArray encoded = file.toPercentEncoding(kPathSafe);
    // "file://x/..." would make "x" the URI's authority; "/x/..." names the same file.
    while (encoded.startsWith("//"))
        encoded.remove(0, 1);
    return "file:" + encoded + "?mode=ro&immutable=1";
}

// Where the file `path` names really is: its folder and its name there, a link in the last
// component resolved. SQLite refuses to open a link itself, and a link may lead elsewhere.
bool locate(const QByteArray& path, QByteArray& folder, QByteArray& name) {
    QByteArray target = path;
    struct stat own {};
    if (::lstat(path.constData(), &own) != 0)
        return false;
    if (S_ISLNK(own.st_mode)) {
        char* resolved = ::realpath(path.constData(), nullptr);
        if (!resolved)
            return false;
        target = QByteArray(resolved);
        std::free(resolved);
    }
    const qsizetype slash = target.lastIndexOf('/');
    folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    name = target.mid(slash + 1);
    return !name.isEmpty();
}

QString text(sqlite3_stmt* statement, int column) {
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!chars)
        return QString();
    return QString::fromUtf8(chars, sqlite3_column_bytes(statement, column));
}

// Prepares a statement and hands every row to `row`; finalizes whatever happened.
template <typename RowFunction> void forEachRow(sqlite3* db, const char* sql, RowFunction&& row) {
    if (!db || !sql)
        return;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement); // null-safe; a failed prepare leaves it null
        return;
    }
    while (sqlite3_step(statement) == SQLITE_ROW)
        row(statement);
    sqlite3_finalize(statement);
}

} // namespace

void DatabaseCloser::operator()(sqlite3* db) const {
    sqlite3_close(db);
    if (folder >= 0)
        ::close(folder);
}

void prepareDatabaseEngine() {
    // SQLite counts every allocation under one process-wide lock unless told not to; with
    // several libraries read at once that lock is where the reads wait for each other. Once
    // SQLite has started the setting is refused, harmlessly.
    static std::once_flag quietMemoryStatistics;
    std::call_once(quietMemoryStatistics, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

Database openReadOnly(const QString& path) {
    prepareDatabaseEngine();
    // SQLite reads an empty file name as a private temporary database: that is not the file
    // the caller asked for.
    if (path.isEmpty())
        return nullptr;
    // Only a regular file: SQLite would open a named pipe and wait for a writer for good.
    if (RegularFile::probe(path).status != RegularFile::Status::ok)
        return nullptr;
    QByteArray folder;
    QByteArray name;
    if (!locate(QFile::encodeName(path), folder, name))
        return nullptr;
    int folderFd = -1;
    do {
        folderFd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (folderFd < 0 && errno == EINTR);
    if (folderFd < 0)
        return nullptr;
    // Judged again in the folder SQLite will look in, so that a pipe put in the file's place
    // since the first look is not opened either (short of one put there in the instant
    // between this look and SQLite's open).
    struct stat info {};
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
        ::close(folderFd);
        return nullptr;
    }

    const char* const layer = shortNameLayer();
    const QByteArray uri = layer ? readOnlyUri(kDescriptorFolder + QByteArray::number(folderFd) + '/' + name)
                                 : readOnlyUri(folder == "/" ? "/" + name : folder + '/' + name);
    sqlite3* raw = nullptr;
    const int status = sqlite3_open_v2(uri.constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, layer);
    if (!raw) {
        ::close(folderFd);
        return nullptr;
    }
    // The folder's descriptor lives as long as the connection that was opened through it.
    Database db(raw, DatabaseCloser{folderFd});
    if (status != SQLITE_OK)
        return nullptr; // the half-open handle closes with `db`
    return db;
}

QList<QPair<QString, QString>> query(sqlite3* db, const char* statement) {
    QList<QPair<QString, QString>> rows;
    forEachRow(db, statement, [&](sqlite3_stmt* row) { rows.append({text(row, 0), text(row, 1)}); });
    return rows;
}

QList<QPair<QString, QByteArray>> queryBlobs(sqlite3* db, const char* statement) {
    QList<QPair<QString, QByteArray>> rows;
    forEachRow(db, statement, [&](sqlite3_stmt* row) {
        // The pointer first, then its length: asking for the length may convert the value.
        const void* blob = sqlite3_column_blob(row, 1);
        const int length = sqlite3_column_bytes(row, 1);
        if (!blob || length <= 0)
            return;
        rows.append({text(row, 0), QByteArray(static_cast<const char*>(blob), length)});
    });
    return rows;
}

namespace Statement {

const char* const libraryIdentifier =
    "select ZTYPE, ZIDENTIFIER from ZCOLLECTION where ZTYPE = 'FFLibrary' limit 1";
const char* const plugins =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where c.ZTYPE in ('FFMotionEffect','FFFxPlugEffect','FFAudioUnitEffect','FFAudioUnitAnalyzingEffect')";
const char* const keywordDefinitions =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where c.ZTYPE = 'FFMediaEventKeyword'";
const char* const markers =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where c.ZTYPE in ('FFAnchoredKeywordMarker','FFAnchoredAnalysisKeywordMarker','FFAnchoredTimeMarker')";
const char* const shareTags =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where c.ZTYPE = 'FFAnchoredSequence'";
const char* const searchText =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where c.ZTYPE in ('FFAnchoredSequence','FFAnchoredCollection','FFMediaRep','FFMediaEventProject')";
const char* const projectCounts =
    "select ZTYPE, count(*) from ZCOLLECTION where ZTYPE in "
    "('FFAnchoredClip','FFAnchoredCollection','FFAnchoredTransition','FFAnchoredKeywordMarker',"
    "'FFAnchoredFavoriteMarker') group by ZTYPE";
const char* const projectIdentifiers =
    "select ZTYPE, ZIDENTIFIER from ZCOLLECTION where ZIDENTIFIER is not null and ZIDENTIFIER != ''";
const char* const sequenceInfo =
    "select c.ZTYPE, m.ZDICTIONARYDATA from ZCOLLECTION c join ZCOLLECTIONMD m on m.ZCOLLECTION = c.Z_PK "
    "where c.ZTYPE in ('FFSequenceInfo','FFAnchoredSequence')";

} // namespace Statement

} // namespace pellimor::LibraryReader
