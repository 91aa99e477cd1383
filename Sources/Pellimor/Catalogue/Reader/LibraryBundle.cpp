#include "Catalogue/Reader/BundleFolders.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Reader/Plugins.h"
#include "KeyedArchive/KeyedArchivePlist.h"
#include "KeyedArchive/PlistGuard.h"
#include "KeyedArchive/PropertyList.h"
#include "Platform/VolumesRoot.h"
#include "Support/DirectoryListing.h"
#include "Support/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pellimor::LibraryReader {

namespace {

const QString kLibraryDatabase = QStringLiteral("CurrentVersion.flexolibrary");
const QString kVersionList = QStringLiteral("CurrentVersion.plist");
const QString kLockInfo = QStringLiteral(".lock-info");

// An empty folder path names nothing (QDir would take it for the working directory).
QString child(const QString& folder, const QString& name) {
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

// A small property list of the bundle whose root is a dictionary. Only regular files are
// read (a pipe or device there would block the reader), and never more than the parser
// accepts, so a huge file costs no memory.
std::optional<PropertyList> readDictionary(const QString& path) {
    const RegularFile::Contents file = RegularFile::read(path, PlistGuard::maxInputBytes);
    if (file.status != RegularFile::Status::ok)
        return std::nullopt;
    std::optional<PropertyList> list = PropertyList::parse(file.bytes);
    if (!list || !PropertyList::isDict(list->root()))
        return std::nullopt;
    return list;
}

std::optional<QString> textEntry(const PropertyList& list, const char* key) {
    return PropertyList::text(PropertyList::item(list.root(), key));
}

bool readableWithAttributes(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    return ::access(native.constData(), R_OK) == 0 && ::lstat(native.constData(), &info) == 0;
}

// The found folders as paths: the folder's own path with each name appended.
QStringList pathsIn(const QString& folder, const std::vector<BundleFolders::Folder>& found) {
    const QDir base(folder);
    QStringList paths;
    paths.reserve(qsizetype(found.size()));
    for (const BundleFolders::Folder& item : found)
        paths.append(base.filePath(item.entry.text));
    return paths;
}

qint64 allocatedBytes(const struct stat& info) {
    return info.st_blocks > 0 ? qint64(info.st_blocks) * 512 : 0;
}

QString frameSize(const QString& text) {
    if (text == QLatin1String("1080"))
        return QStringLiteral("1920×1080");
    if (text == QLatin1String("720"))
        return QStringLiteral("1280×720");
    return text;
}

} // namespace

std::optional<QString> libraryIdentifier(const QString& databasePath) {
    const Database db = openReadOnly(databasePath);
    if (!db)
        return std::nullopt;
    const auto rows = query(db.get(), Statement::libraryIdentifier);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().second;
}

std::optional<QString> fcpVersion(const QString& bundle) {
    const std::optional<PropertyList> list = readDictionary(child(bundle, kVersionList));
    if (!list)
        return std::nullopt;
    const std::optional<QString> value = textEntry(*list, "catalogVersion");
    if (!value)
        return std::nullopt;
    // "<kind>;  <version> (<build>)"; anything else is shown as it stands.
    const QStringList pieces = value->split(u';', Qt::SkipEmptyParts);
    if (pieces.size() < 2)
        return *value;
    QStringView version = pieces.at(1);
    while (!version.isEmpty() && (version.front() == u' ' || version.front() == u'\t'))
        version = version.mid(1);
    while (!version.isEmpty() && (version.back() == u' ' || version.back() == u'\t'))
        version.chop(1);
    const qsizetype build = version.indexOf(QLatin1String(" ("));
    return (build < 0 ? version : version.left(build)).toString();
}

std::optional<QString> lastHost(const QString& bundle) {
    const std::optional<PropertyList> list = readDictionary(child(bundle, kLockInfo));
    if (!list)
        return std::nullopt;
    const std::optional<QString> user = textEntry(*list, "user");
    const std::optional<QString> host = textEntry(*list, "hostname");
    if (user && host)
        return *user + u'@' + *host;
    if (user)
        return user;
    return host;
}

bool isFinalCutBackup(const QString& path) {
    return path.contains(QLatin1String("/Final Cut Backups/")) ||
           path.contains(QLatin1String("/Final Cut Backups.localized/"));
}

bool isReadable(const QString& bundle) {
    const QString database = child(bundle, kLibraryDatabase);
    // A database that is there must open: a library read without it would be catalogued with
    // its identifier missing, where the truth is that it cannot be read now.
    struct stat info {};
    if (!database.isEmpty() && ::stat(QFile::encodeName(database).constData(), &info) == 0 &&
        !S_ISDIR(info.st_mode))
        return openReadOnly(database) != nullptr;
    return readableWithAttributes(child(bundle, kVersionList));
}

LibraryEvidence libraryEvidence(const QString& bundle) {
    for (const QString& own : {kLibraryDatabase, kVersionList}) {
        if (QFileInfo::exists(child(bundle, own)))
            return LibraryEvidence::ownFiles;
    }
    return eventFolders(bundle).isEmpty() ? LibraryEvidence::none : LibraryEvidence::eventsOnly;
}

QStringList eventFolders(const QString& bundle) {
    if (bundle.isEmpty())
        return {};
    return pathsIn(bundle, BundleFolders::events(DirectoryListing(QFile::encodeName(bundle))));
}

QStringList projectFolders(const QString& event) {
    if (event.isEmpty())
        return {};
    return pathsIn(event, BundleFolders::projects(DirectoryListing(QFile::encodeName(event))));
}

QString volumeFromPath(const QString& path) {
    return VolumesRoot::driveName(path);
}

qint64 allocatedSize(const QString& path, std::stop_token stop) {
    return nativeAllocatedSize(QFile::encodeName(path), stop);
}

qint64 nativeAllocatedSize(const QByteArray& top, std::stop_token stop) {
    struct stat info {};
    if (top.isEmpty() || ::lstat(top.constData(), &info) != 0)
        return 0;
    // A link at the top is measured as itself, like every link below: a library's folder
    // that points elsewhere must not count another drive's files as its own.
    if (!S_ISDIR(info.st_mode))
        return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode) ? allocatedBytes(info) : 0;

