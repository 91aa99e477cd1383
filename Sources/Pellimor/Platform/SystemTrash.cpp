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
#include "Platform/TreeRemoval.h"

#include <QStandardPaths>
#include <unistd.h>

namespace pellimor::platform {

namespace {

class SystemTrash final : public Trash {
public:
    Result<void> moveToTrash(const TrashItem& item) override {
        FreedesktopTrash::Settings settings;
        settings.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        settings.uid = ::geteuid();
        settings.deletedAt = services().clock->now();
        return FreedesktopTrash::moveToTrash(item, settings);
    }

    Result<void> remove(const TrashItem& item) override { return TreeRemoval::remove(item); }
};

} // namespace

std::shared_ptr<Trash> makeSystemTrash() {
    return std::make_shared<SystemTrash>();
}

} // namespace pellimor::platform
