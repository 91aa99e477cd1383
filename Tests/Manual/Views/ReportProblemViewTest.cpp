// The problem report's view offscreen: the switch, the length, copying and sending.

#include "Manual/Views/ReportProblemView.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Manual/ProblemReport.h"
#include "Platform/Services.h"
#include "Support/Graphemes.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeMachineFacts.h"
#include "Tests/Support/FakeMailComposer.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingFileManager.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

class ReportProblemViewTest : public ::testing::Test {
protected:
    test::CatalogTestEnv env{QStringLiteral("report-view")};
    std::shared_ptr<test::FakeMachineFacts> machine = std::make_shared<test::FakeMachineFacts>();
    std::shared_ptr<test::RecordingFileManager> files = std::make_shared<test::RecordingFileManager>();
    platform::ScopedServices scope{services()};
    std::unique_ptr<Catalog> catalog = env.makeCatalog();
    std::unique_ptr<ReportProblemView> view;

    ReportProblemViewTest() {
        LibraryInfo wedding;
        wedding.path = QStringLiteral("/Volumes/Archive SSD/Jobs/Smith Wedding.fcpbundle");
        wedding.name = QStringLiteral("Smith Wedding");
        wedding.volumeName = QStringLiteral("Archive SSD");
        catalog->seed({.libraries = QList<LibraryInfo>{wedding}});
        writeLog(
            "2026-01-05T10:00:00Z ERROR eject: Archive SSD could not be ejected. \u201CA\u201D is open.\n");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    }

    platform::Services services() {
        platform::Services s;
        s.machine = machine;
        s.shell = files;
        return s;
    }

    static void writeLog(const QString& text) {
        const QString log = ErrorLog::url();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(log).absolutePath()));
        QFile out(log);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    }

    ReportProblemView& open() {
        view = std::make_unique<ReportProblemView>(*catalog);
        view->show();
        return *view;
    }

    template <typename T> T* part(const char* name) const {
        T* found = view->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString shown() const { return part<QPlainTextEdit>("report")->toPlainText(); }
    QString copyLabel() const { return part<QPushButton>("copy")->text(); }
};

} // namespace

TEST_F(ReportProblemViewTest, theSwitchShowsOrHidesTheNamesAtOnceNumberingFromOne) {
    open();
    EXPECT_TRUE(part<QCheckBox>("hideNames")->isChecked());
    EXPECT_EQ(part<QCheckBox>("hideNames")->text(),
              "Hide the names of this Mac, drives, libraries, folders and files");
    EXPECT_TRUE(shown().contains("Names hidden: yes\n"));
    EXPECT_TRUE(shown().contains("eject: <drive-1> could not be ejected. \u201C<name-1>\u201D is open."));
    EXPECT_FALSE(shown().contains("Archive SSD"));
    EXPECT_TRUE(shown().startsWith("What happened\n-------------\n(nothing written)\n\n"));

    // A new quoted name now comes first: a hider kept from before would number it 2.
    writeLog("2026-01-05T10:00:00Z ERROR eject: \u201CB\u201D and Archive SSD.\n"
             "2026-01-05T10:00:01Z ERROR eject: \u201CA\u201D is open.\n");
    part<QCheckBox>("hideNames")->click();
    EXPECT_TRUE(shown().contains("Names hidden: no\n"));
    EXPECT_TRUE(shown().contains("eject: \u201CB\u201D and Archive SSD."));
    part<QCheckBox>("hideNames")->click();
    EXPECT_TRUE(shown().contains("Names hidden: yes\n"));
    EXPECT_TRUE(shown().contains("eject: \u201C<name-1>\u201D and <drive-1>.\n"));
    EXPECT_TRUE(shown().contains("eject: \u201C<name-2>\u201D is open.\n"));
    EXPECT_EQ(shown(), view->report());
}

TEST_F(ReportProblemViewTest, theLengthFollowsEveryKeystroke) {
    open();
    auto* note = part<QPlainTextEdit>("note");
    auto* length = part<QLabel>("length");
    EXPECT_EQ(length->text(), ReportProblemView::lengthText(shown()));
    for (const QString& key :
         {QStringLiteral("I"), QStringLiteral("t"), QStringLiteral("!"), QStringLiteral("x")}) {
        const QString before = length->text();
        QTest::keyClicks(note, key);
        EXPECT_NE(length->text(), before);
        EXPECT_EQ(length->text(), QString::number(Graphemes::count(shown())) + " characters");
    }
    EXPECT_TRUE(shown().startsWith("What happened\n-------------\nIt!x\n\n"));
    // A letter with a combining accent is one character.
    EXPECT_EQ(ReportProblemView::lengthText("e\u0301"), "1 characters");
}

