// The details column in the window: its two sheet buttons go through the window's one-at-a-time
// presenter, and forgetting asks through the window's prompts and leaves the selection rules
// to the window.

#include "Shell/Views/DetailsPanel.h"

#include "Browser/Views/LibraryDetail.h"
#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"
#include "MissingFiles/Views/MissingFilesSheet.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;

namespace {

class DetailsPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.create();
        const QString media = window.plugDrive(QStringLiteral("Media"));
        alpha = test::libraryRecord(QDir(media).filePath(QStringLiteral("Alpha.fcpbundle")),
                                    QStringLiteral("Media"));
        alpha.events[0].renderSize = 5000;
        alpha.events[0].brokenLinkCount = 2;
        ASSERT_TRUE(QDir().mkpath(alpha.path));
        window.catalog().seed({.libraries = QList<LibraryInfo>{alpha}});
        window.show();
        window.prompts->questions.clear();
        window.content().setMode(Mode::libraries);
        window.content().table(Mode::libraries)->selectRow(0);
        window.settle();
    }

    LibraryDetail* detail() const { return window.content().detailsPanel()->detail(); }
    QToolButton* control(const char* name) const {
        return detail()->widget()->findChild<QToolButton*>(QLatin1String(name));
    }

    MainWindowHarness window{QStringLiteral("details-panel")};
    LibraryInfo alpha;
};

} // namespace

TEST_F(DetailsPanelTest, theSheetButtonsOpenTheWindowsSheetOnceAndClearItsRequest) {
    ASSERT_TRUE(window.content().detailsPanel()->isVisible());
    ASSERT_NE(control("cleanupButton"), nullptr);
    ASSERT_TRUE(control("cleanupButton")->isEnabled());

    control("cleanupButton")->click();
    EXPECT_EQ(window.content().state().cleanupLib, alpha);
    window.settle();
    QList<FreeUpSpaceSheet*> cleanup;
    for (FreeUpSpaceSheet* sheet : window.content().window()->findChildren<FreeUpSpaceSheet*>())
        if (sheet->isVisible())
            cleanup.append(sheet);
    ASSERT_EQ(cleanup.size(), 1);
    EXPECT_EQ(cleanup[0]->findChild<QLabel*>(QStringLiteral("sheetTitle"))->text(),
              QStringLiteral("Free up space in “Alpha”"));
    cleanup[0]->findChild<QPushButton*>(QStringLiteral("close"))->click();
    window.settle();
    EXPECT_FALSE(window.content().state().cleanupLib.has_value());
    EXPECT_TRUE(window.content().window()->findChildren<FreeUpSpaceSheet*>().isEmpty());

    ASSERT_NE(control("missingFilesButton"), nullptr);
    control("missingFilesButton")->click();
    ASSERT_TRUE(window.content().state().missingRequest.has_value());
    EXPECT_EQ(window.content().state().missingRequest->libraries, QList<LibraryInfo>{alpha});
    window.settle();
    QList<MissingFilesSheet*> missing;
    for (MissingFilesSheet* sheet : window.content().window()->findChildren<MissingFilesSheet*>())
        if (sheet->isVisible())
            missing.append(sheet);
    ASSERT_EQ(missing.size(), 1);
    EXPECT_EQ(missing[0]->findChild<QLabel*>(QStringLiteral("sheetTitle"))->text(),
              QStringLiteral("Missing files"));
    missing[0]->findChild<QPushButton*>(QStringLiteral("close"))->click();
    window.settle();
    EXPECT_FALSE(window.content().state().missingRequest.has_value());
    EXPECT_TRUE(window.content().window()->findChildren<MissingFilesSheet*>().isEmpty());
}

TEST_F(DetailsPanelTest, forgettingGoesThroughTheWindowsPromptsAndTheSelectionFollows) {
    window.prompts->answers = {QStringLiteral("Forget from Catalog")};
    control("forgetButton")->click();
    ASSERT_EQ(window.prompts->questions.size(), 1);
    EXPECT_EQ(window.prompts->questions[0].title, QStringLiteral("Forget “Alpha” from the catalog?"));
    EXPECT_TRUE(window.catalog().libraries().isEmpty());
    window.settle();
    // The library has gone: the column no longer describes it.
    EXPECT_FALSE(window.content().detailsPanel()->shownText().contains(alpha.path));
    EXPECT_TRUE(QFileInfo::exists(alpha.path));
}
