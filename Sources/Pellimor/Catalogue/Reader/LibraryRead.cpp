#include "Catalogue/Reader/BundleFolders.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Support/DirectoryListing.h"
#include "Support/FileTimes.h"
#include "Support/PathText.h"
#include "Support/TextCompare.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>
#include <dirent.h>
#include <vector>

namespace pellimor::LibraryReader {

namespace {

const QString kLibraryDatabase = QStringLiteral("CurrentVersion.flexolibrary");
const QString kEventDatabase = QStringLiteral("CurrentVersion.fcpevent");
constexpr int kEventMarkerCap = 300;
constexpr int kProjectMarkerCap = 200;

// The path as a file URL would give it back: without trailing slashes.
QString bundlePath(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// "Wedding.fcpbundle" → "Wedding", "A.B.fcpbundle" → "A.B"; a leading dot is not an extension.
QString withoutExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// The folder with one more component, as a URL appends one: a name from the catalogue is
// never taken for a path of its own, even when it begins with "/".
QString child(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Keywords, markers, share tags, search text and plug-ins of one event from its database.
// A database that cannot be opened leaves every list empty but still stamps the tag
// version, so the event is not refreshed again and again.
void readEventDatabase(EventInfo& event, const QString& eventFolder) {
    const Database db = openReadOnly(child(eventFolder, kEventDatabase));
    if (!db) {
        event.keywords = QMap<QString, qint64>();
        event.markerNames = QList<QString>();
        event.metaTags = QList<QString>();
        event.plugins = QList<PluginUse>();
        fillSearchText(event, nullptr);
        return;
    }
    const TagData tags = readTags(db.get(), true, kEventMarkerCap);
    fillSearchText(event, db.get());
    event.plugins = readPlugins(db.get());
    event.keywords = tags.keywords;
    event.markerNames = tags.markerNames;
    event.metaTags = tags.metaTags;
}

void readProjectTags(ProjectInfo& project, const QString& projectFolder) {
    const Database db = openReadOnly(child(projectFolder, kEventDatabase));
    if (!db) {
        project.keywords = QList<QString>();
        project.metaTags = QList<QString>();
        project.markerNames = QList<QString>();
        return;
    }
    const TagData tags = readTags(db.get(), false, kProjectMarkerCap);
    QList<QString> keywords = tags.keywords.keys();
    // Code-point order, as a project read gives them, so refreshing an unchanged project
    // changes nothing.
    std::sort(keywords.begin(), keywords.end(), TextCompare::codePointLess);
    project.keywords = keywords;
    project.metaTags = tags.metaTags;
    project.markerNames = tags.markerNames;
}

QList<ProjectInfo> readProjects(const QString& eventFolder) {
    QList<ProjectInfo> projects;
    for (const QString& folder : projectFolders(eventFolder))
        projects.append(readProject(folder));
    return projects;
}

// Bytes of the bundle outside its event folders: the library database, its property lists
// and whatever else lies at the top. Final Cut Pro's caches are not the library's own. Names
// are the file system's own bytes, so an item whose name is not UTF-8 (an event folder that
// cannot be read as an event among them) is counted too, not lost.
qint64 extraSize(const QString& bundle, const QSet<QByteArray>& eventNames, std::stop_token stop) {
    const QByteArray top = QFile::encodeName(bundle);
    std::vector<QByteArray> names;
    if (DIR* listing = ::opendir(top.constData())) {
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != ".." && name != ".fcpcache" && name != ".fcpdata" &&
                !eventNames.contains(name))
                names.push_back(name);
        }
        ::closedir(listing);
    }
    qint64 total = 0;
    for (const QByteArray& name : names)
        total += nativeAllocatedSize(top + '/' + name, stop);
    return total;
}

// Adds a problem met while reading to those already noted, one per line.
void noteProblem(LibraryInfo& info, const QString& text) {
    info.problem = info.problem && !info.problem->isEmpty() ? *info.problem + u'\n' + text : text;
}

} // namespace

LibraryInfo read(const QString& library, const QString& signature, QList<MediaEntry>& media,
                 std::stop_token stop) {
    const QString path = bundlePath(library);

    std::optional<platform::VolumeFacts::Facts> facts;
    if (const auto volumes = platform::services().volumes)
        facts = volumes->facts(path);
    const std::optional<QDateTime> bundleCreated = FileTimes::created(path);
    const std::optional<QDateTime> bundleModified = FileTimes::modified(path);
    const QString databasePath = child(path, kLibraryDatabase);
    const std::optional<QDateTime> databaseModified = FileTimes::modified(databasePath);

    LibraryInfo info;
    info.path = path;
    info.name = withoutExtension(PathText::lastComponent(path));
    info.volumeName = facts && facts->name ? *facts->name : volumeFromPath(path);
    info.volumeUUID = facts ? facts->uuid : std::nullopt;
    info.isNetwork = facts && facts->isLocal.has_value() && !*facts->isLocal;
    info.isInternal = facts && facts->isInternal.value_or(false);
    info.libraryIdentifier = libraryIdentifier(databasePath);
    info.fcpVersion = fcpVersion(path);
    info.lastHost = lastHost(path);
    info.created = bundleCreated;
    info.modified = databaseModified ? databaseModified : bundleModified;
    info.scannedAt = QDateTime::currentDateTimeUtc();
    info.signature = signature;
    info.isBackup = isFinalCutBackup(path);

    const QStringList folders = eventFolders(path);
    for (const QString& folder : folders) {
        if (stop.stop_requested())
            break;
        EventInfo event = walkEvent(folder, media, stop);
        const auto [created, modified] = eventDates(folder);
        event.created = created;
        event.modified = modified;
        readEventDatabase(event, folder);
        event.projects = readProjects(folder);
        info.events.append(event);
    }

    // Every event folder is left out of the extra bytes, also those a stopped read did not
    // reach: their media would otherwise pass for bytes outside the events.
    QSet<QByteArray> eventNames;
    for (const QString& folder : folders)
        eventNames.insert(QFile::encodeName(PathText::lastComponent(folder)));
    info.extraSize = extraSize(path, eventNames, stop);

    // An event folder whose name is not UTF-8 cannot be read as an event; its bytes are in the
    // extra bytes above, and the user is told why the event is missing.
    for (const BundleFolders::Folder& folder :
         BundleFolders::undecodableEvents(DirectoryListing(QFile::encodeName(path))))
        noteProblem(info, QStringLiteral("The event folder \u201C%1\u201D is left out: its name isn't valid "
                                         "UTF-8. Its files count toward the library's size, but its media "
                                         "aren't listed; rename the folder so the next scan reads it as an "
                                         "event.")
                              .arg(folder.entry.text));
    return info;
}

LibraryInfo refreshProjects(const LibraryInfo& info, const QString& at) {
    LibraryInfo copy = info;
    for (EventInfo& event : copy.events) {
        const QString folder = child(at, event.name);
        event.projects = readProjects(folder);
        const auto [created, modified] = eventDates(folder);
        event.created = created;
        event.modified = modified;
    }
    return copy;
}

LibraryInfo refreshTags(const LibraryInfo& info, const QString& at, bool includeProjects) {
    LibraryInfo copy = info;
    for (EventInfo& event : copy.events) {
        const QString folder = child(at, event.name);
        readEventDatabase(event, folder);
        if (!includeProjects)
            continue;
        for (ProjectInfo& project : event.projects)
            readProjectTags(project, child(folder, project.name));
    }
    return copy;
}

} // namespace pellimor::LibraryReader
