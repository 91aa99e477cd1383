// The free-up-space sheet over the main window, offscreen, on a library on disk: what it plans,
// the two ways of removing and what guards them, the catalogue after a run, a run that outlives
// its sheet, plans that overlap, and a library that changes or goes while the sheet is open.

#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"

#include "FreeUpSpace/CleanupController.h"
#include "Support/ByteCount.h"
#include "Support/WorkPool.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeTrash.h"
#include "Tests/Support/HeldFinalCutAnswers.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace pellimor;
using test::CatalogTestEnv;
using test::MainWindowHarness;

namespace {

const QString kTrashNote =
    QStringLiteral("This drive may not support the Trash. Use “Delete Permanently…” if you're sure.");

class FreeUpSpaceSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.start();
        drive = window.plugDrive(QStringLiteral("Work"));
        fixtures::LibraryBuilder film(QStringLiteral("Film"));
        film.event(QStringLiteral("Day 1"))
            .media(QStringLiteral("A.mov"), 3000)
            .media(QStringLiteral("B.mov"), 3000)
            .proxy(QStringLiteral("A.mov"), 2000)
            .proxy(QStringLiteral("B.mov"), 1000);
        film.event(QStringLiteral("Day 2"))
            .media(QStringLiteral("C.mov"), 3000)
            .proxy(QStringLiteral("C.mov"), 5000);
        film.event(QStringLiteral("Day 3")).media(QStringLiteral("D.mov"), 3000);
        // A proxy whose original is gone: kept, with a blocker.
        film.event(QStringLiteral("Day 4"))
            .media(QStringLiteral("E.mov"), 3000)
            .proxy(QStringLiteral("Lost.mov"), 1000);
        library = catalogue(film.write(drive));
        ASSERT_EQ(library.events.size(), 4);
    }

    void TearDown() override {
        trash->hold(false);
        trash->releaseAll();
        answers->hold(false);
        answers->releaseAll();
        window.settle();
        workPool()->waitForDone();
        window.settle();
    }

    // The library as the catalogue reads it, put into the catalogue.
    LibraryInfo catalogue(const QString& path) { return CatalogSeeding::addRead(window.catalog(), path); }

    EventInfo catalogued(const QString& event) const {
        for (const LibraryInfo& entry : window.catalog().libraries()) {
            if (entry.path == library.path) {
                for (const EventInfo& info : entry.events)
                    if (info.name == event)
                        return info;
            }
        }
        return {};
    }

    QString proxyFolder(const QString& event) const {
        return QDir(library.path).filePath(event + QStringLiteral("/Transcoded Media/Proxy Media"));
    }

    QList<FreeUpSpaceSheet*> openSheets() const {
        QList<FreeUpSpaceSheet*> open;
        for (FreeUpSpaceSheet* sheet : window.content().window()->findChildren<FreeUpSpaceSheet*>())
            if (sheet->isVisible())
                open.append(sheet);
        return open;
    }
    FreeUpSpaceSheet* sheet() const {
        const QList<FreeUpSpaceSheet*> open = openSheets();
        return open.size() == 1 ? open.first() : nullptr;
    }
    CleanupController& work() const { return *sheet()->controller(); }
    const CleanupSheetState& state() const { return work().state(); }

    template <typename T> T* child(const char* name) const {
        return sheet()->findChild<T*>(QLatin1String(name));
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QCheckBox* eventBox(const QString& name) const {
        for (QCheckBox* box : sheet()->findChildren<QCheckBox*>(QStringLiteral("event")))
            if (box->text() == name)
                return box;
        return nullptr;
    }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisibleTo(sheet()); }

    // Opens the sheet for `library` and waits for its first plan.
    void open() {
        window.content().requestCleanup(library);
        window.settle();
        ASSERT_NE(sheet(), nullptr);
        ASSERT_TRUE(planned());
    }
    bool planned() const {
        return CatalogTestEnv::waitUntil([&] { return sheet() && !state().planning && state().plan; });
    }
    // Presses a button and waits until the run has made its catalogue updates.
    bool runBy(const char* name) {
        QPointer<CleanupController> controller = sheet()->controller();
        bool finished = false;
        QObject::connect(controller, &CleanupController::runFinished, controller, [&] { finished = true; });
        button(name)->click();
        return CatalogTestEnv::waitUntil([&] { return finished; });
    }
    QStringList logLines() const {
        QFile log(window.catalog().dir() + QStringLiteral("/deletion-log.txt"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    MainWindowHarness window{QStringLiteral("free-up-space")};
    QString drive;
    LibraryInfo library;
    const std::shared_ptr<test::FakeTrash> trash = std::make_shared<test::FakeTrash>();
    const std::shared_ptr<test::HeldFinalCutAnswers> answers = std::make_shared<test::HeldFinalCutAnswers>();
    const std::shared_ptr<test::FakeFinalCutApp> finalCut = [this] {
        auto app = test::FakeFinalCutApp::notInstalled();
        app->setProcesses(answers);
        return app;
    }();
    platform::ScopedServices services = [this] {
        platform::Services s;
        s.trash = trash;
        s.finalCut = finalCut;
        return platform::ScopedServices(s);
    }();
};

TEST_F(FreeUpSpaceSheetTest, moveToTrashRemovesThePlanLowersTheCatalogueAndPlansAgain) {
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(sheet()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(child<QLabel>("sheetTitle")->text(), QStringLiteral("Free up space in “Film”"));

    // The first choice: every event with proxy media; the one without is shown at zero and
    // cannot be ticked.
    EXPECT_EQ(state().chosenEvents, (QSet<QString>{"Day 1", "Day 2", "Day 4"}));
    EXPECT_FALSE(eventBox("Day 3")->isEnabled());
    EXPECT_FALSE(eventBox("Day 3")->isChecked());
    EXPECT_TRUE(eventBox("Day 4")->isChecked());
    ASSERT_EQ(state().plan->targets.size(), 2);
    ASSERT_EQ(state().plan->blockers.size(), 1);
    EXPECT_TRUE(state().plan->blockers.first().contains(QStringLiteral("“Day 4”")));
    const qint64 bytes = state().plan->totalBytes();
    EXPECT_EQ(child<QLabel>("summary")->text(),
              QStringLiteral("2 items · ") + ByteCount::file(bytes) + QStringLiteral(" will be freed"));
    EXPECT_TRUE(shown("blockersInPlace"));

    // Return never deletes for good.
    EXPECT_TRUE(button("moveToTrash")->isDefault());
    EXPECT_FALSE(button("askPermanent")->isDefault());
    EXPECT_TRUE(button("moveToTrash")->isEnabled());

    // What the window shows the moment the run has told the catalogue, before the re-read
    // comes back.
    qint64 proxyAtOnce = -1;
    qint64 day4AtOnce = -1;
    QString statusAtOnce;
    QObject::connect(&work(), &CleanupController::runFinished, &work(), [&] {
        proxyAtOnce = catalogued("Day 1").proxySize + catalogued("Day 2").proxySize;
        day4AtOnce = catalogued("Day 4").proxySize;
        statusAtOnce = window.catalog().status();
    });
    ASSERT_TRUE(runBy("moveToTrash"));

    EXPECT_EQ(trash->calls(), (QStringList{QStringLiteral("moveToTrash ") + proxyFolder("Day 1"),
                                           QStringLiteral("moveToTrash ") + proxyFolder("Day 2")}));
    EXPECT_FALSE(QFileInfo::exists(proxyFolder("Day 1")));
    EXPECT_FALSE(QFileInfo::exists(proxyFolder("Day 2")));
    EXPECT_TRUE(QFileInfo::exists(proxyFolder("Day 4")));
    EXPECT_EQ(proxyAtOnce, 0);
    EXPECT_EQ(day4AtOnce, library.events.at(3).proxySize);
    EXPECT_EQ(statusAtOnce, QStringLiteral("Refreshing Film…"));

    // The run's own log, and nothing written by the sheet.
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(0).endsWith(QStringLiteral("  TRASHED proxy ") +
                                     QString::number(library.events.at(0).proxySize) +
                                     QStringLiteral(" bytes  ") + proxyFolder("Day 1")))
        << qPrintable(lines.at(0));
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral("  ") + proxyFolder("Day 2"))) << qPrintable(lines.at(1));

    // A new plan for the same choice shows what is left, beside the outcome.
    const QString outcome =
        QStringLiteral("Moved to Trash: ") + ByteCount::file(bytes) + QStringLiteral(" in 2 item(s).");
    ASSERT_TRUE(planned());
    EXPECT_TRUE(state().plan->targets.isEmpty());
    EXPECT_EQ(state().plan->blockers.size(), 1);
    EXPECT_EQ(state().resultText, outcome);
    EXPECT_TRUE(shown("result"));
    EXPECT_EQ(child<QLabel>("result")->text(), outcome);
    EXPECT_EQ(child<QLabel>("summary")->text(), QStringLiteral("Nothing to remove with these choices."));
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
    EXPECT_FALSE(shown("progress"));

    // Escape closes it, as "Close" does.
    QTest::keyClick(sheet(), Qt::Key_Escape);
    window.settle();
    EXPECT_TRUE(openSheets().isEmpty());
    EXPECT_FALSE(window.content().state().cleanupLib.has_value());
}

