// What the sidebar lists, without a window: its sections and their presence rules, the rows
// of the filters, favourites and watched folders, "Select all", the short names of watched
// folders and the stored open states of the sections.

#include "Shell/SidebarSections.h"

#include "Catalogue/Records/Fmt.h"
#include "Shell/SidebarSettings.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;
using Kind = SidebarSection::Kind;

namespace {

class SidebarSectionsTest : public ::testing::Test {
protected:
    LibraryInfo library(const QString& volume, const QString& name) const {
        LibraryInfo info;
        info.path = QDir(root).filePath(volume + u'/' + name + QStringLiteral(".fcpbundle"));
        info.name = name;
        info.volumeName = volume;
        return info;
    }
    QString plug(const QString& volume) const {
        const QString mount = QDir(root).filePath(volume);
        EXPECT_TRUE(QDir().mkpath(mount));
        return mount;
    }
    QStringList titles() const {
        QStringList list;
        for (const SidebarSection& section : SidebarSections::build(*catalog))
            list.append(section.title);
        return list;
    }
    const SidebarSection* find(const QList<SidebarSection>& sections, Kind kind) const {
        for (const SidebarSection& section : sections) {
            if (section.kind == kind)
                return &section;
        }
        return nullptr;
    }

    const QString root = test::TestEnv::freshDir(QStringLiteral("sections-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", root};
    test::CatalogTestEnv env{QStringLiteral("sidebar-sections")};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
};

TEST_F(SidebarSectionsTest, shortRootUnderTheVolumesRootWhateverItsLength) {
    struct Case {
        QString path;
        QString underVolumes;  // with the root "/Volumes"
        QString underMediaAnn; // with the root "/media/ann"
    };
    const Case cases[] = {
        {QStringLiteral("/Volumes/Media"), QStringLiteral("Media"), QStringLiteral("Media")},
        {QStringLiteral("/Volumes/Media/Clients/2024"), QStringLiteral("Media … 2024"),
         QStringLiteral("2024")},
        {QStringLiteral("/media/ann/Media"), QStringLiteral("Media"), QStringLiteral("Media")},
        {QStringLiteral("/media/ann/Media/Clients/2024"), QStringLiteral("2024"),
         QStringLiteral("Media … 2024")},
        {QStringLiteral("/media/ann/Media/2024"), QStringLiteral("2024"), QStringLiteral("Media … 2024")},
        {QStringLiteral("/Users/ann/Movies"), QStringLiteral("Movies"), QStringLiteral("Movies")},
        {QStringLiteral("/Volumes"), QStringLiteral("Volumes"), QStringLiteral("Volumes")},
        {QStringLiteral("/media/ann"), QStringLiteral("ann"), QStringLiteral("ann")},
        {QStringLiteral("/"), QStringLiteral("/"), QStringLiteral("/")},
        {QStringLiteral("/media/anne/Media"), QStringLiteral("Media"),
         QStringLiteral("Media")}, // whole components
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(SidebarSections::shortRoot(c.path, QStringLiteral("/Volumes")), c.underVolumes);
        EXPECT_EQ(SidebarSections::shortRoot(c.path, QStringLiteral("/media/ann")), c.underMediaAnn);
    }
    // The one-argument form asks VolumesRoot.
    EXPECT_EQ(SidebarSections::shortRoot(QDir(root).filePath(QStringLiteral("Media/Clients/2024"))),
              QStringLiteral("Media … 2024"));
}

TEST_F(SidebarSectionsTest, anEmptyCatalogueListsTheSevenFiltersAndNoWorkingDrive) {
    const QList<SidebarSection> sections = SidebarSections::build(*catalog);
    ASSERT_EQ(sections.size(), 2);
    EXPECT_EQ(sections[0].kind, Kind::library);
    EXPECT_EQ(sections[0].title, QStringLiteral("Library"));
    EXPECT_EQ(sections[1].kind, Kind::working);
    EXPECT_EQ(sections[1].title, QStringLiteral("Working drives (0)"));
    EXPECT_TRUE(sections[1].rows.isEmpty());

    using K = SidebarItem::Kind;
    const QList<std::tuple<QString, QString, K>> expected = {
        {"Everything", "tray.full", K::all},
        {"Duplicates", "square.on.square", K::duplicates},
        {"Drive not connected", "eject", K::offline},
        {"Over 1 GB reclaimable", "arrow.3.trianglepath", K::reclaimable},
        {"Needs FCP update", "arrow.up.circle", K::needsUpdate},
        {"Missing plug-ins", "puzzlepiece.extension", K::missingPlugins},
        {"Missing files", "questionmark.folder", K::broken},
    };
    QList<std::tuple<QString, QString, K>> rows;
    for (const SidebarRow& row : sections[0].rows) {
        EXPECT_EQ(row.kind, SidebarRow::Kind::filter);
        rows.append({row.title, row.symbol, row.item.value_or(SidebarItem()).kind});
    }
    EXPECT_EQ(rows, expected);
}

TEST_F(SidebarSectionsTest, eachSectionIsThereByItsOwnRuleInItsPlace) {
    const LibraryInfo studio = library(QStringLiteral("Studio"), QStringLiteral("Alpha"));
    const LibraryInfo archive = library(QStringLiteral("Archive"), QStringLiteral("Old"));
    catalog->seed({.libraries = QList<LibraryInfo>{studio, archive}});
    EXPECT_EQ(titles(), (QStringList{"Library", "Working drives (2)"}));

    catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
    EXPECT_EQ(titles(), (QStringList{"Library", "Working drives (1)", "Backup drives (1)"}));

    catalog->toggleFavorite(studio.path);
    catalog->seed(
        {.roots = QList<ScanRoot>{ScanRoot{QDir(root).filePath(QStringLiteral("Studio")), std::nullopt},
                                  ScanRoot{QStringLiteral("/Users/ann/Movies"), std::nullopt}}});
    EXPECT_EQ(titles(), (QStringList{"Library", "Favorites", "Working drives (1)", "Backup drives (1)",
                                     "Watched folders (2)"}));

    // The role pill's road moves the drive; the last favourite unmarked takes its section away.
    catalog->setBackup(false, std::nullopt, QStringLiteral("Archive"));
    catalog->toggleFavorite(studio.path);
    EXPECT_EQ(titles(), (QStringList{"Library", "Working drives (2)", "Watched folders (2)"}));
}

TEST_F(SidebarSectionsTest, aFavouriteShowsWhetherItsDriveIsConnected) {
    plug(QStringLiteral("Studio"));
    const LibraryInfo here = library(QStringLiteral("Studio"), QStringLiteral("Here"));
    QDir().mkpath(here.path);
    const LibraryInfo away = library(QStringLiteral("Away"), QStringLiteral("Gone"));
    catalog->seed({.libraries = QList<LibraryInfo>{here, away}});
    catalog->recordMounted();
    // Newest first.
    catalog->seed({.favorites = QMap<QString, QDateTime>{
                       {away.path, QDateTime(QDate(2025, 3, 2), QTime(9, 0), Qt::UTC)},
                       {here.path, QDateTime(QDate(2025, 3, 1), QTime(9, 0), Qt::UTC)}}});

    const QList<SidebarSection> sections = SidebarSections::build(*catalog);
    const SidebarSection* favorites = find(sections, Kind::favorites);
    ASSERT_NE(favorites, nullptr);
    ASSERT_EQ(favorites->rows.size(), 2);
    struct Expected {
        QString title;
        bool online;
        QString detail;
    };
    const Expected expected[] = {{QStringLiteral("Gone"), false, QStringLiteral("Away · not connected")},
                                 {QStringLiteral("Here"), true, QStringLiteral("Studio")}};
    for (qsizetype i = 0; i < 2; ++i) {
        const SidebarRow& row = favorites->rows[i];
        SCOPED_TRACE(row.title.toStdString());
        EXPECT_EQ(row.title, expected[i].title);
        EXPECT_EQ(row.online, expected[i].online);
        EXPECT_EQ(row.detail, expected[i].detail);
        EXPECT_EQ(row.symbol, QStringLiteral("star.fill"));
        EXPECT_EQ(row.item, std::optional(SidebarItem::favorite(row.path)));
        EXPECT_EQ(row.help,
                  QStringLiteral(
                      "Click to go to this library in the list. Double-click to open it in Final Cut Pro."));
    }
}

TEST_F(SidebarSectionsTest, watchedFoldersSayWhenTheyWereScannedAndRefreshOnlyWhenTheyCan) {
    const QString there = plug(QStringLiteral("Studio"));
    const QString gone = QDir(root).filePath(QStringLiteral("Gone"));
    const QDateTime march = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
    catalog->seed({.roots = QList<ScanRoot>{
                       ScanRoot{there, march}, ScanRoot{gone, std::nullopt},
                       ScanRoot{QStringLiteral("/Users/ann/Old"), QDateTime::fromSecsSinceEpoch(0)},
                       ScanRoot{QStringLiteral("/Users/ann/Older"), QDateTime::fromSecsSinceEpoch(-60)}}});
    struct Expected {
        QString title;
        QString help;
        bool refresh;
        bool refreshWhileScanning;
    };
    const Expected expected[] = {
        {QStringLiteral("Studio"), there + QStringLiteral(" — scanned ") + Fmt::date(march), true, false},
        {QStringLiteral("Gone"), gone + QStringLiteral(" — not finished"), false, false},
        {QStringLiteral("Old"), QStringLiteral("/Users/ann/Old — scanned —"), false, false},
        {QStringLiteral("Older"), QStringLiteral("/Users/ann/Older — scanned —"), false, false},
    };
    for (const bool scanning : {false, true}) {
        catalog->seed({.scanning = scanning});
        const QList<SidebarSection> sections = SidebarSections::build(*catalog);
        const SidebarSection* watched = find(sections, Kind::watched);
        ASSERT_NE(watched, nullptr);
        EXPECT_EQ(watched->title, QStringLiteral("Watched folders (4)"));
        ASSERT_EQ(watched->rows.size(), 4);
        for (qsizetype i = 0; i < 4; ++i) {
            const SidebarRow& row = watched->rows[i];
            SCOPED_TRACE(row.title.toStdString() + (scanning ? " while scanning" : ""));
            EXPECT_EQ(row.title, expected[i].title);
            EXPECT_EQ(row.help, expected[i].help);
            EXPECT_EQ(row.actionEnabled, scanning ? expected[i].refreshWhileScanning : expected[i].refresh);
            EXPECT_EQ(row.actionTip, QStringLiteral("Refresh just this folder"));
            EXPECT_FALSE(row.item.has_value()) << "a watched folder selects nothing";
        }
    }
    catalog->seed({.scanning = false});
}

TEST_F(SidebarSectionsTest, refreshingAWatchedFolderMakesPostersWithTwoReadsWhateverTheSettings) {
    ScanOptions settings;
    settings.posters = false;
    settings.concurrency = 8;
    settings.fullRescan = true;
    settings.depth = 3;
    const ScanOptions options = SidebarSections::refreshOptions(settings);
    EXPECT_TRUE(options.posters);
    EXPECT_EQ(options.concurrency, 2);
    EXPECT_TRUE(options.fullRescan);
    EXPECT_EQ(options.depth, std::optional<qint64>(3));
}

TEST_F(SidebarSectionsTest, selectAllTakesEveryDriveOfItsSectionAndNothingElse) {
    catalog->seed({.libraries = QList<LibraryInfo>{library(QStringLiteral("Studio"), QStringLiteral("A")),
                                                   library(QStringLiteral("Field"), QStringLiteral("B")),
                                                   library(QStringLiteral("Archive"), QStringLiteral("C")),
                                                   library(QStringLiteral("Vault"), QStringLiteral("D"))}});
    catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
    catalog->setBackup(true, std::nullopt, QStringLiteral("Vault"));
    const QList<SidebarSection> sections = SidebarSections::build(*catalog);
    EXPECT_EQ(SidebarSections::selectAll(sections, Kind::backup),
              (SidebarSelection{SidebarItem::drive(QStringLiteral("Archive")),
                                SidebarItem::drive(QStringLiteral("Vault"))}));
    EXPECT_EQ(SidebarSections::selectAll(sections, Kind::working),
              (SidebarSelection{SidebarItem::drive(QStringLiteral("Studio")),
                                SidebarItem::drive(QStringLiteral("Field"))}));
    EXPECT_EQ(find(sections, Kind::backup)->selectAllTip(),
              QStringLiteral("Select every backup drive at once"));
    EXPECT_EQ(find(sections, Kind::working)->selectAllTip(),
              QStringLiteral("Select every working drive at once"));
}

TEST_F(SidebarSectionsTest, backupDrivesAreDimmedOnlyWhileWorkingDrivesOnlyIsOn) {
    catalog->seed({.libraries = QList<LibraryInfo>{library(QStringLiteral("Studio"), QStringLiteral("A")),
                                                   library(QStringLiteral("Archive"), QStringLiteral("B"))}});
    catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
    for (const bool hide : {false, true}) {
        SCOPED_TRACE(hide);
        env.settings->setFlag(QStringLiteral("hideBackupDrives"), hide);
        const QList<SidebarSection> sections = SidebarSections::build(*catalog);
        EXPECT_EQ(find(sections, Kind::backup)->rows.value(0).dimmed, hide);
        EXPECT_TRUE(find(sections, Kind::backup)->rows.value(0).item.has_value()) << "still selectable";
        EXPECT_FALSE(find(sections, Kind::working)->rows.value(0).dimmed);
    }
}

TEST_F(SidebarSectionsTest, openStatesDefaultToOpenButWatchedFoldersAndIgnoreOtherTypes) {
    struct Case {
        Kind section;
        const char* key;
        bool byDefault;
    };
    const Case cases[] = {
        {Kind::library, "sidebarLibraryOpen", true},
        {Kind::working, "sidebarWorkingOpen", true},
        {Kind::backup, "sidebarBackupOpen", true},
        {Kind::watched, "sidebarWatchedOpen", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const QString key = QString::fromLatin1(c.key);
        EXPECT_EQ(SidebarSettings::isOpen(c.section), c.byDefault) << "a fresh store";
        env.settings->setText(key, QStringLiteral("no"));
        EXPECT_EQ(SidebarSettings::isOpen(c.section), c.byDefault) << "a text";
        env.settings->setInteger(key, 0);
        EXPECT_EQ(SidebarSettings::isOpen(c.section), c.byDefault) << "an integer";
        SidebarSettings::setOpen(c.section, !c.byDefault);
        EXPECT_TRUE(env.settings->holds(key, platform::SettingsStore::Type::Flag));
        EXPECT_EQ(SidebarSettings::isOpen(c.section), !c.byDefault);
    }
    // "Favorites" has no key and is always open.
    SidebarSettings::setOpen(Kind::favorites, false);
    EXPECT_TRUE(SidebarSettings::isOpen(Kind::favorites));
    EXPECT_FALSE(SidebarSettings::openKey(Kind::favorites).has_value());
}

} // namespace
