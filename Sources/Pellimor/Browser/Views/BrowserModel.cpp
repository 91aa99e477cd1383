#include "Browser/Views/BrowserModel.h"

#include "Browser/BrowserCells.h"
#include "Browser/BrowserColumns.h"

#include <QSet>
#include <QStringList>

namespace pellimor {

namespace {

// The row's own fields, without the rows below it.
bool sameRow(const BNode& a, const BNode& b) {
    BNode left = a;
    BNode right = b;
    left.children.clear();
    right.children.clear();
    return left == right;
}

// The rows of `nodes` in order, each identifier once: two rows of one identifier could not be
// told apart by the view or the selection, so the first stands for both.
QList<const BNode*> distinct(const QList<BNode>& nodes) {
    QList<const BNode*> rows;
    QSet<QString> seen;
    for (const BNode& node : nodes) {
        if (!seen.contains(node.id)) {
            seen.insert(node.id);
            rows.append(&node);
        }
    }
    return rows;
}

} // namespace

BrowserModel::BrowserModel(QObject* parent) : QAbstractItemModel(parent) {
    m_columns = BrowserColumn::all(QString());
    setCustomization({});
}

void BrowserModel::setColumns(const QList<BrowserColumn>& columns) {
    if (columns == m_columns)
        return;
    if (columns.size() != m_columns.size()) {
        beginResetModel();
        m_columns = columns;
        endResetModel();
    } else {
        m_columns = columns;
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
    }
    setCustomization(m_customization);
}

void BrowserModel::setCustomization(const QJsonObject& customization) {
    m_customization = customization;
    QList<Qt::Alignment> alignments;
    for (const BrowserColumn& column : std::as_const(m_columns)) {
        const bool trailing =
            BrowserColumns::fillAlignment(column.id, customization) == BrowserColumns::Alignment::trailing;
        alignments.append((trailing ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (alignments == m_alignments)
        return;
    m_alignments = alignments;
    if (m_columns.isEmpty())
        return;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
    if (!m_top.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_top.size()) - 1, int(m_columns.size()) - 1),
                           {Qt::TextAlignmentRole});
}

Qt::Alignment BrowserModel::alignment(int column) const {
    return m_alignments.value(column, Qt::AlignLeft | Qt::AlignVCenter);
}

// ---- The rows -------------------------------------------------------------------------------

void BrowserModel::reset(const QList<BNode>& nodes) {
    beginResetModel();
    m_items.clear();
    m_top.clear();
    m_byId.clear();
    m_tree = nodes;
    setChildren(0, make(0, distinct(std::as_const(m_tree)), 0));
    endResetModel();
}

void BrowserModel::setTree(const QList<BNode>& nodes) {
    // The rows keep pointing into the old tree until sync() has moved them to the new one.
    const QList<BNode> old = m_tree;
    m_tree = nodes;
    sync(0, std::as_const(m_tree), 0);
}

void BrowserModel::sync(Handle parent, const QList<BNode>& nodes, int level) {
    const QList<const BNode*> wanted = level < kLevels ? distinct(nodes) : QList<const BNode*>();
    const QModelIndex parentIndex = indexOfHandle(parent);
    // A copy: making rows adds items, which may move the stored lists.
    QList<Handle> current = childrenOf(parent);
    const auto idOf = [this](Handle handle) { return m_items.constFind(handle)->node->id; };

    QStringList wantedIds;
    for (const BNode* node : wanted)
        wantedIds.append(node->id);
    QStringList currentIds;
    for (const Handle handle : std::as_const(current))
        currentIds.append(idOf(handle));

    if (currentIds != wantedIds) {
        // Rows that went away, in runs from the end.
        const QSet<QString> keep(wantedIds.cbegin(), wantedIds.cend());
        for (qsizetype last = current.size() - 1; last >= 0; --last) {
            if (keep.contains(idOf(current.at(last))))
                continue;
            qsizetype first = last;
            while (first > 0 && !keep.contains(idOf(current.at(first - 1))))
                --first;
            beginRemoveRows(parentIndex, int(first), int(last));
            for (qsizetype i = first; i <= last; ++i)
                drop(current.at(i));
            current.remove(first, last - first + 1);
            setChildren(parent, current);
            endRemoveRows();
            last = first;
        }
        QStringList kept;
        for (const Handle handle : std::as_const(current))
            kept.append(idOf(handle));
        const QSet<QString> keptSet(kept.cbegin(), kept.cend());
        QStringList wantedKept;
        for (const QString& id : std::as_const(wantedIds)) {
            if (keptSet.contains(id))
                wantedKept.append(id);
        }
        // Rows that changed places (a new sort order, a library renamed): moved, with what
        // lies below them, so the view keeps them open and selected.
        if (kept != wantedKept) {
            const QList<QPersistentModelIndex> parents{QPersistentModelIndex(parentIndex)};
            Q_EMIT layoutAboutToBeChanged(parents, QAbstractItemModel::VerticalSortHint);
            QHash<QString, Handle> byId;
            for (const Handle handle : std::as_const(current))
                byId.insert(idOf(handle), handle);
            QList<Handle> reordered;
            for (const QString& id : std::as_const(wantedKept))
                reordered.append(byId.value(id));
            const QSet<Handle> moved(reordered.cbegin(), reordered.cend());
            current = reordered;
            setChildren(parent, current);
            QModelIndexList from;
            QModelIndexList to;
            for (const QModelIndex& old : persistentIndexList()) {
                const Handle handle = Handle(old.internalId());
                if (!moved.contains(handle))
                    continue;
                const int row = m_items.constFind(handle)->row;
                if (row != old.row()) {
                    from.append(old);
                    to.append(createIndex(row, old.column(), handle));
                }
            }
            changePersistentIndexList(from, to);
            Q_EMIT layoutChanged(parents, QAbstractItemModel::VerticalSortHint);
        }
        // New rows, in runs, where they belong among the ones kept.
        qsizetype at = 0;
        for (qsizetype j = 0; j < wanted.size();) {
            if (at < current.size() && idOf(current.at(at)) == wantedIds.at(j)) {
                ++at;
                ++j;
                continue;
            }
            const QString next = at < current.size() ? idOf(current.at(at)) : QString();
            qsizetype end = j;
            while (end < wanted.size() && (at >= current.size() || wantedIds.at(end) != next))
                ++end;
            beginInsertRows(parentIndex, int(at), int(at + (end - j)) - 1);
            const QList<Handle> made = make(parent, wanted.mid(j, end - j), level);
            for (qsizetype k = 0; k < made.size(); ++k)
                current.insert(at + k, made.at(k));
            setChildren(parent, current);
            endInsertRows();
            at += end - j;
            j = end;
        }
    }

    // Every row now stands where the new tree has it: bring the fields of the rows that were
    // there before up to date, then the rows below them.
    qsizetype changedFrom = -1;
    const auto flush = [&](qsizetype end) {
        if (changedFrom >= 0)
            Q_EMIT dataChanged(index(int(changedFrom), 0, parentIndex),
                               index(int(end) - 1, int(m_columns.size()) - 1, parentIndex));
        changedFrom = -1;
    };
    for (qsizetype i = 0; i < current.size(); ++i) {
        Item& item = m_items[current.at(i)];
        const BNode* fresh = wanted.at(i);
        const bool changed = item.node != fresh && !sameRow(*item.node, *fresh);
        item.node = fresh;
        if (changed) {
            if (changedFrom < 0)
                changedFrom = i;
        } else {
            flush(i);
        }
    }
    flush(current.size());
    for (qsizetype i = 0; i < current.size(); ++i)
        sync(current.at(i), wanted.at(i)->children, level + 1);
}

QList<BrowserModel::Handle> BrowserModel::make(Handle parent, const QList<const BNode*>& rows, int level) {
    QList<Handle> handles;
    if (level >= kLevels)
        return handles;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Handle handle = m_next++;
        Item item;
        item.node = rows.at(i);
        item.parent = parent;
        item.level = level;
        m_items.insert(handle, item);
        m_byId.insert(item.node->id, handle);
        handles.append(handle);
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QList<Handle> below = make(handles.at(i), distinct(rows.at(i)->children), level + 1);
        setChildren(handles.at(i), below);
    }
    return handles;
}

void BrowserModel::drop(Handle handle) {
    const auto it = m_items.constFind(handle);
    if (it == m_items.cend())
        return;
    const Item item = *it;
    for (const Handle child : item.children)
        drop(child);
    const auto byId = m_byId.constFind(item.node->id);
    if (byId != m_byId.cend() && *byId == handle)
        m_byId.erase(byId);
    m_items.remove(handle);
}

void BrowserModel::setChildren(Handle parent, const QList<Handle>& children) {
    if (parent == 0)
        m_top = children;
    else
        m_items[parent].children = children;
    for (qsizetype i = 0; i < children.size(); ++i)
        m_items[children.at(i)].row = int(i);
}

const QList<BrowserModel::Handle>& BrowserModel::childrenOf(Handle parent) const {
    static const QList<Handle> none;
    if (parent == 0)
        return m_top;
    const auto it = m_items.constFind(parent);
    return it == m_items.cend() ? none : it->children;
}

QModelIndex BrowserModel::indexOfHandle(Handle handle, int column) const {
    if (handle == 0)
        return {};
    const auto it = m_items.constFind(handle);
    if (it == m_items.cend())
        return {};
    return createIndex(it->row, column, handle);
}

// ---- Lookups ------------------------------------------------------------------------------

const BNode* BrowserModel::node(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    const auto it = m_items.constFind(index.internalId());
    return it == m_items.cend() ? nullptr : it->node;
}

QModelIndex BrowserModel::indexOf(const QString& id, int column) const {
    const auto it = m_byId.constFind(id);
    return it == m_byId.cend() ? QModelIndex() : indexOfHandle(*it, column);
}

int BrowserModel::level(const QModelIndex& index) const {
    if (!index.isValid())
        return -1;
    const auto it = m_items.constFind(index.internalId());
    return it == m_items.cend() ? -1 : it->level;
}

QString BrowserModel::columnId(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).id : QString();
}

