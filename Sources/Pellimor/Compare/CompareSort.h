#pragma once

#include <QList>

namespace pellimor {

// The Compare table's sort order: the first key decides, the next break ties; rows still tied
// keep the order they were built in. Names compare in the file manager's order, the rest by
// value.
struct CompareSort {
    enum class Field { rank, name, copies, lastSaved, projects, size };

    struct Key {
        Field field = Field::rank;
        bool ascending = true;
        bool operator==(const Key&) const = default;
    };

    QList<Key> keys{{Field::rank, true}, {Field::name, true}};

    // The order after the user picked `field` in `ascending` order: that key first, the
    // earlier keys after it as tie-breakers.
    CompareSort by(Field field, bool ascending) const;

    bool operator==(const CompareSort&) const = default;
};

} // namespace pellimor
