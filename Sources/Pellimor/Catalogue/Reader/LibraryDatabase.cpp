#include "Catalogue/Reader/LibraryReader.h"

#include <QUrl>
#include <mutex>
#include <sqlite3.h>

namespace pellimor::LibraryReader {

namespace {

// The characters a URL path may hold besides letters and digits. Everything else, "%", "?",
// "#", spaces and every non-ASCII byte among it, is written as "%HH": SQLite's URI parser
// ends the file name at "?" or "#" and decodes "%HH" back into the byte.
const QByteArray kPathSafe = QByteArrayLiteral("!$&'()*+,-./:;=@_~");

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
    QByteArray encoded = QUrl::toPercentEncoding(path, kPathSafe);
    // "file://x/..." would make "x" the URI's authority; "/x/..." names the same file.
    while (encoded.startsWith("//"))
        encoded.remove(0, 1);
    const QByteArray uri = "file:" + encoded + "?mode=ro&immutable=1";

    sqlite3* raw = nullptr;
    const int status =
        sqlite3_open_v2(uri.constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    Database db(raw);
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
