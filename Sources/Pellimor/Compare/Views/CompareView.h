#pragma once

#include "Catalogue/Records/LibraryInfo.h"
#include "Compare/CNode.h"
#include "Compare/CompareGroup.h"
#include "Compare/CompareRows.h"
#include "Compare/CompareSort.h"
#include "Compare/Views/CompareDelegate.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolButton;

namespace pellimor {

class Catalog;
class ColumnAutoFit;
class CompareDetailPanel;
class CompareModel;
class CompareTable;

// The Compare tab: every library found in more than one place, as a group row with one row
// per copy, and below the table the detail panel of the selected row's group.
//
// Top to bottom: the header bar (how many libraries exist in more than one place, the help
// button, and the check boxes "Only out-of-sync", "Include SafetyNet & empty copies" and "Show
// unchanged projects"), the notice about libraries scanned before fingerprints when there are
// such, a divider, and the content: the empty state when no group is shown, else the table,
// split with the detail panel while a row of a shown group is selected.
//
// The comparison, the rows and their widths are worked out again only when an input changes:
// the libraries or search text given, the catalogue's media list or mounted drives, a check
// box, or the sort; never when the table paints. The media of a group are compared for the
// selected group only. The check boxes, the selection, the sort and the help start afresh with
// every screen; the column layout is kept under "columns.compare.v2" (ColumnChooser), saved
// whenever the user moves, hides or shows a column.
//
// Nothing here changes a library or the catalogue: a copy opens in Final Cut Pro through
// Catalog::openInFCP, its folder through the platform's file manager.
//
// Main thread only; the catalogue must outlive it.
class CompareView final : public QWidget {
    Q_OBJECT
public:
    explicit CompareView(Catalog& catalog, QWidget* parent = nullptr);
    ~CompareView() override;

    // The libraries to compare (Catalog::comparableLibraries) and the window's applied search
    // text; works everything out again when they, or the catalogue's media or drives, changed.
    void present(const QList<LibraryInfo>& libraries, const QString& search);

    // What the screen shows now.
    const QList<CompareGroup>& groups() const { return m_groups; }
    const QList<CNode>& nodes() const { return m_nodes; }
    bool missingFingerprints() const { return m_missingFingerprints; }
    const std::optional<QString>& selection() const { return m_selection; }
    bool showsEmptyState() const;
    bool showsDetail() const;

    // The widest content of each column by title, at the font scale in force.
    QHash<QString, double> columnWidths(const QList<CNode>& groupRows) const;
    // The library of a copy row's id; none for a group row or a path no longer listed.
    std::optional<LibraryInfo> copyLibrary(const std::optional<QString>& id) const;
    // The row menu for a row id: "Open in Final Cut Pro" and "Open Enclosing Folder", disabled
    // while the copy's drive is away; null (no menu) for a group row.
    std::unique_ptr<QMenu> rowMenu(const std::optional<QString>& id);

    // Selects the row with `id` (none clears the selection), as a click would.
    void select(const std::optional<QString>& id);
    void setSort(const CompareSort& sort);
    const CompareSort& sort() const { return m_sort; }
    void setHelpShown(bool shown);
    bool helpShown() const { return m_showHelp; }

    // The parts, for tests.
    QLabel* countLabel() const { return m_count; }
    QToolButton* helpButton() const { return m_helpButton; }
    QFrame* helpPopup() const { return m_helpPopup; }
    QCheckBox* onlyOutOfSyncBox() const { return m_onlyOutOfSync; }
    QCheckBox* includeLeftoversBox() const { return m_includeLeftovers; }
    QCheckBox* showIdenticalBox() const { return m_showIdentical; }
    QWidget* notice() const { return m_notice; }
    CompareTable* table() const { return m_table; }
    CompareModel* model() const { return m_model; }
    CompareDetailPanel* detailPanel() const { return m_detail; }
    // How many times the comparison has been worked out.
    int comparisons() const { return m_comparisons; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    QWidget* buildHeaderBar();
    QWidget* buildNotice();
    QWidget* buildEmptyState();
    void refont();
    void arrangeBar(bool force);

    // The groups from the inputs, then the rows and everything after them.
    void compare();
    // The rows from the groups, then the table, the widths and the content.
    void showRows();
    void showDetail();
    void headerClicked(int logical);
    void showSortIndicator();
    void selectionEdited();

    void buttonClicked(const QModelIndex& index, CompareDelegate::Part part);
    void menuRequested(const QModelIndex& index, const QPoint& globalPos);
    void primaryAction(const QModelIndex& index);

    Catalog& m_catalog;
    QList<LibraryInfo> m_libraries;
    QString m_search;
    CompareRows::Filter m_filter;
    bool m_showIdenticalOn = false;
    bool m_showHelp = false;
    std::optional<QString> m_selection;
    CompareSort m_sort;
    bool m_presented = false;
    bool m_stale = false; // the media or the drives changed since the last comparison
    bool m_updating = false;
    int m_comparisons = 0;

    QList<CompareGroup> m_groups;
    QList<CNode> m_nodes;
    bool m_missingFingerprints = false;
    QSet<QString> m_open; // ids of the group rows the user opened

    QWidget* m_bar = nullptr;
    QWidget* m_barTitle = nullptr; // the count and the help button
    QWidget* m_barBoxes = nullptr; // the check boxes
    bool m_barOneLine = true;
    QLabel* m_count = nullptr;
    QToolButton* m_helpButton = nullptr;
    QFrame* m_helpPopup = nullptr;
    QCheckBox* m_onlyOutOfSync = nullptr;
    QCheckBox* m_includeLeftovers = nullptr;
    QCheckBox* m_showIdentical = nullptr;
    QWidget* m_notice = nullptr;
    QLabel* m_noticeText = nullptr;
    QLabel* m_noticeIcon = nullptr;
    QStackedWidget* m_content = nullptr;
    QWidget* m_empty = nullptr;
    QLabel* m_emptyIcon = nullptr;
    QLabel* m_emptyTitle = nullptr;
    QLabel* m_emptyText = nullptr;
    QSplitter* m_split = nullptr;
    CompareModel* m_model = nullptr;
    CompareTable* m_table = nullptr;
    ColumnAutoFit* m_fit = nullptr;
    CompareDetailPanel* m_detail = nullptr;
};

} // namespace pellimor
