#include "Plugins/PNode.h"

namespace pellimor {

bool PNode::operator==(const PNode& other) const {
    return id == other.id && isPack == other.isPack && name == other.name && kind == other.kind &&
           status == other.status && libraries == other.libraries && projects == other.projects &&
           uses == other.uses && details == other.details && libPath == other.libPath &&
           online == other.online && kids == other.kids;
}

} // namespace pellimor
