// The sidebar in the main window, offscreen: its buttons clicked where they are drawn ("Select
// all", the role pill, rescan, refresh, remove), favourites clicked and double-clicked, tips,
// the sections' stored open states, the drive menu and the eject from its confirmation (answered
// by scripted prompts) to its report, with a scripted ejector.

#include "Shell/Views/SidebarView.h"

#include "App/AppSettings.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Shell/Views/SidebarModel.h"
#include "Support/ByteCount.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/FakeEjector.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QMenu>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace pellimor;
using Answer = platform::Ejector::Answer;
using Part = SidebarDelegate::Part;
using Section = SidebarSection::Kind;
using test::FakeEjector;
using test::MainWindowHarness;
using test::ScriptedPrompts;

namespace {

// A window over libraries on two working drives (Studio and Field, plugged in), a backup drive
// (Archive, plugged in), a drive that is not plugged in (Away) and the start-up disk, with one
// favourite and one watched folder, and a scripted ejector.
class SidebarViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        studio = window.plugDrive(QStringLiteral("Studio"));
        field = window.plugDrive(QStringLiteral("Field"));
        archive = window.plugDrive(QStringLiteral("Archive"));
        alpha = test::libraryRecord(QDir(studio).filePath(QStringLiteral("Alpha.fcpbundle")),
                                    QStringLiteral("Studio"));
        QDir().mkpath(alpha.path);
        window.catalog().seed(
            {.libraries = QList<LibraryInfo>{
                 alpha,
                 test::libraryRecord(QDir(field).filePath(QStringLiteral("Beta.fcpbundle")),
                                     QStringLiteral("Field")),
                 test::libraryRecord(QDir(archive).filePath(QStringLiteral("Old.fcpbundle")),
                                     QStringLiteral("Archive")),
                 test::libraryRecord(QDir(window.volumes).filePath(QStringLiteral("Away/Gone.fcpbundle")),
                                     QStringLiteral("Away")),
                 test::libraryRecord(QStringLiteral("/Users/ann/Movies/Home.fcpbundle"),
                                     QStringLiteral("Macintosh HD"))}});
        window.catalog().setBackup(true, std::nullopt, QStringLiteral("Archive"));
        window.catalog().toggleFavorite(alpha.path);
        window.catalog().seed({.roots = QList<ScanRoot>{ScanRoot{studio, std::nullopt}}});
        window.show();
        window.prompts->questions.clear();
        window.prompts->notes.clear();
        sidebar().resize(sidebar().width(), 900);
        settle();
    }

    SidebarView& sidebar() const { return *window.content().sidebarView(); }
    const SidebarModel& model() const { return sidebar().sidebarModel(); }
    QModelIndex drive(const QString& name) const { return model().indexOf(SidebarItem::drive(name)); }
    const SidebarRow* rowOf(const QModelIndex& index) const { return model().row(index); }
    QStringList rowTitles(Section kind) const {
        QStringList titles;
        const QModelIndex header = model().header(kind);
        for (int i = 0; i < model().rowCount(header); ++i)
            titles.append(model().row(model().index(i, 0, header))->title);
        return titles;
    }

    // Lets queued work run and waits until the sidebar has drawn what it changed.
    void settle() {
        window.settle();
        const MainContent& content = window.content();
        ASSERT_TRUE(test::waitUntil(
            [&] { return !content.refreshScheduler().isRequested(content.parts().sidebar); }));
    }
    // A left click on the middle of a part, as drawn now.
    void click(const QModelIndex& index, Part part) {
        sidebar().scrollTo(index);
        const QRectF rect = sidebar().partRect(index, part);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, rect.center().toPoint());
        settle();
    }
    // The middle of a row, once laid out and in view.
    QPoint middleOf(const QModelIndex& index) const {
        sidebar().scrollTo(index);
        return sidebar().visualRect(index).center();
    }

    // Chooses an item of the drive's menu.
    void choose(const QString& name, int item) {
        std::unique_ptr<QMenu> menu = sidebar().menuFor(drive(name));
        ASSERT_NE(menu, nullptr);
        menu->actions().at(item)->trigger();
        settle();
    }

    MainWindowHarness window{QStringLiteral("sidebar")};
    std::shared_ptr<FakeEjector> ejector = std::make_shared<FakeEjector>();
    platform::ScopedServices ejectorScope{FakeEjector::services(ejector)};
    QString studio, field, archive;
    LibraryInfo alpha;
};

