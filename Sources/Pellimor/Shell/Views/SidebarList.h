#pragma once

#include "Shell/SidebarItem.h"

#include <QListWidget>
#include <QStringList>

namespace pellimor {

class Catalog;

// The sidebar as a plain list: the smart filters under "Library", the favourite libraries,
// and the drives that hold catalogued libraries under "Working drives" and "Backup drives".
// Every row selects one SidebarItem; several rows may be selected at once (Ctrl or Shift).
// A drive's context menu offers updating its libraries for the installed Final Cut Pro.
//
// The window owns the selection: the list shows what refresh() gives it and reports what the
// user selects; it never changes the window's state itself.
//
// Main thread only.
class SidebarList final : public QListWidget {
    Q_OBJECT
public:
    explicit SidebarList(QWidget* parent = nullptr);

    // Rebuilds the rows from the catalogue (only when they changed) and selects `selection`,
    // without reporting it as the user's.
    void refresh(const Catalog& catalog, const SidebarSelection& selection);

    // The items of the selected rows.
    SidebarSelection selectedItems() const;

    // The row showing `item`; null when none does.
    QListWidgetItem* row(const SidebarItem& item) const;

    // "Everything", "Duplicates", "Drive not connected", ... — the smart filters' row texts.
    static QString title(SidebarItem::Kind kind);

Q_SIGNALS:
    // The user changed the selection.
    void selectionEdited(const SidebarSelection& selection);
    // The user clicked a favourite's row (also when it was selected already).
    void favoriteClicked(const QString& path);
    // The user asked to update the libraries of the drive with that volume name.
    void updateDriveRequested(const QString& volumeName);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Row {
        QString text;
        QString tip;
        bool header = false;
        bool dimmed = false;
        SidebarItem item;
        bool operator==(const Row&) const = default;
    };

    void rebuild(const QList<Row>& rows);
    void select(const SidebarSelection& selection);
    static SidebarItem itemOf(const QListWidgetItem* row);

    QList<Row> m_rows;
    QString m_installedFCP;
    QStringList m_onlineDrives;
    bool m_updating = false;
};

} // namespace pellimor
