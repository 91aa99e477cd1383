#include "Browser/BNode.h"

#include "Support/ByteSum.h"

#include <algorithm>
#include <tuple>

namespace pellimor {

qint64 BNode::reclaimable() const {
    return ByteSum::saturatingSum({optimized, proxy, render});
}

int BNode::alertScore() const {
    return (isBackup ? 1 : 0) + (damaged ? 2 : 0);
}

qint64 BNode::pluginProblems() const {
    return qint64(missingPlugins) * 1000 + partialPlugins;
}

bool BNode::operator==(const BNode& other) const {
    const auto fields = [](const BNode& n) {
        return std::tie(n.id, n.kind, n.name, n.details, n.modified, n.hasDate, n.size, n.original,
                        n.optimized, n.proxy, n.render, n.other, n.online, n.update, n.missingPlugins,
                        n.partialPlugins, n.missingFiles, n.isBackup, n.damaged, n.fcpVersion, n.fcpInstalled,
                        n.reasons, n.dim, n.autoOpen, n.hasChildren, n.drive);
    };
    return fields(*this) == fields(other) &&
           std::equal(children.cbegin(), children.cend(), other.children.cbegin(), other.children.cend(),
                      [](const BNode& a, const BNode& b) { return a == b; });
}

} // namespace pellimor
