#include "Shell/Views/BrowserList.h"

#include "Catalogue/Records/Fmt.h"
#include "Shell/TableRows.h"
#include "Support/ByteCount.h"
#include "Widgets/RevealsRow.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QSet>
#include <utility>

namespace pellimor {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;

QTreeWidgetItem* newRow(const QString& id, const QStringList& texts) {
    auto* item = new QTreeWidgetItem(texts);
    item->setData(0, kIdRole, id);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(0, texts.value(0));
    return item;
}

QString idOf(const QTreeWidgetItem* row) {
    return row->data(0, kIdRole).toString();
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
    m_precision = header()->resizeContentsPrecision();
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
    const QScopedValueRollback updating(m_updating, true);
    // Rows whose children were built anew take back the expansion they had.
    QSet<QString> expanded;
    QList<QTreeWidgetItem*> rebuilt;

    if (m_created != created) {
        for (const QString& key : std::as_const(m_order))
            expanded.unite(expandedBelow(m_built.value(key).row));
        clearRows();
        setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"),
                         created ? QStringLiteral("Created") : QStringLiteral("Modified")});
        m_created = created;
    }

    QList<QString> order;
    QList<QTreeWidgetItem*> wanted;
    QHash<QString, qsizetype> listed; // how often each path was listed so far
    for (const LibraryInfo& library : libraries) {
        if (query.isActive() && !result.libraries.contains(library.path))
            continue;
        const qsizetype repeat = listed[library.path]++;
        const QString key = repeat == 0 ? library.path : library.path + u'\x1f' + QString::number(repeat);
        auto built = m_built.find(key);
        if (built == m_built.end()) {
            built = m_built.insert(
                key, Built{makeRow(library, repeat == 0), library.scannedAt, library.signature});
            rebuilt.append(built->row);
        } else if (built->scannedAt != library.scannedAt || built->signature != library.signature) {
            expanded.unite(expandedBelow(built->row));
            fill(built->row, library, repeat == 0);
            built->scannedAt = library.scannedAt;
            built->signature = library.signature;
            rebuilt.append(built->row);
        }
        order.append(key);
        wanted.append(built->row);
    }

    const bool orderChanged = order != m_order;
    if (orderChanged) {
        const QSet<QString> kept(order.begin(), order.end());
        for (const QString& key : std::as_const(m_order)) {
            if (kept.contains(key))
                continue;
            QTreeWidgetItem* gone = m_built.take(key).row;
            forget(gone);
            delete gone;
        }
        // The rows left keep their places when they still stand in the order wanted and new
        // rows come after them, as a scan adds them; else every row is put in place again.
        const int inTree = topLevelItemCount();
        bool inPlace = inTree <= wanted.size();
        for (int i = 0; inPlace && i < inTree; ++i)
            inPlace = topLevelItem(i) == wanted.at(i);
        if (inPlace) {
            addTopLevelItems(wanted.mid(inTree));
        } else {
            for (int i = 0; i < inTree; ++i)
                expanded.unite(expandedBelow(topLevelItem(i)));
            while (topLevelItemCount() > 0)
                takeTopLevelItem(topLevelItemCount() - 1);
            addTopLevelItems(wanted);
            rebuilt = wanted;
        }
        m_order = order;
    }
    if (!expanded.isEmpty()) {
        for (QTreeWidgetItem* row : std::as_const(rebuilt))
            expand(row, expanded);
    }
    if (m_fitInView && (orderChanged || !rebuilt.isEmpty()))
        m_fittedInView = true;
    select(selection);
}

void BrowserList::setFitRowsInView(bool inView) {
    if (inView == m_fitInView)
        return;
    m_fitInView = inView;
    header()->setResizeContentsPrecision(inView ? 0 : m_precision);
    if (!inView && std::exchange(m_fittedInView, false)) {
        // Setting the mode again has the header fit the columns anew.
        header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    }
}

QTreeWidgetItem* BrowserList::row(const QString& id) const {
    return m_ids.value(id);
}

void BrowserList::clearRows() {
    clear();
    m_built.clear();
    m_order.clear();
    m_ids.clear();
}

QTreeWidgetItem* BrowserList::makeRow(const LibraryInfo& library, bool registered) {
    auto* row = newRow(library.path, {});
    fill(row, library, registered);
    return row;
}

void BrowserList::fill(QTreeWidgetItem* libraryRow, const LibraryInfo& library, bool registered) {
    forget(libraryRow);
    qDeleteAll(libraryRow->takeChildren());

    const QString dateMode =
        m_created.value_or(false) ? QStringLiteral("created") : QStringLiteral("modified");
    const QStringList texts{library.name, ByteCount::file(library.totalSize()),
                            Fmt::dateOrDash(TableRows::pick(library.created, library.modified, dateMode))};
    for (int column = 0; column < texts.size(); ++column)
        libraryRow->setText(column, texts.at(column));
    libraryRow->setToolTip(0, library.name);

    // The first row of an identifier is the one it names, as a walk down the tree finds it.
    const auto add = [this, registered](QTreeWidgetItem* row) {
        if (registered && !m_ids.contains(idOf(row)))
            m_ids.insert(idOf(row), row);
        return row;
    };
    add(libraryRow);
    QList<QTreeWidgetItem*> eventRows;
    for (const EventInfo& event : library.events) {
        const QString eventId = library.path + sep() + event.name;
        QTreeWidgetItem* eventRow =
            add(newRow(eventId, {event.name, ByteCount::file(event.totalSize()),
                                 Fmt::dateOrDash(TableRows::pick(event.created, event.modified, dateMode))}));
        for (const ProjectInfo& project : event.projects) {
            eventRow->addChild(
                add(newRow(eventId + sep() + project.name,
                           {project.name, QString(),
                            Fmt::dateOrDash(TableRows::pick(project.created, project.modified, dateMode))})));
        }
        eventRows.append(eventRow);
    }
    libraryRow->addChildren(eventRows);
}

void BrowserList::forget(QTreeWidgetItem* row) {
    const auto drop = [this](QTreeWidgetItem* item) {
        const auto found = m_ids.constFind(idOf(item));
        if (found != m_ids.constEnd() && found.value() == item)
            m_ids.erase(found);
    };
    drop(row);
    for (int i = 0; i < row->childCount(); ++i)
        forget(row->child(i));
}

QSet<QString> BrowserList::expandedBelow(QTreeWidgetItem* row) const {
    QSet<QString> ids;
    if (!row || !row->treeWidget())
        return ids;
    if (row->isExpanded())
        ids.insert(idOf(row));
    for (int i = 0; i < row->childCount(); ++i)
        ids.unite(expandedBelow(row->child(i)));
    return ids;
}

void BrowserList::expand(QTreeWidgetItem* row, const QSet<QString>& ids) {
    if (ids.contains(idOf(row)))
        row->setExpanded(true);
    for (int i = 0; i < row->childCount(); ++i)
        expand(row->child(i), ids);
}

void BrowserList::select(const std::optional<QString>& selection) {
    const QScopedValueRollback updating(m_updating, true);
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
}

} // namespace pellimor
