// A picture of the question asked before a library that can freeze Final Cut Pro is opened,
// over the main window, on the sample libraries: "Acme Promo", whose "Podcast Ep 12" uses
// DeRoom 2 on 120 clips, opened with TOVLIN_FCP_APP at the samples' application folder. Not a
// test; run it under a display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Shell/MainWindow/deroom_alert_shot /tmp/shots
//
// It prints each picture's path, then answers "Cancel", so nothing is opened or moved.
// Everything it writes goes into a temporary folder of its own.

#include "Catalogue/Store/Catalog.h"
#include "Shell/Views/MainContent.h"
#include "Shell/Views/MainWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp =
        test::shot::start(argc, argv, scratch, "deroom_alert_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;
    // The system-wide Audio Units stay untouched: nothing is parked, the answer is "Cancel".
    QApplication application(argc, argv);

    PellimorApp app(test::shot::scanningSamples(samples));
    if (!test::shot::showScanned(app, "deroom_alert_shot"))
        return 1;
    Catalog& catalog = app.catalog();

    const std::optional<LibraryInfo> promo = test::shot::libraryNamed(catalog, QStringLiteral("Acme Promo"));
    if (!promo) {
        std::fprintf(stderr, "deroom_alert_shot: the sample libraries were not catalogued\n");
        return 1;
    }
    app.mainContent().setSelection(promo->path);
    test::spin(300);

    bool ok = false;
    QStringList buttons;
    QTimer::singleShot(0, &app, [&] { catalog.openInFCP(*promo); });
    const std::function<void()> shoot = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(100, &app, shoot);
            return;
        }
        test::spin(600);
        const QString screen = QDir(out).filePath(QStringLiteral("deroom-alert-over-window.png"));
        const QString alone = QDir(out).filePath(QStringLiteral("deroom-alert.png"));
        ok = QGuiApplication::primaryScreen()->grabWindow(0).save(screen, "PNG") &&
             box->grab().save(alone, "PNG");
        std::printf("%s\n%s\n", qPrintable(screen), qPrintable(alone));
        // The buttons as they stand, left to right.
        QList<QAbstractButton*> shown = box->buttons();
        std::sort(shown.begin(), shown.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (QAbstractButton* button : shown)
            buttons.append(button->text());
        std::printf("title: %s\nbuttons: %s\n", qPrintable(box->text()), qPrintable(buttons.join(" | ")));
        for (QAbstractButton* button : box->buttons())
            if (button->objectName() == QLatin1String("Cancel"))
                button->click();
    };
    QTimer::singleShot(100, &app, shoot);
    test::waitUntil([&] { return !buttons.isEmpty() && !QApplication::activeModalWidget(); }, 20000);
    test::spin(200);
    workPool()->waitForDone();
    return ok ? 0 : 1;
}
