// The search field in the main window, offscreen: the choices change the window's scope,
// which is saved and searched at once; the area boxes are locked while "All fields" is on;
// the find command's notification puts the cursor in the field; the prompt follows the tab.

#include "App/AppAction.h"
#include "Browser/Views/SearchField.h"
#include "Catalogue/Logs/ActivityLog.h"
#include "Shell/Views/SidebarView.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/TempFiles.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;

namespace {

const QString kAllFieldsNote = QStringLiteral("Turn off All fields to search only the ticked ones.");
const QString kTickedOnlyNote = QStringLiteral("Only the ticked fields are searched.");

class MainWindowSearchFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        const QString media = window.plugDrive(QStringLiteral("Media"));
        window.catalog().seed(
            {.libraries = QList<LibraryInfo>{test::libraryRecord(
                 QDir(media).filePath(QStringLiteral("Alpha.fcpbundle")), QStringLiteral("Media"))}});
        window.show();
        window.prompts->questions.clear();
    }

    SearchField* field() const { return window.content().searchField(); }

    // A user's click on a tick box: on its indicator, at the left.
    static void clickBox(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    // How many searches of a text of `text`'s length the activity log says have begun.
    static qsizetype searchesBegun(const QString& text) {
        const QString begin = QStringLiteral("  search  begin len=%1").arg(text.size());
        const QStringList lines = test::lines(ActivityLog::url());
        return std::count_if(lines.begin(), lines.end(),
                             [&](const QString& line) { return line.endsWith(begin); });
    }

    // The flag stored under `key`, or nothing when the key holds no flag.
    std::optional<bool> storedFlag(const QString& key) const {
        const auto& store = window.env.settings;
        if (!store->holds(key, platform::SettingsStore::Type::Flag))
            return std::nullopt;
        return store->flag(key, true);
    }

    QList<bool> areaTicks() const {
        QList<bool> ticks;
        for (const SearchArea area : allSearchAreas())
            ticks.append(field()->areaBox(area)->isChecked());
        return ticks;
    }
    bool anyAreaEnabled() const {
        for (const SearchArea area : allSearchAreas()) {
            if (field()->areaBox(area)->isEnabled())
                return true;
        }
        return false;
    }
    bool everyAreaEnabled() const {
        for (const SearchArea area : allSearchAreas()) {
            if (!field()->areaBox(area)->isEnabled())
                return false;
        }
        return true;
    }

    MainWindowHarness window{QStringLiteral("searchfield")};
};

} // namespace

TEST_F(MainWindowSearchFieldTest, choosingAreasSavesTheScopeAndSearchesWithoutThePause) {
    QTest::keyClicks(field()->lineEdit(), QStringLiteral("Alpha"));
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return window.content().state().appliedSearch == QStringLiteral("Alpha"); }));
    EXPECT_EQ(window.content().state().search, QStringLiteral("Alpha"));

    QTest::mouseClick(field()->choicesButton(), Qt::LeftButton);
    ASSERT_TRUE(field()->choicesShown());

    struct Step {
        const char* name;
        QCheckBox* box;
        bool all;
        bool rolesTicked;
    };
    const Step steps[] = {
        {"All fields off", field()->allFieldsBox(), false, true},
        {"Roles unticked", field()->areaBox(SearchArea::roles), false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const qint64 before = window.content().state().searchGeneration;
        const qint64 shownID = window.content().state().searchResult.id;
        const qsizetype begun = searchesBegun(QStringLiteral("Alpha"));
        clickBox(step.box);
        const WindowState& state = window.content().state();
        EXPECT_EQ(state.scope.all, step.all);
        EXPECT_EQ(state.scope.areas.contains(SearchArea::roles), step.rolesTicked);
        EXPECT_EQ(state.scope.areas.size(), step.rolesTicked ? 13 : 12);
        EXPECT_EQ(storedFlag(QStringLiteral("searchAllFields")), std::optional<bool>(step.all));
        EXPECT_EQ(storedFlag(QStringLiteral("searchRoles")), std::optional<bool>(step.rolesTicked));
        EXPECT_EQ(storedFlag(QStringLiteral("searchKeywords")), std::optional<bool>(true));
        // One search of the same text, begun once what was queued has run: it did not wait
        // out the typing pause. Its result follows from the engine.
        ASSERT_EQ(state.searchGeneration, before + 1);
        test::runQueued();
        EXPECT_EQ(searchesBegun(QStringLiteral("Alpha")), begun + 1);
        ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return state.searchResult.id > shownID; }));
        EXPECT_EQ(state.appliedSearch, QStringLiteral("Alpha"));
    }
    // What the window holds is what a new window loads.
    EXPECT_EQ(SearchScope::load(), window.content().state().scope);
}

