#pragma once

#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QList>
#include <QTreeWidget>
#include <optional>

namespace pellimor {

// The Browser tab as a plain read-only tree: the listed libraries, their events, and the
// events' projects, with sizes and dates. Rows are identified the way the window's selection
// names them: the library's path, then "|" and the event's name, then "|" and the project's
// name. While a search is active only the libraries the result holds are shown.
//
// The window owns the selection: the tree shows what it is given and reports what the user
// selects. Expanded rows stay expanded when the catalogue changes. It scrolls to the row
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

Q_SIGNALS:
    // The user selected a row (its identifier), or cleared the selection.
    void selectionEdited(const std::optional<QString>& id);

private:
    void select(const std::optional<QString>& selection);

    QStringList m_shape; // what the rows were built from, to skip rebuilding the same tree
    bool m_updating = false;
};

} // namespace pellimor
