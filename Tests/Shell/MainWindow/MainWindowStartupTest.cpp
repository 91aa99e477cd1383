// The main window's first appearance, offscreen: "--scan" fills the tables, a filled catalogue
// asks "Refresh the scan?" and acts on the answer, an empty one refreshes by itself.

#include "App/AppAction.h"
#include "Browser/Views/SearchField.h"
#include "Catalogue/Logs/UITrace.h"
#include "Shell/Views/MainToolbar.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;
using test::ScriptedPrompts;
using test::TestEnv;

namespace {

// The working folder for the length of a test, for relative "--scan" paths.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const QString& folder) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(folder);
    }
    ~ScopedCurrentFolder() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

TEST(MainWindowStartupTest, scanSwitchFillsTheTablesWithTheFixtureLibraries) {
    MainWindowHarness window(QStringLiteral("scan-switch"));
    const QString parent = TestEnv::freshDir(QStringLiteral("scan-switch-home"));
    const QString fixture = QDir(parent).filePath(QStringLiteral("Footage"));
    test::writeLibrary(fixture, QStringLiteral("Alpha"),
                       {QStringLiteral("A001.mov"), QStringLiteral("A002.wav")});
    test::writeLibrary(QDir(fixture).filePath(QStringLiteral("Clients")), QStringLiteral("Beta"),
                       {QStringLiteral("B001.mov")});

    {
        // A relative path is taken from the folder the program was started in.
        ScopedCurrentFolder current(parent);
        window.start({QStringLiteral("--scan"), QStringLiteral("Footage")});
    }
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return window.catalog().libraries().size() == 2; }));
    ASSERT_TRUE(window.scanned());
    window.settle();

    // The folder became a watched folder; no question was put to the user.
    ASSERT_EQ(window.catalog().roots().size(), 1);
    EXPECT_EQ(window.catalog().roots().first().path, fixture);
    EXPECT_TRUE(window.prompts->questions.isEmpty());

    // Ctrl+2 (the View menu's "Libraries") switches to the Libraries table.
    window.app->menus().action(QStringLiteral("view.mode:Libraries"))->trigger();
    window.settle();
    EXPECT_EQ(window.content().state().mode, Mode::libraries);
    EXPECT_EQ(window.content().toolBar()->checkedMode(), Mode::libraries);
    EXPECT_EQ(window.page(), QStringLiteral("librariesTable"));
    EXPECT_EQ(window.sortedColumn(Mode::libraries), (QStringList{"Alpha", "Beta"}));

    window.post(AppAction::setMode(), QStringLiteral("Events"));
    EXPECT_EQ(window.page(), QStringLiteral("eventsTable"));
    EXPECT_EQ(window.column(Mode::events), (QStringList{"Day 1", "Day 1"}));
    window.post(AppAction::setMode(), QStringLiteral("Projects"));
    EXPECT_EQ(window.column(Mode::projects), (QStringList{"Main Edit", "Main Edit"}));

    // Without a search the Media Files tab asks for a file name, and its table is empty however
    // many files are catalogued.
    window.post(AppAction::setMode(), QStringLiteral("Media Files"));
    EXPECT_EQ(window.page(), QStringLiteral("mediaPlaceholder"));
    EXPECT_TRUE(window.column(Mode::media).isEmpty());
}

TEST(MainWindowStartupTest, searchAppliesAfterThePauseAndFiltersTheTables) {
    MainWindowHarness window(QStringLiteral("search"));
    const QString fixture = TestEnv::freshDir(QStringLiteral("search-footage"));
    test::writeLibrary(fixture, QStringLiteral("Alpha"),
                       {QStringLiteral("A001.mov"), QStringLiteral("A002.wav")});
    test::writeLibrary(fixture, QStringLiteral("Beta"), {QStringLiteral("B001.mov")});
    test::writeLibrary(fixture, QStringLiteral("Gamma"), {QStringLiteral("G001.wav")});
    window.start({QStringLiteral("--scan"), fixture});
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return window.catalog().media().size() == 4; }));
    window.post(AppAction::setMode(), QStringLiteral("Media Files"));

    QLineEdit* field = window.content().searchField()->lineEdit();
    EXPECT_EQ(field->placeholderText(), QStringLiteral("File name, e.g. C0006"));
    QTest::keyClicks(field, QStringLiteral(".MOV"));
    // Typing does not search yet: the applied text follows after the pause.
    EXPECT_EQ(window.content().state().search, QStringLiteral(".MOV"));
    EXPECT_EQ(window.content().state().appliedSearch, QString());
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return window.content().state().appliedSearch == QStringLiteral(".MOV"); }));
    window.settle();
    EXPECT_EQ(window.sortedColumn(Mode::media), (QStringList{"A001.mov", "B001.mov"}));
    EXPECT_TRUE(UITrace::shared().snapshot().contains(QStringLiteral("queryLen=4")));

    // The other tables keep what holds a hit: the libraries with a ".mov" file.
    window.post(AppAction::setMode(), QStringLiteral("Libraries"));
    EXPECT_EQ(window.sortedColumn(Mode::libraries), (QStringList{"Alpha", "Beta"}));
    EXPECT_EQ(window.content().content(), MainContent::Content::tab);

    // Cleared as the user clears it: select everything, then delete.
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    ASSERT_TRUE(
        test::CatalogTestEnv::waitUntil([&] { return window.content().state().appliedSearch.isEmpty(); }));
    window.settle();
    EXPECT_EQ(window.sortedColumn(Mode::libraries), (QStringList{"Alpha", "Beta", "Gamma"}));
    EXPECT_TRUE(window.content().state().searchResult.libraries.isEmpty());
}