TEST_F(FreeUpSpaceSheetTest, deletingForGoodTakesTwoPressesAndAnyChangeWithdrawsTheFirst) {
    ASSERT_NO_FATAL_FAILURE(open());
    const auto ask = [&] {
        button("askPermanent")->click();
        EXPECT_TRUE(state().showPermanent);
        EXPECT_TRUE(shown("permanentBox"));
        EXPECT_FALSE(shown("askPermanent"));
        EXPECT_TRUE(shown("cancelPermanent"));
        EXPECT_TRUE(shown("deletePermanently"));
        EXPECT_TRUE(shown("moveToTrash"));
    };
    const auto withdrawn = [&] {
        EXPECT_FALSE(state().showPermanent);
        EXPECT_FALSE(shown("permanentBox"));
        EXPECT_TRUE(shown("askPermanent"));
        EXPECT_FALSE(shown("deletePermanently"));
    };

    ask();
    button("cancelPermanent")->click();
    withdrawn();

    ask();
    eventBox("Day 2")->click();
    withdrawn();
    ASSERT_TRUE(planned());

    ask();
    child<QCheckBox>("kind.render")->click();
    withdrawn();
    ASSERT_TRUE(planned());
    child<QCheckBox>("kind.render")->click();
    ASSERT_TRUE(planned());
    EXPECT_TRUE(trash->calls().isEmpty());

    ask();
    ASSERT_TRUE(runBy("deletePermanently"));
    // The plan as it stood at the press: "Day 2" had been unticked.
    EXPECT_EQ(trash->calls(), QStringList{QStringLiteral("remove ") + proxyFolder("Day 1")});
    EXPECT_TRUE(QFileInfo::exists(proxyFolder("Day 2")));
    withdrawn();
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines().first().contains(QStringLiteral("  DELETED proxy ")));
    EXPECT_EQ(state().resultText, QStringLiteral("Deleted: ") +
                                      ByteCount::file(library.events.at(0).proxySize) +
                                      QStringLiteral(" in 1 item(s)."));
}

