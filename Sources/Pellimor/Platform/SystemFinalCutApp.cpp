#include "KeyedArchive/PlistGuard.h"
#include "KeyedArchive/PropertyList.h"
#include "Platform/FinalCutApp.h"
#include "Platform/SystemServices.h"
#include "Support/RegularFile.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QProcess>
#include <QThreadPool>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <limits>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pellimor::platform {

namespace {

// This machine has no application registry, so the application is looked for where the
// environment names it, then where the editing application installs itself. A candidate
// counts only when it is an application folder that says it is Final Cut Pro.
class SystemFinalCutApp final : public FinalCutApp {
public:
    std::optional<QString> location() const override {
        QStringList candidates;
        const QString named = qEnvironmentVariable("TOVLIN_FCP_APP");
        if (!named.isEmpty())
            candidates << named;
        candidates << QStringLiteral("/Applications/Final Cut Pro.app");
        for (const QString& candidate : candidates) {
            const QFileInfo folder(candidate);
            if (!folder.isDir())
                continue;
            const std::optional<QVariantMap> info = infoDictionary(candidate);
            if (!info)
                continue;
            const QVariant identifier = info->value(QStringLiteral("CFBundleIdentifier"));
            if (identifier.typeId() == QMetaType::QString &&
                identifier.toString() == QLatin1String(bundleIdentifier))
                return QDir::cleanPath(folder.absoluteFilePath());
        }
        return std::nullopt;
    }

    std::optional<QVariantMap> infoDictionary(const QString& appPath) const override {
        // A list larger than any property list we accept is refused before it is read whole,
        // and only a regular file is opened: a pipe there would hold the caller.
        const RegularFile::Contents file = RegularFile::read(
            QDir(appPath).filePath(QStringLiteral("Contents/Info.plist")), PlistGuard::maxInputBytes);
        if (file.status != RegularFile::Status::ok)
            return std::nullopt;
        const std::optional<PropertyList> list = PropertyList::parse(file.bytes);
        if (!list)
            return std::nullopt;
        const QVariant root = list->value();
        if (root.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        return root.toMap();
    }

    // An instance is a process running the application's own executable file: the kernel's
    // link to each process's executable leads to the same device and inode. A name match
    // would count any program called the same, and a copy of the application elsewhere.
    QList<qint64> running() const override {
        const std::optional<Identity> wanted = executableIdentity();
        if (!wanted)
            return {};
        QList<qint64> found;
        DIR* processes = ::opendir("/proc");
        if (!processes)
            return {};
        while (const dirent* entry = ::readdir(processes)) {
            bool numeric = false;
            const qint64 id = QByteArray(entry->d_name).toLongLong(&numeric);
            if (numeric && id > 0 && runs(id, *wanted))
                found.append(id);
        }
        ::closedir(processes);
        std::sort(found.begin(), found.end());
        return found;
    }

    bool terminate(qint64 pid) const override { return signal(pid, SIGTERM); }
    bool forceTerminate(qint64 pid) const override { return signal(pid, SIGKILL); }

    void open(const QString& library, QObject* context, OpenCompletion completion) override {
        const Executable executable = this->executable();
        const QPointer<QObject> guard(context);
        // Starting a program waits for it to be loaded; that wait belongs to a worker.
        workPool()->start([executable, library, guard, completion = std::move(completion)] {
            std::optional<QString> error = executable.error;
            if (!error) {
                QProcess process;
                process.setProgram(executable.path);
                process.setArguments({library});
                process.setStandardInputFile(QProcess::nullDevice());
                if (!process.startDetached())
                    error = process.errorString();
            }
            // The context may go meanwhile on the main thread: the answer goes there through
            // the application object, which outlives every request, and is dropped there.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, completion, error] {
                    if (guard)
                        completion(error);
                },
                Qt::QueuedConnection);
        });
    }

    // Nothing on this system can ask another program whether it answers, so it counts as
    // answering: the caller offers to force a quit only on a sure "no".
    void answers(qint64 /*pid*/, std::chrono::seconds /*limit*/, QObject* context,
                 std::function<void(bool)> done) override {
        const QPointer<QObject> guard(context);
        QMetaObject::invokeMethod(
            context,
            [guard, done = std::move(done)] {
                if (guard)
                    done(true);
            },
            Qt::QueuedConnection);
    }

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
    };

    // The application's executable, or why there is none to start.
    struct Executable {
        QString path;
        std::optional<QString> error;
    };

    Executable executable() const {
        const std::optional<QString> app = location();
        if (!app)
            return {{}, notInstalledText()};
        const std::optional<QVariantMap> info = infoDictionary(*app);
        const QVariant name = info ? info->value(QStringLiteral("CFBundleExecutable")) : QVariant();
        if (name.typeId() != QMetaType::QString || name.toString().isEmpty() ||
            name.toString().contains(QLatin1Char('/')))
            return {{}, QStringLiteral("Final Cut Pro’s application folder names no program to start.")};
        return {QDir(*app).filePath(QStringLiteral("Contents/MacOS/") + name.toString()), std::nullopt};
    }

    std::optional<Identity> executableIdentity() const {
        const Executable executable = this->executable();
        if (executable.error)
            return std::nullopt;
        struct stat wanted {};
        if (::stat(QFile::encodeName(executable.path).constData(), &wanted) != 0)
            return std::nullopt;
        return Identity{wanted.st_dev, wanted.st_ino};
    }

    // A process of another user, one that ended meanwhile and one that ended but was not
    // reaped yet have no readable executable link, and do not count.
    static bool runs(qint64 pid, const Identity& wanted) {
        struct stat image {};
        const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
        if (::stat(link.constData(), &image) != 0)
            return false;
        return image.st_dev == wanted.device && image.st_ino == wanted.inode;
    }

    // The process is held by a descriptor while it is checked, so the signal reaches the
    // process that was checked even when it ends and its id is reused in between. Where the
    // kernel has no process descriptors, the check comes right before the signal.
    bool signal(qint64 pid, int number) const {
        if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
            return false;
        const std::optional<Identity> wanted = executableIdentity();
        if (!wanted)
            return false;
        const int handle = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
        if (handle < 0) {
            if (errno != ENOSYS)
                return false; // gone
            return runs(pid, *wanted) && ::kill(pid_t(pid), number) == 0;
        }
        const bool sent =
            runs(pid, *wanted) && ::syscall(SYS_pidfd_send_signal, handle, number, nullptr, 0) == 0;
        ::close(handle);
        return sent;
    }
};

} // namespace

std::shared_ptr<FinalCutApp> makeSystemFinalCutApp() {
    return std::make_shared<SystemFinalCutApp>();
}

} // namespace pellimor::platform
