#include "Compare/CompareGroup.h"

namespace pellimor {

const CompareGroup::Copy* CompareGroup::copy(const QString& path) const {
    for (const Copy& copy : copies) {
        if (copy.lib.path == path)
            return &copy;
    }
    return nullptr;
}

} // namespace pellimor
