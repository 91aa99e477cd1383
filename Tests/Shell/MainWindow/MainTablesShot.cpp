// Pictures of the main window's tables on the sample libraries, for looking at: the browser
// beside them (its columns are fitted the same way), the Libraries tab with a search applied,
// the Projects tab sorted by date, and the Media Files placeholder. Not a test; run it under a
// display, with a folder for the pictures and optionally a search:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Shell/MainWindow/main_tables_shot /tmp/shots
//
// It prints each picture's path and whether the Libraries table shows a horizontal scroll bar.
// Everything it writes (the samples, the catalogue, the settings) goes into a temporary folder
// of its own; the user's home is never touched.

#include "Catalogue/Store/Catalog.h"
#include "Shell/SortKey.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/RowTableModel.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "main_tables_shot", test::shot::Home::own, 1, " [search]");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    const QString search = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("wedding");
    PellimorApp app(test::shot::scanningSamples(samples));
    MainWindow& window = app.mainWindow();
    if (!test::shot::showScanned(app, "main_tables_shot"))
        return 1;
    MainContent& content = app.mainContent();

    const auto shoot = [&](const QString& file) {
        content.refresh();
        test::spin(600);
        const QString path = QDir(out).filePath(file);
        if (!window.grab().save(path, "PNG"))
            return false;
        std::printf("%s\n", qPrintable(path));
        return true;
    };

    bool ok = true;
    content.setMode(Mode::browser);
    ok = shoot(QStringLiteral("browser.png")) && ok;
    content.setMode(Mode::libraries);
    ok = shoot(QStringLiteral("libraries.png")) && ok;
    std::printf("libraries: horizontal scroll bar %s\n",
                content.table(Mode::libraries)->horizontalScrollBar()->isVisible() ? "shown" : "hidden");
    content.setSearch(search);
    test::waitUntil([&] { return content.state().appliedSearch == search; }, 10000);
    ok = shoot(QStringLiteral("libraries-search.png")) && ok;
    std::printf("libraries with search: horizontal scroll bar %s\n",
                content.table(Mode::libraries)->horizontalScrollBar()->isVisible() ? "shown" : "hidden");
    content.setSearch(QString());
    test::waitUntil([&] { return content.state().appliedSearch.isEmpty(); }, 10000);

    content.setMode(Mode::projects);
    test::spin(200);
    QTableView* projects = content.table(Mode::projects);
    if (const std::optional<int> date =
            content.tableModel(Mode::projects)->columnOf(int(ProjectField::modified))) {
        Q_EMIT projects->horizontalHeader()->sectionClicked(*date);
    }
    ok = shoot(QStringLiteral("projects-by-date.png")) && ok;

    content.setMode(Mode::events);
    ok = shoot(QStringLiteral("events.png")) && ok;

    content.setMode(Mode::media);
    ok = shoot(QStringLiteral("media-placeholder.png")) && ok;
    content.setSearch(QStringLiteral("mov"));
    test::waitUntil([&] { return content.state().appliedSearch == QStringLiteral("mov"); }, 10000);
    ok = shoot(QStringLiteral("media-search.png")) && ok;
    return ok ? 0 : 1;
}
