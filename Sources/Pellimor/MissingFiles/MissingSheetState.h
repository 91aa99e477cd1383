#pragma once

#include "MissingFiles/Found.h"
#include "MissingFiles/MissingFile.h"
#include "MissingFiles/RepairMode.h"
#include "MissingFiles/Stop.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace pellimor {

// Everything the missing-files sheet shows and the user has chosen in it, for one request.
// Read and written on the main thread only (MissingFilesController owns it; the sheet draws it;
// MissingSheet derives its lists and texts from it).
struct MissingSheetState {
    QList<MissingFile> all; // every broken link of the requested libraries that could be read
    QString drive;          // the drive filter; empty: every drive
    bool loading = true;    // the broken links are still being read
    int skipped = 0;        // requested libraries left out because they are offline

    // Wanted name → found paths and leads, in order of arrival.
    MissingFiles::Found found;
    // The places the last completed search looked in; none before the first has completed, and
    // none again while the next one runs.
    std::optional<QStringList> searchedIn;
    bool searchedOnce = false; // a search has completed: the repair step stays from then on

    bool useCatalog = true; // look in the catalogue
    QSet<QString> chosen;   // the paths of the ticked places
    QStringList extra;      // the folders the user added, in the order added

    bool searching = false;
    QString progress; // the folder walk's latest report
    // The current search's cancel flag, shared with its walk. Each search makes a new one.
    std::shared_ptr<MissingFiles::Stop> stop = std::make_shared<MissingFiles::Stop>();

    QSet<QString> selection; // MissingFile::id() of the selected rows

    std::optional<MissingFiles::RepairMode> pendingRepair; // waiting for the user's confirmation
    bool working = false;                                  // a repair runs

    std::optional<QString> previewURL; // the file handed to the previewer, until it is opened

    // MissingFile::id() → the found file the user chose for it. Emptied by every search.
    QHash<QString, QString> picked;
    std::optional<QString> note; // after a search or a save
};

} // namespace pellimor
