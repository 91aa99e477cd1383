#include "Shell/SidebarFilter.h"

#include "Tests/Shell/Window/WindowTestSupport.h"

#include <gtest/gtest.h>

using namespace pellimor;
using test::eventNamed;
using test::libraryAt;
using Kind = SidebarItem::Kind;

namespace {

QStringList namesOf(const QList<LibraryInfo>& libraries) {
    QStringList names;
    for (const LibraryInfo& library : libraries)
        names.append(library.name);
    return names;
}

std::string shown(const SidebarSelection& sidebar) {
    QStringList parts;
    for (const SidebarItem& item : sidebar)
        parts.append(QString::number(int(item.kind)) + u':' + item.payload);
    parts.sort();
    return parts.join(u' ').toStdString();
}

// Six libraries, each standing out for one smart filter:
//   Alpha   Media    online   ID-1   1,000,000,001 rebuildable bytes
//   Beta    Archive  offline  ID-1   exactly 1,000,000,000 rebuildable bytes
//   Gamma   Media    online   —      2 broken links, a read problem
//   Delta   Archive  online   ID-2   saved by 10.4.1 (needs an update for 11.0)
//   Epsilon Media    online   —      one plug-in pack partly installed, current
//   Zeta    Media    online   —      two plug-in packs missing
class SidebarFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.installFinalCut(QStringLiteral("11.0"));
        w.recordDrive(true);

        alpha = libraryAt(w.folderOnDrive("Alpha.fcpbundle"), "Media");
        alpha.libraryIdentifier = QStringLiteral("ID-1");
        EventInfo big = eventNamed("Day 1");
        big.optimizedSize = 1'000'000'001;
        alpha.events = {big};

        beta = libraryAt(VolumesRoot::root() + "/Unplugged-" + QUuid::createUuid().toString(QUuid::Id128) +
                             "/Beta.fcpbundle",
                         "Archive");
        beta.libraryIdentifier = QStringLiteral("ID-1");
        EventInfo edge = eventNamed("Day 1");
        edge.proxySize = 600'000'000;
        edge.renderSize = 400'000'000;
        beta.events = {edge};

        gamma = libraryAt(w.folderOnDrive("Gamma.fcpbundle"), "Media");
        EventInfo fine = eventNamed("A");
        EventInfo broken = eventNamed("B");
        broken.brokenLinkCount = 2;
        gamma.events = {fine, broken};
        gamma.problem = QStringLiteral("The library database could not be read.");

        delta = libraryAt(w.folderOnDrive("Delta.fcpbundle"), "Archive");
        delta.libraryIdentifier = QStringLiteral("ID-2");
        delta.fcpVersion = QStringLiteral("10.4.1");

        epsilon = libraryAt(w.folderOnDrive("Epsilon.fcpbundle"), "Media");
        epsilon.fcpVersion = QStringLiteral("11.0");
        zeta = libraryAt(w.folderOnDrive("Zeta.fcpbundle"), "Media");

        w.setLibraries({alpha, beta, gamma, delta, epsilon, zeta});
        w.setPluginStats(epsilon, 0, 1);
        w.setPluginStats(zeta, 2, 0);
    }

    Catalog& catalog() { return *w.catalog; }
    void hideBackups(bool on) { w.env.settings->setFlag(QStringLiteral("hideBackupDrives"), on); }

    test::WindowCatalog w;
    LibraryInfo alpha, beta, gamma, delta, epsilon, zeta;
};

} // namespace