TEST_F(FreeUpSpaceSheetTest, aRunOutlivesItsSheetAndTheNextQuestionShows) {
    ASSERT_NO_FATAL_FAILURE(open());
    trash->hold(true);
    QPointer<CleanupController> controller = sheet()->controller();
    bool finished = false;
    qint64 proxyAtOnce = -1;
    QString statusAtOnce;
    QObject::connect(controller, &CleanupController::runFinished, controller, [&] {
        finished = true;
        proxyAtOnce = catalogued("Day 1").proxySize + catalogued("Day 2").proxySize;
        statusAtOnce = window.catalog().status();
    });
    button("moveToTrash")->click();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return trash->held() == 1; }));
    const QLabel* progress = child<QLabel>("progressText");
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return progress->text() != QStringLiteral("Starting…"); }));
    EXPECT_TRUE(progress->text().startsWith(QStringLiteral("Moving to Trash 1 of 2: Day 1 — Proxy media (")))
        << qPrintable(progress->text());
    EXPECT_TRUE(state().working);
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
    EXPECT_FALSE(button("askPermanent")->isEnabled());
    EXPECT_TRUE(shown("progress"));

    // Another question waits for this sheet; closing it lets that one show while the run goes on.
    window.content().requestMissing({library});
    window.settle();
    ASSERT_EQ(openSheets().size(), 1);
    child<QPushButton>("close")->click();
    window.settle();
    EXPECT_TRUE(openSheets().isEmpty());
    EXPECT_FALSE(window.content().state().cleanupLib.has_value());
    EXPECT_FALSE(finished);
    bool nextShown = false;
    for (QDialog* dialog : window.content().window()->findChildren<QDialog*>())
        nextShown = nextShown || dialog->isVisible();
    EXPECT_TRUE(nextShown);

    trash->hold(false);
    trash->releaseAll();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return finished; }));
    EXPECT_EQ(logLines().size(), 2);
    EXPECT_EQ(proxyAtOnce, 0);
    EXPECT_EQ(statusAtOnce, QStringLiteral("Refreshing Film…"));
    // Closed and idle, the work goes too.
    EXPECT_TRUE(CatalogTestEnv::waitUntil([&] { return controller.isNull(); }));
}