// What the first appearance does with a filled catalogue, by the answer to its question.
TEST(MainWindowStartupTest, filledCatalogueAsksWhetherToRefresh) {
    struct Case {
        const char* name;
        std::optional<QString> answer;
        bool refreshes;
    };
    const Case cases[] = {
        {"Refresh", QStringLiteral("Refresh"), true},
        {"Not now", QStringLiteral("Not now"), false},
        {"dismissed", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowHarness window(QStringLiteral("refresh"));
        const QString watched = TestEnv::freshDir(QStringLiteral("refresh-watched"));
        const QString onDisk = test::writeLibrary(watched, QStringLiteral("On Disk"));
        // The catalogue remembers the watched folder, but not yet the library in it; "fullRescan"
        // on must not matter to this refresh.
        window.env.settings->setFlag(QStringLiteral("fullRescan"), true);
        window.create();
        window.catalog().seed({.roots = QList<ScanRoot>{ScanRoot{watched, std::nullopt}}});
        window.catalog().seed({.libraries = QList<LibraryInfo>{test::libraryRecord(
                                   QDir(watched).filePath("Old.fcpbundle"), "Macintosh HD")}});
        window.prompts->answers = {c.answer};
        window.show();

        ASSERT_EQ(window.prompts->questions.size(), 1);
        const ScriptedPrompts::Question& question = window.prompts->questions.first();
        EXPECT_EQ(question.title, QStringLiteral("Refresh the scan?"));
        EXPECT_EQ(question.message,
                  QStringLiteral("The catalog is already saved. Refresh checks the watched folders "
                                 "again. Not now leaves it as it is."));
        EXPECT_EQ(ScriptedPrompts::titles(question), (QStringList{"Refresh", "Not now (cancel)"}));
        EXPECT_FALSE(window.content().state().askRefresh);

        ASSERT_TRUE(window.scanned());
        QStringList paths;
        for (const LibraryInfo& library : window.catalog().libraries())
            paths.append(library.path);
        if (c.refreshes) {
            EXPECT_EQ(paths, QStringList{onDisk});
            EXPECT_FALSE(window.catalog().currentJob().fullRescan);
        } else {
            EXPECT_EQ(paths, QStringList{QDir(watched).filePath("Old.fcpbundle")});
        }
    }
}

TEST(MainWindowStartupTest, emptyCatalogueRefreshesItsWatchedFoldersWithoutAsking) {
    MainWindowHarness window(QStringLiteral("auto-refresh"));
    const QString watched = TestEnv::freshDir(QStringLiteral("auto-refresh-watched"));
    const QString onDisk = test::writeLibrary(watched, QStringLiteral("Found Again"));
    window.create();
    window.catalog().seed({.roots = QList<ScanRoot>{ScanRoot{watched, std::nullopt}}});
    EXPECT_EQ(window.content().content(), MainContent::Content::empty);
    EXPECT_EQ(window.page(), QStringLiteral("emptyState"));
    window.show();

    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return window.catalog().libraries().size() == 1; }));
    ASSERT_TRUE(window.scanned());
    window.settle();
    EXPECT_TRUE(window.prompts->questions.isEmpty());
    EXPECT_EQ(window.catalog().libraries().first().path, onDisk);
    // The content follows the catalogue: from the empty state to the browser.
    EXPECT_EQ(window.content().content(), MainContent::Content::tab);
    EXPECT_EQ(window.page(), QStringLiteral("browserView"));
}

} // namespace
