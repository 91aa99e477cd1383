#include "Shell/WindowState.h"

#include "App/AppAction.h"
#include "Shell/WindowSettings.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/Scopes.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(WindowSettingsRead, AFreshStoreReadsTheDefaults) {
    test::ScopedSettings settings;
    const WindowSettings s = WindowSettings::read();
    EXPECT_FALSE(s.fullRescan);
    EXPECT_TRUE(s.makePosters);
    EXPECT_EQ(s.scanThreads, 2);
    EXPECT_TRUE(s.autoRefresh);
    EXPECT_EQ(s.folderDepth, 5);
    EXPECT_TRUE(s.skipSafetyNet);
    EXPECT_TRUE(s.skipFCPBackups);
    EXPECT_FALSE(s.hideBackups);
    EXPECT_EQ(s.dateMode, QStringLiteral("modified"));
    EXPECT_FALSE(s.showsCreated());
}

TEST(WindowSettingsRead, StoredValuesAndTheDateRule) {
    test::ScopedSettings settings;
    settings.store->setFlag(QStringLiteral("hideBackupDrives"), true);
    settings.store->setInteger(QStringLiteral("scanThreads"), 4);
    settings.store->setInteger(QStringLiteral("folderDepth"), 8);
    settings.store->setFlag(QStringLiteral("autoRefresh"), false);
    // A value of another type reads as the default.
    settings.store->setText(QStringLiteral("makePosters"), QStringLiteral("yes"));
    const WindowSettings s = WindowSettings::read();
    EXPECT_TRUE(s.hideBackups);
    EXPECT_EQ(s.scanThreads, 4);
    EXPECT_EQ(s.concurrency(), 4);
    EXPECT_EQ(s.folderDepth, 8);
    EXPECT_FALSE(s.autoRefresh);
    EXPECT_TRUE(s.makePosters);

    for (const auto& [stored, created] : QList<std::pair<QString, bool>>{
             {"created", true}, {"modified", false}, {"foo", false}, {"Created", false}, {"", false}}) {
        settings.store->setText(QStringLiteral("dateMode"), stored);
        EXPECT_EQ(WindowSettings::read().showsCreated(), created) << stored.toStdString();
    }

    settings.store->setInteger(QStringLiteral("scanThreads"), qint64(1) << 40);
    EXPECT_EQ(WindowSettings::read().concurrency(), std::numeric_limits<int>::max());
}

TEST(WindowStateInitial, ANewWindowStartsOnTheBrowserWithEverythingSelected) {
    test::ScopedSettings settings;
    settings.store->setFlag(QStringLiteral("searchAllFields"), false);
    const WindowState state = WindowState::initial();
    EXPECT_EQ(state.mode, Mode::browser);
    EXPECT_EQ(state.columnVisibility, WindowState::ColumnVisibility::all);
    EXPECT_EQ(state.sidebar, (SidebarSelection{SidebarItem::Kind::all}));
    EXPECT_EQ(state.search, QString());
    EXPECT_EQ(state.appliedSearch, QString());
    EXPECT_EQ(state.searchGeneration, 0);
    EXPECT_EQ(state.selection, std::nullopt);
    EXPECT_FALSE(state.scope.all); // loaded from the store
    EXPECT_EQ(state.searchResult, SearchResult::empty());
    EXPECT_EQ(state.winWidth, 1400);
    EXPECT_FALSE(state.showInspector);
    EXPECT_EQ(state.pendingDrive, std::nullopt);
    EXPECT_FALSE(state.cleanupLib.has_value());
    EXPECT_FALSE(state.updateRequest.has_value());
    EXPECT_FALSE(state.missingRequest.has_value());
    EXPECT_FALSE(state.askRefresh);
    EXPECT_EQ(state.projectSort, (SortOrder<ProjectField>{{ProjectField::modified, false}}));
    EXPECT_EQ(state.librarySort, (SortOrder<LibraryField>{{LibraryField::size, false}}));
    EXPECT_EQ(state.eventSort, (SortOrder<EventField>{{EventField::size, false}}));
    EXPECT_EQ(state.mediaSort, (SortOrder<MediaField>{{MediaField::size, false}}));
}

TEST(SidebarItemIdentity, EqualByKindAndPayload) {
    EXPECT_EQ(SidebarItem::drive("Archive"), SidebarItem::drive("Archive"));
    EXPECT_NE(SidebarItem::drive("Archive"), SidebarItem::drive("archive"));
    EXPECT_NE(SidebarItem::drive("Archive"), SidebarItem::favorite("Archive"));
    EXPECT_NE(SidebarItem(SidebarItem::Kind::all), SidebarItem(SidebarItem::Kind::duplicates));

    const SidebarSelection set{SidebarItem::drive("Archive"), SidebarItem::drive("Archive"),
                               SidebarItem::favorite("Archive"), SidebarItem::Kind::all};
    EXPECT_EQ(set.size(), 3);
    EXPECT_TRUE(set.contains(SidebarItem::drive("Archive")));
    EXPECT_FALSE(set.contains(SidebarItem::drive("Media")));

    EXPECT_TRUE(SidebarItem(SidebarItem::Kind::damaged).isSmart());
    EXPECT_FALSE(SidebarItem::drive("A").isSmart());
    EXPECT_FALSE(SidebarItem::favorite("/a").isSmart());
}