TEST_F(SidebarViewTest, sectionsAndTheirRowsFollowTheCatalogue) {
    QStringList headers;
    for (int i = 0; i < model().rowCount(); ++i)
        headers.append(model().data(model().index(i, 0)).toString());
    EXPECT_EQ(headers, (QStringList{"Library", "Favorites", "Working drives (4)", "Backup drives (1)",
                                    "Watched folders (1)"}));
    EXPECT_EQ(rowTitles(Section::working), (QStringList{"Away", "Field", "Macintosh HD", "Studio"}));
    EXPECT_EQ(model().data(drive(QStringLiteral("Away")), Qt::ToolTipRole).toString(),
              QStringLiteral("Away: 1 libraries, ") + ByteCount::file(1000) +
                  QStringLiteral(" of Final Cut libraries (not connected)"));

    // Unmarking the last favourite takes its section away.
    window.catalog().toggleFavorite(alpha.path);
    settle();
    EXPECT_FALSE(model().header(Section::favorites).isValid());
    EXPECT_EQ(model().rowCount(), 4);
}

TEST_F(SidebarViewTest, selectAllOfTheBackupDrivesReplacesTheWholeSelection) {
    window.content().setSidebar({SidebarItem::drive(QStringLiteral("Studio")),
                                 SidebarItem::drive(QStringLiteral("Field")),
                                 SidebarItem::favorite(alpha.path)});
    settle();
    ASSERT_EQ(sidebar().selectedItems().size(), 3);

    click(model().header(Section::backup), Part::selectAll);
    const SidebarSelection backups{SidebarItem::drive(QStringLiteral("Archive"))};
    EXPECT_EQ(window.content().state().sidebar, backups);
    EXPECT_EQ(sidebar().selectedItems(), backups);

    click(model().header(Section::working), Part::selectAll);
    EXPECT_EQ(window.content().state().sidebar.size(), 4);
}

TEST_F(SidebarViewTest, headersAndWatchedFoldersNeverChangeTheSelection) {
    window.content().setSidebar({SidebarItem::drive(QStringLiteral("Studio"))});
    settle();
    const SidebarSelection before = window.content().state().sidebar;
    for (const QModelIndex& index : {model().header(Section::favorites), model().watchedRow(studio)}) {
        SCOPED_TRACE(model().data(index).toString().toStdString());
        sidebar().scrollTo(index);
        QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(index));
        settle();
        EXPECT_EQ(window.content().state().sidebar, before);
    }
    // Nor does the right button, which opens a drive's menu (kept shut here).
    sidebar().setContextMenuPolicy(Qt::NoContextMenu);
    QTest::mouseClick(sidebar().viewport(), Qt::RightButton, {}, middleOf(drive(QStringLiteral("Field"))));
    settle();
    EXPECT_EQ(window.content().state().sidebar, before);
    sidebar().setContextMenuPolicy(Qt::DefaultContextMenu);
    // A plain click on a row replaces the selection; with Ctrl it adds to it.
    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(drive(QStringLiteral("Field"))));
    settle();
    EXPECT_EQ(window.content().state().sidebar,
              SidebarSelection{SidebarItem::drive(QStringLiteral("Field"))});
    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, Qt::ControlModifier,
                      middleOf(model().indexOf(SidebarItem(SidebarItem::Kind::duplicates))));
    settle();
    EXPECT_EQ(window.content().state().sidebar,
              (SidebarSelection{SidebarItem::drive(QStringLiteral("Field")), SidebarItem::Kind::duplicates}));
}

