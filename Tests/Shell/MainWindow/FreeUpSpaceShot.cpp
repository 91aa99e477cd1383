// Pictures of the free-up-space sheet on the sample libraries, for looking at: while the plan is
// being made, with the plan shown, asking to delete for good, during a run, after it, and a run
// refused because Final Cut Pro was started after planning. Not a test; run it under a display,
// with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Shell/MainWindow/free_up_space_shot /tmp/shots
//
// It prints each picture's path. Nothing leaves its temporary folder: the samples, the
// catalogue, the settings and the Trash the run uses are all inside it.

#include "Catalogue/Store/Catalog.h"
#include "FreeUpSpace/CleanupController.h"
#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/PellimorApp.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeTrash.h"
#include "Tests/Support/HeldFinalCutAnswers.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "free_up_space_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);

    // A Trash that can hold a run on its way, and a Final Cut Pro that can hold a plan or be
    // started between planning and the run.
    const auto trash = std::make_shared<test::FakeTrash>();
    const auto answers = std::make_shared<test::HeldFinalCutAnswers>();
    const auto finalCut = test::FakeFinalCutApp::installed(samples.finalCutApp, QStringLiteral("10.8.1"));
    finalCut->setProcesses(answers);
    platform::Services fakes;
    fakes.trash = trash;
    fakes.finalCut = finalCut;
    const platform::ScopedServices scope(fakes);

    PellimorApp app(test::shot::scanningSamples(samples));
    if (!test::shot::showScanned(app, "free_up_space_shot"))
        return 1;
    Catalog& catalog = app.catalog();
    MainContent& content = app.mainContent();
    QWidget* window = content.window();

    const auto find = [&](const QString& name) -> std::optional<LibraryInfo> {
        for (const LibraryInfo& library : catalog.libraries())
            if (library.name == name && library.path.startsWith(samples.volumesRoot + "/Studio/"))
                return library;
        return std::nullopt;
    };
    const auto shoot = [&](FreeUpSpaceSheet* sheet, const QString& file) {
        test::spin(300);
        const QString path = QDir(out).filePath(file);
        if (!sheet || !sheet->grab().save(path, "PNG"))
            return false;
        std::printf("%s\n", qPrintable(path));
        return true;
    };
    const auto planned = [](FreeUpSpaceSheet* sheet) {
        return test::waitUntil([&] {
            const CleanupSheetState& state = sheet->controller()->state();
            return !state.planning && state.plan.has_value();
        });
    };
    const auto run = [&](FreeUpSpaceSheet* sheet) {
        bool finished = false;
        QObject::connect(sheet->controller(), &CleanupController::runFinished, sheet,
                         [&] { finished = true; });
        sheet->findChild<QPushButton*>(QStringLiteral("moveToTrash"))->click();
        return test::waitUntil([&] { return finished; });
    };

    const std::optional<LibraryInfo> documentary = find(QStringLiteral("Documentary - Rivers"));
    const std::optional<LibraryInfo> wedding = find(QStringLiteral("Wedding 2024"));
    if (!documentary || !wedding) {
        std::fprintf(stderr, "free_up_space_shot: the sample libraries were not catalogued\n");
        return 1;
    }

    bool ok = true;
    // The plan is held back at first, so the sheet shows it is checking.
    answers->hold(true);
    content.requestCleanup(*documentary);
    test::waitUntil(
        [&] { return test::shot::shownSheet<FreeUpSpaceSheet>(window) != nullptr && answers->held() == 1; });
    FreeUpSpaceSheet* sheet = test::shot::shownSheet<FreeUpSpaceSheet>(window);
    ok = shoot(sheet, QStringLiteral("1-planning.png")) && ok;
    answers->hold(false);
    answers->releaseAll();
    ok = sheet && planned(sheet) && shoot(sheet, QStringLiteral("2-plan.png")) && ok;

    if (sheet) {
        sheet->findChild<QPushButton*>(QStringLiteral("askPermanent"))->click();
        ok = shoot(sheet, QStringLiteral("3-delete-permanently.png")) && ok;
        sheet->findChild<QPushButton*>(QStringLiteral("cancelPermanent"))->click();

        // The run waits in the Trash on its first item.
        trash->hold(true);
        bool finished = false;
        QObject::connect(sheet->controller(), &CleanupController::runFinished, sheet,
                         [&] { finished = true; });
        sheet->findChild<QPushButton*>(QStringLiteral("moveToTrash"))->click();
        const auto* progress = sheet->findChild<QLabel*>(QStringLiteral("progressText"));
        test::waitUntil(
            [&] { return trash->held() == 1 && progress->text() != QStringLiteral("Starting…"); });
        ok = shoot(sheet, QStringLiteral("4-running.png")) && ok;
        trash->hold(false);
        trash->releaseAll();
        ok = test::waitUntil([&] { return finished; }) && planned(sheet) &&
             shoot(sheet, QStringLiteral("5-done.png")) && ok;
        sheet->findChild<QPushButton*>(QStringLiteral("close"))->click();
        test::spin(300);
    }

    // Final Cut Pro starts between the plan and the press.
    content.requestCleanup(*wedding);
    test::waitUntil([&] { return test::shot::shownSheet<FreeUpSpaceSheet>(window) != nullptr; });
    sheet = test::shot::shownSheet<FreeUpSpaceSheet>(window);
    if (sheet && planned(sheet)) {
        finalCut->setProcesses(nullptr);
        finalCut->setRunning({4242});
        ok = run(sheet) && planned(sheet) && shoot(sheet, QStringLiteral("6-refused.png")) && ok;
        finalCut->setRunning({});
        sheet->findChild<QPushButton*>(QStringLiteral("close"))->click();
    } else {
        ok = false;
    }
    test::spin(300);
    workPool()->waitForDone();
    return ok ? 0 : 1;
}
