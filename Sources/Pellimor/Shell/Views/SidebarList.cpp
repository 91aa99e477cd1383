#include "Shell/Views/SidebarList.h"

#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <algorithm>

namespace pellimor {

namespace {

constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kPayloadRole = Qt::UserRole + 2;
constexpr int kHeaderRole = Qt::UserRole + 3;

const QList<SidebarItem::Kind>& smartKinds() {
    using K = SidebarItem::Kind;
    static const QList<K> kinds{K::all,         K::duplicates, K::offline,        K::reclaimable,
                                K::needsUpdate, K::broken,     K::missingPlugins, K::damaged};
    return kinds;
}

} // namespace

SidebarList::SidebarList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("sidebarList"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(false);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_updating)
            Q_EMIT selectionEdited(selectedItems());
    });
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* row) {
        const SidebarItem item = itemOf(row);
        if (item.kind == SidebarItem::Kind::favorite && !row->data(kHeaderRole).toBool())
            Q_EMIT favoriteClicked(item.payload);
    });
}

QString SidebarList::title(SidebarItem::Kind kind) {
    using K = SidebarItem::Kind;
    switch (kind) {
    case K::all:
        return QStringLiteral("Everything");
    case K::duplicates:
        return QStringLiteral("Duplicates");
    case K::offline:
        return QStringLiteral("Drive not connected");
    case K::reclaimable:
        return QStringLiteral("Over 1 GB reclaimable");
    case K::broken:
        return QStringLiteral("Missing files");
    case K::needsUpdate:
        return QStringLiteral("Needs FCP update");
    case K::missingPlugins:
        return QStringLiteral("Missing plug-ins");
    case K::damaged:
        return QStringLiteral("Damaged");
    case K::drive:
    case K::favorite:
        break;
    }
    return {};
}

void SidebarList::refresh(const Catalog& catalog, const SidebarSelection& selection) {
    QList<Row> rows;
    const auto header = [&rows](const QString& text) { rows.append(Row{text, {}, true, false, {}}); };

    header(QStringLiteral("Library"));
    for (SidebarItem::Kind kind : smartKinds())
        rows.append(Row{title(kind), {}, false, false, SidebarItem(kind)});

    // Listing the favourites copies the catalogue's list; most catalogues mark none.
    const QList<LibraryInfo> favorites =
        catalog.favorites().isEmpty() ? QList<LibraryInfo>() : catalog.favoriteLibraries();
    if (!favorites.isEmpty()) {
        header(QStringLiteral("Favorites"));
        for (const LibraryInfo& library : favorites)
            rows.append(Row{library.name, library.path, false, false, SidebarItem::favorite(library.path)});
    }

    // One row per drive that holds a listed library, in catalogue order, working drives
    // first; a drive takes its role and mount from its first library.
    struct Drive {
        QString name;
        qint64 count = 0;
        bool online = false;
        bool backup = false;
    };
    QList<Drive> drives;
    for (const LibraryInfo& library : catalog.comparableLibraries()) {
        auto found = std::find_if(drives.begin(), drives.end(),
                                  [&](const Drive& drive) { return drive.name == library.volumeName; });
        if (found != drives.end()) {
            ++found->count;
            continue;
        }
        const QString mount = VolumesRoot::mountOf(library.path);
        drives.append(
            Drive{library.volumeName, 1, catalog.mounted().contains(mount), catalog.isBackupDrive(library)});
    }
    m_onlineDrives.clear();
    for (const bool backup : {false, true}) {
        qsizetype inSection = 0;
        for (const Drive& drive : drives)
            inSection += drive.backup == backup ? 1 : 0;
        if (backup && inSection == 0)
            continue;
        header((backup ? QStringLiteral("Backup drives (") : QStringLiteral("Working drives (")) +
               QString::number(inSection) + u')');
        for (const Drive& drive : drives) {
            if (drive.backup != backup)
                continue;
            if (drive.online)
                m_onlineDrives.append(drive.name);
            const QString libraries = drive.count == 1 ? QStringLiteral("1 library")
                                                       : QStringLiteral("%1 libraries").arg(drive.count);
            rows.append(
                Row{drive.name + QStringLiteral("  ·  ") + libraries,
                    drive.online ? QStringLiteral("Drive connected") : QStringLiteral("Drive not connected"),
                    false, !drive.online, SidebarItem::drive(drive.name)});
        }
    }
    m_installedFCP = catalog.installedFCP().value_or(QString());

    if (rows != m_rows)
        rebuild(rows);
    select(selection);
}

void SidebarList::rebuild(const QList<Row>& rows) {
    m_updating = true;
    clear();
    for (const Row& row : rows) {
        auto* item = new QListWidgetItem(row.text, this);
        item->setToolTip(row.tip);
        if (row.header) {
            item->setFlags(Qt::ItemIsEnabled);
            item->setData(kHeaderRole, true);
            QFont font = item->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
            item->setFont(font);
            item->setForeground(palette().color(QPalette::PlaceholderText));
            // A little air above every section but the first.
            const QSize hint = QFontMetrics(font).size(0, row.text);
            item->setSizeHint(QSize(hint.width(), hint.height() + (count() > 1 ? 14 : 6)));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignBottom);
            continue;
        }
        item->setText(QStringLiteral("   ") + row.text); // rows sit under their section's title
        item->setData(kKindRole, static_cast<int>(row.item.kind));
        item->setData(kPayloadRole, row.item.payload);
        if (row.dimmed)
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
    m_rows = rows;
    m_updating = false;
}

void SidebarList::select(const SidebarSelection& selection) {
    m_updating = true;
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* row = item(i);
        if (!row->data(kHeaderRole).toBool())
            row->setSelected(selection.contains(itemOf(row)));
    }
    m_updating = false;
}

SidebarItem SidebarList::itemOf(const QListWidgetItem* row) {
    const auto kind = static_cast<SidebarItem::Kind>(row->data(kKindRole).toInt());
    const QString payload = row->data(kPayloadRole).toString();
    if (kind == SidebarItem::Kind::drive)
        return SidebarItem::drive(payload);
    if (kind == SidebarItem::Kind::favorite)
        return SidebarItem::favorite(payload);
    return SidebarItem(kind);
}

SidebarSelection SidebarList::selectedItems() const {
    SidebarSelection selection;
    for (const QListWidgetItem* row : QListWidget::selectedItems()) {
        if (!row->data(kHeaderRole).toBool())
            selection.insert(itemOf(row));
    }
    return selection;
}

QListWidgetItem* SidebarList::row(const SidebarItem& item) const {
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* row = this->item(i);
        if (!row->data(kHeaderRole).toBool() && itemOf(row) == item)
            return row;
    }
    return nullptr;
}

void SidebarList::contextMenuEvent(QContextMenuEvent* event) {
    QListWidgetItem* clicked = itemAt(event->pos());
    if (!clicked || clicked->data(kHeaderRole).toBool())
        return;
    const SidebarItem item = itemOf(clicked);
    if (item.kind != SidebarItem::Kind::drive)
        return;
    QMenu menu(this);
    QAction* update = menu.addAction(QStringLiteral("Update Libraries on ") + item.payload +
                                     QStringLiteral(" to Final Cut ") + m_installedFCP + QStringLiteral("…"));
    update->setEnabled(m_onlineDrives.contains(item.payload));
    if (menu.exec(event->globalPos()) == update)
        Q_EMIT updateDriveRequested(item.payload);
}

} // namespace pellimor
