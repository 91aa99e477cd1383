// Pictures of the controls around the main window's content, for looking at: the empty
// catalogue, a scan of the sample libraries under way (Pause, Stop, the busy bar, the count),
// the window at 1300 and 1600 wide, a table's row menu, the details beside the Projects tab,
// a search that matches nothing, and the toolbar in the dark look. Not a test; run it under a
// display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Shell/MainWindow/chrome_shot /tmp/shots
//
// Everything it writes (the samples, the catalogue, the settings) goes into a temporary folder
// of its own; the user's home is never touched.

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainToolbar.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/RowTableModel.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp = test::shot::start(argc, argv, scratch, "chrome_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    bool ok = true;
    const auto save = [&](const QPixmap& picture, const QString& file) {
        const QString path = QDir(out).filePath(file);
        const bool saved = picture.save(path, "PNG");
        std::printf("%s%s\n", qPrintable(path), saved ? "" : " (not saved)");
        ok = saved && ok;
    };

    {
        // Nothing catalogued yet.
        PellimorApp empty({"tovlin"});
        empty.mainWindow().resize(1300, 860);
        empty.showMainWindow();
        test::spin(800);
        save(empty.mainWindow().grab(), QStringLiteral("empty.png"));
    }

    PellimorApp app(test::shot::scanningSamples(samples));
    MainWindow& window = app.mainWindow();
    window.resize(1600, 900);
    app.showMainWindow();
    Catalog& catalog = app.catalog();
    MainContent& content = app.mainContent();
    const auto shoot = [&](const QString& file, int settle = 600) {
        content.refresh();
        test::spin(settle);
        save(window.grab(), file);
    };

    // During the scan, once its count shows.
    if (test::waitUntil(
            [&] {
                return catalog.progress() && catalog.progress()->total > 0 && catalog.progress()->done > 0;
            },
            60000))
        shoot(QStringLiteral("scanning.png"), 120);
    if (!test::waitUntil([&] { return !catalog.isScanning(); }, 240000)) {
        std::fprintf(stderr, "chrome_shot: the scan did not finish\n");
        return 1;
    }
    test::spin(500);

    content.setMode(Mode::libraries);
    shoot(QStringLiteral("libraries-1600.png"));
    window.resize(1300, 900);
    test::spin(300);
    shoot(QStringLiteral("libraries-1300.png"));

    // A row menu over the Libraries table: the whole screen while the menu is open.
    QTableView* libraries = content.table(Mode::libraries);
    const QPoint at = libraries->visualRect(libraries->model()->index(1, 1)).center();
    QTimer::singleShot(700, &application, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        QPixmap screen = window.grab();
        if (popup) {
            QPainter painter(&screen);
            painter.drawPixmap(window.mapFromGlobal(popup->mapToGlobal(QPoint())), popup->grab());
            painter.end();
            popup->close();
        }
        save(screen, QStringLiteral("row-menu.png"));
    });
    Q_EMIT libraries->customContextMenuRequested(at);
    test::spin(300);

    // The details beside the Projects tab, a project focused in its event block.
    window.resize(1600, 900);
    content.setMode(Mode::projects);
    test::spin(300);
    const QList<RowTableModel::Row> projects = content.tableModel(Mode::projects)->rows();
    if (!projects.isEmpty())
        content.setSelection(projects.value(projects.size() / 2).id);
    content.setShowInspector(true);
    shoot(QStringLiteral("projects-details.png"), 900);
    content.setSelection(std::nullopt);
    content.setShowInspector(true);
    shoot(QStringLiteral("no-selection.png"));
    content.setShowInspector(false);

    // A search that matches nothing where the filter leaves nothing.
    content.setMode(Mode::libraries);
    content.setSidebar({SidebarItem::Kind::offline});
    content.setSearch(QStringLiteral("nothingcalledthis"));
    test::waitUntil([&] { return content.state().appliedSearch == QStringLiteral("nothingcalledthis"); },
                    10000);
    shoot(QStringLiteral("no-matches.png"));
    content.setSearch(QString());
    test::waitUntil([&] { return content.state().appliedSearch.isEmpty(); }, 10000);
    shoot(QStringLiteral("filter-empty.png"));

    // "Working drives only" over a drive marked as a backup.
    catalog.setBackup(true, std::nullopt, QStringLiteral("Archive"));
    AppSettings::setHideBackups(true);
    content.setSidebar({SidebarItem::drive(QStringLiteral("Archive"))});
    shoot(QStringLiteral("backup-notice.png"));
    catalog.setBackup(false, std::nullopt, QStringLiteral("Archive"));
    content.setSidebar({SidebarItem::Kind::all});

    // The toolbar in the dark look, with "Working drives only" on.
    AppSettings::setHideBackups(true);
    platform::services().settings->setText(AppSettings::Key::appearance, QStringLiteral("dark"));
    shoot(QStringLiteral("dark.png"), 900);
    save(window.grab(QRect(QPoint(), QSize(window.width(), content.toolBar()->height() + 40))),
         QStringLiteral("dark-toolbar.png"));
    return ok ? 0 : 1;
}