TEST_F(SidebarFilterTest, DrivesAndOneSmartFilterPickTheVisibleLibraries) {
    const QString favoriteGamma = gamma.path;
    struct Case {
        SidebarSelection sidebar;
        QStringList names;
    };
    const QStringList everything{"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta"};
    const QList<Case> cases = {
        {{Kind::all}, everything},
        {{}, everything},
        {{Kind::duplicates}, {"Alpha", "Beta"}},
        {{Kind::offline}, {"Beta"}},
        {{Kind::reclaimable}, {"Alpha"}}, // 1,000,000,001 passes, exactly 1,000,000,000 does not
        {{Kind::broken}, {"Gamma"}},
        {{Kind::needsUpdate}, {"Delta"}},
        {{Kind::missingPlugins}, {"Epsilon", "Zeta"}},
        {{Kind::damaged}, {"Gamma"}},
        // Two smart items: no smart filter at all.
        {{Kind::all, Kind::duplicates}, everything},
        {{Kind::offline, Kind::damaged}, everything},
        {{SidebarItem::drive("Media")}, {"Alpha", "Gamma", "Epsilon", "Zeta"}},
        {{SidebarItem::drive("Media"), Kind::duplicates}, {"Alpha"}},
        {{SidebarItem::drive("Media"), SidebarItem::drive("Archive"), Kind::offline}, {"Beta"}},
        {{SidebarItem::drive("Nowhere")}, {}},
        // Favourites never filter.
        {{SidebarItem::favorite(favoriteGamma)}, everything},
        {{SidebarItem::favorite(favoriteGamma), Kind::needsUpdate}, {"Delta"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(namesOf(SidebarFilter::visibleLibraries(catalog(), c.sidebar)), c.names)
            << shown(c.sidebar);
}

TEST_F(SidebarFilterTest, CopiesAreCountedAmongShownLibrariesOnly) {
    EXPECT_EQ(SidebarFilter::copyCounts(catalog()), (QHash<QString, qint64>{{"ID-1", 2}, {"ID-2", 1}}));

    // Archive becomes a backup drive and "Working drives only" hides it: Beta's twin Alpha is
    // no longer a duplicate.
    w.setDriveRoles({{"Archive", "backup"}});
    hideBackups(true);
    EXPECT_EQ(SidebarFilter::copyCounts(catalog()), (QHash<QString, qint64>{{"ID-1", 1}}));
    EXPECT_EQ(namesOf(SidebarFilter::visibleLibraries(catalog(), {Kind::duplicates})), QStringList{});
    EXPECT_EQ(namesOf(SidebarFilter::visibleLibraries(catalog(), {Kind::all})),
              (QStringList{"Alpha", "Gamma", "Epsilon", "Zeta"}));
}

TEST_F(SidebarFilterTest, HiddenBackupNoticeNeedsEverySelectedLibraryOnABackupDrive) {
    LibraryInfo vault = libraryAt("/Volumes/Vault/Old.fcpbundle", "Vault");
    vault.volumeUUID = QStringLiteral("UUID-V");
    LibraryInfo vaultTwin = libraryAt("/Volumes/Vault/Older.fcpbundle", "Vault");
    vaultTwin.volumeUUID = QStringLiteral("UUID-V");
    w.setLibraries({alpha, beta, gamma, delta, epsilon, zeta, vault, vaultTwin});
    // Archive is a backup drive by name, Vault by its UUID.
    w.setDriveRoles({{"Archive", "backup"}, {"UUID-V", "backup"}});

    struct Case {
        bool hide;
        SidebarSelection sidebar;
        std::optional<QString> notice;
    };
    const QList<Case> cases = {
        {false, {SidebarItem::drive("Archive")}, std::nullopt},
        {true, {Kind::all}, std::nullopt},
        {true, {SidebarItem::drive("Archive")}, QStringLiteral("“Archive” is a backup drive")},
        {true, {SidebarItem::drive("Vault"), Kind::duplicates}, QStringLiteral("“Vault” is a backup drive")},
        {true,
         {SidebarItem::drive("Archive"), SidebarItem::drive("Vault")},
         QStringLiteral("The selected drives are backup drives")},
        {true, {SidebarItem::drive("Archive"), SidebarItem::drive("Media")}, std::nullopt},
        {true, {SidebarItem::drive("Nowhere")}, std::nullopt},
    };
    for (const Case& c : cases) {
        hideBackups(c.hide);
        EXPECT_EQ(SidebarFilter::hiddenBackupDrive(catalog(), c.sidebar), c.notice) << shown(c.sidebar);
    }

    // One library on a drive without a role among them: no notice.
    LibraryInfo working = libraryAt("/Volumes/Archive/New.fcpbundle", "Archive");
    working.volumeUUID = QStringLiteral("UUID-W"); // its UUID has no role, but its name has
    LibraryInfo stray = libraryAt("/Volumes/Vault/Stray.fcpbundle", "Vault");
    w.setLibraries({vault, stray, working});
    hideBackups(true);
    EXPECT_EQ(SidebarFilter::hiddenBackupDrive(catalog(), {SidebarItem::drive("Archive")}),
              QStringLiteral("“Archive” is a backup drive"));
    EXPECT_EQ(SidebarFilter::hiddenBackupDrive(catalog(), {SidebarItem::drive("Vault")}), std::nullopt);
}

TEST_F(SidebarFilterTest, FilteredEmptyStateAndItsTitle) {
    const QList<LibraryInfo> none;
    const QList<LibraryInfo> some{alpha};
    for (const Mode mode : allModes()) {
        const bool listsLibraries = mode != Mode::media && mode != Mode::compare;
        EXPECT_EQ(SidebarFilter::showsFilteredEmpty(catalog(), mode, none), listsLibraries) << int(mode);
        EXPECT_FALSE(SidebarFilter::showsFilteredEmpty(catalog(), mode, some));
    }
    w.setLibraries({});
    for (const Mode mode : allModes())
        EXPECT_FALSE(SidebarFilter::showsFilteredEmpty(catalog(), mode, none));

    struct Case {
        QString search;
        SidebarSelection sidebar;
        QString title;
    };
    const QList<Case> cases = {
        {"interview", {Kind::duplicates}, "No matches"},
        {"  ", {Kind::duplicates}, "No duplicates"},
        {"", {Kind::offline}, "Every drive is connected"},
        {"", {Kind::reclaimable}, "Nothing over 1 GB reclaimable"},
        {"", {Kind::broken}, "No missing files"},
        {"", {Kind::needsUpdate}, "Nothing needs a Final Cut update"},
        {"", {Kind::missingPlugins}, "No missing plug-ins"},
        {"", {Kind::damaged, SidebarItem::drive("Media")}, "No damaged libraries"},
        {"", {Kind::all, SidebarItem::drive("Media")}, "Nothing on the selected drives"},
        {"", {Kind::broken, Kind::damaged, SidebarItem::drive("Media")}, "Nothing on the selected drives"},
        {"", {Kind::all}, "Nothing to show"},
        {"", {SidebarItem::favorite("/a")}, "Nothing to show"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SidebarFilter::filterEmptyTitle(c.search, c.sidebar), c.title) << shown(c.sidebar);
}

TEST_F(SidebarFilterTest, OpeningAFavouriteOnAHiddenBackupDriveShowsIt) {
    w.setDriveRoles({{"Archive", "backup"}});
    hideBackups(true);
    WindowState state;
    state.sidebar = {Kind::all};

    const SidebarFilter::FavoriteOutcome outcome = SidebarFilter::openFavorite(state, catalog(), delta.path);
    EXPECT_TRUE(outcome.hideBackupsSwitchedOff);
    EXPECT_FALSE(w.env.settings->flag(QStringLiteral("hideBackupDrives"), true));
    // Visible once the setting is off, so the selection keeps its filters.
    EXPECT_EQ(state.sidebar, (SidebarSelection{Kind::all}));
    EXPECT_EQ(outcome.reveal, SidebarFilter::FavoriteOutcome::Reveal::now);
    EXPECT_EQ(state.selection, delta.path);
    EXPECT_TRUE(state.showInspector);
}

TEST_F(SidebarFilterTest, OpeningAFavouriteDropsTheFiltersThatHideIt) {
    struct Case {
        SidebarSelection before;
        SidebarSelection after;
    };
    const SidebarItem other = SidebarItem::favorite(alpha.path);
    const QList<Case> cases = {
        // Visible already: nothing changes.
        {{Kind::damaged}, {Kind::damaged}},
        {{SidebarItem::drive("Media")}, {SidebarItem::drive("Media")}},
        // Hidden: only the favourites stay, or this favourite alone.
        {{SidebarItem::drive("Archive")}, {SidebarItem::favorite(gamma.path)}},
        {{Kind::duplicates, other}, {other}},
    };
    for (const Case& c : cases) {
        WindowState state;
        state.sidebar = c.before;
        SidebarFilter::openFavorite(state, catalog(), gamma.path);
        EXPECT_EQ(state.sidebar, c.after) << shown(c.before);
        EXPECT_EQ(state.selection, gamma.path);
    }
}

TEST_F(SidebarFilterTest, OpeningAFavouriteClearsASearchThatMissesItAndLeavesOtherTabs) {
    WindowState state;
    state.changeMode(Mode::events);
    state.search = state.appliedSearch = QStringLiteral("interview");
    state.searchResult.libraries.insert(alpha.path, {});

    SidebarFilter::FavoriteOutcome outcome = SidebarFilter::openFavorite(state, catalog(), alpha.path);
    EXPECT_FALSE(outcome.searchCleared); // the search holds it
    EXPECT_EQ(state.search, QStringLiteral("interview"));
    EXPECT_TRUE(outcome.modeChanged);
    EXPECT_EQ(state.mode, Mode::browser);
    // Selected only on the next turn, after the tab was rebuilt.
    EXPECT_EQ(outcome.reveal, SidebarFilter::FavoriteOutcome::Reveal::nextTurn);
    EXPECT_EQ(state.selection, std::nullopt);
    SidebarFilter::revealFavorite(state, outcome.path);
    EXPECT_EQ(state.selection, alpha.path);
    EXPECT_TRUE(state.showInspector);

    state.changeMode(Mode::libraries);
    outcome = SidebarFilter::openFavorite(state, catalog(), zeta.path);
    EXPECT_TRUE(outcome.searchCleared);
    EXPECT_EQ(state.search, QString());
    EXPECT_FALSE(outcome.modeChanged);
    EXPECT_EQ(state.mode, Mode::libraries);
    EXPECT_EQ(outcome.reveal, SidebarFilter::FavoriteOutcome::Reveal::now);
    EXPECT_EQ(state.selection, zeta.path);

    WindowState untouched;
    untouched.sidebar = {Kind::damaged};
    outcome = SidebarFilter::openFavorite(untouched, catalog(), QStringLiteral("/nowhere/Lib.fcpbundle"));
    EXPECT_EQ(outcome.reveal, SidebarFilter::FavoriteOutcome::Reveal::none);
    EXPECT_EQ(untouched.sidebar, (SidebarSelection{Kind::damaged}));
    EXPECT_EQ(untouched.selection, std::nullopt);
}

TEST_F(SidebarFilterTest, SelectionChangesSortByReclaimableAndOpenNewFavourites) {
    WindowState state;
    SidebarSelection old = state.sidebar;
    state.sidebar = {Kind::reclaimable};
    SidebarFilter::SidebarReaction reaction = SidebarFilter::sidebarChanged(state, catalog(), old);
    EXPECT_TRUE(reaction.sortsChanged);
    EXPECT_FALSE(reaction.favorite.has_value());
    EXPECT_EQ(state.librarySort, (SortOrder<LibraryField>{{LibraryField::reclaimable, false}}));
    EXPECT_EQ(state.eventSort, (SortOrder<EventField>{{EventField::reclaimable, false}}));
    EXPECT_EQ(state.projectSort, (SortOrder<ProjectField>{{ProjectField::modified, false}}));

    // Still selected: the user's own sort stays.
    state.librarySort = {{LibraryField::name, true}};
    old = state.sidebar;
    state.sidebar = {Kind::reclaimable, SidebarItem::drive("Media")};
    EXPECT_FALSE(SidebarFilter::sidebarChanged(state, catalog(), old).sortsChanged);
    EXPECT_EQ(state.librarySort, (SortOrder<LibraryField>{{LibraryField::name, true}}));

    // Two new favourites: the first by path is opened.
    old = state.sidebar;
    state.sidebar = {SidebarItem::favorite(zeta.path), SidebarItem::favorite(alpha.path)};
    reaction = SidebarFilter::sidebarChanged(state, catalog(), old);
    ASSERT_TRUE(reaction.favorite.has_value());
    EXPECT_EQ(reaction.favorite->path, alpha.path);
    EXPECT_EQ(state.selection, alpha.path);

    // Dropping one opens nothing.
    old = state.sidebar;
    state.sidebar = {SidebarItem::favorite(zeta.path)};
    EXPECT_FALSE(SidebarFilter::sidebarChanged(state, catalog(), old).favorite.has_value());
}

TEST_F(SidebarFilterTest, UpdatingADriveAsksForTheOnlineUndamagedLibrariesThatNeedIt) {
    LibraryInfo oldBeta = beta; // offline
    oldBeta.fcpVersion = QStringLiteral("10.0");
    LibraryInfo damaged = libraryAt(w.folderOnDrive("Damaged.fcpbundle"), "Archive");
    damaged.fcpVersion = QStringLiteral("10.6");
    damaged.problem = QStringLiteral("unreadable");
    LibraryInfo newer = libraryAt(w.folderOnDrive("Newer.fcpbundle"), "Archive");
    newer.fcpVersion = QStringLiteral("12.0");
    w.setLibraries({alpha, oldBeta, gamma, delta, damaged, newer, epsilon});

    const SidebarFilter::DriveUpdate archive =
        SidebarFilter::driveUpdate(catalog(), QStringLiteral("Archive"));
    ASSERT_TRUE(archive.request.has_value());
    EXPECT_EQ(namesOf(archive.request->libraries), QStringList{"Delta"});
    EXPECT_FALSE(archive.request->id.isNull());
    EXPECT_EQ(archive.status, std::nullopt);

    WindowState state;
    SidebarFilter::updateDrive(state, catalog(), QStringLiteral("Archive"));
    ASSERT_TRUE(state.updateRequest.has_value());
    const QUuid first = state.updateRequest->id;
    SidebarFilter::updateDrive(state, catalog(), QStringLiteral("Archive"));
    EXPECT_NE(state.updateRequest->id, first); // a fresh request each time

    state.updateRequest.reset();
    SidebarFilter::updateDrive(state, catalog(), QStringLiteral("Media"));
    EXPECT_FALSE(state.updateRequest.has_value());
    EXPECT_EQ(catalog().status(), QStringLiteral("Nothing on Media needs updating."));
}
