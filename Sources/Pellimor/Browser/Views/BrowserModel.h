#pragma once

#include "Browser/BNode.h"
#include "Browser/BrowserColumn.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace pellimor {

// The library browser's tree as a Qt model: libraries, their events, and below an event its
// projects, hits and "more" rows; three levels, never a fourth. Columns are the declared
// BrowserColumn columns, by logical index. A row is named by its BNode::id.
//
// A library (or event) that reports children without having them built, because it is
// closed, answers hasChildren() with no rows, so the view draws its disclosure triangle.
//
// setTree() takes each new tree and changes only what differs, parent by parent: rows whose
// identifiers stay are updated in place (dataChanged) and moved when their order changed
// (layoutChanged), rows that went away are removed and new ones inserted. So the view
// keeps its expanded rows, selection and scroll position through rebuilds that leave a row in
// place. reset() starts afresh (a new search). Rows are found again by identifier (indexOf).
//
// Display texts are the cells' texts (BrowserCells); what the delegate paints besides text
// (pills, the bar's numbers, the version's meaning) is in Qt::AccessibleTextRole.
//
// Main thread only.
class BrowserModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int kIdRole = Qt::UserRole + 1;
    // How deep the row lies: 0 for a library, 1 for an event, 2 below.
    static constexpr int kLevelRole = Qt::UserRole + 2;

    explicit BrowserModel(QObject* parent = nullptr);

    // The columns and their titles (the date column's follows the date mode).
    void setColumns(const QList<BrowserColumn>& columns);
    const QList<BrowserColumn>& columns() const { return m_columns; }
    // The user's column arrangement, which decides the columns' alignment
    // (BrowserColumns::fillAlignment): the header's and Qt::TextAlignmentRole's.
    void setCustomization(const QJsonObject& customization);
    Qt::Alignment alignment(int column) const;

    void setTree(const QList<BNode>& nodes);
    void reset(const QList<BNode>& nodes);

    // The row's record (its children are the model's rows, not read here); null for an invalid
    // index.
    const BNode* node(const QModelIndex& index) const;
    QModelIndex indexOf(const QString& id, int column = 0) const;
    int level(const QModelIndex& index) const;
    // The column's identifier by logical index; empty when out of range.
    QString columnId(int column) const;
    int columnOf(const QString& id) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    using Handle = quintptr; // 0 stands for the invisible root

    struct Item {
        const BNode* node = nullptr; // into m_tree
        Handle parent = 0;
        QList<Handle> children;
        int row = 0;
        int level = 0;
    };

    static constexpr int kLevels = 3;

    void sync(Handle parent, const QList<BNode>& nodes, int level);
    // New items for `rows` under `parent`, with everything below them; their row numbers are
    // set when they are placed (setChildren).
    QList<Handle> make(Handle parent, const QList<const BNode*>& rows, int level);
    void drop(Handle handle);
    const QList<Handle>& childrenOf(Handle parent) const;
    void setChildren(Handle parent, const QList<Handle>& children);
    QModelIndex indexOfHandle(Handle handle, int column = 0) const;

    QList<BrowserColumn> m_columns;
    QJsonObject m_customization;
    QList<Qt::Alignment> m_alignments; // by column, from the customization
    QList<BNode> m_tree;               // the rows' records live here, unchanged until the next tree
    QHash<Handle, Item> m_items;
    QList<Handle> m_top;
    QHash<QString, Handle> m_byId;
    Handle m_next = 1;
};

} // namespace pellimor
