#include "Tests/Fixtures/LibraryBuilder.h"

#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/KeyedArchiveWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace pellimor::fixtures {

namespace {

using Item = LibraryBuilder::Item;
using Times = std::vector<std::pair<QString, QDateTime>>;

void writeItems(const QString& folder, const std::vector<Item>& items, Times& times) {
    for (const Item& item : items) {
        const QString path = folder + "/" + item.path;
        switch (item.kind) {
        case Item::Kind::File:
            if (item.content)
                FixtureFiles::writeBytes(path, *item.content);
            else
                FixtureFiles::writeRandom(path, item.size);
            break;
        case Item::Kind::Folder:
            FixtureFiles::makeFolder(path);
            break;
        case Item::Kind::Link:
            FixtureFiles::makeLink(path, item.target);
            break;
        }
        if (item.modified)
            times.emplace_back(path, *item.modified);
    }
}

void writeDatabase(const QString& path, const FixtureDatabase& database, Times& times) {
    database.write(path);
    if (database.modified && database.damage != FixtureDatabase::Damage::Missing)
        times.emplace_back(path, *database.modified);
}

// Gives every entry below `root` (and `root` itself) the time `when`; links are not followed.
void stampTree(const QString& root, const QDateTime& when) {
    namespace fs = std::filesystem;
    std::vector<QString> paths;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fs::path(QFile::encodeName(root).constData()), ec), end;
         !ec && it != end; it.increment(ec))
        paths.push_back(QFile::decodeName(it->path().c_str()));
    if (ec)
        throw std::runtime_error(QStringLiteral("could not list %1: %2")
                                     .arg(root, QString::fromStdString(ec.message()))
                                     .toStdString());
    for (const QString& path : paths)
        FixtureFiles::setModified(path, when);
    FixtureFiles::setModified(root, when);
}

} // namespace

// ---- Item

Item Item::file(const QString& path, qint64 size) {
    Item item;
    item.path = path;
    item.size = size;
    return item;
}

Item Item::bytes(const QString& path, const QByteArray& content) {
    Item item;
    item.path = path;
    item.content = content;
    return item;
}

Item Item::plist(const QString& path, const PlistValue& value, PlistFormat format) {
    return bytes(path, KeyedArchiveWriter::plist(value, format));
}

Item Item::folder(const QString& path) {
    Item item;
    item.kind = Kind::Folder;
    item.path = path;
    return item;
}

Item Item::link(const QString& path, const QString& target) {
    Item item;
    item.kind = Kind::Link;
    item.path = path;
    item.target = target;
    return item;
}

Item Item::at(const QDateTime& when) const {
    Item item = *this;
    item.modified = when;
    return item;
}

// ---- Project

LibraryBuilder::Project& LibraryBuilder::Project::row(const CollectionRow& row) {
    database.rows.push_back(row);
    return *this;
}

LibraryBuilder::Project& LibraryBuilder::Project::info(const CollectionRow::SequenceInfo& fields) {
    return row(CollectionRow::sequenceInfo(fields));
}

LibraryBuilder::Project& LibraryBuilder::Project::sequence(const CollectionRow::Sequence& fields) {
    return row(CollectionRow::anchoredSequence(fields));
}

LibraryBuilder::Project& LibraryBuilder::Project::identifiedRows(const QString& type, int count) {
    qsizetype existing = 0;
    for (const CollectionRow& r : database.rows)
        existing += r.type == type ? 1 : 0;
    for (int i = 0; i < count; ++i) {
        const QString seed = name + "/" + type + "/" + QString::number(existing + i + 1);
        row(CollectionRow::identified(type, stableUuid(seed)));
    }
    return *this;
}

LibraryBuilder::Project& LibraryBuilder::Project::clips(int count) {
    return identifiedRows("FFAnchoredClip", count);
}

LibraryBuilder::Project& LibraryBuilder::Project::compoundClips(int count) {
    return identifiedRows("FFAnchoredCollection", count);
}

LibraryBuilder::Project& LibraryBuilder::Project::transitions(int count) {
    return identifiedRows("FFAnchoredTransition", count);
}

