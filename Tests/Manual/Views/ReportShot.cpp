// A picture of the "Report a Problem" window over the sample libraries, with an error log that
// names a sample drive, library and file, and a note typed in. Not a test; run it under a
// display, with a folder for the picture:
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build-test/Tests/Manual/Views/report_shot /tmp/shots
//
// Everything it writes (the samples, the catalogue, the settings, the log) goes into a
// temporary folder of its own; the user's home is never touched.

#include "App/AppSettings.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/Views/PellimorApp.h"
#include "Shell/Views/ReportWindow.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/ShotSetup.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

using namespace pellimor;

int main(int argc, char** argv) {
    QTemporaryDir scratch;
    const std::optional<test::shot::Start> setUp = test::shot::start(argc, argv, scratch, "report_shot");
    if (!setUp)
        return 2;
    const auto& [out, root, samples] = *setUp;

    QApplication application(argc, argv);
    PellimorApp app(test::shot::scanningSamples(samples));
    if (!test::shot::showScanned(app, "report_shot", 0))
        return 1;

    const QString wedding = samples.volumesRoot + "/Studio/Wedding 2024.fcpbundle";
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto log = [&](ErrorLog::Level level, const QString& area, const QString& message,
                         const std::optional<QString>& path) {
        ErrorLog::write(level, area, message, path, ErrorLog::url(), ErrorLog::capBytes, now);
    };
    log(ErrorLog::Level::error, "scan", "A library could not be read. Is the drive ready?", wedding);
    log(ErrorLog::Level::error, "free-up-space",
        "\u201CA001.mov\u201D couldn\u2019t be removed because you don\u2019t have permission.",
        wedding + "/Day 1/Transcoded Media/Proxy Media/A001.mov");
    log(ErrorLog::Level::error, "eject", "Studio could not be ejected. Wedding 2024 is open.", std::nullopt);
    log(ErrorLog::Level::warn, "scan", "Read again.", wedding);

    app.openReport();
    ReportWindow* window = app.reportWindow();
    test::spin(300);
    auto* note = window->findChild<QPlainTextEdit*>("note");
    note->setPlainText("Tovlin stopped answering while I removed proxy media from Wedding 2024.");
    test::spin(300);
    const auto shoot = [&](const QString& file) {
        const QString path = QDir(out).filePath(file);
        const bool saved = window->grab().save(path, "PNG");
        std::printf("%s\n", qPrintable(path));
        return saved;
    };
    bool ok = shoot("report.png");
    // The error-log excerpt at the end of the report, with its stand-ins.
    auto* report = window->findChild<QPlainTextEdit*>("report");
    report->verticalScrollBar()->setValue(report->verticalScrollBar()->maximum());
    test::spin(300);
    ok = shoot("report-log.png") && ok;
    // The same in the dark look.
    AppSettings::setAppearance("dark");
    test::spin(300);
    ok = shoot("report-dark.png") && ok;
    return ok ? 0 : 1;
}