TEST_F(MainWindowSearchFieldTest, areaBoxesAreLockedWithTheirTicksWhileAllFieldsIsOn) {
    QTest::mouseClick(field()->choicesButton(), Qt::LeftButton);
    ASSERT_TRUE(field()->choicesShown());
    QLabel* note = field()->note();
    const QList<bool> everyTick(13, true);

    // A new catalogue: all fields, every area ticked, none of them changeable.
    EXPECT_TRUE(field()->allFieldsBox()->isChecked());
    EXPECT_EQ(areaTicks(), everyTick);
    EXPECT_FALSE(anyAreaEnabled());
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), kAllFieldsNote);
    clickBox(field()->areaBox(SearchArea::keywords));
    EXPECT_EQ(areaTicks(), everyTick);
    EXPECT_EQ(window.content().state().scope, SearchScope());

    clickBox(field()->allFieldsBox());
    EXPECT_TRUE(everyAreaEnabled());
    EXPECT_EQ(note->text(), kTickedOnlyNote);
    clickBox(field()->areaBox(SearchArea::keywords));
    clickBox(field()->areaBox(SearchArea::roles));
    QList<bool> twoOff = everyTick;
    twoOff[static_cast<int>(SearchArea::keywords)] = false;
    twoOff[static_cast<int>(SearchArea::roles)] = false;
    EXPECT_EQ(areaTicks(), twoOff);

    // Back on: the boxes lock and keep the two unticked, and the scope keeps them too.
    clickBox(field()->allFieldsBox());
    EXPECT_FALSE(anyAreaEnabled());
    EXPECT_EQ(areaTicks(), twoOff);
    EXPECT_EQ(note->text(), kAllFieldsNote);
    EXPECT_TRUE(window.content().state().scope.all);
    EXPECT_EQ(window.content().state().scope.areas.size(), 11);

    // Every area unticked with all fields off matches nothing, and says so.
    clickBox(field()->allFieldsBox());
    for (const SearchArea area : allSearchAreas()) {
        if (field()->areaBox(area)->isChecked())
            clickBox(field()->areaBox(area));
    }
    EXPECT_EQ(areaTicks(), QList<bool>(13, false));
    EXPECT_TRUE(window.content().state().scope.areas.isEmpty());
    EXPECT_EQ(note->text(), kTickedOnlyNote);
}

TEST(MainWindowSearchFieldStart, showsTheStoredScope) {
    MainWindowHarness window(QStringLiteral("searchfield-stored"));
    window.env.settings->setFlag(QStringLiteral("searchAllFields"), false);
    window.env.settings->setFlag(QStringLiteral("searchRoles"), false);
    // Not a flag: counts as ticked.
    window.env.settings->setText(QStringLiteral("searchKeywords"), QStringLiteral("no"));
    window.start();
    const SearchField* field = window.content().searchField();
    EXPECT_FALSE(field->allFieldsBox()->isChecked());
    EXPECT_FALSE(field->areaBox(SearchArea::roles)->isChecked());
    EXPECT_TRUE(field->areaBox(SearchArea::keywords)->isChecked());
    EXPECT_TRUE(field->areaBox(SearchArea::roles)->isEnabled());
    EXPECT_EQ(field->note()->text(), kTickedOnlyNote);
    EXPECT_EQ(field->scope(), window.content().state().scope);
}

TEST_F(MainWindowSearchFieldTest, findCommandFocusesTheFieldWhetherOrNotTheChoicesAreOpen) {
    struct Case {
        const char* name;
        bool choicesOpen;
    };
    const Case cases[] = {{"choices closed", false}, {"choices open", true}};
    window.content().setSearch(QStringLiteral("interview"));
    window.settle();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.content().sidebarView()->setFocus();
        field()->setChoicesShown(c.choicesOpen);
        ASSERT_NE(window.content().window()->focusWidget(), field()->lineEdit());

        window.post(AppAction::focusSearch());
        EXPECT_EQ(window.content().window()->focusWidget(), field()->lineEdit());
        EXPECT_EQ(field()->lineEdit()->selectedText(), QStringLiteral("interview"));
        EXPECT_FALSE(field()->choicesShown());
    }
}

TEST_F(MainWindowSearchFieldTest, promptFollowsTheTab) {
    struct Case {
        const char* tab;
        const char* prompt;
    };
    const Case cases[] = {
        {"Media Files", "File name, e.g. C0006"},
        {"Browser", "Search"},
        {"Projects", "Search"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        window.post(AppAction::setMode(), QString::fromUtf8(c.tab));
        EXPECT_EQ(field()->prompt(), QString::fromUtf8(c.prompt));
        EXPECT_EQ(field()->lineEdit()->placeholderText(), QString::fromUtf8(c.prompt));
    }
    EXPECT_EQ(field()->objectName(), QStringLiteral("searchField"));
}