TEST(WindowStateReactions, TabSelectionAndDetailsColumnFollowEachOther) {
    WindowState state;
    state.changeSelection(QStringLiteral("/Volumes/A/Lib.fcpbundle|Day 1"));
    EXPECT_TRUE(state.showInspector);

    EXPECT_FALSE(state.changeMode(Mode::browser)); // the same tab changes nothing
    EXPECT_TRUE(state.selection.has_value());

    EXPECT_TRUE(state.changeMode(Mode::events));
    EXPECT_EQ(state.selection, std::nullopt);
    EXPECT_FALSE(state.showInspector);

    state.changeSelection(QStringLiteral("/a|e"));
    state.changeShowInspector(true);
    EXPECT_EQ(state.selection, QStringLiteral("/a|e"));
    state.changeShowInspector(false);
    EXPECT_EQ(state.selection, std::nullopt);

    state.changeSelection(QStringLiteral("/a|e"));
    state.changeSelection(std::nullopt);
    EXPECT_FALSE(state.showInspector);
}

TEST(WindowStateReactions, ReplacedMediaClearsOnlyAMediaRowSelection) {
    WindowState state;
    state.changeMode(Mode::media);
    state.changeSelection(QStringLiteral("12"));
    state.mediaReplaced();
    EXPECT_EQ(state.selection, std::nullopt);
    EXPECT_FALSE(state.showInspector);

    state.changeMode(Mode::libraries);
    state.changeSelection(QStringLiteral("/Volumes/A/Lib.fcpbundle"));
    state.mediaReplaced();
    EXPECT_EQ(state.selection, QStringLiteral("/Volumes/A/Lib.fcpbundle"));
}

TEST(WindowStateReactions, MenuNotifications) {
    using Effect = WindowState::MenuEffect;
    struct Case {
        QString name;
        std::optional<QString> object;
        Effect effect;
        Mode mode;
    };
    const QList<Case> cases = {
        {AppAction::setMode(), QStringLiteral("Plug-ins"), Effect::refreshTrace, Mode::plugins},
        {AppAction::setMode(), QStringLiteral("Plugins"), Effect::none, Mode::browser},
        {AppAction::setMode(), QStringLiteral("Media Files"), Effect::refreshTrace, Mode::media},
        {AppAction::setMode(), QStringLiteral("Media"), Effect::none, Mode::browser},
        {AppAction::setMode(), std::nullopt, Effect::none, Mode::browser},
        {AppAction::setMode(), QStringLiteral("Browser"), Effect::none, Mode::browser}, // already there
        {AppAction::exportCSV(), std::nullopt, Effect::exportCSV, Mode::browser},
        {AppAction::addWatchFolder(), std::nullopt, Effect::chooseFolder, Mode::browser},
        {AppAction::saveFCPSettings(), std::nullopt, Effect::saveFCPSettings, Mode::browser},
        {AppAction::restoreFCPSettings(), std::nullopt, Effect::restoreFCPSettings, Mode::browser},
        {AppAction::putDeRoomBack(), std::nullopt, Effect::putDeRoomBack, Mode::browser},
        {AppAction::focusSearch(), std::nullopt, Effect::none, Mode::browser},
        {QStringLiteral("fcp.Unknown"), QStringLiteral("Libraries"), Effect::none, Mode::browser},
    };
    for (const Case& c : cases) {
        WindowState state;
        state.changeSelection(QStringLiteral("/a"));
        EXPECT_EQ(state.receive(c.name, c.object), c.effect) << c.name.toStdString();
        EXPECT_EQ(state.mode, c.mode) << c.name.toStdString();
        // Switching tabs clears the selection; anything else leaves it.
        EXPECT_EQ(state.selection.has_value(), c.mode == Mode::browser) << c.name.toStdString();
    }
}

TEST(WindowStateReactions, ScanEntireDriveSetsThePendingDriveOnlyWithAPath) {
    WindowState state;
    EXPECT_EQ(state.receive(AppAction::scanEntireDrive(), std::nullopt), WindowState::MenuEffect::none);
    EXPECT_EQ(state.pendingDrive, std::nullopt);
    state.receive(AppAction::scanEntireDrive(), QString());
    EXPECT_EQ(state.pendingDrive, std::nullopt);

    state.receive(AppAction::scanEntireDrive(), QStringLiteral("/Volumes/Media/"));
    EXPECT_EQ(state.pendingDrive, QStringLiteral("/Volumes/Media"));
    state.receive(AppAction::scanEntireDrive(), QStringLiteral("relative/Drive"));
    EXPECT_EQ(state.pendingDrive, QDir::current().absoluteFilePath(QStringLiteral("relative/Drive")));
}
