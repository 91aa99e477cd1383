// The path card as a window offscreen, on the virtual clock: what it shows for online and
// offline libraries, its two buttons, its width with a long path, and that it neither grabs
// the pointer nor outlives the row it stands for.

#include "Browser/Views/PathHoverCard.h"

#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/VirtualClock.h"

#include <QClipboard>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;

namespace {

class PathHoverCardTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(600, 400);
        view.show();
    }

    PathHoverCard::Target target(const QString& path, bool online) const {
        return {path, path, online, QRect(view.mapToGlobal(QPoint(100, 40)), QSize(120, 16))};
    }
    // The pointer rests on the text of `path` for a second.
    void rest(const QString& path, bool online = true) {
        card->pointerAt(target(path, online));
        clock->advance(1s);
    }
    static void enter(QWidget* widget) {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(widget, &event);
    }
    static void leave(QWidget* widget) {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &event);
    }

    test::ScopedVirtualClock clock;
    std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices shell{test::RecordingFileManager::services(files)};
    QWidget view;
    PathHoverCard* card = new PathHoverCard(&view);
    const QString path = QStringLiteral("/Volumes/Media/Clients/Nova & Co/Spring.fcpbundle");
};

TEST_F(PathHoverCardTest, opensBelowTheTextAsAWindowThatNeitherGrabsNorActivates) {
    rest(path);
    ASSERT_TRUE(card->isVisible());
    EXPECT_TRUE(card->isWindow());
    EXPECT_EQ(card->windowType(), Qt::ToolTip);
    EXPECT_TRUE(card->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(card->pos(), view.mapToGlobal(QPoint(100, 58)));
    EXPECT_EQ(card->pathText()->toPlainText(), path);
    EXPECT_TRUE(card->openButton()->isVisible());
    EXPECT_EQ(card->copyButton()->text(), QStringLiteral("Copy Path"));
}

TEST_F(PathHoverCardTest, anOfflineLibraryGetsOnlyTheCopyButton) {
    rest(path, false);
    ASSERT_TRUE(card->isVisible());
    EXPECT_FALSE(card->openButton()->isVisible());
    EXPECT_TRUE(card->copyButton()->isVisible());
}

TEST_F(PathHoverCardTest, theButtonsRevealAndCopyTheFullPath) {
    rest(path);
    QTest::mouseClick(card->openButton(), Qt::LeftButton);
    EXPECT_EQ(files->revealed, QStringList{path});

    QTest::mouseClick(card->copyButton(), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), path);
    EXPECT_EQ(card->copyButton()->text(), QStringLiteral("Copied"));

    // Into the card and out again for good: it closes, and opens next time with "Copy Path".
    card->pointerAt(std::nullopt);
    enter(card);
    clock->advance(1s);
    EXPECT_EQ(card->copyButton()->text(), QStringLiteral("Copied"));
    leave(card);
    clock->advance(400ms);
    EXPECT_FALSE(card->isVisible());
    rest(path);
    EXPECT_EQ(card->copyButton()->text(), QStringLiteral("Copy Path"));
}

TEST_F(PathHoverCardTest, aLongPathWrapsWithin480Points) {
    QString longPath = QStringLiteral("/Volumes/Media");
    for (int i = 0; i < 20; ++i)
        longPath += QStringLiteral("/Folder number %1 of the client").arg(i);
    longPath += QStringLiteral("/Spring.fcpbundle");
    rest(longPath);
    ASSERT_TRUE(card->isVisible());
    EXPECT_LE(card->width(), PathHoverCard::kMaxWidth);
    const int line = card->pathText()->fontMetrics().lineSpacing();
    EXPECT_GT(card->pathText()->height(), 3 * line);
    // As tall as the wrapped path, with no empty room below it.
    EXPECT_EQ(card->pathText()->height(), int(std::ceil(card->pathText()->document()->size().height())));
    EXPECT_EQ(card->pathText()->toPlainText(), longPath);
}

TEST_F(PathHoverCardTest, anotherRowsTextStartsAfreshAndAForgottenRowNeverOpens) {
    rest(path);
    ASSERT_TRUE(card->isVisible());
    const QString other = QStringLiteral("/Volumes/Media/Other.fcpbundle");
    card->pointerAt(target(other, true));
    EXPECT_FALSE(card->isVisible());
    EXPECT_EQ(card->rowId(), other);
    clock->advance(1s);
    EXPECT_TRUE(card->isVisible());
    EXPECT_EQ(card->pathText()->toPlainText(), other);

    // The row leaves the tree while its wait runs.
    card->pointerAt(std::nullopt);
    card->forget();
    card->pointerAt(target(path, true));
    card->forget();
    clock->advance(2s);
    EXPECT_FALSE(card->isVisible());
    EXPECT_EQ(clock->pendingCalls(), 0);
}

} // namespace
