#pragma once

#include <QList>
#include <QString>

namespace pellimor {

// The row with `id` among `rows` and, depth first, among their kids; null when there is none.
// `Node` is a table's row value with a QString `id` and its kid rows in a QList<Node> `kids`.
template <typename Node> const Node* findNode(const QList<Node>& rows, const QString& id) {
    for (const Node& row : rows) {
        if (row.id == id)
            return &row;
        if (const Node* kid = findNode(row.kids, id))
            return kid;
    }
    return nullptr;
}

} // namespace pellimor