TEST_F(FreeUpSpaceSheetTest, stopEndsTheRunAfterTheItemUnderWay) {
    ASSERT_NO_FATAL_FAILURE(open());
    trash->hold(true);
    bool finished = false;
    QObject::connect(&work(), &CleanupController::runFinished, &work(), [&] { finished = true; });
    EXPECT_FALSE(shown("progress"));
    button("moveToTrash")->click();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return trash->held() == 1; }));
    ASSERT_TRUE(button("stop")->isEnabled());
    button("stop")->click();
    EXPECT_FALSE(button("stop")->isEnabled());
    EXPECT_TRUE(state().working);
    trash->hold(false);
    trash->releaseAll();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return finished; }));

    EXPECT_EQ(trash->calls(), QStringList{QStringLiteral("moveToTrash ") + proxyFolder("Day 1")});
    EXPECT_FALSE(QFileInfo::exists(proxyFolder("Day 1")));
    EXPECT_TRUE(QFileInfo::exists(proxyFolder("Day 2")));
    EXPECT_EQ(logLines().size(), 1);
    EXPECT_EQ(catalogued("Day 1").proxySize, 0);
    EXPECT_EQ(catalogued("Day 2").proxySize, library.events.at(1).proxySize);
    EXPECT_EQ(state().resultText, QStringLiteral("Moved to Trash: ") +
                                      ByteCount::file(library.events.at(0).proxySize) +
                                      QStringLiteral(" in 1 item(s).\nStopped: 1 item(s) left in place."));
    ASSERT_TRUE(planned());
    EXPECT_EQ(state().plan->targets.size(), 1);
    EXPECT_TRUE(button("moveToTrash")->isEnabled());
}

TEST_F(FreeUpSpaceSheetTest, onlyTheNewestPlanIsStoredAndTheButtonsWaitForIt) {
    answers->hold(true);
    window.content().requestCleanup(library);
    window.settle();
    ASSERT_NE(sheet(), nullptr);
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return answers->held() == 1; }));
    EXPECT_TRUE(shown("checking"));
    eventBox("Day 2")->click();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return answers->held() == 2; }));

    // The first plan (three events) ends first and is dropped.
    answers->release();
    ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return answers->held() == 1; }));
    window.settle(100);
    EXPECT_FALSE(state().plan.has_value());
    EXPECT_TRUE(state().planning);
    EXPECT_TRUE(shown("checking"));
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
    EXPECT_FALSE(button("askPermanent")->isEnabled());

    answers->release();
    ASSERT_TRUE(planned());
    ASSERT_EQ(state().plan->targets.size(), 1);
    EXPECT_EQ(state().plan->targets.first().event, QStringLiteral("Day 1"));
    EXPECT_TRUE(button("moveToTrash")->isEnabled());
    answers->hold(false);
}

