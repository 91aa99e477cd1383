// Pictures of the missing-files sheet on the sample libraries, for looking at: after a search of
// the catalogue, the home folder, two drives and an added folder, and the same with "Larger
// Text". Not a test; run it under a display, with a folder for
// the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Shell/MainWindow/missing_files_shot /tmp/shots
//
// It prints each picture's path. Nothing leaves its temporary folder: the samples, the home
// folder, the catalogue and the settings are all inside it.

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "MissingFiles/MissingFilesController.h"
#include "MissingFiles/Views/MissingFilesSheet.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/PellimorApp.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <cstdio>

using namespace pellimor;

namespace {

MissingFilesSheet* openSheet(QWidget* window) {
    for (MissingFilesSheet* sheet : window->findChildren<MissingFilesSheet*>())
        if (sheet->isVisible())
            return sheet;
    return nullptr;
}

void tick(MissingFilesSheet* sheet, const QString& path) {
    for (QCheckBox* box : sheet->findChildren<QCheckBox*>(QStringLiteral("place")))
        if (box->property("path").toString() == path && !box->isChecked())
            box->click();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    if (argc != 2 || !scratch.isValid()) {
        std::fprintf(stderr, "usage: missing_files_shot <folder for the pictures>\n");
        return 2;
    }
    const QString root = scratch.path();
    const fixtures::SampleSet::Result samples = test::shot::prepare(root, test::shot::Home::samples);

    QApplication application(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    PellimorApp app({"tovlin", "--scan", samples.volumesRoot, samples.homeFolder + "/Movies"});
    const auto prompts = std::make_shared<test::ScriptedPrompts>();
    app.mainContent().setPrompts(prompts);
    app.showMainWindow();
    Catalog& catalog = app.catalog();
    if (!test::shot::waitForScan(catalog, "missing_files_shot"))
        return 1;
    test::spin(500);
    MainContent& content = app.mainContent();
    QWidget* window = content.window();

    const auto shoot = [&](MissingFilesSheet* sheet, const QString& file) {
        test::spin(400);
        const QString path = QDir(out).filePath(file);
        if (!sheet || !sheet->grab().save(path, "PNG"))
            return false;
        std::printf("%s\n", qPrintable(path));
        return true;
    };

    // Every library with a broken link, as the sidebar's "broken" list asks for them.
    QList<LibraryInfo> broken;
    for (const LibraryInfo& library : catalog.libraries())
        for (const EventInfo& event : library.events)
            if (event.brokenLinkCount > 0) {
                broken.append(library);
                break;
            }
    if (broken.size() < 2) {
        std::fprintf(stderr,
                     "missing_files_shot: the sample libraries with broken links were not catalogued\n");
        return 1;
    }

    bool ok = true;
    for (const bool larger : {false, true}) {
        AppSettings::setComfortable(larger);
        content.requestMissing(broken);
        test::waitUntil([&] { return openSheet(window) != nullptr; });
        MissingFilesSheet* sheet = openSheet(window);
        if (!sheet)
            return 1;
        MissingFilesController* work = sheet->controller();
        test::waitUntil([&] { return !work->state().loading; });

        tick(sheet, samples.homeFolder);
        tick(sheet, samples.volumesRoot + "/Archive");
        tick(sheet, samples.volumesRoot + "/Backup");
        prompts->folders = {QStringList{samples.volumesRoot + "/Studio/Footage"}};
        sheet->findChild<QPushButton*>(QStringLiteral("addFolder"))->click();

        bool finished = false;
        QObject::connect(work, &MissingFilesController::searchFinished, sheet, [&] { finished = true; });
        sheet->findChild<QPushButton*>(QStringLiteral("find"))->click();
        ok = test::waitUntil([&] { return finished; }) &&
             shoot(sheet,
                   larger ? QStringLiteral("2-found-larger-text.png") : QStringLiteral("1-found.png")) &&
             ok;
        sheet->findChild<QPushButton*>(QStringLiteral("close"))->click();
        test::spin(300);
    }
    AppSettings::setComfortable(false);
    workPool()->waitForDone();
    return ok ? 0 : 1;
}
