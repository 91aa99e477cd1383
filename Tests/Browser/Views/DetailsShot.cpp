// Pictures of the main window with a library's details open, on the sample libraries, for
// looking at: a wide details column, a narrow one, a library on a drive marked as a backup
// drive, and one on a drive that was unplugged after the scan. Not a test; run it under a
// display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Browser/Views/details_shot /tmp/shots
//
// Everything it writes (the samples, the catalogue, the settings) goes into a temporary folder
// of its own; the user's home is never touched.

#include "App/AppSettings.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

using namespace pellimor;

namespace {

std::optional<LibraryInfo> find(const Catalog& catalog, const QString& drive, const QString& name) {
    for (const LibraryInfo& library : catalog.libraries()) {
        if (library.volumeName == drive && library.name == name)
            return library;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp = test::shot::start(argc, argv, scratch, "details_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    PellimorApp app(test::shot::scanningSamples(samples));
    MainWindow& window = app.mainWindow();
    window.resize(1600, 1000);
    if (!test::shot::showScanned(app, "details_shot"))
        return 1;
    Catalog& catalog = app.catalog();
    MainContent& content = app.mainContent();
    auto* split = content.findChild<QSplitter*>("mainSplit");

    const auto shoot = [&](const QString& drive, const QString& name, int inspector, const QString& file) {
        const std::optional<LibraryInfo> library = find(catalog, drive, name);
        if (!library) {
            std::fprintf(stderr, "details_shot: no library %s on %s\n", qPrintable(name), qPrintable(drive));
            return false;
        }
        content.setMode(Mode::libraries);
        content.setSelection(library->path);
        content.refresh();
        test::spin(300);
        if (split) {
            QList<int> sizes = split->sizes();
            const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
            split->setSizes({sizes.value(0), total - sizes.value(0) - inspector, inspector});
        }
        test::spin(400);
        const QString path = QDir(out).filePath(file);
        if (!window.grab().save(path, "PNG"))
            return false;
        std::printf("%s\n", qPrintable(path));
        return true;
    };

    bool ok = shoot("Studio", "Wedding 2024", 680, "details-wide.png");
    ok = shoot("Studio", "Wedding 2024", 340, "details-narrow.png") && ok;

    // A project of the Projects tab, focused in its library's events; a library with broken
    // links where there is one, for its missing-files button.
    std::optional<LibraryInfo> focused;
    for (const LibraryInfo& library : catalog.libraries()) {
        bool hasProject = false;
        for (const EventInfo& event : library.events)
            hasProject = hasProject || !event.projects.isEmpty();
        if (hasProject && (!focused || (library.brokenLinks() > 0 && focused->brokenLinks() == 0)))
            focused = library;
    }
    if (focused) {
        const EventInfo* last = nullptr;
        for (const EventInfo& event : focused->events) {
            if (!event.projects.isEmpty())
                last = &event;
        }
        content.setMode(Mode::projects);
        content.setSelection(focused->path + "|" + last->name + "|" + last->projects.last().name);
        content.refresh();
        test::spin(300);
        if (split) {
            QList<int> sizes = split->sizes();
            const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
            split->setSizes({sizes.value(0), total - sizes.value(0) - 520, 520});
        }
        test::spin(300);
        if (auto* scroll = content.findChild<QAbstractScrollArea*>("libraryDetail")) {
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
            test::spin(300);
        }
        const QString path = QDir(out).filePath("details-focus.png");
        ok = window.grab().save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
        const QString top = QDir(out).filePath("details-missing.png");
        if (auto* scroll = content.findChild<QAbstractScrollArea*>("libraryDetail")) {
            scroll->verticalScrollBar()->setValue(0);
            test::spin(300);
        }
        ok = window.grab().save(top, "PNG") && ok;
        std::printf("%s\n", qPrintable(top));
    }

    // The drive "Archive" marked as a backup drive, then no longer.
    const std::optional<LibraryInfo> copy = find(catalog, "Archive", "Wedding 2024");
    if (copy)
        catalog.setBackup(true, copy->volumeUUID, "Archive");
    ok = shoot("Archive", "Wedding 2024", 680, "details-backup-drive.png") && ok;
    if (copy)
        catalog.setBackup(false, copy->volumeUUID, "Archive");

    // "Archive" unplugged: its folder moves out of the volumes root.
    QDir().rename(samples.volumesRoot + "/Archive", root + "/Archive unplugged");
    catalog.recordMounted();
    ok = shoot("Archive", "Wedding 2024", 680, "details-unplugged.png") && ok;

    // The events further down the wide panel.
    if (const std::optional<LibraryInfo> wedding = find(catalog, "Studio", "Wedding 2024")) {
        content.setSelection(wedding->path);
        content.refresh();
        test::spin(300);
        if (split) {
            QList<int> sizes = split->sizes();
            const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
            split->setSizes({sizes.value(0), total - sizes.value(0) - 680, 680});
        }
        test::spin(300);
        if (auto* scroll = content.findChild<QAbstractScrollArea*>("libraryDetail")) {
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
            test::spin(300);
            const QString path = QDir(out).filePath("details-events.png");
            ok = window.grab().save(path, "PNG") && ok;
            std::printf("%s\n", qPrintable(path));
        }
    }
    // The same in the dark look.
    AppSettings::setAppearance("dark");
    test::spin(300);
    ok = shoot("Studio", "Documentary - Rivers", 680, "details-dark.png") && ok;
    return ok ? 0 : 1;
}
