#include "Catalogue/Store/Catalog.h"
#include "Tests/Support/CatalogTestEnv.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;

namespace {

const QDateTime kBase(QDate(2025, 3, 1), QTime(9, 30, 0), Qt::UTC);

LibraryInfo library(const QString& path, const QString& name,
                    const QString& volumeName = QStringLiteral("Archive"),
                    const std::optional<QString>& uuid = std::nullopt) {
    LibraryInfo l;
    l.path = path;
    l.name = name;
    l.volumeName = volumeName;
    l.volumeUUID = uuid;
    l.scannedAt = kBase;
    l.signature = QStringLiteral("1|@size|2");
    return l;
}

QStringList pathsOf(const QList<LibraryInfo>& libraries) {
    QStringList paths;
    for (const LibraryInfo& l : libraries)
        paths.append(l.path);
    return paths;
}

QJsonObject savedObject(const CatalogTestEnv& env) {
    QFile file(QDir(env.dataDir).filePath(QStringLiteral("catalog.json")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QMap<QString, QString> savedRoles(const CatalogTestEnv& env) {
    QMap<QString, QString> roles;
    const QJsonObject object = savedObject(env).value(QStringLiteral("driveRoles")).toObject();
    for (auto it = object.begin(); it != object.end(); ++it)
        roles.insert(it.key(), it.value().toString());
    return roles;
}

QStringList savedFavorites(const CatalogTestEnv& env) {
    return savedObject(env).value(QStringLiteral("favorites")).toObject().keys();
}

// ---- Drive roles --------------------------------------------------------------------------------

TEST(CatalogRolesTest, MarkingADriveWritesBothKeysAndSaves) {
    const QString uuid = QStringLiteral("6F1C0A2E-1111-2222-3333-444455556666");
    const QString backup = QStringLiteral("backup");
    struct Case {
        const char* name;
        QMap<QString, QString> before;
        bool on;
        std::optional<QString> uuid;
        QMap<QString, QString> after;
    };
    const QList<Case> cases = {
        {"with a UUID", {}, true, uuid, {{uuid, backup}, {QStringLiteral("Archive"), backup}}},
        {"without a UUID", {}, true, std::nullopt, {{QStringLiteral("Archive"), backup}}},
        {"replacing another role",
         {{QStringLiteral("Archive"), QStringLiteral("work")}},
         true,
         std::nullopt,
         {{QStringLiteral("Archive"), backup}}},
        {"unmarking removes both",
         {{uuid, backup}, {QStringLiteral("Archive"), backup}, {QStringLiteral("B"), backup}},
         false,
         uuid,
         {{QStringLiteral("B"), backup}}},
        {"unmarking what was never marked", {}, false, uuid, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.driveRoles = c.before});
        catalog->setBackup(c.on, c.uuid, QStringLiteral("Archive"));
        EXPECT_EQ(catalog->driveRoles(), c.after);
        EXPECT_EQ(savedRoles(env), c.after) << "saved, also when nothing changed";
    }
}

TEST(CatalogRolesTest, BackupDriveIsRecognisedByUuidOrName) {
    const QString uuid = QStringLiteral("UUID-1");
    struct Case {
        const char* name;
        QMap<QString, QString> roles;
        std::optional<QString> libraryUuid;
        bool backup;
    };
    const QList<Case> cases = {
        {"marked under its UUID", {{uuid, QStringLiteral("backup")}}, uuid, true},
        {"marked only under its name, though it has a UUID",
         {{QStringLiteral("Archive"), QStringLiteral("backup")}},
         uuid,
         true},
        {"UUID with another role, name marked",
         {{uuid, QStringLiteral("work")}, {QStringLiteral("Archive"), QStringLiteral("backup")}},
         uuid,
         true},
        {"marked under a UUID the library lacks", {{uuid, QStringLiteral("backup")}}, std::nullopt, false},
        {"role text differs in case", {{QStringLiteral("Archive"), QStringLiteral("Backup")}}, uuid, false},
        {"name differs in case",
         {{QStringLiteral("archive"), QStringLiteral("backup")}},
         std::nullopt,
         false},
        {"no roles", {}, uuid, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        catalog->seed({.driveRoles = c.roles});
        EXPECT_EQ(
            catalog->isBackupDrive(library(QStringLiteral("/Volumes/Archive/A.fcpbundle"),
                                           QStringLiteral("A"), QStringLiteral("Archive"), c.libraryUuid)),
            c.backup);
    }
}

TEST(CatalogRolesTest, ShownLibrariesLeaveOutBackupDrivesOnlyWhenAskedByAFlag) {
    const QList<LibraryInfo> libraries = {
        library(QStringLiteral("/Volumes/Work/A.fcpbundle"), QStringLiteral("A"), QStringLiteral("Work")),
        library(QStringLiteral("/Volumes/Archive/B.fcpbundle"), QStringLiteral("B"),
                QStringLiteral("Archive")),
        library(QStringLiteral("/Volumes/Work/C.fcpbundle"), QStringLiteral("C"), QStringLiteral("Work")),
        library(QStringLiteral("/Volumes/Safe/D.fcpbundle"), QStringLiteral("D"), QStringLiteral("Safe"),
                QStringLiteral("UUID-SAFE")),
        // Never shown while copies of that kind are skipped (the default), backup or not.
        library(QStringLiteral("/Volumes/Work/Final Cut Backups/E.fcpbundle"), QStringLiteral("E"),
                QStringLiteral("Work")),
    };
    const QStringList all = {libraries[0].path, libraries[1].path, libraries[2].path, libraries[3].path};
    const QStringList withoutBackups = {libraries[0].path, libraries[2].path};
    struct Case {
        const char* name;
        std::function<void(platform::SettingsStore&)> set;
        QStringList shown;
    };
    const QList<Case> cases = {
        {"setting absent", [](platform::SettingsStore&) {}, all},
        {"setting off",
         [](platform::SettingsStore& s) { s.setFlag(QStringLiteral("hideBackupDrives"), false); }, all},
        {"setting on",
         [](platform::SettingsStore& s) { s.setFlag(QStringLiteral("hideBackupDrives"), true); },
         withoutBackups},
        {"setting holds a number, not a flag",
         [](platform::SettingsStore& s) { s.setInteger(QStringLiteral("hideBackupDrives"), 1); }, all},
        {"setting holds text",
         [](platform::SettingsStore& s) {
             s.setText(QStringLiteral("hideBackupDrives"), QStringLiteral("true"));
         },
         all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        c.set(*env.settings);
        auto catalog = env.makeCatalog();
        catalog->seed({.libraries = libraries});
        catalog->seed(
            {.driveRoles = QMap<QString, QString>{{QStringLiteral("Archive"), QStringLiteral("backup")},
                                                  {QStringLiteral("UUID-SAFE"), QStringLiteral("backup")}}});
        EXPECT_EQ(pathsOf(catalog->shownLibraries()), c.shown);
    }
}

// ---- Favourites ---------------------------------------------------------------------------------

TEST(CatalogFavoritesTest, TogglingMarksUnmarksAndSaves) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const LibraryInfo a = library(QStringLiteral("/Volumes/Archive/A.fcpbundle"), QStringLiteral("A"));
    catalog->seed({.libraries = QList<LibraryInfo>{a}});
    QSignalSpy favoritesChanged(catalog.get(), &Catalog::favoritesChanged);

    const QDateTime before = QDateTime::currentDateTimeUtc();
    catalog->toggleFavorite(a.path);
    EXPECT_TRUE(catalog->isFavorite(a.path));
    EXPECT_GE(catalog->favorites().value(a.path), before.addMSecs(-1)) << "marked at the current time";
    EXPECT_EQ(savedFavorites(env), QStringList{a.path});
    EXPECT_EQ(favoritesChanged.count(), 1);

    catalog->toggleFavorite(a.path);
    EXPECT_FALSE(catalog->isFavorite(a.path));
    EXPECT_FALSE(savedObject(env).contains(QStringLiteral("favorites")));
    EXPECT_EQ(favoritesChanged.count(), 2);
}

TEST(CatalogFavoritesTest, MarkingKeepsTheFiveMarkedLatest) {
    const auto path = [](int i) { return QStringLiteral("/Volumes/Archive/L%1.fcpbundle").arg(i); };
    struct Case {
        const char* name;
        QMap<QString, QDateTime> before; // all in the past
        QString toggled;
        QStringList after;
    };
    QMap<QString, QDateTime> five;
    for (int i = 1; i <= 5; ++i)
        five.insert(path(i), kBase.addSecs(i));
    QMap<QString, QDateTime> tiedOldest = five;
    tiedOldest.insert(path(2), kBase.addSecs(1)); // L1 and L2 marked at the same earliest time
    QMap<QString, QDateTime> withStray = five;
    withStray.insert(QStringLiteral("/Volumes/Gone/X.fcpbundle"), kBase.addSecs(100)); // left the catalogue
    const QList<Case> cases = {
        {"a sixth pushes out the oldest", five, path(6), {path(2), path(3), path(4), path(5), path(6)}},
        {"the smaller path goes among equal times",
         tiedOldest,
         path(6),
         {path(2), path(3), path(4), path(5), path(6)}},
        {"a path not in the catalogue is trimmed away at once",
         {},
         QStringLiteral("/Volumes/Gone/Y.fcpbundle"),
         {}},
        {"marking trims favourites of libraries that left",
         withStray,
         path(6),
         {path(2), path(3), path(4), path(5), path(6)}},
        {"removing never trims the others",
         withStray,
         path(3),
         {path(1), path(2), path(4), path(5), QStringLiteral("/Volumes/Gone/X.fcpbundle")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CatalogTestEnv env;
        auto catalog = env.makeCatalog();
        QList<LibraryInfo> libraries;
        for (int i = 1; i <= 6; ++i)
            libraries.append(library(path(i), QStringLiteral("L%1").arg(i)));
        catalog->seed({.libraries = libraries});
        catalog->seed({.favorites = c.before});
        catalog->toggleFavorite(c.toggled);
        QStringList after = c.after;
        after.sort();
        EXPECT_EQ(catalog->favorites().keys(), after);
        EXPECT_EQ(savedFavorites(env), after);
    }
}

TEST(CatalogFavoritesTest, FavoriteLibrariesAreListedLatestFirstThenByName) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    const LibraryInfo ten =
        library(QStringLiteral("/Volumes/Archive/a.fcpbundle"), QStringLiteral("Library 10"));
    const LibraryInfo two =
        library(QStringLiteral("/Volumes/Archive/b.fcpbundle"), QStringLiteral("Library 2"));
    const LibraryInfo latest =
        library(QStringLiteral("/Volumes/Archive/c.fcpbundle"), QStringLiteral("Zulu"));
    const LibraryInfo oldest =
        library(QStringLiteral("/Volumes/Archive/d.fcpbundle"), QStringLiteral("Alpha"));
    const LibraryInfo notFavorite =
        library(QStringLiteral("/Volumes/Archive/e.fcpbundle"), QStringLiteral("Beta"));
    const LibraryInfo skipped =
        library(QStringLiteral("/Volumes/Archive/SafetyNet/f.fcpbundle"), QStringLiteral("Safety"));
    catalog->seed({.libraries = QList<LibraryInfo>{ten, two, latest, oldest, notFavorite, skipped}});
    catalog->seed({.favorites = QMap<QString, QDateTime>{
                       {ten.path, kBase.addSecs(10)},
                       {two.path, kBase.addSecs(10)},
                       {latest.path, kBase.addSecs(20)},
                       {oldest.path, kBase},
                       {skipped.path, kBase.addSecs(30)},
                       {QStringLiteral("/Volumes/Gone/g.fcpbundle"), kBase.addSecs(40)},
                   }});
    EXPECT_EQ(pathsOf(catalog->favoriteLibraries()),
              (QStringList{latest.path, two.path, ten.path, oldest.path}));
}

TEST(CatalogFavoritesTest, FavoriteBookTrimsToLiveLibrariesAndFiveLatest) {
    const auto p = [](const char* name) { return QString::fromLatin1(name); };
    struct Case {
        const char* name;
        QMap<QString, QDateTime> favorites;
        QSet<QString> live;
        QStringList kept;
    };
    QMap<QString, QDateTime> sevenTied;
    for (const char* name : {"/a", "/b", "/c", "/d", "/e", "/f", "/g"})
        sevenTied.insert(p(name), kBase);
    QMap<QString, QDateTime> mixed = {
        {p("/old"), kBase},           {p("/z-same"), kBase.addSecs(1)}, {p("/a-same"), kBase.addSecs(1)},
        {p("/n1"), kBase.addSecs(2)}, {p("/n2"), kBase.addSecs(3)},     {p("/n3"), kBase.addSecs(4)},
        {p("/n4"), kBase.addSecs(5)}};
    QSet<QString> mixedLive;
    for (auto it = mixed.begin(); it != mixed.end(); ++it)
        mixedLive.insert(it.key());
    const QList<Case> cases = {
        {"empty", {}, {}, {}},
        {"only live ones stay", {{p("/a"), kBase}, {p("/gone"), kBase}}, {p("/a")}, {p("/a")}},
        {"five stay whole",
         {{p("/a"), kBase}, {p("/b"), kBase}, {p("/c"), kBase}, {p("/d"), kBase}, {p("/e"), kBase}},
         {p("/a"), p("/b"), p("/c"), p("/d"), p("/e")},
         {p("/a"), p("/b"), p("/c"), p("/d"), p("/e")}},
        {"all tied: the greater paths stay",
         sevenTied,
         {p("/a"), p("/b"), p("/c"), p("/d"), p("/e"), p("/f"), p("/g")},
         {p("/c"), p("/d"), p("/e"), p("/f"), p("/g")}},
        {"oldest first, then the smaller path",
         mixed,
         mixedLive,
         {p("/n1"), p("/n2"), p("/n3"), p("/n4"), p("/z-same")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QMap<QString, QDateTime> kept = FavoriteBook::trimmed(c.favorites, c.live);
        QStringList expected = c.kept;
        expected.sort();
        EXPECT_EQ(kept.keys(), expected);
        for (auto it = kept.begin(); it != kept.end(); ++it)
            EXPECT_EQ(it.value(), c.favorites.value(it.key())) << "times are kept as marked";
    }
}

// ---- Plug-in statistics ---------------------------------------------------------------------

TEST(CatalogPluginStatsTest, AnswersZerosCachedPerScanUntilARecheck) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    LibraryInfo a = library(QStringLiteral("/Volumes/Archive/A.fcpbundle"), QStringLiteral("A"));
    a.scannedAt = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    LibraryInfo b = a;
    b.scannedAt = QDateTime::fromMSecsSinceEpoch(1700000000250, Qt::UTC);

    EXPECT_EQ(catalog->pluginStats(a), Catalog::PluginStats{});
    EXPECT_EQ(catalog->pluginStats(b), Catalog::PluginStats{});
    EXPECT_EQ(catalog->pluginStats(a), Catalog::PluginStats{});
    QStringList keys = catalog->pluginStatsCache().keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("/Volumes/Archive/A.fcpbundle|1700000000.0"),
                                 QStringLiteral("/Volumes/Archive/A.fcpbundle|1700000000.25")}));

    // An answer already in the cache is given as it stands.
    catalog->pluginStatsCache().insert(keys.at(0), Catalog::PluginStats{3, 1, 1, 0});
    EXPECT_EQ(catalog->pluginStats(a), (Catalog::PluginStats{3, 1, 1, 0}));

    QSignalSpy changed(catalog.get(), &Catalog::changed);
    catalog->recheckPlugins();
    EXPECT_TRUE(catalog->pluginStatsCache().isEmpty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(catalog->pluginStats(a), Catalog::PluginStats{});
}

TEST(CatalogPluginStatsTest, AsksItsCounterOncePerReadAndForgetsItsAnswersFirstOnARecheck) {
    CatalogTestEnv env;
    auto catalog = env.makeCatalog();
    LibraryInfo a = library(QStringLiteral("/Volumes/Archive/A.fcpbundle"), QStringLiteral("A"));
    a.scannedAt = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    catalog->pluginStatsCache().insert(QStringLiteral("/Volumes/Archive/A.fcpbundle|1700000000.0"),
                                       Catalog::PluginStats{9, 9, 9, 9});

    // What the catalogue does, in order, as the counter and the signal see it.
    QStringList steps;
    Catalog::PluginCounter counter;
    counter.count = [&](const LibraryInfo& library) {
        steps.append(QStringLiteral("count ") + library.name);
        return Catalog::PluginStats{2, 1, 0, 1};
    };
    counter.forget = [&] {
        steps.append(QStringLiteral("forget, %1 cached").arg(catalog->pluginStatsCache().size()));
    };
    QObject::connect(catalog.get(), &Catalog::changed, [&] {
        steps.append(QStringLiteral("changed, %1 cached").arg(catalog->pluginStatsCache().size()));
    });

    // A new counter's answers replace whatever was counted before it.
    catalog->setPluginCounter(counter);
    EXPECT_EQ(catalog->pluginStats(a), (Catalog::PluginStats{2, 1, 0, 1}));
    EXPECT_EQ(catalog->pluginStats(a), (Catalog::PluginStats{2, 1, 0, 1}));
    LibraryInfo rescanned = a;
    rescanned.name = QStringLiteral("A again");
    rescanned.scannedAt = a.scannedAt.addSecs(60);
    EXPECT_EQ(catalog->pluginStats(rescanned), (Catalog::PluginStats{2, 1, 0, 1}));
    catalog->recheckPlugins();
    EXPECT_EQ(catalog->pluginStats(a), (Catalog::PluginStats{2, 1, 0, 1}));
    EXPECT_EQ(steps,
              (QStringList{"count A", "count A again", "forget, 2 cached", "changed, 0 cached", "count A"}));
}

} // namespace
