#include "Compare/CNode.h"

namespace pellimor {

bool CNode::operator==(const CNode& other) const {
    return id == other.id && isGroup == other.isGroup && name == other.name && label == other.label &&
           rank == other.rank && details == other.details && copies == other.copies &&
           lastSaved == other.lastSaved && projects == other.projects && size == other.size &&
           libPath == other.libPath && online == other.online && kids == other.kids;
}

} // namespace pellimor
