#pragma once

#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTreeWidget>
#include <optional>

namespace pellimor {

// The Browser tab as a plain read-only tree: the listed libraries, their events, and the
// events' projects, with sizes and dates. Rows are identified the way the window's selection
// names them: the library's path, then "|" and the event's name, then "|" and the project's
// name. While a search is active only the libraries the result holds are shown.
//
// The window owns the selection: the tree shows what it is given and reports what the user
// selects. A refresh rebuilds only the rows of libraries that were added or read again since
// the last one (and drops those no longer listed), so the rows the user is looking at, their
// expansion and the selection stay put while a scan changes the catalogue elsewhere. It scrolls to the row
// that "TovlinRevealRow" names (revealsRow).
//
// Main thread only.
class BrowserList final : public QTreeWidget {
    Q_OBJECT
public:
    explicit BrowserList(QWidget* parent = nullptr);

    void refresh(const QList<LibraryInfo>& libraries, const SearchQuery& query, const SearchResult& result,
                 bool created, const std::optional<QString>& selection);

    // The row with that identifier; null when it is not shown.
    QTreeWidgetItem* row(const QString& id) const;

    // While on, the Size and date columns fit the rows in view only, which costs next to
    // nothing however long the list is; turned off, they fit the list again as they do at rest,
    // if rows changed meanwhile. The window keeps it on while a scan runs, since fitting a
    // column looks at a thousand rows and a scan adds rows ten times a second.
    void setFitRowsInView(bool inView);

Q_SIGNALS:
    // The user selected a row (its identifier), or cleared the selection.
    void selectionEdited(const std::optional<QString>& id);

private:
    // A library's row and what it was built from: a library read again has a new scan time or
    // change signature.
    struct Built {
        QTreeWidgetItem* row = nullptr;
        QDateTime scannedAt;
        QString signature;
    };

    void clearRows();
    QTreeWidgetItem* makeRow(const LibraryInfo& library, bool registered);
    void fill(QTreeWidgetItem* libraryRow, const LibraryInfo& library, bool registered);
    void forget(QTreeWidgetItem* row);
    QSet<QString> expandedBelow(QTreeWidgetItem* row) const;
    void expand(QTreeWidgetItem* row, const QSet<QString>& ids);
    void select(const std::optional<QString>& selection);

    std::optional<bool> m_created;          // the date column the rows were built for
    QHash<QString, Built> m_built;          // by key: the path, and for a path listed again a count
    QList<QString> m_order;                 // the keys of the top-level rows, in order
    QHash<QString, QTreeWidgetItem*> m_ids; // every row by its identifier
    bool m_updating = false;
    bool m_fitInView = false;
    bool m_fittedInView = false; // rows changed while the columns fitted the rows in view only
    int m_precision = 0;         // how many rows the header looks at to fit the whole list
};

} // namespace pellimor
