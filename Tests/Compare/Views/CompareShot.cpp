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
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp = test::shot::start(argc, argv, scratch, "compare_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    PellimorApp app(test::shot::scanningSamples(samples));
    MainWindow& window = app.mainWindow();
    window.resize(1600, 1000);
    if (!test::shot::showScanned(app, "compare_shot", 800))
        return 1;
    MainContent& content = app.mainContent();
    content.setMode(Mode::compare);
    content.refresh();
    test::spin(400);
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
    test::spin(600);
    save(window, "compare-tab.png");

    view->showIdenticalBox()->setChecked(true);
    test::spin(300);
    save(window, "compare-unchanged.png");
    view->showIdenticalBox()->setChecked(false);

    // A copy row selected instead.
    if (!first.kids.isEmpty()) {
        view->select(first.kids.last().id);
        test::spin(300);
        save(window, "compare-copy-selected.png");
    }

    view->setHelpShown(true);
    test::spin(400);
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
    test::spin(300);
    save(window, "compare-out-of-sync.png");
    view->onlyOutOfSyncBox()->setChecked(false);

    // A search that no group matches: the empty state.
    content.setSearch(QStringLiteral("no such library"));
    test::waitUntil([&] { return content.state().appliedSearch == QStringLiteral("no such library"); },
                    20000);
    test::spin(500);
    save(window, "compare-empty.png");
    content.setSearch(QString());
    test::waitUntil([&] { return content.state().appliedSearch.isEmpty(); }, 20000);
    test::spin(300);

    // The same in the dark look, with larger text.
    AppSettings::setAppearance("dark");
    AppSettings::setComfortable(true);
    test::spin(500);
    view = content.findChild<CompareView*>();
    view->table()->expand(view->model()->indexOf(view->nodes().first().id));
    view->select(view->nodes().first().id);
    test::spin(600);
    save(window, "compare-dark-large.png");
    return ok ? 0 : 1;
}
