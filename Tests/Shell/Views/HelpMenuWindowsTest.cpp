// The Help menu's items chosen as the menu bar chooses them, against the real manual and report
// windows offscreen: which document an open manual window turns to, that every item keeps to
// one window, what an open report keeps, and the error log the log item makes and shows.

#include "Catalogue/Logs/ErrorLog.h"
#include "Manual/ManualDoc.h"
#include "Manual/MarkdownHTML.h"
#include "Manual/Views/ManualText.h"
#include "Manual/Views/ManualView.h"
#include "Shell/Views/AppMenuBar.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/ManualWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/ReportWindow.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingFileManager.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::TestEnv;

namespace {

class HelpMenuWindowsTest : public ::testing::Test {
protected:
    CatalogTestEnv env{QStringLiteral("help-menu")};
    const QString volumes = TestEnv::freshDir(QStringLiteral("help-menu-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", volumes};
    std::unique_ptr<PellimorApp> app = std::make_unique<PellimorApp>();
    const std::shared_ptr<test::ScriptedPrompts> prompts = std::make_shared<test::ScriptedPrompts>();

    HelpMenuWindowsTest() { app->mainContent().setPrompts(prompts); }

    // The item as the menu bar holds it, triggered as a click on it would be.
    void choose(const QString& id) {
        QAction* item = app->menus().action(id);
        ASSERT_NE(item, nullptr) << id.toStdString();
        ASSERT_TRUE(item->isEnabled()) << id.toStdString();
        item->trigger();
    }

    static int windowsOfType(const char* className) {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += widget->inherits(className) ? 1 : 0;
        return count;
    }

    // Runs the deferred deletions and repaints the windows ask for.
    static void settle() { CatalogTestEnv::spin(20); }
};

// What the manual window shows of a document, read from its widgets.
struct Shown {
    QString firstLine;    // the page's first line: the document's title
    QStringList contents; // the rows of the contents list
    bool manualChecked;   // the "Manual" segment
    bool whatsNewChecked; // the "What's New" segment
    QString pageText;     // the page's whole plain text
};

Shown shownBy(const ManualView& view) {
    Shown shown;
    shown.pageText = view.page()->toPlainText();
    shown.firstLine = shown.pageText.section(QLatin1Char('\n'), 0, 0).trimmed();
    const auto* contents = view.findChild<QListWidget*>(QStringLiteral("contents"));
    for (int row = 0; contents && row < contents->count(); ++row)
        shown.contents.append(contents->item(row)->text());
    const auto* manual = view.findChild<QPushButton*>(QStringLiteral("segment Manual"));
    const auto* whatsNew = view.findChild<QPushButton*>(QStringLiteral("segment What's New"));
    shown.manualChecked = manual && manual->isChecked();
    shown.whatsNewChecked = whatsNew && whatsNew->isChecked();
    return shown;
}

// The title and level-2 headings the document's own Markdown gives.
struct Expected {
    QString title;
    QStringList contents;
};

Expected expectedOf(const ManualDoc& doc) {
    const std::optional<QString> text = doc.text();
    EXPECT_TRUE(text.has_value()) << doc.rawValue().toStdString();
    Expected expected;
    const QString first = text.value_or(QString()).section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(first.startsWith(QStringLiteral("# "))) << first.toStdString();
    expected.title = first.mid(2).trimmed();
    for (const MarkdownHTML::ContentsEntry& entry : MarkdownHTML::render(text.value_or(QString())).contents)
        expected.contents.append(entry.title);
    return expected;
}

void expectShowing(const ManualView& view, const ManualDoc& doc) {
    SCOPED_TRACE(doc.rawValue().toStdString());
    const Expected expected = expectedOf(doc);
    ASSERT_FALSE(expected.contents.isEmpty());
    const Shown shown = shownBy(view);
    EXPECT_EQ(shown.firstLine, expected.title);
    EXPECT_EQ(shown.contents, expected.contents);
    EXPECT_TRUE(shown.pageText.contains(expected.contents.last()));
    EXPECT_EQ(shown.manualChecked, doc == ManualDoc::manual);
    EXPECT_EQ(shown.whatsNewChecked, doc == ManualDoc::whatsNew);
}

TEST_F(HelpMenuWindowsTest, manualItemsTurnTheOpenWindowToTheirDocument) {
    // Both documents must differ where the checks look, or a window stuck on one would pass.
    ASSERT_NE(expectedOf(ManualDoc::manual).title, expectedOf(ManualDoc::whatsNew).title);
    ASSERT_NE(expectedOf(ManualDoc::manual).contents, expectedOf(ManualDoc::whatsNew).contents);

    choose(QStringLiteral("help.whatsNew"));
    ManualWindow* window = app->manualWindow();
    ASSERT_NE(window, nullptr);
    expectShowing(window->view(), ManualDoc::whatsNew);

    // The main window in front: the manual item must bring the manual window back over it.
    app->showMainWindow();
    app->mainWindow().activateWindow();
    ASSERT_TRUE(
        CatalogTestEnv::waitUntil([&] { return QApplication::activeWindow() == &app->mainWindow(); }));

    struct Step {
        const char* item;
        ManualDoc doc;
    };
    for (const Step& step :
         {Step{"help.manual", ManualDoc::manual}, Step{"help.whatsNew", ManualDoc::whatsNew},
          Step{"help.manual", ManualDoc::manual}}) {
        SCOPED_TRACE(step.item);
        ManualView* view = &window->view();
        choose(QString::fromLatin1(step.item));
        EXPECT_EQ(app->manualWindow(), window);
        EXPECT_EQ(&window->view(), view);
        EXPECT_EQ(windowsOfType("pellimor::ManualWindow"), 1);
        EXPECT_TRUE(window->isVisible());
        expectShowing(window->view(), step.doc);
        ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return QApplication::activeWindow() == window; }));
        app->mainWindow().activateWindow();
        ASSERT_TRUE(
            CatalogTestEnv::waitUntil([&] { return QApplication::activeWindow() == &app->mainWindow(); }));
    }
}

