#include "Catalogue/Records/RowLibrary.h"

namespace pellimor::RowLibrary {

namespace {

// Whether `remainder` (what follows the library's path and "|") names a row of `library` in
// the form asked.
bool names(const LibraryInfo& library, const QString& remainder, Remainder form) {
    if (form == Remainder::anything)
        return true;
    for (const EventInfo& event : library.events) {
        if (form == Remainder::eventName && event.name == remainder)
            return true;
        if (form == Remainder::eventAndProject && remainder.size() > event.name.size() &&
            remainder.startsWith(event.name) && remainder.at(event.name.size()) == u'|') {
            const QString project = remainder.mid(event.name.size() + 1);
            for (const ProjectInfo& p : event.projects) {
                if (p.name == project)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

const LibraryInfo* find(const QList<LibraryInfo>& libraries, const QString& id, Remainder remainder) {
    const LibraryInfo* best = nullptr;
    const LibraryInfo* bestNaming = nullptr;
    for (const LibraryInfo& library : libraries) {
        const QString& path = library.path;
        if (!id.startsWith(path))
            continue;
        const bool whole = id.size() == path.size();
        if (!whole && id.at(path.size()) != u'|')
            continue;
        if (!best || path.size() > best->path.size())
            best = &library;
        if (!whole && remainder != Remainder::anything &&
            names(library, id.mid(path.size() + 1), remainder) &&
            (!bestNaming || path.size() > bestNaming->path.size()))
            bestNaming = &library;
    }
    return bestNaming ? bestNaming : best;
}

} // namespace pellimor::RowLibrary