int BrowserModel::columnOf(const QString& id) const {
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).id == id)
            return int(i);
    }
    return -1;
}

// ---- The model's answers ------------------------------------------------------------------

QModelIndex BrowserModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= m_columns.size() || row < 0 || (parent.isValid() && parent.column() != 0))
        return {};
    const Handle parentHandle = parent.isValid() ? Handle(parent.internalId()) : 0;
    if (parent.isValid() && !m_items.contains(parentHandle))
        return {};
    const QList<Handle>& rows = childrenOf(parentHandle);
    if (row >= rows.size())
        return {};
    return createIndex(row, column, rows.at(row));
}

QModelIndex BrowserModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    const auto it = m_items.constFind(child.internalId());
    if (it == m_items.cend() || it->parent == 0)
        return {};
    return indexOfHandle(it->parent);
}

int BrowserModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_top.size());
    if (parent.column() != 0)
        return 0;
    return int(childrenOf(Handle(parent.internalId())).size());
}

int BrowserModel::columnCount(const QModelIndex& parent) const {
    Q_UNUSED(parent);
    return int(m_columns.size());
}

bool BrowserModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid())
        return !m_top.isEmpty();
    if (parent.column() != 0)
        return false;
    const auto it = m_items.constFind(parent.internalId());
    if (it == m_items.cend() || it->level + 1 >= kLevels)
        return false;
    return it->node->hasChildren || !it->children.isEmpty();
}

QVariant BrowserModel::data(const QModelIndex& index, int role) const {
    const BNode* row = node(index);
    if (!row)
        return {};
    const QString column = columnId(index.column());
    switch (role) {
    case Qt::DisplayRole: {
        if (column == QLatin1StringView("name"))
            return row->name;
        if (column == QLatin1StringView("fcp"))
            return BrowserCells::version(*row).text;
        if (column == QLatin1StringView("bar"))
            return QString();
        const QString text = BrowserCells::accessibleText(*row, column);
        return text;
    }
    case Qt::AccessibleTextRole:
        return BrowserCells::accessibleText(*row, column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignment(index.column()));
    case kIdRole:
        return row->id;
    case kLevelRole:
        return level(index);
    default:
        return {};
    }
}

QVariant BrowserModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignment(section));
    return {};
}

Qt::ItemFlags BrowserModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!hasChildren(index.siblingAtColumn(0)))
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

} // namespace pellimor
