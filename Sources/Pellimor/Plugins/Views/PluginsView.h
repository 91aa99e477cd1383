#pragma once

#include "Browser/SearchQuery.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Plugins/PNode.h"
#include "Plugins/PluginSort.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolButton;

namespace pellimor {

class ButtonTreeView;
class Catalog;
class ColumnAutoFit;
class PluginsDelegate;
class PluginsModel;

// The Plug-ins tab: every non-Apple plug-in pack the listed libraries use, most urgent first,
// each opening to one row per library that uses it.
//
// Top to bottom: the header (how many packs, how many not installed in red and incomplete in
// orange, "Only problems" and "Recheck"), the note on what the statuses mean, a divider, and
// the table, or the empty state when no pack is shown.
//
// The tree is built afresh (PluginTree::build) whenever the libraries or the search given
// change, "Only problems" or the sort change, or the catalogue says it changed (a recheck among
// others); the install answers behind it stay cached in the plug-in checker until a recheck.
// "Only problems", the selection and the sort start afresh with every view; the column layout
// is kept under "columns.plugins.v2" (ColumnChooser), saved whenever the user moves, hides or
// shows a column and read back when the view is made.
//
// Nothing here changes a library: a library row opens in Final Cut Pro through
// Catalog::openInFCP, its folder through the platform's file manager.
//
// Main thread only; the catalogue must outlive it.
class PluginsView final : public QWidget {
    Q_OBJECT
public:
    explicit PluginsView(Catalog& catalog, QWidget* parent = nullptr);
    ~PluginsView() override;

    // The libraries the sidebar lets through, in the window's order, and the parsed search.
    void present(const QList<LibraryInfo>& libraries, const SearchQuery& query);

    // What the screen shows now.
    const QList<PNode>& nodes() const { return m_nodes; }
    const std::optional<QString>& selection() const { return m_selection; }
    const PluginSort& sort() const { return m_sort; }
    bool showsEmptyState() const;

    // The widest content of each column by title, at the font scale in force.
    QHash<QString, double> columnWidths(const QList<PNode>& packRows) const;
    // The listed library of a row's id; none for a pack row or a library no longer listed.
    std::optional<LibraryInfo> library(const std::optional<QString>& id) const;
    // The row menu for a row id: "Open in Final Cut Pro" and "Open Enclosing Folder", disabled
    // while the library's drive is away; null (no menu) when the row has no listed library.
    std::unique_ptr<QMenu> rowMenu(const std::optional<QString>& id);
    // The double click's and Return's action on a row: opens its library in Final Cut Pro,
    // whether its drive is connected or not (the opener says when it is not).
    void openRow(const std::optional<QString>& id);

    // Selects the row with `id` (none clears the selection), opening its pack row.
    void select(const std::optional<QString>& id);
    void setSort(const PluginSort& sort);

    // The parts, for tests.
    QLabel* packsLabel() const { return m_packs; }
    QLabel* missingLabel() const { return m_missing; }
    QLabel* incompleteLabel() const { return m_incomplete; }
    QCheckBox* onlyProblemsBox() const { return m_onlyProblems; }
    QToolButton* recheckButton() const { return m_recheck; }
    QLabel* emptyTitle() const { return m_emptyTitle; }
    QLabel* notReadLabel() const { return m_notRead; }
    ButtonTreeView* table() const { return m_table; }
    PluginsModel* model() const { return m_model; }
    PluginsDelegate* delegate() const { return m_delegate; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void build();
    QWidget* buildHeader();
    QWidget* buildNote();
    QWidget* buildEmptyState();
    void refont();

    void rebuild();
    void rebuildLater();
    void headerClicked(int logical);
    void showSortIndicator();
    void selectionEdited();

    void buttonClicked(const QModelIndex& index, int part);
    void menuRequested(const QModelIndex& index, const QPoint& globalPos);

    Catalog& m_catalog;
    QList<LibraryInfo> m_libraries;
    SearchQuery m_query;
    bool m_onlyMissing = false;
    std::optional<QString> m_selection;
    PluginSort m_sort;
    bool m_updating = false;
    bool m_rebuildQueued = false;

    QList<PNode> m_nodes;
    QSet<QString> m_open; // ids of the pack rows the user opened

    QLabel* m_packs = nullptr;
    QLabel* m_missing = nullptr;
    QLabel* m_incomplete = nullptr;
    QCheckBox* m_onlyProblems = nullptr;
    QToolButton* m_recheck = nullptr;
    QLabel* m_noteIcon = nullptr;
    QLabel* m_noteText = nullptr;
    QStackedWidget* m_content = nullptr;
    QWidget* m_empty = nullptr;
    QLabel* m_emptyIcon = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QLabel* m_notRead = nullptr;
    PluginsModel* m_model = nullptr;
    PluginsDelegate* m_delegate = nullptr;
    ButtonTreeView* m_table = nullptr;
    ColumnAutoFit* m_fit = nullptr;
};

} // namespace pellimor
