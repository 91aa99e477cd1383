#include "Compare/CompareSort.h"

namespace pellimor {

CompareSort CompareSort::by(Field field, bool ascending) const {
    CompareSort sorted;
    sorted.keys = {{field, ascending}};
    for (const Key& key : keys) {
        if (key.field != field)
            sorted.keys.append(key);
    }
    return sorted;
}

} // namespace pellimor