TEST_F(SidebarViewTest, theRolePillMovesTheDriveToTheOtherSection) {
    click(drive(QStringLiteral("Studio")), Part::role);
    EXPECT_TRUE(window.catalog().isBackupDrive(alpha));
    EXPECT_EQ(rowTitles(Section::backup), (QStringList{"Archive", "Studio"}));
    EXPECT_EQ(model().data(model().header(Section::backup)).toString(), QStringLiteral("Backup drives (2)"));

    click(drive(QStringLiteral("Studio")), Part::role);
    EXPECT_FALSE(window.catalog().isBackupDrive(alpha));
    EXPECT_EQ(rowTitles(Section::backup), QStringList{"Archive"});
}

TEST_F(SidebarViewTest, backupDrivesAreDimmedWhileHiddenAndStaySelectable) {
    AppSettings::setHideBackups(true);
    settle();
    ASSERT_TRUE(rowOf(drive(QStringLiteral("Archive")))->dimmed);
    EXPECT_FALSE(rowOf(drive(QStringLiteral("Studio")))->dimmed);
    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(drive(QStringLiteral("Archive"))));
    settle();
    EXPECT_EQ(window.content().state().sidebar,
              SidebarSelection{SidebarItem::drive(QStringLiteral("Archive"))});
}

TEST_F(SidebarViewTest, rescanUsesTheSettingsAndRefreshAlwaysMakesPostersWithTwoReads) {
    window.env.settings->setFlag(QStringLiteral("makePosters"), false);
    window.env.settings->setInteger(QStringLiteral("scanThreads"), 6);
    settle();

    click(drive(QStringLiteral("Field")), Part::rescan);
    ASSERT_TRUE(window.catalog().isScanning() || window.scanned());
    ScanJob job = window.catalog().scanHost()->job();
    EXPECT_EQ(job.roots, QStringList{field});
    EXPECT_FALSE(job.posters);
    EXPECT_EQ(job.concurrency, 6);
    ASSERT_TRUE(window.scanned());
    settle(); // the buttons come back once the scan has ended

    click(model().watchedRow(studio), Part::refresh);
    job = window.catalog().scanHost()->job();
    EXPECT_EQ(job.roots, QStringList{studio});
    EXPECT_TRUE(job.posters);
    EXPECT_EQ(job.concurrency, 2);
    ASSERT_TRUE(window.scanned());
}

TEST_F(SidebarViewTest, refreshIsDisabledDuringAnyScanAndWhenTheFolderIsGone) {
    const QModelIndex watched = model().watchedRow(studio);
    EXPECT_TRUE(rowOf(watched)->actionEnabled);

    window.catalog().seed({.scanning = true});
    settle();
    EXPECT_FALSE(rowOf(model().watchedRow(studio))->actionEnabled);
    EXPECT_FALSE(rowOf(drive(QStringLiteral("Studio")))->actionEnabled) << "rescan too";
    // A click on a disabled button starts nothing.
    const ScanJob before = window.catalog().scanHost()->job();
    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {},
                      sidebar().partRect(model().watchedRow(studio), Part::refresh).center().toPoint());
    settle();
    EXPECT_EQ(window.catalog().scanHost()->job().roots, before.roots);
    window.catalog().seed({.scanning = false});

    // Gone: the drive is unplugged (the sidebar redraws with the mounted set).
    ASSERT_TRUE(QDir(studio).removeRecursively());
    window.catalog().recordMounted();
    settle();
    EXPECT_FALSE(rowOf(model().watchedRow(studio))->actionEnabled);
}

TEST_F(SidebarViewTest, removingAWatchedFolderTakesItAwayAtOnce) {
    click(model().watchedRow(studio), Part::remove);
    EXPECT_TRUE(window.catalog().roots().isEmpty());
    EXPECT_TRUE(window.prompts->questions.isEmpty()) << "no confirmation";
    EXPECT_FALSE(model().header(Section::watched).isValid());
}

