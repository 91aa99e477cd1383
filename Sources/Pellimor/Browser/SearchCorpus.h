#pragma once

#include "Browser/SearchArea.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Store/Catalog.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace pellimor {

// The search index of one catalogue state: every searchable text of every library, folded
// once, grouped by library, event and project. Built by SearchEngine::build and never changed
// afterwards, so any number of threads may read one corpus at the same time.
//
// An item is a text as the catalogue stores it (pointed to, never copied: the corpus keeps the
// catalogue lists it was built from, which implicit sharing leaves untouched by later changes)
// with its area and its folded form. The folded forms of a library's items lie one after the
// other in the library's blob, each followed by a line feed, in the order library items,
// then per event its own items followed by those of its projects. Terms never hold a line
// feed, so a term found in the blob lies inside one item, and a library whose blob lacks a
// term cannot match.
struct SearchCorpus {
    // A run of items of one library: [first, first + count).
    struct Items {
        quint32 first = 0;
        quint32 count = 0;
        bool named = false; // the first item is the level's name (a name that is not empty)
    };

    struct Project {
        const QString* name = nullptr;
        Items items;
    };

    struct Event {
        const QString* name = nullptr;
        Items items;
        quint32 firstProject = 0;
        quint32 projectCount = 0;
    };

    struct Library {
        const QString* path = nullptr;
        const LibraryInfo* source = nullptr; // the record it was folded from (or re-pointed at)
        QByteArray blob;
        // Item i's folded text is blob[starts[i], starts[i + 1] - 1); one entry more than items.
        std::vector<quint32> starts;
        std::vector<const QString*> texts;
        std::vector<quint8> areas; // SearchArea of each item
        Items items;               // the library-level items
        std::vector<Event> events;
        std::vector<Project> projects; // of every event, in event order
        // Texts the catalogue does not store as such (the folder that holds the library).
        QStringList derived;

        qsizetype itemCount() const { return qsizetype(texts.size()); }
        SearchArea area(qsizetype item) const { return SearchArea(areas[size_t(item)]); }
        const QString& text(qsizetype item) const { return *texts[size_t(item)]; }
    };

    // What the items point into; read only through const access, which never detaches.
    QList<LibraryInfo> sourceLibraries;
    QList<Catalog::MediaEntry2> sourceMedia;

    std::vector<Library> libraries; // in catalogue order

    // The folded bytes of every library, line feeds included.
    qint64 foldedBytes() const;
    qint64 itemCount() const;
};

} // namespace pellimor
