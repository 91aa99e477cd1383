// tovlin-manual-pictures <folder>: the pictures of the manual, taken of Tovlin's own windows on
// the sample libraries, written into a folder (scripts/manual-pictures.sh writes them into
// Resources, beside the manual). Run it under a display, e.g. Xvfb. Everything else it writes
// (the samples, the catalogue, the settings) goes into a temporary folder of its own; the
// user's home is never touched.

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Compare/Views/CompareModel.h"
#include "Compare/Views/CompareTable.h"
#include "Compare/Views/CompareView.h"
#include "FreeUpSpace/CleanupController.h"
#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"
#include "Manual/Views/ManualView.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/ManualWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/ReportWindow.h"
#include "Shell/Views/RowTableModel.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;

namespace {

// A picture smaller than this would be an empty or broken capture.
constexpr qint64 smallestPicture = 10000;

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/tovlin-pictures-XXXXXX"));
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "tovlin-manual-pictures");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    bool ok = true;
    const auto save = [&](QWidget& widget, const char* file) {
        test::spin(600);
        const QString path = QDir(out).filePath(QString::fromLatin1(file));
        const bool saved = widget.grab().save(path, "PNG") && QFileInfo(path).size() > smallestPicture;
        std::printf("%s%s\n", qPrintable(path), saved ? "" : " (not saved, or too small)");
        ok = saved && ok;
    };

    PellimorApp app(test::shot::scanningSamples(samples));
    MainWindow& window = app.mainWindow();
    window.resize(1400, 860);
    if (!test::shot::showScanned(app, "tovlin-manual-pictures"))
        return 1;
    Catalog& catalog = app.catalog();
    MainContent& content = app.mainContent();

    // The main window as it opens on the samples: the browser with every library.
    content.setMode(Mode::browser);
    content.refresh();
    save(window, "main-window.png");

    // A search: the browser shows each library with why it matched.
    const QString search = QStringLiteral("ceremony");
    content.setSearch(search);
    test::waitUntil([&] { return content.state().appliedSearch == search; }, 20000);
    content.refresh();
    save(window, "search.png");
    content.setSearch(QString());
    test::waitUntil([&] { return content.state().appliedSearch.isEmpty(); }, 20000);

    // The Libraries tab with the details of the working copy of "Wedding 2024".
    content.setMode(Mode::libraries);
    test::spin(300);
    // Chosen from a copy of the rows: selecting rebuilds the table.
    const QList<RowTableModel::Row> rows = content.tableModel(Mode::libraries)->rows();
    for (const RowTableModel::Row& row : rows) {
        if (row.id.contains(QStringLiteral("/Studio/")) && row.id.contains(QStringLiteral("Wedding 2024"))) {
            content.setSelection(row.id);
            break;
        }
    }
    content.setShowInspector(true);
    content.refresh();
    save(window, "details.png");
    content.setSelection(std::nullopt);
    content.setShowInspector(false);

    // The Compare tab with the copies of "Wedding 2024" opened and its panel shown, then the
    // Plug-ins tab.
    content.setMode(Mode::compare);
    content.refresh();
    test::spin(400);
    if (auto* compare = content.findChild<CompareView*>(); compare && !compare->nodes().isEmpty()) {
        const CNode group = compare->nodes().first();
        compare->table()->expand(compare->model()->indexOf(group.id));
        compare->select(group.id);
    }
    save(window, "compare.png");
    content.setMode(Mode::plugins);
    content.refresh();
    save(window, "plugins.png");

    // Free up space for "Documentary - Rivers", with its plan made.
    content.setMode(Mode::browser);
    content.refresh();
    if (const std::optional<LibraryInfo> rivers =
            test::shot::libraryNamed(catalog, QStringLiteral("Documentary - Rivers")))
        content.requestCleanup(*rivers);
    FreeUpSpaceSheet* sheet = nullptr;
    const bool planned = test::waitUntil([&] {
        sheet = test::shot::shownSheet<FreeUpSpaceSheet>(&window);
        if (!sheet)
            return false;
        const CleanupSheetState& state = sheet->controller()->state();
        return !state.planning && state.plan.has_value();
    });
    if (planned) {
        save(*sheet, "free-up-space.png");
        sheet->close();
    } else {
        std::fprintf(stderr, "tovlin-manual-pictures: the free-up-space sheet made no plan\n");
        ok = false;
    }
    test::spin(300);

    // The problem report.
    app.openReport();
    if (ReportWindow* report = app.reportWindow()) {
        if (auto* note = report->findChild<QPlainTextEdit*>(QStringLiteral("note")))
            note->setPlainText(QStringLiteral("The Compare tab shows Wedding 2024 as behind on Studio, but I "
                                              "edited it there this morning."));
        save(*report, "report.png");
    }

    // The manual window at its first size, after a question.
    AppSettings::setManualDoc(QStringLiteral("Manual"));
    app.openManual();
    if (ManualWindow* manual = app.manualWindow()) {
        if (auto* question = manual->findChild<QLineEdit*>(QStringLiteral("question")))
            question->setText(QStringLiteral("how do I free up space on a backup drive?"));
        manual->view().ask();
        // Past the heading's brief flash.
        test::spin(1000);
        save(*manual, "manual-window.png");
    }
    return ok ? 0 : 1;
}