LibraryBuilder::Project& LibraryBuilder::Project::favorites(int count) {
    return identifiedRows("FFAnchoredFavoriteMarker", count);
}

LibraryBuilder::Project& LibraryBuilder::Project::keywordRange(const QStringList& keywords) {
    return row(CollectionRow::keywordMarker(keywords));
}

LibraryBuilder::Project& LibraryBuilder::Project::marker(const QString& markerName) {
    return row(CollectionRow::timeMarker(markerName));
}

LibraryBuilder::Project& LibraryBuilder::Project::file(const QString& path, qint64 size) {
    return item(Item::file(path, size));
}

LibraryBuilder::Project& LibraryBuilder::Project::item(const Item& entry) {
    items.push_back(entry);
    return *this;
}

LibraryBuilder::Project& LibraryBuilder::Project::savedAt(const QDateTime& when) {
    database.modified = when;
    modified = when;
    return *this;
}

// ---- Event

LibraryBuilder::Event& LibraryBuilder::Event::media(const QString& mediaName, qint64 size) {
    return file("Original Media/" + mediaName, size);
}

LibraryBuilder::Event& LibraryBuilder::Event::mediaLink(const QString& mediaName, const QString& target) {
    return link("Original Media/" + mediaName, target);
}

LibraryBuilder::Event& LibraryBuilder::Event::proxy(const QString& mediaName, qint64 size) {
    return file("Transcoded Media/Proxy Media/" + mediaName, size);
}

LibraryBuilder::Event& LibraryBuilder::Event::optimized(const QString& mediaName, qint64 size) {
    return file("Transcoded Media/High Quality Media/" + mediaName, size);
}

LibraryBuilder::Event& LibraryBuilder::Event::render(const QString& path, qint64 size) {
    return file("Render Files/" + path, size);
}

LibraryBuilder::Event& LibraryBuilder::Event::analysis(const QString& path, qint64 size) {
    return file("Analysis Files/" + path, size);
}

LibraryBuilder::Event& LibraryBuilder::Event::file(const QString& path, qint64 size) {
    return item(Item::file(path, size));
}

LibraryBuilder::Event& LibraryBuilder::Event::folder(const QString& path) {
    return item(Item::folder(path));
}

LibraryBuilder::Event& LibraryBuilder::Event::link(const QString& path, const QString& target) {
    return item(Item::link(path, target));
}

LibraryBuilder::Event& LibraryBuilder::Event::item(const Item& entry) {
    items.push_back(entry);
    return *this;
}

LibraryBuilder::Event& LibraryBuilder::Event::row(const CollectionRow& row) {
    database.rows.push_back(row);
    return *this;
}

LibraryBuilder::Event& LibraryBuilder::Event::keyword(const QString& keywordName) {
    return row(CollectionRow::keyword(keywordName));
}

LibraryBuilder::Event& LibraryBuilder::Event::keywordRange(const QStringList& keywords) {
    return row(CollectionRow::keywordMarker(keywords));
}

LibraryBuilder::Event& LibraryBuilder::Event::analysisKeywordRange(const QStringList& keywords) {
    return row(CollectionRow::analysisKeywordMarker(keywords));
}

LibraryBuilder::Event& LibraryBuilder::Event::marker(const QString& markerName) {
    return row(CollectionRow::timeMarker(markerName));
}

LibraryBuilder::Event& LibraryBuilder::Event::clip(const QString& displayName) {
    return clip(CollectionRow::Collection{.displayName = PlistValue(displayName)});
}

LibraryBuilder::Event& LibraryBuilder::Event::clip(const CollectionRow::Collection& fields) {
    return row(CollectionRow::anchoredCollection(fields));
}

LibraryBuilder::Event& LibraryBuilder::Event::camera(const CollectionRow::MediaRep& fields) {
    return row(CollectionRow::mediaRep(fields));
}

LibraryBuilder::Event& LibraryBuilder::Event::sequence(const CollectionRow::Sequence& fields) {
    return row(CollectionRow::anchoredSequence(fields));
}

LibraryBuilder::Event& LibraryBuilder::Event::roles(const std::vector<CollectionRow::Role>& roleSet) {
    return row(CollectionRow::eventProject(roleSet));
}

