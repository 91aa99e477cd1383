#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"
#include "MissingFiles/Candidate.h"
#include "MissingFiles/Found.h"
#include "MissingFiles/LibraryRow.h"
#include "MissingFiles/MissingFile.h"
#include "MissingFiles/Stop.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// Broken links to original media: finding them, searching the catalogue and the disks for
// files of the same name, and judging those candidates against the old place. Nothing here
// changes anything on disk. No state between calls; every function is safe from any thread.
namespace pellimor::MissingFiles {

// A list of the found dictionary never grows past this many texts.
inline constexpr qsizetype kMaxFound = 12;
// The folder walk reports progress after every this many entries.
inline constexpr qint64 kProgressEvery = 3000;

// Runs a call somewhere else: the folder walk hands its reports to it instead of calling them
// on the walking thread. An executor may also drop the calls (a run without a window).
using Post = std::function<void(std::function<void()>)>;
using Hit = std::function<void(const QString& name, const QString& path)>;
using Progress = std::function<void(const QString& text)>;

// An executor that runs each call later on the thread of `context`, through its event loop.
// `context` must outlive the walk.
Post postTo(QObject* context);

// A file name in the form names are compared in: composed (NFC), then lower case. A decomposed
// "é" from one file system finds a composed one from another.
QString nameKey(const QString& name);

// The lead for a path on a drive that is not connected:
// "<path>  (drive <drive> is not connected, so this was not checked)".
QString lead(const QString& path, const QString& drive);
bool isLead(const QString& text);

// Adds `text` to the list of `name` unless the list holds it already or is full. True when
// it was added.
bool add(const QString& text, const QString& name, Found& found);
// The list holds at least one text that is not a lead.
bool wasFound(const QStringList& list);

// The broken links of the libraries: libraries in the given order, events in the file
// manager's order, links by name. Unreadable libraries and events add nothing.
QList<MissingFile> collect(const QList<LibraryInfo>& libraries);

// Looks for the wanted files in what the catalogue knows: first the same place under this
// computer's home folder (for old targets in "/Users/<account>/…"), then every media entry of
// a wanted name: on a connected drive when the file is still there, on one that is not as a
// lead, passing over empty entries, the broken links themselves and small entries of the same
// library and event (the same broken link in a copy of the library). A new found dictionary.
Found searchCatalog(const QList<MissingFile>& files, const QList<Catalog::MediaEntry2>& media,
                    const LibraryTable& libs);

// Walks every root depth first, library bundles included, and adds each file whose name is
// wanted (`names` holds nameKey forms). Hidden entries and folders that cannot be read are
// passed over, links are neither candidates nor followed, and the generated media inside a
// bundle ("<event>/Transcoded Media", "<event>/Render Files") is not a candidate. Reads `stop`
// once per entry and returns when it is requested, keeping what was added. `hit` (for each
// text added) and `progress` (every kProgressEvery entries: "<count> files checked ·
// <folder>") are handed to `post`, never called on the walking thread; without `post` they
// are not called. A posted progress call reads the count when it runs. Runs on a worker thread.
void searchFolders(const QStringList& roots, const QSet<QString>& names,
                   const std::shared_ptr<const Stop>& stop, Found& found, const Post& post = {},
                   const Hit& hit = {}, const Progress& progress = {});

// What follows a library bundle in `path`, lower case ("evx/original media/c.mov"); none when
// no component is a bundle or the bundle is the last one.
std::optional<QString> tailInLibrary(const QString& path);
// How many parent folders of the old target and of `place` agree, from the innermost outward.
int sharedFolders(const MissingFile& file, const QString& place);
// 0: the same place inside a library bundle; 1: the same place in another account's home
// folder ("/Users/<account>/…" in both); 2: at least two folders shared; 3: the same name only.
int rank(const MissingFile& file, const QString& place);
// The candidates that are files: links resolved, only existing items that are not folders,
// each once, best first.
QStringList realPlaces(const MissingFile& file, const QStringList& candidates);
// The file to propose and why: the user's pick when it is among the real places, else by rank
// and by how the copies agree in size.
Candidate candidate(const MissingFile& file, const QStringList& candidates,
                    const std::optional<QString>& picked = std::nullopt);
// The item's own size (a link at the end is not followed); none when it cannot be read.
std::optional<qint64> fileSize(const QString& path);

} // namespace pellimor::MissingFiles
