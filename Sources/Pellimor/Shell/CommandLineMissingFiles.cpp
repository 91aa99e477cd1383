// The missing-files switches: the search without a window, and the self-tests of the two
// tools that change a library.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "FreeUpSpace/Cleanup.h"
#include "MissingFiles/MissingFiles.h"
#include "Shell/CommandLine.h"

#include <memory>

namespace pellimor::CommandLine {

int missingSearch(const QStringList& args, const Print& print) {
    const QString path = pathArgument(args.at(2));
    // A list of no missing files in no libraries would pass for a search that found nothing.
    if (const std::optional<QString> unreadable = unreadableLibrary(path)) {
        print(*unreadable);
        return 0;
    }
    const QString folder = pathArgument(args.at(3));
    QList<MediaEntry> media;
    const LibraryInfo library = LibraryReader::read(path, QString(), media);
    const QList<MissingFile> files = MissingFiles::collect({library});

    // Without a catalogue only the home-folder look of the catalogue search has anything to go on.
    MissingFiles::Found found = MissingFiles::searchCatalog(files, {}, {});
    QSet<QString> names;
    for (const MissingFile& file : files)
        names.insert(file.wantedName());
    // Nothing here listens for hits or progress: the executor drops them.
    MissingFiles::searchFolders({folder}, names, std::make_shared<MissingFiles::Stop>(), found,
                                [](const std::function<void()>&) {});

    // The report ends with its own line break; the printed line adds one more.
    print(MissingFiles::report(files, found, QStringList{QStringLiteral("this Mac's user folder"), folder},
                               {}));
    return 0;
}

int selfTestCleanup(const QStringList& /*args*/, const Print& /*print*/) {
    // The self-tests print their own lines.
    return selfTestChain({Cleanup::selfTest, LibraryReader::selfTestSignature, MissingFiles::selfTest});
}

int selfTestChain(const QList<std::function<bool()>>& tests) {
    for (const std::function<bool()>& test : tests)
        if (!test())
            return 1;
    return 0;
}

} // namespace pellimor::CommandLine