LibraryBuilder::Project& LibraryBuilder::Event::project(const QString& projectName) {
    for (Project& p : projects) {
        if (p.name == projectName)
            return p;
    }
    Project& p = projects.emplace_back();
    p.name = projectName;
    return p;
}

// ---- LibraryBuilder

LibraryBuilder::LibraryBuilder(const QString& libraryName)
    : name(libraryName), identifier(stableUuid("library/" + libraryName)),
      catalogVersion(PlistValue(catalogVersionText("10.8.1"))) {}

LibraryBuilder::Event& LibraryBuilder::event(const QString& eventName) {
    for (Event& e : events) {
        if (e.name == eventName)
            return e;
    }
    Event& e = events.emplace_back();
    e.name = eventName;
    return e;
}

LibraryBuilder& LibraryBuilder::item(const Item& entry) {
    items.push_back(entry);
    return *this;
}

LibraryBuilder& LibraryBuilder::lockInfo(const QString& user, const QString& host) {
    lockUser = PlistValue(user);
    lockHost = PlistValue(host);
    return *this;
}

QString LibraryBuilder::bundleName() const {
    return extension.isEmpty() ? name : name + "." + extension;
}

QString LibraryBuilder::write(const QString& parentFolder) const {
    const QString bundle = QDir(parentFolder).absoluteFilePath(bundleName());
    const QFileInfo existing(bundle);
    if (existing.exists() || existing.isSymLink())
        throw std::runtime_error(QStringLiteral("will not write the library %1: something is already there")
                                     .arg(bundle)
                                     .toStdString());
    FixtureFiles::makeFolder(bundle);

    Times times;

    FixtureDatabase libraryDatabase = database;
    if (identifier)
        libraryDatabase.rows.insert(libraryDatabase.rows.begin(), CollectionRow::library(*identifier));
    writeDatabase(bundle + "/CurrentVersion.flexolibrary", libraryDatabase, times);

    if (catalogVersion) {
        FixtureFiles::writePlist(bundle + "/CurrentVersion.plist",
                                 PlistValue::dict({{"catalogVersion", *catalogVersion}}), plistFormat);
    }
    if (lockUser || lockHost) {
        PlistValue lock = PlistValue::dict({});
        if (lockUser)
            lock = lock.with("user", *lockUser);
        if (lockHost)
            lock = lock.with("hostname", *lockHost);
        FixtureFiles::writePlist(bundle + "/.lock-info", lock, plistFormat);
    }

    for (const Event& event : events) {
        const QString eventFolder = bundle + "/" + event.name;
        FixtureFiles::makeFolder(eventFolder);
        writeDatabase(eventFolder + "/CurrentVersion.fcpevent", event.database, times);
        writeItems(eventFolder, event.items, times);
        for (const Project& project : event.projects) {
            const QString projectFolder = eventFolder + "/" + project.name;
            FixtureFiles::makeFolder(projectFolder);
            writeDatabase(projectFolder + "/CurrentVersion.fcpevent", project.database, times);
            writeItems(projectFolder, project.items, times);
            if (project.modified)
                times.emplace_back(projectFolder, *project.modified);
        }
        if (event.modified)
            times.emplace_back(eventFolder, *event.modified);
    }
    writeItems(bundle, items, times);
    if (modified)
        times.emplace_back(bundle, *modified);

    // Times go on last: writing into a folder changes the folder's own time, while setting a
    // time changes nothing around it.
    if (stamp)
        stampTree(bundle, *stamp);
    for (const auto& [path, when] : times)
        FixtureFiles::setModified(path, when);
    return bundle;
}

QString LibraryBuilder::catalogVersionText(const QString& version) {
    return QStringLiteral("Library; %1 (1)").arg(version);
}

QString LibraryBuilder::stableUuid(const QString& seed) {
    static const QUuid ns = QUuid::fromString(QStringLiteral("{6f1c2d52-7a43-4b8e-9b0e-2f6b1d9c5a10}"));
    return QUuid::createUuidV5(ns, seed).toString(QUuid::WithoutBraces).toUpper();
}

} // namespace pellimor::fixtures
