// "Save Final Cut Settings" and "Put Final Cut Settings Back" from the main window: what the
// status line says, the one alert, the menu item that follows the saved files, and the error
// log, with the in-process Final Cut Pro running and not.

#include "Catalogue/Logs/ErrorLog.h"
#include "FinalCut/SafetyCopy.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TreeListing.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace pellimor;
using test::MainWindowHarness;
using test::TestEnv;

namespace {

const QString kMain = QStringLiteral("com.apple.FinalCut.plist");
const QString kDestinations = QStringLiteral("com.apple.FinalCut.UserDestinations8.plist");

// The main window with a home and a safety-copy folder of its own, and the error log written.
class FinalCutSettingsWindow {
public:
    FinalCutSettingsWindow()
        : home(TestEnv::freshDir(QStringLiteral("fcp-settings-home"))), homeScope("HOME", home),
          live(QDir(home).filePath(
              QStringLiteral("Library/Containers/com.apple.FinalCut/Data/Library/Preferences"))),
          root(QDir(TestEnv::freshDir(QStringLiteral("fcp-settings-root")))
                   .filePath(QStringLiteral("Copies"))),
          saved(QDir(root).filePath(QStringLiteral("Final Cut preferences"))),
          m_wasHeadless(ErrorLog::headless()) {
        ErrorLog::setHeadless(false);
        window.env.settings->setText(QString(SafetyCopy::folderKey), root);
        window.start();
    }
    ~FinalCutSettingsWindow() { ErrorLog::setHeadless(m_wasHeadless); }

    QString status() const { return window.catalog().status(); }
    bool restoreEnabled() const {
        const QAction* action = window.app->menus().action(QStringLiteral("finalCut.restoreSettings"));
        return action && action->isEnabled();
    }
    // The log's lines of the settings commands.
    QStringList logged() const {
        QStringList lines;
        for (const QString& line : test::lines(ErrorLog::url()))
            if (line.contains(QStringLiteral("final-cut-settings")))
                lines.append(line);
        return lines;
    }
    void setRunning(bool running) {
        window.env.finalCut->setRunning(running ? QList<qint64>{4242} : QList<qint64>{});
    }

    const QString home;
    test::ScopedEnvironment homeScope;
    const QString live;
    const QString root;
    const QString saved;
    MainWindowHarness window{QStringLiteral("fcp-settings")};

private:
    bool m_wasHeadless;
};

} // namespace

TEST(FinalCutSettingsInTheWindow, savingGoesAheadWhetherFinalCutProRunsAndOpensPuttingBack) {
    FinalCutSettingsWindow w;
    EXPECT_FALSE(w.restoreEnabled());

    // Nothing to save: said on the status line and in the log, once, without a path.
    w.window.post(QStringLiteral("fcp.SaveFCPSettings"));
    EXPECT_EQ(w.status(), QStringLiteral("Final Cut Pro settings were not found in the preferences folder."));
    ASSERT_EQ(w.logged().size(), 1);
    EXPECT_TRUE(w.logged()[0].endsWith(QStringLiteral(
        " ERROR final-cut-settings: Final Cut Pro settings were not found in the preferences folder.")))
        << w.logged()[0].toStdString();
    EXPECT_FALSE(w.restoreEnabled());
    EXPECT_TRUE(w.window.prompts->notes.isEmpty());

    test::writeFile(QDir(w.live).filePath(kMain), "settings-v1");
    test::writeFile(QDir(w.live).filePath(kDestinations), "destinations-v1");
    w.window.post(QStringLiteral("fcp.SaveFCPSettings"));
    EXPECT_EQ(w.status(), QStringLiteral("Saved %1, %2 to %3").arg(kDestinations, kMain, w.saved));
    EXPECT_EQ(test::readAll(QDir(w.saved).filePath(kMain)), "settings-v1");
    EXPECT_TRUE(w.restoreEnabled());

    w.setRunning(true);
    test::writeFile(QDir(w.live).filePath(kMain), "settings-v2");
    w.window.post(QStringLiteral("fcp.SaveFCPSettings"));
    EXPECT_EQ(w.status(),
              QStringLiteral("Saved %1, %2 to %3. Final Cut Pro is still open, so this is whatever is "
                             "already written to disk.")
                  .arg(kDestinations, kMain, w.saved));
    EXPECT_EQ(test::readAll(QDir(w.saved).filePath(kMain)), "settings-v2");
    EXPECT_EQ(w.logged().size(), 1);
    EXPECT_TRUE(w.window.prompts->notes.isEmpty());
}

