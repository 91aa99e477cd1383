// tovlin-samples <folder>: writes the sample drives and libraries into a folder, for the run
// command and for trying the program by hand.

#include "Tests/Fixtures/SampleSet.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args.at(1).startsWith("-")) {
        std::fprintf(stderr,
                     "usage: tovlin-samples <folder>\n"
                     "Writes sample drives (folder/Volumes/...), libraries and a stand-in "
                     "Final Cut Pro into an empty folder, or replaces an earlier sample set there.\n");
        return 1;
    }
    try {
        const auto result = pellimor::fixtures::SampleSet::write(args.at(1));
        for (const QString& library : result.libraries)
            std::printf("%s\n", qPrintable(library));
        std::printf("Wrote %lld libraries on %lld drives into %s\n", qint64(result.libraries.size()),
                    qint64(result.drives.size()), qPrintable(result.folder));
        std::printf("TOVLIN_VOLUMES_ROOT=%s\nTOVLIN_FCP_APP=%s\n", qPrintable(result.volumesRoot),
                    qPrintable(result.finalCutApp));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tovlin-samples: %s\n", error.what());
        return 1;
    }
}