TEST_F(SidebarViewTest, aFavouriteIsBroughtIntoViewByAClickAndOpenedByADoubleClick) {
    QList<QString> opened;
    window.catalog().setOpener([&](const LibraryInfo& library) { opened.append(library.path); });
    window.content().setMode(Mode::events);
    const QModelIndex favorite = model().indexOf(SidebarItem::favorite(alpha.path));

    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(favorite));
    settle();
    EXPECT_EQ(window.content().state().mode, Mode::browser);
    EXPECT_EQ(window.content().state().selection, std::optional<QString>(alpha.path));
    EXPECT_TRUE(opened.isEmpty());

    QTest::mouseDClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(favorite));
    settle();
    EXPECT_EQ(opened, QList<QString>{alpha.path});
    EXPECT_EQ(window.content().state().selection, std::optional<QString>(alpha.path));
}

TEST_F(SidebarViewTest, eachPartShowsItsOwnTip) {
    const auto tipAt = [&](const QPoint& point) {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, point, sidebar().viewport()->mapToGlobal(point));
        QApplication::sendEvent(sidebar().viewport(), &help);
        return QToolTip::text();
    };
    const QModelIndex away = drive(QStringLiteral("Away"));
    sidebar().scrollTo(away);
    EXPECT_EQ(tipAt(sidebar().partRect(away, Part::rescan).center().toPoint()),
              QStringLiteral("Away isn't connected"));
    EXPECT_EQ(tipAt(sidebar().partRect(away, Part::role).center().toPoint()),
              QStringLiteral("Working drive. Click to mark it as a backup drive."));
    EXPECT_EQ(
        tipAt(QPoint(sidebar().visualRect(away).center().x() - 40, sidebar().visualRect(away).center().y())),
        rowOf(away)->help);
    const QModelIndex backup = model().header(Section::backup);
    EXPECT_EQ(tipAt(sidebar().partRect(backup, Part::selectAll).center().toPoint()),
              QStringLiteral("Select every backup drive at once"));
    const QModelIndex watched = model().watchedRow(studio);
    sidebar().scrollTo(watched);
    EXPECT_EQ(tipAt(sidebar().partRect(watched, Part::remove).center().toPoint()),
              QStringLiteral("Stop watching this folder (its libraries stay in the catalog)"));
    EXPECT_EQ(tipAt(sidebar().partRect(watched, Part::refresh).center().toPoint()),
              QStringLiteral("Refresh just this folder"));
    QToolTip::hideText();
}

TEST_F(SidebarViewTest, anOfflineFavouriteSaysSoOnItsSecondLineAndItsDot) {
    const LibraryInfo gone = window.catalog().libraries().at(3);
    window.catalog().toggleFavorite(gone.path);
    settle();
    const QModelIndex favorite = model().indexOf(SidebarItem::favorite(gone.path));
    ASSERT_TRUE(favorite.isValid());
    EXPECT_EQ(rowOf(favorite)->detail, QStringLiteral("Away · not connected"));
    EXPECT_EQ(model().data(favorite, Qt::AccessibleTextRole).toString(),
              QStringLiteral("Gone, Away · not connected"));

    // The dot sits after the star: 12 + 16 + 6 pixels in, half its 7 across.
    sidebar().scrollTo(favorite);
    const QRect row = sidebar().visualRect(favorite);
    const QPoint dot(row.left() + 12 + 16 + 6 + 3, row.top() + 4 + 8);
    QHelpEvent help(QEvent::ToolTip, dot, sidebar().viewport()->mapToGlobal(dot));
    QApplication::sendEvent(sidebar().viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Drive not connected"));
    QToolTip::hideText();
}

TEST_F(SidebarViewTest, openStatesAreStoredWhenTheUserTogglesAndKeptForTheNextWindow) {
    const QModelIndex library = model().header(Section::library);
    EXPECT_TRUE(sidebar().isExpanded(library));
    EXPECT_FALSE(sidebar().isExpanded(model().header(Section::watched))) << "closed on a fresh store";
    EXPECT_FALSE(window.env.settings->contains(QStringLiteral("sidebarLibraryOpen")))
        << "nothing written unasked";

    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(library));
    settle();
    EXPECT_FALSE(sidebar().isExpanded(library));
    EXPECT_FALSE(window.env.settings->flag(QStringLiteral("sidebarLibraryOpen"), true));

    QTest::mouseClick(sidebar().viewport(), Qt::LeftButton, {}, middleOf(model().header(Section::watched)));
    settle();
    EXPECT_TRUE(window.env.settings->flag(QStringLiteral("sidebarWatchedOpen"), false));

    // "Favorites" does not close.
    const QModelIndex favorites = model().header(Section::favorites);
    sidebar().collapse(favorites);
    EXPECT_TRUE(sidebar().isExpanded(favorites));

    // A new window, as after a restart: the sections as the user left them.
    SidebarView next(window.catalog());
    next.refresh({});
    EXPECT_FALSE(next.isExpanded(next.sidebarModel().header(Section::library)));
    EXPECT_TRUE(next.isExpanded(next.sidebarModel().header(Section::watched)));
    EXPECT_TRUE(next.isExpanded(next.sidebarModel().header(Section::working)));
}