TEST_F(FreeUpSpaceSheetTest, finalCutProStartedAfterPlanningRefusesTheWholeRun) {
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_EQ(state().plan->targets.size(), 2);
    finalCut->setProcesses(nullptr);
    finalCut->setRunning({4242});
    QString statusAtOnce;
    QObject::connect(&work(), &CleanupController::runFinished, &work(),
                     [&] { statusAtOnce = window.catalog().status(); });
    ASSERT_TRUE(runBy("moveToTrash"));
    EXPECT_TRUE(trash->calls().isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
    EXPECT_EQ(catalogued("Day 1").proxySize, library.events.at(0).proxySize);
    EXPECT_EQ(statusAtOnce, QStringLiteral("Refreshing Film…"));
    const QString outcome =
        QStringLiteral("Moved to Trash: Zero KB in 0 item(s).\nFinal Cut Pro is running.\n") + kTrashNote;
    EXPECT_EQ(state().resultText, outcome);
    ASSERT_TRUE(planned());
    EXPECT_EQ(state().resultText, outcome);
    EXPECT_TRUE(state().plan->targets.isEmpty());
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
}

TEST_F(FreeUpSpaceSheetTest, aRunInWhichEveryItemFailsChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(open());
    for (const QString& event : {QStringLiteral("Day 1"), QStringLiteral("Day 2")})
        trash->fail(proxyFolder(event), QStringLiteral("Operation not supported"));
    ASSERT_TRUE(runBy("moveToTrash"));
    EXPECT_EQ(state().resultText, QStringLiteral("Moved to Trash: Zero KB in 0 item(s).\n"
                                                 "Proxy Media: Operation not supported\n"
                                                 "Proxy Media: Operation not supported\n") +
                                      kTrashNote);
    EXPECT_EQ(catalogued("Day 1").proxySize, library.events.at(0).proxySize);
    EXPECT_EQ(logLines().size(), 2);
    EXPECT_TRUE(logLines().first().contains(QStringLiteral("  FAILED ")));
    ASSERT_TRUE(planned());
    EXPECT_EQ(state().plan->targets.size(), 2);
}

TEST_F(FreeUpSpaceSheetTest, followsTheLibraryAsItChangesOrGoes) {
    ASSERT_NO_FATAL_FAILURE(open());

    // All kinds off: every event at zero and disabled, nothing to remove.
    child<QCheckBox>("kind.proxy")->click();
    ASSERT_TRUE(planned());
    for (QCheckBox* box : sheet()->findChildren<QCheckBox*>(QStringLiteral("event")))
        EXPECT_FALSE(box->isEnabled()) << qPrintable(box->text());
    for (QLabel* size : sheet()->findChildren<QLabel*>(QStringLiteral("eventSize")))
        EXPECT_EQ(size->text(), ByteCount::file(0));
    EXPECT_EQ(child<QLabel>("summary")->text(), QStringLiteral("Nothing to remove with these choices."));
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
    child<QCheckBox>("kind.proxy")->click();
    ASSERT_TRUE(planned());

    // Forgotten: the snapshot is shown and planned for.
    window.catalog().seed({.libraries = QList<LibraryInfo>{}});
    button("selectNone")->click();
    button("selectAll")->click();
    ASSERT_TRUE(planned());
    EXPECT_EQ(child<QLabel>("sheetTitle")->text(), QStringLiteral("Free up space in “Film”"));
    EXPECT_EQ(sheet()->findChildren<QCheckBox*>(QStringLiteral("event")).size(), 4);
    EXPECT_EQ(state().plan->targets.size(), 2);

    // Unplugged: the next plan says it is no library, and nothing can run.
    ASSERT_TRUE(QDir(drive).removeRecursively());
    eventBox("Day 2")->click();
    ASSERT_TRUE(planned());
    EXPECT_TRUE(state().plan->targets.isEmpty());
    EXPECT_EQ(state().plan->blockers, QStringList{QStringLiteral("This isn't a Final Cut Pro library.")});
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
    EXPECT_FALSE(button("askPermanent")->isEnabled());
}

TEST_F(FreeUpSpaceSheetTest, aLibraryWithoutEventsHasNothingToRemove) {
    const QString other = window.plugDrive(QStringLiteral("Other"));
    library = catalogue(fixtures::LibraryBuilder(QStringLiteral("Empty")).write(other));
    ASSERT_TRUE(library.events.isEmpty());
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_TRUE(sheet()->findChildren<QCheckBox*>(QStringLiteral("event")).isEmpty());
    button("selectAll")->click();
    ASSERT_TRUE(planned());
    EXPECT_TRUE(state().chosenEvents.isEmpty());
    EXPECT_EQ(child<QLabel>("summary")->text(), QStringLiteral("Nothing to remove with these choices."));
    EXPECT_FALSE(button("moveToTrash")->isEnabled());
}

} // namespace
