#include "Shell/Views/BrowserList.h"

#include "Catalogue/Records/Fmt.h"
#include "Shell/TableRows.h"
#include "Support/ByteCount.h"
#include "Widgets/RevealsRow.h"

#include <QHeaderView>
#include <QSet>

namespace pellimor {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;

QTreeWidgetItem* addRow(QTreeWidgetItem* parent, QTreeWidget* tree, const QString& id,
                        const QStringList& texts) {
    auto* item = parent ? new QTreeWidgetItem(parent, texts) : new QTreeWidgetItem(tree, texts);
    item->setData(0, kIdRole, id);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(0, texts.value(0));
    return item;
}

QString sep() {
    return QStringLiteral("|");
}

} // namespace

BrowserList::BrowserList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("browserList"));
    setColumnCount(3);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    revealsRow(this, [this](const QString& id) {
        QTreeWidgetItem* item = row(id);
        return item ? indexFromItem(item) : QModelIndex();
    });
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_updating)
            return;
        const QList<QTreeWidgetItem*> chosen = selectedItems();
        Q_EMIT selectionEdited(chosen.isEmpty()
                                   ? std::nullopt
                                   : std::optional<QString>(chosen.first()->data(0, kIdRole).toString()));
    });
}

void BrowserList::refresh(const QList<LibraryInfo>& libraries, const SearchQuery& query,
                          const SearchResult& result, bool created, const std::optional<QString>& selection) {
    const QString dateMode = created ? QStringLiteral("created") : QStringLiteral("modified");
    QList<const LibraryInfo*> shown;
    for (const LibraryInfo& library : libraries) {
        if (!query.isActive() || result.libraries.contains(library.path))
            shown.append(&library);
    }

    // The tree is rebuilt only when what it shows changed, so a scan's many small changes
    // elsewhere in the catalogue do not disturb the rows the user is looking at.
    QStringList shape{created ? QStringLiteral("created") : QStringLiteral("modified")};
    for (const LibraryInfo* library : shown)
        shape.append(library->path + u'\x1f' + library->scannedAt.toString(Qt::ISODateWithMs) + u'\x1f' +
                     library->signature);
    if (shape != m_shape) {
        m_updating = true;
        QSet<QString> expanded;
        for (QTreeWidgetItemIterator it(this); *it; ++it) {
            if ((*it)->isExpanded())
                expanded.insert((*it)->data(0, kIdRole).toString());
        }
        clear();
        setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"),
                         created ? QStringLiteral("Created") : QStringLiteral("Modified")});
        for (const LibraryInfo* library : shown) {
            QTreeWidgetItem* libraryRow =
                addRow(nullptr, this, library->path,
                       {library->name, ByteCount::file(library->totalSize()),
                        Fmt::dateOrDash(TableRows::pick(library->created, library->modified, dateMode))});
            for (const EventInfo& event : library->events) {
                const QString eventId = library->path + sep() + event.name;
                QTreeWidgetItem* eventRow =
                    addRow(libraryRow, this, eventId,
                           {event.name, ByteCount::file(event.totalSize()),
                            Fmt::dateOrDash(TableRows::pick(event.created, event.modified, dateMode))});
                for (const ProjectInfo& project : event.projects) {
                    addRow(eventRow, this, eventId + sep() + project.name,
                           {project.name, QString(),
                            Fmt::dateOrDash(TableRows::pick(project.created, project.modified, dateMode))});
                }
            }
        }
        for (QTreeWidgetItemIterator it(this); *it; ++it) {
            if (expanded.contains((*it)->data(0, kIdRole).toString()))
                (*it)->setExpanded(true);
        }
        m_shape = shape;
        m_updating = false;
    }
    select(selection);
}

QTreeWidgetItem* BrowserList::row(const QString& id) const {
    for (QTreeWidgetItemIterator it(const_cast<BrowserList*>(this)); *it; ++it) {
        if ((*it)->data(0, kIdRole).toString() == id)
            return *it;
    }
    return nullptr;
}

void BrowserList::select(const std::optional<QString>& selection) {
    m_updating = true;
    QTreeWidgetItem* wanted = selection ? row(*selection) : nullptr;
    const QList<QTreeWidgetItem*> chosen = selectedItems();
    if (!(chosen.size() == 1 && chosen.first() == wanted)) {
        clearSelection();
        if (wanted) {
            for (QTreeWidgetItem* parent = wanted->parent(); parent; parent = parent->parent())
                parent->setExpanded(true);
            wanted->setSelected(true);
            setCurrentItem(wanted, 0, QItemSelectionModel::NoUpdate);
            scrollToItem(wanted);
        }
    }
    m_updating = false;
}

} // namespace pellimor
