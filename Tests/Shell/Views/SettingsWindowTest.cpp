// The Settings window offscreen: its controls show the stored settings, write them at once
// when the user changes them, and follow changes made elsewhere.

#include "Shell/Views/SettingsWindow.h"

#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/Scopes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace pellimor;
using Type = platform::SettingsStore::Type;

namespace {

class SettingsWindowTest : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    std::unique_ptr<SettingsWindow> window;

    void open() {
        window = std::make_unique<SettingsWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    template <typename T> T* control(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QCheckBox* toggle(const char* key) const { return control<QCheckBox>(key); }
    // Clicks the box itself: a check box laid out wider than its text takes no click in its
    // empty part.
    static void click(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    QComboBox* picker(const char* key) const { return control<QComboBox>(key); }
    void showTab(int index) { window->tabs()->setCurrentIndex(index); }
};

TEST_F(SettingsWindowTest, anEmptyStoreShowsTheDefaults) {
    open();
    EXPECT_EQ(window->tabs()->tabText(0), QStringLiteral("Appearance"));
    EXPECT_EQ(window->tabs()->tabText(1), QStringLiteral("Scanning"));
    EXPECT_EQ(picker("appearance")->currentText(), QStringLiteral("Match my Mac"));
    EXPECT_FALSE(toggle("comfortableText")->isChecked());
    EXPECT_EQ(toggle("comfortableText")->text(), QStringLiteral("Larger Text"));
    EXPECT_TRUE(toggle("autoRefresh")->isChecked());
    EXPECT_TRUE(toggle("skipSafetyNet")->isChecked());
    EXPECT_TRUE(toggle("skipFCPBackups")->isChecked());
    EXPECT_FALSE(toggle("fullRescan")->isChecked());
    EXPECT_TRUE(toggle("makePosters")->isChecked());
    EXPECT_EQ(picker("folderDepth")->currentText(), QStringLiteral("5"));
    EXPECT_EQ(picker("scanThreads")->currentText(), QStringLiteral("2"));
    EXPECT_TRUE(
        toggle("skipFCPBackups")->toolTip().startsWith(QStringLiteral("Final Cut saves a small copy")));
    // Showing the window writes nothing.
    for (const char* key : {"appearance", "comfortableText", "autoRefresh", "skipSafetyNet", "skipFCPBackups",
                            "fullRescan", "makePosters", "folderDepth", "scanThreads"})
        EXPECT_FALSE(settings.store->contains(QString::fromLatin1(key))) << key;
}

TEST_F(SettingsWindowTest, userChangesAreWrittenAtOnce) {
    open();
    click(toggle("comfortableText"));
    EXPECT_TRUE(settings.store->holds(QStringLiteral("comfortableText"), Type::Flag));
    EXPECT_TRUE(settings.store->flag(QStringLiteral("comfortableText"), false));

    picker("appearance")->setFocus();
    QTest::keyClick(picker("appearance"), Qt::Key_Down); // "Light"
    EXPECT_EQ(settings.store->text(QStringLiteral("appearance")), QStringLiteral("light"));
    QTest::keyClick(picker("appearance"), Qt::Key_Down); // "Dark"
    EXPECT_EQ(settings.store->text(QStringLiteral("appearance")), QStringLiteral("dark"));

    showTab(1);
    click(toggle("skipSafetyNet"));
    EXPECT_TRUE(settings.store->holds(QStringLiteral("skipSafetyNet"), Type::Flag));
    EXPECT_FALSE(settings.store->flag(QStringLiteral("skipSafetyNet"), true));
    click(toggle("fullRescan"));
    EXPECT_TRUE(settings.store->flag(QStringLiteral("fullRescan"), false));

    QTest::keyClick(picker("folderDepth"), Qt::Key_Down); // "8"
    EXPECT_TRUE(settings.store->holds(QStringLiteral("folderDepth"), Type::Integer));
    EXPECT_EQ(settings.store->integer(QStringLiteral("folderDepth"), 0), 8);
    QTest::keyClick(picker("scanThreads"), Qt::Key_Up); // "1 (slow NAS)"
    EXPECT_EQ(settings.store->integer(QStringLiteral("scanThreads"), 0), 1);
}

TEST_F(SettingsWindowTest, controlsFollowChangesMadeElsewhere) {
    open();
    settings.store->setFlag(QStringLiteral("comfortableText"), true); // the View menu's "Larger Text"
    settings.store->setText(QStringLiteral("appearance"), QStringLiteral("dark"));
    settings.store->setFlag(QStringLiteral("makePosters"), false);
    settings.store->setInteger(QStringLiteral("scanThreads"), 4);
    EXPECT_TRUE(toggle("comfortableText")->isChecked());
    EXPECT_EQ(picker("appearance")->currentText(), QStringLiteral("Dark"));
    EXPECT_FALSE(toggle("makePosters")->isChecked());
    EXPECT_EQ(picker("scanThreads")->currentText(), QStringLiteral("4 (fast SSD)"));

    settings.store->remove(QStringLiteral("makePosters"));
    EXPECT_TRUE(toggle("makePosters")->isChecked());
}

TEST_F(SettingsWindowTest, aValueThatIsNoChoiceSelectsNothingAndStaysStored) {
    settings.store->setInteger(QStringLiteral("folderDepth"), 7);
    settings.store->setInteger(QStringLiteral("scanThreads"), 3);
    settings.store->setText(QStringLiteral("appearance"), QStringLiteral("Dark"));
    open();
    EXPECT_EQ(picker("folderDepth")->currentIndex(), -1);
    EXPECT_EQ(picker("scanThreads")->currentIndex(), -1);
    EXPECT_EQ(picker("appearance")->currentIndex(), -1);

    // Other controls write only their own keys.
    showTab(1);
    click(toggle("autoRefresh"));
    EXPECT_FALSE(settings.store->flag(QStringLiteral("autoRefresh"), true));
    EXPECT_EQ(settings.store->integer(QStringLiteral("folderDepth"), 0), 7);
    EXPECT_EQ(settings.store->integer(QStringLiteral("scanThreads"), 0), 3);
    EXPECT_EQ(settings.store->text(QStringLiteral("appearance")), QStringLiteral("Dark"));
}

TEST_F(SettingsWindowTest, countsBelowOneShowWhatAScanUsesAndStayStored) {
    settings.store->setInteger(QStringLiteral("folderDepth"), 0);
    settings.store->setInteger(QStringLiteral("scanThreads"), -1);
    open();
    EXPECT_EQ(picker("folderDepth")->currentText(), QStringLiteral("5"));
    EXPECT_EQ(picker("scanThreads")->currentText(), QStringLiteral("1 (slow NAS)"));
    EXPECT_EQ(settings.store->integer(QStringLiteral("folderDepth"), 5), 0);
    EXPECT_EQ(settings.store->integer(QStringLiteral("scanThreads"), 2), -1);
}

TEST_F(SettingsWindowTest, eachTabKeepsItsOwnFrame) {
    open();
    QWidget* look = window->tabs()->widget(0);
    QWidget* scan = window->tabs()->widget(1);
    test::CatalogTestEnv::spin(20);
    // The style may let the page overlap the tab bar by a pixel or two.
    EXPECT_EQ(look->width(), 420);
    EXPECT_NEAR(look->height(), 160, 4);
    const int lookPage = look->height();
    const int lookWindow = window->height();

    showTab(1);
    test::CatalogTestEnv::spin(20);
    EXPECT_EQ(scan->width(), 420);
    EXPECT_EQ(scan->height(), lookPage + 120);
    EXPECT_EQ(window->height(), lookWindow + 120);

    showTab(0);
    test::CatalogTestEnv::spin(20);
    EXPECT_EQ(window->height(), lookWindow);
}

} // namespace
