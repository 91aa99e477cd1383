// Pictures of the update sheet, for looking at: (1) on the sample libraries with a Final Cut
// Pro 11.1 installed and the drive Studio marked as backup, opened from the sidebar's drive
// menu, as this machine shows it (no Accessibility permission), and its folder chooser; then, over the
// in-process fake Final Cut Pro on a virtual clock, (2) the permission granted while Final Cut Pro is open,
// (3) during and (4) after a run in which one library was updated, the next failed and the
// last was skipped. Not a test; run it under a display, with a folder for the
// pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/FinalCut/Views/update_sheet_shot /tmp/shots
//
// It prints each picture's path and the drive menu's title. Nothing leaves its temporary
// folder: the samples, the catalogue, the settings and the safety copies are all inside it.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/LibraryUpdater.h"
#include "FinalCut/Views/UpdateSheet.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/SidebarModel.h"
#include "Shell/Views/SidebarView.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"
#include "Tests/Support/ShotSetup.h"
#include "Tests/Support/VirtualClock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <cstdio>

using namespace pellimor;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "update_sheet_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;
    // A newer Final Cut Pro than the samples' own, so every library on Studio needs updating.
    const QString newer = root + "/Applications 11.1/Final Cut Pro.app";
    fixtures::FixtureFiles::writeFinalCutApp(newer, "11.1");
    qputenv("TOVLIN_FCP_APP", newer.toUtf8());

    QApplication application(argc, argv);

    PellimorApp app(test::shot::scanningSamples(samples));
    if (!test::shot::showScanned(app, "update_sheet_shot"))
        return 1;
    Catalog& catalog = app.catalog();
    MainContent& content = app.mainContent();
    QWidget* window = content.window();
    const auto shoot = [&](QWidget* sheet, const QString& file) {
        test::spin(300);
        const QString path = QDir(out).filePath(file);
        if (!sheet || !sheet->grab().save(path, "PNG"))
            return false;
        std::printf("%s\n", qPrintable(path));
        return true;
    };

    bool ok = true;
    // (1) Studio marked as backup, the sheet opened from the drive's menu.
    for (const LibraryInfo& library : catalog.libraries()) {
        if (library.volumeName == QStringLiteral("Studio")) {
            catalog.setBackup(true, library.volumeUUID, library.volumeName);
            break;
        }
    }
    test::spin(300);
    SidebarView* sidebar = content.sidebarView();
    const std::unique_ptr<QMenu> menu =
        sidebar->menuFor(sidebar->sidebarModel().indexOf(SidebarItem::drive(QStringLiteral("Studio"))));
    if (!menu || menu->actions().isEmpty()) {
        std::fprintf(stderr, "update_sheet_shot: Studio has no menu\n");
        return 1;
    }
    std::printf("menu: %s\n", qPrintable(menu->actions().first()->text()));
    menu->actions().first()->trigger();
    test::waitUntil([&] { return test::shot::shownSheet<UpdateSheet>(window) != nullptr; });
    UpdateSheet* sheet = test::shot::shownSheet<UpdateSheet>(window);
    ok = shoot(sheet, QStringLiteral("1-choosing.png")) && ok;
    if (sheet) {
        // The folder chooser behind "Choose…", pictured and cancelled once it is up.
        QTimer::singleShot(800, [&] {
            QWidget* chooser = QApplication::activeModalWidget();
            if (chooser && chooser != sheet) {
                ok = shoot(chooser, QStringLiteral("1-chooser.png")) && ok;
                QMetaObject::invokeMethod(chooser, "reject", Qt::QueuedConnection);
            }
        });
        sheet->findChild<QPushButton*>(QStringLiteral("choose"))->click();
        sheet->findChild<QPushButton*>(QStringLiteral("firstButton"))->click();
    }
    test::spin(300);

    // (2) to (4) Over the fake: the second library's prompt names another library.
    {
        test::ScopedVirtualClock clock;
        test::FakeFinalCut finalCut;
        test::FakeFinalCutScript otherPrompt;
        otherPrompt.promptName = QStringLiteral("Other");
        finalCut.setNextScripts({test::FakeFinalCutScript(), otherPrompt});
        catalog.refreshInstalledFCP();
        QList<LibraryInfo> libraries;
        const QString folder = root + "/Run";
        const std::pair<const char*, const char*> made[] = {
            {"Wedding 2024", "10.8.1"}, {"Documentary - Rivers", "10.6.5"}, {"Corporate Promo", "11.0"}};
        for (const auto& [name, version] : made) {
            fixtures::LibraryBuilder builder(QString::fromUtf8(name));
            builder.catalogVersion =
                fixtures::PlistValue(fixtures::LibraryBuilder::catalogVersionText(version));
            builder.event(QStringLiteral("Day 1")).media(QStringLiteral("A001.mov"), 4'000'000);
            const QString path = builder.write(folder);
            QList<MediaEntry> media;
            libraries.append(LibraryReader::read(path, LibraryReader::signature(path), media));
        }
        content.requestUpdate(libraries);
        test::waitUntil([&] { return test::shot::shownSheet<UpdateSheet>(window) != nullptr; });
        sheet = test::shot::shownSheet<UpdateSheet>(window);
        if (sheet) {
            // Permission granted, but Final Cut Pro open: the sheet waits for it to quit.
            const qint64 open = finalCut.launch();
            clock->advance(1s);
            ok = shoot(sheet, QStringLiteral("2-finalcut-open.png")) && ok;
            finalCut.instance(open)->forceQuit();
            clock->advance(1s);
            sheet->findChild<QCheckBox*>(QStringLiteral("practice"))->click();
            sheet->findChild<QPushButton*>(QStringLiteral("start"))->click();
            clock->runUntil(
                [&] {
                    return sheet->updater().items().value(0).status.kind ==
                           LibraryUpdater::Status::Case::updating;
                },
                1h);
            ok = shoot(sheet, QStringLiteral("3-running.png")) && ok;
            clock->runUntil([&] { return !sheet->updater().running(); }, 6h);
            ok = shoot(sheet, QStringLiteral("4-ended.png")) && ok;
            sheet->findChild<QPushButton*>(QStringLiteral("firstButton"))->click();
        } else {
            ok = false;
        }
        test::spin(300);
    }
    workPool()->waitForDone();
    return ok ? 0 : 1;
}