TEST(FinalCutSettingsInTheWindow, puttingBackIsRefusedWithAnAlertWhileFinalCutProRuns) {
    FinalCutSettingsWindow w;
    test::writeFile(QDir(w.live).filePath(kMain), "settings-v1");
    w.window.post(QStringLiteral("fcp.SaveFCPSettings"));
    ASSERT_TRUE(w.restoreEnabled());
    test::writeFile(QDir(w.live).filePath(kMain), "settings-v2");
    const QStringList live = test::treeListing(w.live);
    const QStringList saved = test::treeListing(w.saved);

    w.setRunning(true);
    w.window.post(QStringLiteral("fcp.RestoreFCPSettings"));
    EXPECT_EQ(w.status(), QStringLiteral("Quit Final Cut Pro before putting settings back."));
    ASSERT_EQ(w.window.prompts->notes.size(), 1);
    EXPECT_EQ(w.window.prompts->notes[0].title, QStringLiteral("Quit Final Cut Pro first"));
    EXPECT_EQ(w.window.prompts->notes[0].text,
              QStringLiteral("Settings are not put back while Final Cut Pro is open. Nothing was changed."));
    EXPECT_EQ(test::treeListing(w.live).join(u'\n'), live.join(u'\n'));
    EXPECT_EQ(test::treeListing(w.saved).join(u'\n'), saved.join(u'\n'));
    // A refusal is no failure: nothing for the log.
    EXPECT_TRUE(w.logged().isEmpty());

    w.setRunning(false);
    w.window.post(QStringLiteral("fcp.RestoreFCPSettings"));
    EXPECT_EQ(w.status(), QStringLiteral("Put %1 back. Open Final Cut Pro to use them.").arg(kMain));
    EXPECT_EQ(test::readAll(QDir(w.live).filePath(kMain)), "settings-v1");
    EXPECT_EQ(w.window.prompts->notes.size(), 1);
    EXPECT_EQ(test::treeListing(w.saved).join(u'\n'), saved.join(u'\n'));
}

TEST(FinalCutSettingsInTheWindow, aFailedRestoreIsLoggedUnlessHeadless) {
    FinalCutSettingsWindow w;
    test::writeFile(QDir(w.live).filePath(kMain), "settings-v1");
    w.window.post(QStringLiteral("fcp.SaveFCPSettings"));
    // The live file became a link to something else: nothing is written through it.
    const QString elsewhere = QDir(w.home).filePath(QStringLiteral("elsewhere.plist"));
    test::writeFile(elsewhere, "elsewhere");
    ASSERT_TRUE(QFile::remove(QDir(w.live).filePath(kMain)));
    ASSERT_TRUE(QFile::link(elsewhere, QDir(w.live).filePath(kMain)));

    w.window.post(QStringLiteral("fcp.RestoreFCPSettings"));
    EXPECT_EQ(w.status(), QStringLiteral("Refused to touch com.apple.FinalCut.plist."));
    ASSERT_EQ(w.logged().size(), 1);
    EXPECT_TRUE(w.logged()[0].endsWith(QStringLiteral(" ERROR final-cut-settings: Refused to touch "
                                                      "com.apple.FinalCut.plist.")));
    EXPECT_EQ(test::readAll(elsewhere), "elsewhere");
    EXPECT_TRUE(w.window.prompts->notes.isEmpty());

    ErrorLog::setHeadless(true);
    w.window.catalog().setStatus(QString());
    w.window.post(QStringLiteral("fcp.RestoreFCPSettings"));
    EXPECT_EQ(w.status(), QStringLiteral("Refused to touch com.apple.FinalCut.plist."));
    EXPECT_EQ(w.logged().size(), 1);
}
