// The search on disk: one depth-first pass over each root, reading no file facts except for
// entries whose names are wanted.

#include "FreeUpSpace/CleanupFiles.h"
#include "MissingFiles/MissingFiles.h"
#include "Support/DirectoryListing.h"
#include "Support/PathText.h"

#include <QDir>
#include <QLocale>
#include <atomic>
#include <vector>

namespace pellimor::MissingFiles {

namespace {

// One open folder of the walk and where the walk stands in it.
struct Level {
    std::unique_ptr<DirectoryListing> listing;
    size_t next = 0;
    QString path; // as text, for reports and found paths
    // Every name on the way is UTF-8, so `path` names the folder. Below a name that is not,
    // a path text would name nothing on disk, so nothing there is a candidate.
    bool named = true;
    // Components below the innermost library bundle: 0 for the bundle itself, 1 for an
    // event; -1 outside every bundle.
    int inBundle = -1;
};

bool isAscii(const QByteArray& bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Bytes that are not UTF-8 decode to U+FFFD and do not come back the same.
bool isUtf8(const QByteArray& bytes) {
    return isAscii(bytes) || QString::fromUtf8(bytes).toUtf8() == bytes;
}

bool isBundle(const QString& name) {
    return name.endsWith(QLatin1String(".fcpbundle"), Qt::CaseInsensitive);
}

// An event's generated media: proxies, optimized copies and renders often carry an original's
// name, and a low-resolution stand-in must never be proposed as the original.
bool isGeneratedFolder(const QString& name) {
    return name.compare(QLatin1String("Transcoded Media"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("Render Files"), Qt::CaseInsensitive) == 0;
}

// Level::inBundle of a root, from its path: a root may lie inside a bundle.
int bundleDepth(const QString& path) {
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = parts.size() - 1; i >= 0; --i)
        if (isBundle(parts.at(i)))
            return int(parts.size() - 1 - i);
    return -1;
}

} // namespace

void searchFolders(const QStringList& roots, const QSet<QString>& names,
                   const std::shared_ptr<const Stop>& stop, Found& found, const Post& post, const Hit& hit,
                   const Progress& progress) {
    // Shared with the posted progress calls, which may run after this call has returned.
    const auto visited = std::make_shared<std::atomic<qint64>>(0);
    const std::stop_token token = stop ? stop->token() : std::stop_token();
    const bool reportHits = post && hit;
    const bool reportProgress = post && progress;

    for (const QString& root : roots) {
        std::vector<Level> levels;
        const QString rootPath = QDir::cleanPath(root);
        levels.push_back(Level{std::make_unique<DirectoryListing>(CleanupFiles::native(rootPath)), 0,
                               rootPath, true, bundleDepth(rootPath)});
        while (!levels.empty()) {
            Level& level = levels.back();
            const std::vector<DirectoryListing::Entry>& entries = level.listing->entries();
            if (level.next >= entries.size()) {
                levels.pop_back();
                continue;
            }
            const DirectoryListing::Entry& entry = entries[level.next++];
            if (token.stop_requested())
                return;

            const qint64 count = visited->fetch_add(1, std::memory_order_relaxed) + 1;
            if (reportProgress && count % kProgressEvery == 0)
                post([visited, progress, folder = level.path] {
                    progress(QLocale().toString(visited->load(std::memory_order_relaxed)) +
                             QStringLiteral(" files checked · ") + folder);
                });

            const bool named = level.named && isUtf8(entry.name);
            if (named) {
                const QString name = nameKey(entry.text);
                if (names.contains(name)) {
                    // Links are never candidates; a failed look counts as no link.
                    const std::optional<DirectoryListing::Item> item = level.listing->item(entry.name);
                    if (!item || !item->isLink) {
                        const QString path = PathText::childPath(level.path, entry.text);
                        if (add(path, name, found) && reportHits)
                            post([hit, name, path] { hit(name, path); });
                    }
                }
            }

            if (!entry.mayBeFolder)
                continue;
            int inBundle = level.inBundle >= 0 ? level.inBundle + 1 : -1;
            if (isBundle(entry.text))
                inBundle = 0;
            else if (level.inBundle == 1 && isGeneratedFolder(entry.text))
                continue; // nothing below is a candidate
            // A link is not opened, so the walk never goes round a loop nor twice through one tree.
            auto inside = std::make_unique<DirectoryListing>(*level.listing, entry.name,
                                                             DirectoryListing::Links::notFollowed);
            if (inside->entries().empty())
                continue;
            QString path = PathText::childPath(level.path, entry.text);
            levels.push_back(Level{std::move(inside), 0, std::move(path), named, inBundle});
        }
    }
}

} // namespace pellimor::MissingFiles
