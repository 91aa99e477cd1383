#pragma once

#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/FixtureDatabase.h"
#include "Tests/Fixtures/PlistValue.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

namespace pellimor::fixtures {

// Describes one library bundle (".fcpbundle" folder) and writes it into a folder. The common
// case takes a line or two; every field is public for the odd one:
//
//   LibraryBuilder lib("Wedding");
//   lib.event("Day 1").media("A001.mov", 300'000).proxy("A001.mov", 40'000).keyword("Interview");
//   lib.event("Day 1").project("Main Edit").info({.mediaRange = "0/1s 3600/30000s"}).clips(3);
//   const QString bundle = lib.write(dir);
//
// What is written, inside "<name>.<extension>":
//   "CurrentVersion.flexolibrary"   the library database: an "FFLibrary" row with `identifier`
//                                   (when set) before the rows of `database`
//   "CurrentVersion.plist"          {"catalogVersion": catalogVersion} when set
//   ".lock-info"                    {"user", "hostname"} when either is set
//   one folder per event            "CurrentVersion.fcpevent", the event's items, and one
//                                   folder per project with its own "CurrentVersion.fcpevent"
//   `items`                         anything else at the top (extra files, "__" folders, folders
//                                   without an event database...)
// Random bytes are seeded by file name, so two builds of one description are identical.
// Every writer throws std::runtime_error when it cannot build the fixture.
class LibraryBuilder {
public:
    // One item of a folder tree, at a path relative to its owner (the bundle, an event or a
    // project folder); missing parent folders are created.
    struct Item {
        enum class Kind { File, Folder, Link };
        Kind kind = Kind::File;
        QString path;
        qint64 size = 0;                   // File: that many random bytes, unless `content` is set
        std::optional<QByteArray> content; // File: exactly these bytes
        QString target;                    // Link: the text stored in the link
        std::optional<QDateTime> modified;

        static Item file(const QString& path, qint64 size);
        static Item bytes(const QString& path, const QByteArray& content);
        static Item plist(const QString& path, const PlistValue& value,
                          PlistFormat format = PlistFormat::Xml);
        static Item folder(const QString& path);
        static Item link(const QString& path, const QString& target);
        // The same item with a modification time.
        Item at(const QDateTime& when) const;
    };

    struct Project {
        QString name;
        FixtureDatabase database;          // "CurrentVersion.fcpevent" inside the project folder
        std::vector<Item> items;           // other files of the project folder
        std::optional<QDateTime> modified; // the project folder's own time

        Project& row(const CollectionRow& row);
        Project& info(const CollectionRow::SequenceInfo& fields); // "FFSequenceInfo"
        Project& sequence(const CollectionRow::Sequence& fields); // "FFAnchoredSequence"
        // Rows with identifiers derived from the project's name, type and position, so the
        // same description always gives the same fingerprint.
        Project& clips(int count);         // "FFAnchoredClip"
        Project& compoundClips(int count); // "FFAnchoredCollection"
        Project& transitions(int count);   // "FFAnchoredTransition"
        Project& favorites(int count);     // "FFAnchoredFavoriteMarker"
        Project& keywordRange(const QStringList& keywords);
        Project& marker(const QString& name);
        Project& file(const QString& path, qint64 size);
        Project& item(const Item& item);
        // The database's and the folder's modification time at once.
        Project& savedAt(const QDateTime& when);

    private:
        Project& identifiedRows(const QString& type, int count);
    };

    struct Event {
        QString name;
        FixtureDatabase database; // "CurrentVersion.fcpevent"; Damage::Missing makes a plain folder
        std::vector<Item> items;
        std::deque<Project> projects;
        std::optional<QDateTime> modified; // the event folder's own time

        Event& media(const QString& name, qint64 size);               // "Original Media/<name>"
        Event& mediaLink(const QString& name, const QString& target); // a link in "Original Media"
        Event& proxy(const QString& name, qint64 size);               // "Transcoded Media/Proxy Media/"
        Event& optimized(const QString& name, qint64 size); // "Transcoded Media/High Quality Media/"
        Event& render(const QString& path, qint64 size);    // "Render Files/"
        Event& analysis(const QString& path, qint64 size);  // "Analysis Files/"
        Event& file(const QString& path, qint64 size);
        Event& folder(const QString& path);
        Event& link(const QString& path, const QString& target);
        Event& item(const Item& item);

        Event& row(const CollectionRow& row);
        Event& keyword(const QString& name); // a keyword definition
        Event& keywordRange(const QStringList& keywords);
        Event& analysisKeywordRange(const QStringList& keywords);
        Event& marker(const QString& name);
        Event& clip(const QString& displayName);
        Event& clip(const CollectionRow::Collection& fields);
        Event& camera(const CollectionRow::MediaRep& fields);
        Event& sequence(const CollectionRow::Sequence& fields);
        Event& roles(const std::vector<CollectionRow::Role>& roles); // an "FFMediaEventProject"

        // The project of that name, added when it is new. References stay valid while more
        // projects are added.
        Project& project(const QString& name);
    };

    explicit LibraryBuilder(const QString& name);

    QString name;
    QString extension = QStringLiteral("fcpbundle");
    std::optional<QString> identifier;        // default: a UUID derived from the name
    FixtureDatabase database;                 // more rows of the library database, or its damage
    std::optional<PlistValue> catalogVersion; // default: catalogVersionText("10.8.1")
    std::optional<PlistValue> lockUser;
    std::optional<PlistValue> lockHost;
    PlistFormat plistFormat = PlistFormat::Binary;
    std::vector<Item> items;
    std::deque<Event> events;
    std::optional<QDateTime> modified; // the bundle folder's own time
    // The time given to every file, folder and link written without a time of its own.
    std::optional<QDateTime> stamp;

    // The event of that name, added when it is new. References stay valid while more events
    // are added.
    Event& event(const QString& name);
    LibraryBuilder& item(const Item& item);
    LibraryBuilder& lockInfo(const QString& user, const QString& host);

    QString bundleName() const; // name + "." + extension

    // Writes the bundle into `parentFolder` (created when missing) and returns its path.
    // Refuses, by throwing, to write over anything already at that path.
    QString write(const QString& parentFolder) const;

    // A "catalogVersion" text that names the given application version.
    static QString catalogVersionText(const QString& version);
    // A stable upper-case UUID derived from a text.
    static QString stableUuid(const QString& seed);
};

} // namespace pellimor::fixtures
