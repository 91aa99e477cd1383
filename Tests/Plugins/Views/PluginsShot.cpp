// Pictures of the Plug-ins tab and of a library's plug-in section on the sample libraries, for
// looking at: the tab with one pack opened to its libraries, one of them on a drive unplugged
// after the scan, and the details of a library with one pack opened. Not a test; run it under a
// display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Plugins/Views/plugins_shot /tmp/shots
//
// Everything it writes (the samples, the catalogue, the settings) goes into a temporary folder
// of its own; the user's home is never touched. HOME is the sample set's Home, so the one
// template installed there counts.

#include "Catalogue/Store/Catalog.h"
#include "Plugins/Views/LibraryPlugins.h"
#include "Plugins/Views/PluginsModel.h"
#include "Plugins/Views/PluginsView.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"
#include "Widgets/ButtonTreeView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "plugins_shot", test::shot::Home::samples);
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    PellimorApp app(test::shot::scanningSamples(samples));
    MainWindow& window = app.mainWindow();
    window.resize(1600, 1000);
    if (!test::shot::showScanned(app, "plugins_shot"))
        return 1;
    Catalog& catalog = app.catalog();

    // "Archive" unplugged after the scan: its folder moves out of the volumes root.
    QDir().rename(samples.volumesRoot + "/Archive", root + "/Archive unplugged");
    catalog.recordMounted();
    test::spin(300);

    bool ok = true;
    const auto save = [&](QWidget& widget, const QString& file) {
        const QString path = QDir(out).filePath(file);
        ok = widget.grab().save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
    };

    MainContent& content = app.mainContent();
    content.setMode(Mode::plugins);
    content.refresh();
    test::spin(400);
    auto* view = content.findChild<PluginsView*>();
    if (!view || view->nodes().isEmpty()) {
        std::fprintf(stderr, "plugins_shot: no plug-in pack to show\n");
        return 1;
    }
    // The pack with the most libraries, preferring one with an unplugged library, opened.
    const PNode* open = &view->nodes().first();
    for (const PNode& pack : view->nodes()) {
        bool offline = false;
        for (const PNode& kid : pack.kids)
            offline = offline || !kid.online;
        if (offline && pack.kids.size() >= open->kids.size())
            open = &pack;
    }
    const QString openId = open->id;
    view->table()->expand(view->model()->indexOf(openId));
    view->select(open->kids.first().id);
    test::spin(600);
    save(window, "plugins-tab.png");

    // A library's details with its plug-ins, the first pack opened.
    const LibraryInfo* chosen = nullptr;
    for (const LibraryInfo& library : catalog.libraries()) {
        if (library.name == QStringLiteral("Wedding 2024") && catalog.isOnline(library))
            chosen = &library;
    }
    if (!chosen)
        chosen = &catalog.libraries().first();
    content.setMode(Mode::libraries);
    content.setSelection(chosen->path);
    content.refresh();
    test::spin(400);
    if (auto* split = content.findChild<QSplitter*>("mainSplit")) {
        QList<int> sizes = split->sizes();
        const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
        split->setSizes({sizes.value(0), total - sizes.value(0) - 520, 520});
    }
    test::spin(300);
    auto* section = content.findChild<LibraryPlugins*>();
    if (!section) {
        std::fprintf(stderr, "plugins_shot: the details show no plug-in section\n");
        return 1;
    }
    if (!section->packButtons().isEmpty())
        section->packButtons().first()->click();
    test::spin(400);
    section = content.findChild<LibraryPlugins*>();
    if (auto* scroll = content.findChild<QScrollArea*>("libraryDetail"); scroll && section) {
        scroll->ensureWidgetVisible(section, 0, 0);
        scroll->verticalScrollBar()->setValue(section->mapTo(scroll->widget(), QPoint(0, 0)).y() - 40);
    }
    test::spin(400);
    save(window, "plugins-details.png");
    return ok ? 0 : 1;
}
