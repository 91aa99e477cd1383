#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace pellimor::platform {

// The events of one watch: a drive appeared under the volumes root, or went away. The path is
// the drive's mount path as VolumesRoot::mountedVolumes() writes it. Signals are emitted on
// the thread that created the object (the one that called MountWatcher::watch()), which must
// run an event loop; the watch ends when the object is destroyed.
class MountEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MountEvents() override;

Q_SIGNALS:
    void mounted(const QString& path);
    void unmounted(const QString& path);
};

// Tells when drives are mounted and unmounted, so windows keep their mounted set and free
// space current without asking over and over.
//
// The system implementation compares VolumesRoot::mountedVolumes() before and after every
// change it is woken by: the kernel's mount table (poll() on /proc/self/mountinfo, which
// reports POLLPRI|POLLERR when a mount comes or goes) and, while $TOVLIN_VOLUMES_ROOT is set
// (where drives are plugged in by creating folders), the root folder itself through inotify.
// It waits on its own thread and hands each difference to the events' thread with a queued
// call, so a watch never blocks the caller.
class MountWatcher {
public:
    virtual ~MountWatcher() = default;

    // Starts a watch from the volumes mounted now; every later change is reported once per
    // drive. Call on a thread with an event loop (the main thread).
    virtual std::unique_ptr<MountEvents> watch() = 0;
};

} // namespace pellimor::platform