TEST_F(SidebarViewTest, theDriveMenuUpdatesAndEjectsOnlyWhileTheDriveIsConnected) {
    std::unique_ptr<QMenu> menu = sidebar().menuFor(drive(QStringLiteral("Studio")));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Update Libraries on Studio to Final Cut …"));
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    EXPECT_EQ(menu->actions()[2]->text(), QStringLiteral("Eject"));
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    EXPECT_TRUE(menu->actions()[2]->isEnabled());

    std::unique_ptr<QMenu> away = sidebar().menuFor(drive(QStringLiteral("Away")));
    EXPECT_FALSE(away->actions()[0]->isEnabled());
    EXPECT_FALSE(away->actions()[2]->isEnabled());
    EXPECT_EQ(sidebar().menuFor(model().indexOf(SidebarItem(SidebarItem::Kind::all))), nullptr);

    choose(QStringLiteral("Studio"), 0);
    EXPECT_EQ(window.catalog().status(), QStringLiteral("Nothing on Studio needs updating."));
}

TEST_F(SidebarViewTest, aNameWithAnAmpersandShowsAsWrittenInTheMenuAndTheQuestion) {
    const QString tom = window.plugDrive(QStringLiteral("Tom & Jerry"));
    QList<LibraryInfo> libraries = window.catalog().libraries();
    libraries.append(test::libraryRecord(QDir(tom).filePath(QStringLiteral("Cartoon.fcpbundle")),
                                         QStringLiteral("Tom & Jerry")));
    window.catalog().seed({.libraries = libraries});
    window.catalog().recordMounted();
    settle();

    std::unique_ptr<QMenu> menu = sidebar().menuFor(drive(QStringLiteral("Tom & Jerry")));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Update Libraries on Tom && Jerry to Final Cut …"));
    choose(QStringLiteral("Tom & Jerry"), 2);
    ASSERT_EQ(window.prompts->questions.size(), 1);
    EXPECT_EQ(window.prompts->questions[0].title, QStringLiteral("Eject Tom & Jerry?"));
}

