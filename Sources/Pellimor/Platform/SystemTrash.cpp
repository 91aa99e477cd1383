// The system Trash: the freedesktop.org Trash through Qt, which only renames. An item on the
// home file system goes to $XDG_DATA_HOME/Trash; one on another drive to that drive's own
// ".Trash/$uid" or ".Trash-$uid". Nothing is started for it: no daemon, no child process.

#include "Platform/SystemServices.h"
#include "Platform/Trash.h"

#include <QFile>
#include <filesystem>
#include <system_error>

namespace pellimor::platform {

namespace {

class SystemTrash final : public Trash {
public:
    Result<void> moveToTrash(const TrashItem& trashed) override {
        QFile item(trashed.path);
        if (!item.moveToTrash())
            return Failure{item.errorString()};
        return {};
    }

    Result<void> remove(const TrashItem& item) override {
        const QString& path = item.path;
        // remove_all never follows a link: a link, at the top or anywhere below, goes itself.
        std::error_code error;
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(path).constData()), error);
        if (error)
            return Failure{QString::fromLocal8Bit(error.message())};
        return {};
    }
};

} // namespace

std::shared_ptr<Trash> makeSystemTrash() {
    return std::make_shared<SystemTrash>();
}

} // namespace pellimor::platform
