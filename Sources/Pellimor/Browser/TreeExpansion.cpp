#include "Browser/TreeExpansion.h"

#include "Browser/BrowserRowId.h"

namespace pellimor {

bool TreeExpansion::isShown(const QString& id, bool autoOpen, const SearchQuery& current) const {
    if (!belongsTo(current))
        return autoOpen;
    if (expanded.contains(id))
        return true;
    if (!autoOpen)
        return false;
    return !collapsed.contains(id);
}

void TreeExpansion::setOpen(const QString& id, bool open, const SearchQuery& current) {
    query = current.tokens;
    if (open) {
        expanded.insert(id);
        collapsed.remove(id);
    } else {
        expanded.remove(id);
        collapsed.insert(id);
    }
}

void TreeExpansion::expandAll(const QList<LibraryInfo>& libraries, const SearchQuery& current) {
    query = current.tokens;
    expanded.clear();
    for (const LibraryInfo& library : libraries) {
        expanded.insert(BrowserRowId::library(library.path));
        for (const EventInfo& event : library.events)
            expanded.insert(BrowserRowId::event(library.path, event.name));
    }
    collapsed.clear();
}

void TreeExpansion::collapseAll(const QList<LibraryInfo>& libraries, const SearchQuery& current) {
    query = current.tokens;
    expanded.clear();
    collapsed.clear();
    for (const LibraryInfo& library : libraries)
        collapsed.insert(BrowserRowId::library(library.path));
}

bool TreeExpansion::follow(const SearchQuery& current) {
    if (belongsTo(current))
        return false;
    expanded.clear();
    collapsed.clear();
    query = current.tokens;
    return true;
}

} // namespace pellimor
