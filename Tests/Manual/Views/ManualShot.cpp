// Pictures of the "Tovlin Manual" window over the sample libraries: at its first size after a
// question, and on "What's New" with "Larger Text" in the dark look. Not a test; run it under a
// display, with a folder for the pictures:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Manual/Views/manual_shot /tmp/shots
//
// Everything it writes (the samples, the catalogue, the settings) goes into a temporary folder
// of its own; the user's home is never touched.

#include "App/AppSettings.h"
#include "Manual/Views/ManualView.h"
#include "Shell/Views/ManualWindow.h"
#include "Shell/Views/PellimorApp.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<QString> pictures = test::shot::pictureFolder(argc, argv, scratch, "manual_shot");
    if (!pictures)
        return 2;
    const QString out = *pictures;
    const fixtures::SampleSet::Result samples = test::shot::prepare(scratch.path());

    QApplication application(argc, argv);
    PellimorApp app(test::shot::scanningSamples(samples));
    if (!test::shot::showScanned(app, "manual_shot", 0))
        return 1;

    AppSettings::setManualDoc("Manual");
    app.openManual();
    ManualWindow* window = app.manualWindow();
    test::spin(300);
    const auto shoot = [&](const QString& file) {
        const QString path = QDir(out).filePath(file);
        const bool saved = window->grab().save(path, "PNG");
        std::printf("%s\n", qPrintable(path));
        return saved;
    };
    bool ok = shoot("manual-first.png");

    window->findChild<QLineEdit*>("question")->setText("how do I free up space on a backup drive?");
    window->view().ask();
    test::spin(1500);
    ok = shoot("manual-asked.png") && ok;

    AppSettings::setManualDoc("What's New");
    AppSettings::setComfortable(true);
    AppSettings::setAppearance("dark");
    test::spin(600);
    ok = shoot("manual-whats-new-dark.png") && ok;
    return ok ? 0 : 1;
}
