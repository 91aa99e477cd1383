// The system Trash: the freedesktop.org Trash kept by the program itself (FreedesktopTrash),
// never a library call that retries without end. An item on the home file system goes to
// $XDG_DATA_HOME/Trash (else ~/.local/share/Trash); one on another drive to that drive's
// ".Trash/$uid" or ".Trash-$uid", when they pass their checks. Its record is on the disk before
// the item is renamed; nothing is ever copied. Deleting for good walks the item's open folders
// and never leaves its mount (TreeRemoval). Nothing is started for it: no daemon, no child
// process.

#include "Platform/Clock.h"
#include "Platform/FreedesktopTrash.h"
#include "Platform/Services.h"
#include "Platform/SystemServices.h"
#include "Support/FileCopy.h"
#include "Support/TreeRemoval.h"

#include <QStandardPaths>
#include <unistd.h>

namespace pellimor::platform {

namespace {

// The removal's outcome as the Trash words it, for the caller to put beside the item's name.
Result<void> removalResult(const TreeRemoval::Outcome& outcome) {
    if (outcome.changed)
        return Failure{changedSinceChecked()};
    if (outcome.mountPoint)
        return Failure{QStringLiteral("It is another drive mounted there, so it was left alone.")};
    if (outcome.movedAway)
        return Failure{QStringLiteral("It was moved while it was being deleted, so what was left of it "
                                      "was left alone.")};
    if (outcome.mountInside && outcome.errorCode)
        return Failure{QStringLiteral("It holds another drive mounted inside it, so that drive and the "
                                      "folders holding it were left alone; some of the rest could not "
                                      "be deleted either (") +
                       FileCopy::errorText(outcome.errorCode) + QStringLiteral(").")};
    if (outcome.mountInside)
        return Failure{QStringLiteral("It holds another drive mounted inside it, so that drive and the "
                                      "folders holding it were left alone; the rest was deleted.")};
    if (outcome.errorCode)
        return Failure{FileCopy::errorText(outcome.errorCode)};
    return {};
}

class SystemTrash final : public Trash {
public:
    Result<void> moveToTrash(const TrashItem& item) override {
        FreedesktopTrash::Settings settings;
        settings.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        settings.uid = ::geteuid();
        settings.deletedAt = services().clock->now();
        return FreedesktopTrash::moveToTrash(item, settings);
    }

    Result<void> remove(const TrashItem& item) override {
        if (Result<void> still = checkStillTheItem(item); !still)
            return still;
        return removalResult(TreeRemoval::remove(item.folder, item.name, item.facts));
    }
};

} // namespace

std::shared_ptr<Trash> makeSystemTrash() {
    return std::make_shared<SystemTrash>();
}

} // namespace pellimor::platform