TEST_F(ReportProblemViewTest, copyPutsTheShownTextOnTheClipboardUntilTheReportChanges) {
    open();
    EXPECT_EQ(copyLabel(), "Copy");
    part<QPushButton>("copy")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), shown());
    EXPECT_EQ(copyLabel(), "Copied");
    QTest::keyClicks(part<QPlainTextEdit>("note"), "x");
    EXPECT_EQ(copyLabel(), "Copy");

    part<QPushButton>("copy")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), shown());
    EXPECT_TRUE(shown().contains("\nx\n"));
    part<QCheckBox>("hideNames")->click();
    EXPECT_EQ(copyLabel(), "Copy");
}

TEST_F(ReportProblemViewTest, withoutAComposeServiceTheReportGoesOnTheClipboardAndTheMailLinkOpens) {
    // This system has no compose service; one that declines the text is treated alike.
    auto declining = std::make_shared<test::FakeMailComposer>();
    declining->accepts = false;
    for (const std::shared_ptr<platform::MailComposer>& mail :
         {platform::Services::system().mail, std::shared_ptr<platform::MailComposer>(declining)}) {
        platform::ScopedServices mailScope(test::FakeMailComposer::services(mail));
        files->openedUrls.clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        open();
        QTest::keyClicks(part<QPlainTextEdit>("note"), "It froze");
        part<QPushButton>("email")->click();

        EXPECT_EQ(QGuiApplication::clipboard()->text(), view->report());
        ASSERT_EQ(files->openedUrls.size(), 1);
        const QUrl link = files->openedUrls.first();
        EXPECT_EQ(link.scheme(), "mailto");
        EXPECT_EQ(link.path(), QString::fromUtf16(ProblemReport::supportAddress));
        const QUrlQuery query(link);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), ProblemReport::emailSubject());
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
                  "(The report is on the clipboard: paste it here with Command-V.)");
        EXPECT_EQ(copyLabel(), "Copy");
    }
}

TEST_F(ReportProblemViewTest, aComposeServiceGetsTheWholeReportAndTheClipboardStaysAlone) {
    auto mail = std::make_shared<test::FakeMailComposer>();
    platform::ScopedServices mailScope(test::FakeMailComposer::services(mail));
    open();
    QTest::keyClicks(part<QPlainTextEdit>("note"), "It froze");
    EXPECT_TRUE(part<QPushButton>("email")->isDefault());
    part<QPushButton>("email")->click();

    ASSERT_EQ(mail->messages.size(), 1);
    EXPECT_EQ(mail->messages.first().recipients,
              QStringList{QString::fromUtf16(ProblemReport::supportAddress)});
    EXPECT_EQ(mail->messages.first().subject, ProblemReport::emailSubject());
    EXPECT_EQ(mail->messages.first().body, view->report());
    EXPECT_TRUE(mail->messages.first().body.contains("It froze"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    EXPECT_TRUE(files->openedUrls.isEmpty());

    // Return in the note box starts a new line; it sends nothing.
    QTest::keyClick(part<QPlainTextEdit>("note"), Qt::Key_Return);
    EXPECT_EQ(mail->messages.size(), 1);
    EXPECT_EQ(part<QPlainTextEdit>("note")->toPlainText(), "It froze\n");
}

TEST_F(ReportProblemViewTest, showLogFileCreatesTheMissingLogAndShowsIt) {
    QFile::remove(ErrorLog::url());
    open();
    EXPECT_TRUE(shown().contains("--------------------------------\n(empty)\n"));
    EXPECT_EQ(part<QPushButton>("showLog")->toolTip(), "Show Tovlin's error log in Finder");
    part<QPushButton>("showLog")->click();
    EXPECT_TRUE(QFileInfo::exists(ErrorLog::url()));
    EXPECT_EQ(files->revealed, QStringList{ErrorLog::url()});
}