    // Depth-first with an explicit stack: deep trees cost memory, not call frames or open
    // folder handles.
    qint64 total = 0;
    std::vector<QByteArray> folders{top};
    while (!folders.empty()) {
        if (stop.stop_requested())
            return total;
        const QByteArray folder = std::move(folders.back());
        folders.pop_back();
        DIR* listing = ::opendir(folder.constData());
        if (!listing)
            continue;
        const int fd = ::dirfd(listing);
        while (const dirent* entry = ::readdir(listing)) {
            if (stop.stop_requested()) {
                ::closedir(listing);
                return total;
            }
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct stat item {};
            if (::fstatat(fd, name, &item, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISREG(item.st_mode))
                total += allocatedBytes(item);
            else if (S_ISDIR(item.st_mode))
                folders.push_back(folder.endsWith('/') ? folder + name : folder + '/' + name);
        }
        ::closedir(listing);
    }
    return total;
}

QList<PluginUse> readPlugins(sqlite3* db) {
    QHash<QString, PluginUse> uses;
    for (const auto& row : queryBlobs(db, Statement::plugins)) {
        const std::optional<QVariantMap> fields = KeyedArchivePlist::decode(row.second);
        if (!fields)
            continue;
        const QVariant effect = fields->value(QStringLiteral("effectID"));
        if (effect.metaType().id() != QMetaType::QString)
            continue;
        const QString id = effect.toString();
        if (const auto found = uses.find(id); found != uses.end()) {
            ++found->count;
            continue;
        }
        const QVariant name = fields->value(QStringLiteral("displayName"));
        std::optional<QString> displayName;
        if (name.metaType().id() == QMetaType::QString)
            displayName = name.toString();
        // Apple's own effects classify as nothing and are asked about again on their next
        // row; a cheap question, and it keeps them out of the counts.
        if (std::optional<PluginUse> use = Plugins::classify(id, displayName)) {
            use->count = 1;
            uses.insert(id, *use);
        }
    }
    QList<PluginUse> sorted = uses.values();
    std::sort(sorted.begin(), sorted.end(), [](const PluginUse& a, const PluginUse& b) {
        if (a.pack != b.pack)
            return a.pack < b.pack;
        if (a.name != b.name)
            return a.name < b.name;
        return a.id < b.id; // two plug-ins shown alike still come out in one order
    });
    return sorted;
}

std::optional<double> parseDuration(const QString& text) {
    // A media range reads "start/timescale s duration/timescale s"; the second is the length.
    // One pattern per thread: Qt compiles it lazily on first use, and readers run in parallel.
    thread_local const QRegularExpression fraction(QStringLiteral("(-?\\d+)/(\\d+)"));
    std::vector<double> values;
    auto matches = fraction.globalMatch(text);
    while (matches.hasNext() && values.size() < 2) {
        const QRegularExpressionMatch match = matches.next();
        bool numeratorOk = false;
        bool divisorOk = false;
        const double numerator = match.captured(1).toDouble(&numeratorOk);
        const double divisor = match.captured(2).toDouble(&divisorOk);
        if (numeratorOk && divisorOk && divisor != 0)
            values.push_back(numerator / divisor);
    }
    if (values.size() < 2)
        return std::nullopt;
    return values[1];
}

std::optional<QString> friendlyFormat(const std::optional<QString>& key, std::optional<double> fps) {
    static const QString prefix = QStringLiteral("FFVideoFormat");
    if (!key || !key->startsWith(prefix))
        return std::nullopt;
    const QString rest = key->mid(prefix.size());
    qsizetype letter = -1;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == u'p' || rest[i] == u'i') {
            letter = i;
            break;
        }
    }
    const QString size = frameSize(letter < 0 ? rest : rest.left(letter));
    const QString scan = letter < 0 ? QString() : rest.mid(letter);
    // A rate that is no number at all says nothing; the key's own scan part is then the
    // better description.
    if (!fps || !std::isfinite(*fps))
        return size + u' ' + scan;
    const double rate = *fps == 0 ? 0.0 : *fps; // no "-0"
    // Whole rates may exceed any integer type, so they are printed, never converted.
    const QString rateText =
        std::floor(rate) == rate ? QString::asprintf("%.0f", rate) : QString::asprintf("%.2f", rate);
    return size + u' ' + rateText + (scan.startsWith(u'i') ? u'i' : u'p');
}

} // namespace pellimor::LibraryReader
