#pragma once

#include "Browser/BrowserTree.h"
#include "Browser/BuiltTree.h"
#include "Browser/CatalogTreeQueries.h"
#include "Browser/RowMenu.h"
#include "Browser/SearchQuery.h"
#include "Browser/SearchResult.h"
#include "Browser/TreeCache.h"
#include "Browser/TreeExpansion.h"
#include "Browser/TreeSort.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QTreeView;

namespace pellimor {

class BrowserDelegate;
class BrowserModel;
class Catalog;
class ColumnAutoFit;
class ColumnChooser;
class PathHoverCard;
class UiTextMeasurer;

// The library browser: a strip of buttons ("Expand All", "Collapse All", and when they apply
// the update and missing-files buttons), a yellow summary while a search is active, and the
// table of libraries, their events and, below an event, its projects and the search's hits.
//
// The window gives it its inputs on every redraw (present) and hears the selection back
// (selectionEdited); the callbacks open the window's sheets. The view keeps only presentation
// state: which rows are open (TreeExpansion), the sort order, the column arrangement (saved
// under "columns.browser.v3") and the last tree (TreeCache), built again only when something it
// is built from changed.
//
// Rows open and close as TreeExpansion::isShown says after every build; a user opening or
// closing a row sets it, which builds again. The model changes in place, so rows, the
// selection and the scroll position stay where they were; a new search starts the table
// afresh, scrolled to the top, and drops a selection its tree lacks. The columns are fitted
// to their content (BrowserWidths) after every build. A right click opens the row menu for the
// row's library (RowMenu), a double click opens that library in Final Cut Pro, a rest on a
// library's path opens its path card, and "TovlinRevealRow" scrolls to a row the tree shows.
// Each redraw writes the counts into the UI trace.
//
// Main thread only; the catalogue must outlive it.
class BrowserView final : public QWidget {
    Q_OBJECT
public:
    // What the window gives the browser.
    struct Inputs {
        QList<LibraryInfo> libraries; // shown, already narrowed by the sidebar
        SearchQuery query;
        SearchResult result;
        QString dateMode;                 // "created" shows creation dates
        std::optional<QString> selection; // the window's selected row
        bool groupByDrive = false;        // libraries grouped and tinted by drive
        bool missingForList = false;      // the list may offer the missing-files button
    };

    static const QString& tableName(); // "browser.v3"

    explicit BrowserView(Catalog& catalog, QWidget* parent = nullptr);
    ~BrowserView() override;

    void present(const Inputs& inputs);

    // The window's sheets. Without a missing-files action the view offers neither the button
    // nor the row menu's "Find Missing Files…".
    void setOnMissing(std::function<void(const QList<LibraryInfo>&)> action);
    void setOnUpdate(std::function<void(const QList<LibraryInfo>&)> action);
    void setOnCleanup(std::function<void(const LibraryInfo&)> action);

    // The row menu of `id`'s library, and what choosing one of its entries does.
    QList<RowMenu::Entry> menuEntries(const QString& id) const;
    void choose(const QString& id, RowMenu::Action action);
    // The double click: `id`'s library handed to Final Cut Pro.
    void open(const QString& id);

    // The parts and state, for the window and tests.
    const Inputs& inputs() const { return m_inputs; }
    QTreeView* table() const { return m_table; }
    BrowserModel* model() const { return m_model; }
    BrowserDelegate* delegate() const { return m_delegate; }
    PathHoverCard* hoverCard() const { return m_card; }
    QPushButton* expandAllButton() const { return m_expandAll; }
    QPushButton* collapseAllButton() const { return m_collapseAll; }
    QPushButton* updateButton() const { return m_update; }
    QPushButton* missingButton() const { return m_missing; }
    QWidget* summaryStrip() const { return m_summary; }
    QLabel* summaryText() const { return m_summaryText; }
    QLabel* summaryImage() const { return m_summaryImage; }
    const TreeExpansion& expansion() const { return m_expansion; }
    const BuiltTree& tree() const { return m_cache.tree(); }
    const TreeSort& sort() const { return m_sort; }
    // The widths last handed to the column fitter, by header title.
    const QHash<QString, double>& contentWidths() const { return m_widths; }
    // The column the user sees last (it and its cells align trailing).
    QString lastVisibleColumn() const;
    // The user's column arrangement as the header shows it.
    QJsonObject arrangement() const;

Q_SIGNALS:
    // The user selected a row (its identifier), or the selection was cleared.
    void selectionEdited(const std::optional<QString>& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildStrip();
    void buildSummary();
    void buildTable();
    void rebuild(bool afresh);
    void applyTree(bool afresh);
    void syncExpansion();
    void select();
    void refreshStrip();
    void refreshSummary();
    void refreshWidths();
    void arrangementChanged();
    void headerClicked(int logical);
    void rowOpened(const QModelIndex& index, bool open);
    void rowMenu(const QPoint& at);
    void trackPointer(const QPoint& at);
    std::optional<LibraryInfo> libraryFor(const QString& id) const;
    TreeInputs treeInputs() const;

    Catalog& m_catalog;
    std::unique_ptr<CatalogTreeQueries> m_queries;
    std::unique_ptr<UiTextMeasurer> m_measurer;
    Inputs m_inputs;
    TreeExpansion m_expansion;
    TreeSort m_sort = TreeSort::byName();
    TreeCache m_cache;
    TreeInputs m_built; // what the last tree was asked for (the cells' tints read it)
    QString m_drawnKey; // the cache key of the tree the model shows
    BrowserTree::PaintMap m_paint;
    QHash<QString, double> m_widths;
    double m_widthScale = 0;
    bool m_presented = false;
    bool m_syncing = false; // the view's own changes of expansion and selection

    std::function<void(const QList<LibraryInfo>&)> m_onMissing;
    std::function<void(const QList<LibraryInfo>&)> m_onUpdate;
    std::function<void(const LibraryInfo&)> m_onCleanup;
    QList<LibraryInfo> m_updateTargets;
    QList<LibraryInfo> m_missingTargets;

    QPushButton* m_expandAll = nullptr;
    QPushButton* m_collapseAll = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_missing = nullptr;
    QWidget* m_summary = nullptr;
    QLabel* m_summaryImage = nullptr;
    QLabel* m_summaryText = nullptr;
    QLabel* m_summaryHint = nullptr;
    QTreeView* m_table = nullptr;
    BrowserModel* m_model = nullptr;
    BrowserDelegate* m_delegate = nullptr;
    ColumnChooser* m_chooser = nullptr;
    ColumnAutoFit* m_fitter = nullptr;
    PathHoverCard* m_card = nullptr;
};

} // namespace pellimor
