#include "Catalogue/ErrorLog.h"
#include "Manual/ProblemReport.h"
#include "Platform/Paths.h"
#include "Platform/VolumesRoot.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    // Decided once, from the program's own arguments, before anything could log.
    pellimor::ErrorLog::decideHeadless(argc, argv);
    QCoreApplication app(argc, argv);

    // Until the windowed program exists, say what this build knows about its surroundings.
    std::printf("%s\n", qPrintable(pellimor::ProblemReport::appVersion()));
    std::printf("data folder: %s\n", qPrintable(pellimor::Paths::dataFolder()));
    std::printf("volumes root: %s\n", qPrintable(pellimor::VolumesRoot::root()));
    const QStringList drives = pellimor::VolumesRoot::mountedVolumes();
    std::printf("mounted drives: %s\n", drives.isEmpty() ? "none" : qPrintable(drives.join(QStringLiteral(", "))));
    return 0;
}