TEST_F(SidebarViewTest, ejectAsksFirstThenReportsEveryOutcome) {
    struct Case {
        const char* name;
        QString drive;
        std::optional<QString> answer;
        FakeEjector::Script script;
        QString status;
        QList<ScriptedPrompts::Note> notes;
        bool asked; // the ejector was asked
    };
    const Case cases[] = {
        {"ejected",
         QStringLiteral("Studio"),
         QStringLiteral("Eject"),
         {Answer::done, Answer::unsupported, FakeEjector::Vanish::onUnmount},
         QStringLiteral("Ejected Studio."),
         {},
         true},
        {"in use",
         QStringLiteral("Field"),
         QStringLiteral("Eject"),
         {Answer::busy, Answer::done, FakeEjector::Vanish::never},
         QStringLiteral("Field is in use, so it was left mounted."),
         {{QStringLiteral("Field is in use"),
           QStringLiteral("It was left mounted. Nothing was forced off.")}},
         true},
        {"no disk service",
         QStringLiteral("Archive"),
         QStringLiteral("Eject"),
         {Answer::noConnection, Answer::done, FakeEjector::Vanish::never},
         QStringLiteral("Couldn’t eject Archive. It was left mounted."),
         {{QStringLiteral("Couldn’t eject Archive"),
           QStringLiteral("Couldn’t eject Archive. It was left mounted.")}},
         true},
        {"cancelled", QStringLiteral("Field"), QStringLiteral("Cancel"), {}, QString(), {}, false},
        {"dismissed", QStringLiteral("Field"), std::nullopt, {}, QString(), {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ejector = std::make_shared<FakeEjector>();
        platform::ScopedServices scope(FakeEjector::services(ejector));
        ejector->script(QDir(window.volumes).filePath(c.drive), c.script);
        window.catalog().setStatus(QString());
        window.prompts->questions.clear();
        window.prompts->notes.clear();
        window.prompts->answers = {c.answer};

        choose(c.drive, 2);
        ASSERT_EQ(window.prompts->questions.size(), 1);
        const ScriptedPrompts::Question& question = window.prompts->questions[0];
        EXPECT_EQ(question.title, QStringLiteral("Eject ") + c.drive + QStringLiteral("?"));
        EXPECT_EQ(question.message,
                  QStringLiteral(
                      "This unmounts and ejects it the same way Finder does. It will not force the drive "
                      "out. If something is using it, it stays mounted."));
        EXPECT_EQ(ScriptedPrompts::titles(question), (QStringList{"Eject", "Cancel (cancel)"}));
        EXPECT_FALSE(sidebar().pendingEject().has_value());

        ASSERT_TRUE(test::waitUntil([&] { return !c.asked || !window.catalog().status().isEmpty(); }));
        EXPECT_EQ(!ejector->calls().isEmpty(), c.asked);
        EXPECT_EQ(window.catalog().status(), c.status);
        ASSERT_EQ(window.prompts->notes.size(), c.notes.size());
        for (qsizetype i = 0; i < c.notes.size(); ++i) {
            EXPECT_EQ(window.prompts->notes[i].title, c.notes[i].title);
            EXPECT_EQ(window.prompts->notes[i].text, c.notes[i].text);
        }
    }
    // The ejected drive stays in the list, not connected.
    EXPECT_TRUE(rowOf(drive(QStringLiteral("Studio")))->detail.endsWith(QStringLiteral(" · not connected")));
}

TEST_F(SidebarViewTest, theStartupDiskIsNeverEjected) {
    window.prompts->answers = {QStringLiteral("OK")};
    choose(QStringLiteral("Macintosh HD"), 2);
    ASSERT_EQ(window.prompts->questions.size(), 1);
    EXPECT_EQ(window.prompts->questions[0].title, QStringLiteral("Can’t eject Macintosh HD"));
    EXPECT_EQ(window.prompts->questions[0].message,
              QStringLiteral("This is the startup disk. It stays mounted."));
    EXPECT_EQ(ScriptedPrompts::titles(window.prompts->questions[0]), QStringList{"OK (cancel)"});
    settle();
    EXPECT_TRUE(ejector->calls().isEmpty());
    EXPECT_TRUE(window.prompts->notes.isEmpty());
}

TEST_F(SidebarViewTest, aDriveUnpluggedBeforeTheEjectIsReportedAsNotMounted) {
    window.prompts->answers = {QStringLiteral("Eject")};
    std::unique_ptr<QMenu> menu = sidebar().menuFor(drive(QStringLiteral("Field")));
    ASSERT_TRUE(QDir(field).removeRecursively()); // between the menu and the confirmation
    menu->actions().at(2)->trigger();
    settle();
    EXPECT_TRUE(ejector->calls().isEmpty());
    EXPECT_EQ(window.catalog().status(), QStringLiteral("Field is not mounted."));
    ASSERT_EQ(window.prompts->notes.size(), 1);
    EXPECT_EQ(window.prompts->notes[0].title, QStringLiteral("Field stayed mounted"));
}

} // namespace
