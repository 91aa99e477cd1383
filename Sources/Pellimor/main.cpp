#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Platform/ProblemReporter.h"
#include "Shell/CommandLine.h"
#include "Shell/Views/PellimorApp.h"

#include <QApplication>
#include <optional>

int main(int argc, char** argv) {
    // Decided once, from the program's own arguments, before anything could log. What the
    // platform layer meets on its own (a setting that could not be saved) goes to the error
    // log; a headless run leaves that log alone, so there it goes to standard error.
    if (!pellimor::ErrorLog::decideHeadless(argc, argv))
        pellimor::platform::ProblemReporter::install(pellimor::ErrorLog::logProblem);
    // Before anything starts SQLite, or the setting would not take.
    pellimor::LibraryReader::prepareDatabaseEngine();

    // Switches run before any application object exists, so they need no display; a switch
    // whose engine needs an event loop makes its own core application.
    const QStringList arguments = pellimor::CommandLine::arguments(argc, argv);
    if (const std::optional<int> status = pellimor::CommandLine::dispatch(arguments))
        return *status;

    // The windowed program: the application object owns the catalogue and the windows.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovlin"));
    pellimor::PellimorApp app(arguments);
    app.showMainWindow();
    return QApplication::exec();
}
