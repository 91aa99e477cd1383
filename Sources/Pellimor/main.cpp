#include "Catalogue/ErrorLog.h"
#include "Shell/CommandLine.h"

#include <optional>

int main(int argc, char** argv) {
    // Decided once, from the program's own arguments, before anything could log.
    pellimor::ErrorLog::decideHeadless(argc, argv);

    // Switches run before any application object exists, so they need no display; a switch
    // whose engine needs an event loop makes its own core application.
    if (const std::optional<int> status =
            pellimor::CommandLine::dispatch(pellimor::CommandLine::arguments(argc, argv)))
        return *status;

    // The windowed program starts here. Until its main window exists there is nothing to
    // show, and nothing is printed.
    return 0;
}
