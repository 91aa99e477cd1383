// Pictures of the missing-files sheet on the sample libraries, for looking at: after a search of
// the catalogue, the home folder, two drives and an added folder, and the same with "Larger
// Text"; a selected row with its details after "Use This One", above the repair row; the
// question before a copy into the library; and the sheet after that copy. Not a test; run it
// under a display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Shell/MainWindow/missing_files_shot /tmp/shots
//
// It prints each picture's path. Nothing leaves its temporary folder: the samples, the home
// folder, the catalogue and the settings are all inside it.

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "MissingFiles/MissingFilesController.h"
#include "MissingFiles/Views/MissingFilesSheet.h"
#include "MissingFiles/Views/MissingTableModel.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/PellimorApp.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/ScriptedPrompts.h"
#include "Tests/Support/ShotSetup.h"
#include "Widgets/DialogPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
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

// Selects the table's rows of the files named, in one go.
void selectFiles(MissingFilesSheet* sheet, const QStringList& names) {
    QItemSelection selection;
    for (int row = 0; row < sheet->model()->rowCount(); ++row) {
        const std::optional<MissingSheet::Row> judged = sheet->model()->rowAt(row);
        if (judged && names.contains(judged->file.name))
            selection.select(sheet->model()->index(row, 0),
                             sheet->model()->index(row, MissingSheet::columnCount - 1));
    }
    sheet->table()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

// Presses a control of the detail panel on the path line of the path that ends with `tail`.
bool pressOnLine(MissingFilesSheet* sheet, const QString& tail, const QString& control) {
    for (QWidget* line : sheet->findChildren<QWidget*>(QStringLiteral("pathLine")))
        if (line->property("path").toString().endsWith(tail))
            if (auto* button = line->findChild<QPushButton*>(control)) {
                button->click();
                return true;
            }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "missing_files_shot", test::shot::Home::samples);
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);

    // A second broken link of the documentary turns up in the home folder, so a copy can put two
    // files back into one library.
    fixtures::FixtureFiles::writeRandom(samples.homeFolder + "/Downloads/Heron.mov", 700 * 1000);

    PellimorApp app(test::shot::scanningSamples(samples));
    const auto prompts = std::make_shared<test::ScriptedPrompts>();
    app.mainContent().setPrompts(prompts);
    if (!test::shot::showScanned(app, "missing_files_shot"))
        return 1;
    Catalog& catalog = app.catalog();
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

    // The library with the drone clip first, so its row leads the table.
    std::stable_partition(broken.begin(), broken.end(), [](const LibraryInfo& library) {
        return library.volumeName == QStringLiteral("Archive");
    });

    const auto openAndSearch = [&]() -> MissingFilesSheet* {
        content.requestMissing(broken);
        test::waitUntil([&] { return openSheet(window) != nullptr; });
        MissingFilesSheet* sheet = openSheet(window);
        if (!sheet)
            return nullptr;
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
        return test::waitUntil([&] { return finished; }) ? sheet : nullptr;
    };

    bool ok = true;
    for (const bool larger : {false, true}) {
        AppSettings::setComfortable(larger);
        MissingFilesSheet* sheet = openAndSearch();
        if (!sheet)
            return 1;
        ok = shoot(sheet,
                   larger ? QStringLiteral("2-found-larger-text.png") : QStringLiteral("1-found.png")) &&
             ok;
        sheet->findChild<QPushButton*>(QStringLiteral("close"))->click();
        test::spin(300);
    }
    AppSettings::setComfortable(false);

    MissingFilesSheet* sheet = openAndSearch();
    if (!sheet)
        return 1;
    // The drone clip and the camera clip selected; the copy in Downloads marked as the right one.
    selectFiles(sheet, {QStringLiteral("DJI_0007.MP4"), QStringLiteral("C0042.MP4")});
    test::spin(200);
    if (!pressOnLine(sheet, QStringLiteral("/Downloads/DJI_0007.MP4"), QStringLiteral("useThisOne"))) {
        std::fprintf(stderr, "missing_files_shot: no \"Use This One\" for the drone clip\n");
        ok = false;
    }
    ok = shoot(sheet, QStringLiteral("3-detail-and-repair.png")) && ok;

    // The documentary's two clips, copied into their library through the real question.
    selectFiles(sheet, {QStringLiteral("C0042.MP4"), QStringLiteral("Heron.mov")});
    test::spin(200);
    content.setPrompts(std::make_shared<DialogPrompts>(window));
    bool asked = false;
    QTimer::singleShot(800, sheet, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked = true;
        const QString path = QDir(out).filePath(QStringLiteral("4-confirm-copy.png"));
        if (box->grab().save(path, "PNG"))
            std::printf("%s\n", qPrintable(path));
        else
            ok = false;
        if (auto* copy = box->findChild<QPushButton*>(QStringLiteral("Copy Into Library")))
            copy->click();
        else
            box->reject();
    });
    bool repaired = false;
    QObject::connect(sheet->controller(), &MissingFilesController::repairFinished, sheet,
                     [&] { repaired = true; });
    sheet->findChild<QPushButton*>(QStringLiteral("copyIntoLibrary"))->click();
    if (!asked || !test::waitUntil([&] { return repaired; })) {
        std::fprintf(stderr, "missing_files_shot: the copy was not asked for or did not end\n");
        ok = false;
    }
    ok = shoot(sheet, QStringLiteral("5-after-copy.png")) && ok;
    sheet->findChild<QPushButton*>(QStringLiteral("close"))->click();
    test::spin(300);
    workPool()->waitForDone();
    return ok ? 0 : 1;
}
