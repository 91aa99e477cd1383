#include "Platform/Trash.h"

#include "Support/FileCopy.h"

#include <cerrno>
#include <sys/stat.h>

namespace pellimor::platform {

Result<void> checkStillTheItem(const TrashItem& item) {
    if (!item.folder)
        return Failure{item.folder.errorText()};
    if (!isSingleName(item.name))
        return Failure{FileCopy::errorText(EINVAL)};
    const std::optional<ItemFacts> now = item.folder.entryFacts(item.name);
    if (!now)
        return Failure{FileCopy::errorText(errno)};
    // The kind too: an inode number freed by the item may have been given to what replaced it.
    if (!now->sameItem(item.facts) || (now->mode & S_IFMT) != (item.facts.mode & S_IFMT))
        return Failure{changedSinceChecked()};
    return {};
}

QString changedSinceChecked() {
    return QStringLiteral("It changed since it was checked, so it was left alone.");
}

} // namespace pellimor::platform
