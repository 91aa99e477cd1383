#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

// One column of a table, as the table declares it: what its header says, the key it is stored
// under, what a click on its header sorts by, how narrow it may get and how wide it starts.
// `Field` is the table's sort field. Plain values; safe from any thread.
template <typename Field> struct ColumnDecl {
    QString title;             // the header, and the key of its content width
    QString id;                // the key of its stored layout
    std::optional<Field> sort; // none: a click on its header sorts nothing
    double minimum = 0;
    double ideal = 0;
    bool numeric = false; // aligned to the trailing edge
};

// The identifiers of `defs`, in their order.
template <typename Field> QStringList columnIds(const QList<ColumnDecl<Field>>& defs) {
    QStringList ids;
    ids.reserve(defs.size());
    for (const ColumnDecl<Field>& def : defs)
        ids.append(def.id);
    return ids;
}

} // namespace pellimor