TEST_F(HelpMenuWindowsTest, reportItemRaisesTheOpenReportAsItWas) {
    const auto logLine = [](const QString& message) {
        ErrorLog::write(ErrorLog::Level::error, QStringLiteral("scan"), message, std::nullopt,
                        ErrorLog::url(), ErrorLog::capBytes, QDateTime::currentDateTimeUtc());
    };
    logLine(QStringLiteral("Before the window."));
    choose(QStringLiteral("help.reportProblem"));
    ReportWindow* window = app->reportWindow();
    ASSERT_NE(window, nullptr);
    auto* note = window->findChild<QPlainTextEdit*>(QStringLiteral("note"));
    auto* report = window->findChild<QPlainTextEdit*>(QStringLiteral("report"));
    ASSERT_NE(note, nullptr);
    ASSERT_NE(report, nullptr);
    note->setPlainText(QStringLiteral("The scan stopped halfway."));
    const QString before = report->toPlainText();
    ASSERT_TRUE(before.contains(QStringLiteral("The scan stopped halfway.")));
    ASSERT_TRUE(before.contains(QStringLiteral("Before the window.")));

    logLine(QStringLiteral("While the window was open."));
    choose(QStringLiteral("help.reportProblem"));
    settle();
    EXPECT_EQ(app->reportWindow(), window);
    EXPECT_EQ(windowsOfType("pellimor::ReportWindow"), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(note->toPlainText(), QStringLiteral("The scan stopped halfway."));
    // Not read again: the very same text, without the line written since.
    EXPECT_EQ(report->toPlainText(), before);
}

TEST_F(HelpMenuWindowsTest, showLogFileMakesTheLogWhenMissingAndKeepsAnExistingOne) {
    struct Case {
        const char* name;
        bool folderThere;
        std::optional<QByteArray> content; // the log before; none when there is no file
    };
    const QString log = ErrorLog::url();
    const QString folder = QFileInfo(log).absolutePath();
    for (const Case& c : {Case{"no log", true, std::nullopt}, Case{"no folder either", false, std::nullopt},
                          Case{"a log with lines", true, QByteArray("2024-01-01 ERROR scan: Kept.\n")}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(log);
        if (!c.folderThere)
            QDir(folder).removeRecursively();
        else
            QDir().mkpath(folder);
        if (c.content) {
            QFile file(log);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.content);
        }
        ASSERT_EQ(QFileInfo::exists(log), c.content.has_value());

        auto files = std::make_shared<test::RecordingFileManager>();
        platform::ScopedServices scope(test::RecordingFileManager::services(files));
        choose(QStringLiteral("help.showLogFile"));

        EXPECT_EQ(files->revealed, QStringList{log});
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.content.value_or(QByteArray()));
        EXPECT_EQ(QFileInfo(log).fileName(), QStringLiteral("error-log.txt"));
    }
}

