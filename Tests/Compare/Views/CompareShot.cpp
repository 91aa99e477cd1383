// Pictures of the Compare tab on the sample libraries, for looking at: the groups with one
// opened and its detail panel below, the same with every project listed, the help, and the
// dark look. Not a test; run it under a display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Compare/Views/compare_shot /tmp/shots
//
// Everything it writes (the samples, the catalogue, the settings) goes into a temporary folder
// of its own; the user's home is never touched.

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Compare/Views/CompareModel.h"
#include "Compare/Views/CompareTable.h"
#include "Compare/Views/CompareView.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Tests/Fixtures/SampleSet.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>

using namespace pellimor;

namespace {

void spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        spin(50);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    if (argc != 2 || !scratch.isValid()) {
        std::fprintf(stderr, "usage: compare_shot <folder for the pictures>\n");
        return 2;
    }
    const QString root = scratch.path();
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = root + "/" + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        qputenv(name, dir.toUtf8());
    }
    const fixtures::SampleSet::Result samples = fixtures::SampleSet::write(root + "/samples");
    qputenv("TOVLIN_VOLUMES_ROOT", samples.volumesRoot.toUtf8());
    qputenv("TOVLIN_FCP_APP", samples.finalCutApp.toUtf8());
    qputenv("TOVLIN_DATA_DIR", (root + "/data").toUtf8());

    QApplication application(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    PellimorApp app({"tovlin", "--scan", samples.volumesRoot, samples.homeFolder + "/Movies"});
    app.showMainWindow();
    MainWindow& window = app.mainWindow();
    window.resize(1600, 1000);
    Catalog& catalog = app.catalog();
    if (!waitFor([&] { return catalog.isScanning(); }, 20000) ||
        !waitFor([&] { return !catalog.isScanning(); }, 240000)) {
        std::fprintf(stderr, "compare_shot: the scan did not finish\n");
        return 1;
    }
    spin(800);
    MainContent& content = app.mainContent();
    content.setMode(Mode::compare);
    content.refresh();
    spin(400);
    auto* view = content.findChild<CompareView*>();
    if (!view || view->nodes().isEmpty()) {
        std::fprintf(stderr, "compare_shot: no group of copies to show\n");
        return 1;
    }
    bool ok = true;
    const auto save = [&](QWidget& widget, const QString& file) {
        const QString path = QDir(out).filePath(file);
        ok = widget.grab().save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
    };

    // The first group opened and selected: its copies and its panel.
    const CNode first = view->nodes().first();
    view->table()->expand(view->model()->indexOf(first.id));
    view->select(first.id);
    spin(600);
    save(window, "compare-tab.png");

    view->showIdenticalBox()->setChecked(true);
    spin(300);
    save(window, "compare-unchanged.png");
    view->showIdenticalBox()->setChecked(false);

    // A copy row selected instead.
    if (!first.kids.isEmpty()) {
        view->select(first.kids.last().id);
        spin(300);
        save(window, "compare-copy-selected.png");
    }

    view->setHelpShown(true);
    spin(400);
    if (QFrame* help = view->helpPopup()) {
        save(*help, "compare-help.png");
        // The popup beside the window, as it stands over it.
        const QString path = QDir(out).filePath("compare-help-screen.png");
        ok = window.screen()->grabWindow(0).save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
    }
    view->setHelpShown(false);

    view->onlyOutOfSyncBox()->setChecked(true);
    view->select(std::nullopt);
    spin(300);
    save(window, "compare-out-of-sync.png");
    view->onlyOutOfSyncBox()->setChecked(false);

    // A search that no group matches: the empty state.
    content.setSearch(QStringLiteral("no such library"));
    waitFor([&] { return content.state().appliedSearch == QStringLiteral("no such library"); }, 20000);
    spin(500);
    save(window, "compare-empty.png");
    content.setSearch(QString());
    waitFor([&] { return content.state().appliedSearch.isEmpty(); }, 20000);
    spin(300);

    // The same in the dark look, with larger text.
    AppSettings::setAppearance("dark");
    AppSettings::setComfortable(true);
    spin(500);
    view = content.findChild<CompareView*>();
    view->table()->expand(view->model()->indexOf(view->nodes().first().id));
    view->select(view->nodes().first().id);
    spin(600);
    save(window, "compare-dark-large.png");
    return ok ? 0 : 1;
}
