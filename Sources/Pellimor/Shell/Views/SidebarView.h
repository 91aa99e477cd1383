#pragma once

#include "Shell/DriveSummary.h"
#include "Shell/SidebarItem.h"
#include "Shell/Views/SidebarDelegate.h"

#include <QTreeView>
#include <functional>
#include <memory>
#include <optional>

class QMenu;

namespace pellimor {

class Catalog;
class Prompts;
class SidebarModel;

// The main window's sidebar: one list in five sections — the filters under "Library", the
// favourite libraries, the working drives, the backup drives and the watched folders — drawn
// from the catalogue (SidebarSections) each time refresh() is called. Several rows may be
// selected at once; headers and watched folders are not selectable. Each collapsible section's
// open state is stored whenever the user opens or closes it, so it survives restarts.
//
// The window owns the selection: the sidebar shows what refresh() gives it and reports what
// the user selects (selectionEdited), a click on a favourite (favoriteClicked) and a drive's
// "Update Libraries on …" (updateDriveRequested); it never changes the window's state itself.
// Everything else it does with the catalogue: rescanning a drive or a watched folder, a
// drive's role, forgetting a watched folder, opening a favourite in Final Cut Pro on a double
// click, and ejecting a drive after asking through the window's prompts, reporting the outcome
// on the status line, in an alert and, for a failure, in the error log.
//
// Main thread only; the catalogue must outlive it.
class SidebarView final : public QTreeView {
    Q_OBJECT
public:
    explicit SidebarView(Catalog& catalog, QWidget* parent = nullptr);
    ~SidebarView() override;

    // Where questions and alerts go (the window's prompts); dialogs over the window without.
    void setPrompts(std::function<Prompts&()> prompts);

    // Rebuilds the sections from the catalogue (the model is reset only when something shown
    // changed, restoring each section's stored open state) and selects `selection`, without
    // reporting it as the user's.
    void refresh(const SidebarSelection& selection);

    // The items of the selected rows.
    SidebarSelection selectedItems() const;

    SidebarModel& sidebarModel() const { return *m_model; }
    SidebarDelegate& delegate() const { return *m_delegate; }

    // Where a part of a row is drawn now, in viewport coordinates (empty when the row has none);
    // a layout that is still pending is done first.
    QRectF partRect(const QModelIndex& index, SidebarDelegate::Part part);

    // A drive row's context menu ("Update Libraries on …", "Eject"); none for other rows.
    std::unique_ptr<QMenu> menuFor(const QModelIndex& index);

    // The eject of one drive from its confirmation on: the question, then (when confirmed) the
    // eject, whose outcome is reported when it comes.
    void confirmEject(const DriveSummary& drive);
    // The drive whose eject is being confirmed.
    const std::optional<DriveSummary>& pendingEject() const { return m_pendingEject; }

Q_SIGNALS:
    // The user changed the selection (also with "Select all").
    void selectionEdited(const SidebarSelection& selection);
    // The user clicked a favourite's row (also when it was selected already).
    void favoriteClicked(const QString& path);
    // The user asked to update the libraries of the drive with that volume name.
    void updateDriveRequested(const QString& volumeName);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    void restoreOpenStates();
    void select(const SidebarSelection& selection);
    void openStateChanged(const QModelIndex& header, bool open);
    void partClicked(const QModelIndex& index, SidebarDelegate::Part part);
    void favoriteDoubleClicked(const QModelIndex& index);
    void eject(const DriveSummary& drive);
    QStyleOptionViewItem optionFor(const QModelIndex& index) const;
    Prompts& prompts();

    Catalog& m_catalog;
    SidebarModel* m_model = nullptr;       // a child
    SidebarDelegate* m_delegate = nullptr; // a child
    std::function<Prompts&()> m_prompts;
    std::unique_ptr<Prompts> m_ownPrompts;
    std::optional<DriveSummary> m_pendingEject;
    bool m_updating = false; // the view is changing its own rows: their signals are not the user's
};

} // namespace pellimor