TEST_F(HelpMenuWindowsTest, reopenedManualStartsAfreshOnTheStoredDocument) {
    choose(QStringLiteral("help.manual"));
    ManualWindow* window = app->manualWindow();
    ASSERT_NE(window, nullptr);
    {
        ManualView& view = window->view();
        auto* question = view.findChild<QLineEdit*>(QStringLiteral("question"));
        ASSERT_NE(question, nullptr);
        question->setText(QStringLiteral("how do I free up space on a backup drive?"));
        view.ask();
        settle();
        ASSERT_TRUE(view.findChild<QWidget*>(QStringLiteral("answerPanel"))->isVisible());
        ASSERT_GT(view.page()->verticalScrollBar()->value(), 0); // the answer's jump moved the page
    }

    window->close();
    // Chosen while the window is closed, the document is where the next one starts.
    env.settings->setText(QStringLiteral("manualDoc"), QStringLiteral("What's New"));
    app->openManual();
    settle();

    EXPECT_EQ(app->manualWindow(), window);
    EXPECT_EQ(window->findChildren<ManualView*>().size(), 1);
    ManualView& view = window->view();
    EXPECT_TRUE(view.isVisible());
    EXPECT_EQ(view.findChild<QLineEdit*>(QStringLiteral("question"))->text(), QString());
    EXPECT_FALSE(view.findChild<QWidget*>(QStringLiteral("answerPanel"))->isVisible());
    EXPECT_FALSE(view.findChild<QPushButton*>(QStringLiteral("ask"))->isEnabled());
    EXPECT_EQ(view.page()->verticalScrollBar()->value(), 0);
    expectShowing(view, ManualDoc::whatsNew);

    // Opened again from the menu, it turns to the item's document.
    window->close();
    choose(QStringLiteral("help.manual"));
    settle();
    EXPECT_EQ(window->findChildren<ManualView*>().size(), 1);
    expectShowing(window->view(), ManualDoc::manual);
    EXPECT_FALSE(window->view().findChild<QWidget*>(QStringLiteral("answerPanel"))->isVisible());
}

TEST_F(HelpMenuWindowsTest, aMinimisedWindowOpensAgainWhenChosen) {
    for (const char* item : {"help.manual", "help.reportProblem"}) {
        SCOPED_TRACE(item);
        choose(QString::fromLatin1(item));
        settle();
        QWidget* window = QString::fromLatin1(item) == QStringLiteral("help.manual")
                              ? static_cast<QWidget*>(app->manualWindow())
                              : static_cast<QWidget*>(app->reportWindow());
        ASSERT_NE(window, nullptr);
        window->showMinimized();
        settle();
        choose(QString::fromLatin1(item));
        settle();
        EXPECT_FALSE(window->isMinimized());
        EXPECT_TRUE(window->isVisible());
    }
}

} // namespace
