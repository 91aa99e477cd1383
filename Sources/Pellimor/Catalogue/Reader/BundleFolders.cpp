#include "Catalogue/Reader/BundleFolders.h"

#include <QFile>
#include <algorithm>

namespace pellimor::BundleFolders {

namespace {

enum class Names { decodable, undecodable };

std::vector<Folder> foldersHolding(const DirectoryListing& folder, bool skipDoubleUnderscore, Names names) {
    std::vector<Folder> found;
    for (const DirectoryListing::Entry& entry : folder.entries()) {
        if (!entry.mayBeFolder || (skipDoubleUnderscore && entry.name.startsWith("__")))
            continue;
        // A name that does not survive the trip through text would be given back as a path
        // that names something else.
        const bool decodable = QFile::encodeName(entry.text) == entry.name;
        if (decodable != (names == Names::decodable))
            continue;
        // The database's own facts say whether it is there, unless it is a link: then only
        // following the link does.
        const QByteArray database = entry.name + "/CurrentVersion.fcpevent";
        const std::optional<DirectoryListing::Item> item = folder.item(database);
        if (!item || (item->isLink && !folder.exists(database)))
            continue;
        found.push_back(Folder{entry, item->modifiedSeconds});
    }
    std::sort(found.begin(), found.end(), [](const Folder& a, const Folder& b) {
        return DirectoryListing::finderLess(a.entry, b.entry);
    });
    return found;
}

} // namespace

std::vector<Folder> events(const DirectoryListing& bundle) {
    return foldersHolding(bundle, true, Names::decodable);
}

std::vector<Folder> projects(const DirectoryListing& event) {
    return foldersHolding(event, false, Names::decodable);
}

std::vector<Folder> undecodableEvents(const DirectoryListing& bundle) {
    return foldersHolding(bundle, true, Names::undecodable);
}

} // namespace pellimor::BundleFolders
