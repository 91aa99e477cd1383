#include "Shell/VolumeEject.h"

#include "App/ToolbarContrast.h"
#include "Platform/Services.h"
#include "Platform/StartupVolume.h"
#include "Platform/VolumesRoot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <memory>

namespace pellimor::VolumeEject {

namespace {

using Answer = platform::Ejector::Answer;

QString standardised(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// One eject in flight, from the first call to the ejector until the completion.
struct Request {
    QString mount;
    QString name;
    Completion completion;
    QPointer<QObject> guard;
    std::shared_ptr<platform::Ejector> ejector;
    bool finished = false;
};

// The completion, once, on the guard's thread, and not at all once the guard is gone.
void finish(const std::shared_ptr<Request>& request, const Outcome& outcome) {
    if (request->finished)
        return;
    request->finished = true;
    QObject* const guard = request->guard.data();
    if (!guard)
        return;
    QMetaObject::invokeMethod(guard, [request, outcome] { request->completion(outcome); });
}

// Whether an answer still has anyone to tell.
bool wanted(const std::shared_ptr<Request>& request) {
    return !request->finished && request->guard;
}

} // namespace

bool startupMount(const QString& path) {
    const QString clean = standardised(path);
    if (clean == QLatin1String("/") || clean == QLatin1String("/System/Volumes/Data"))
        return true;
    if (VolumesRoot::isUnderRoot(clean))
        return false;
    return platform::StartupVolume::holds(clean);
}

bool isMounted(const QString& path) {
    const QString clean = standardised(path);
    if (clean == QLatin1String("/"))
        return true;
    for (const QString& mount : VolumesRoot::mountedVolumes()) {
        if (QDir::cleanPath(mount) == clean)
            return true;
    }
    return false;
}

QString startupSentence(const QString& name) {
    return name + QStringLiteral(" is the startup disk, so it was left mounted.");
}

QString notMountedSentence(const QString& name) {
    return name + QStringLiteral(" is not mounted.");
}

QString cannotSentence(const QString& name) {
    return name + QStringLiteral(" can’t be ejected, so it was left mounted.");
}

QString couldNotSentence(const QString& name) {
    return QStringLiteral("Couldn’t eject ") + name + QStringLiteral(". It was left mounted.");
}

QString unmountedOnlySentence(const QString& name) {
    return QStringLiteral("Unmounted ") + name +
           QStringLiteral(". The disk itself did not eject, and it was not forced.");
}

std::optional<Outcome> afterUnmount(bool stillMounted, Answer answer, const QString& name) {
    switch (answer) {
    case Answer::noConnection:
        return Outcome::failed(couldNotSentence(name));
    case Answer::noDiskObject:
        return Outcome::refused(cannotSentence(name));
    case Answer::done:
        return std::nullopt;
    case Answer::busy:
    case Answer::notPermitted:
    case Answer::notMounted:
    case Answer::unsupported:
    case Answer::other:
        break;
    }
    if (!stillMounted)
        return Outcome::ejected();
    if (answer == Answer::busy)
        return Outcome::busy();
    if (answer == Answer::notPermitted)
        return Outcome::refused(cannotSentence(name));
    return Outcome::failed(couldNotSentence(name));
}

Outcome afterEject(bool stillMounted, Answer answer, const QString& name) {
    if (stillMounted)
        return answer == Answer::busy ? Outcome::busy() : Outcome::failed(couldNotSentence(name));
    if (answer == Answer::done || answer == Answer::unsupported || answer == Answer::notMounted)
        return Outcome::ejected();
    return Outcome::failed(unmountedOnlySentence(name));
}

void eject(const QString& mount, const QString& name, Completion completion, QObject* guard) {
    if (startupMount(mount)) {
        completion(Outcome::refused(startupSentence(name)));
        return;
    }
    if (!isMounted(mount)) {
        completion(Outcome::refused(notMountedSentence(name)));
        return;
    }
    const auto request = std::make_shared<Request>(
        Request{mount, name, std::move(completion), QPointer<QObject>(guard), platform::services().ejector});
    if (!request->ejector) {
        request->completion(Outcome::failed(couldNotSentence(name)));
        return;
    }
    request->ejector->unmount(mount, [request](Answer unmounted) {
        if (!wanted(request))
            return;
        if (const std::optional<Outcome> outcome =
                afterUnmount(isMounted(request->mount), unmounted, request->name)) {
            finish(request, *outcome);
            return;
        }
        request->ejector->eject(request->mount, [request](Answer ejected) {
            if (wanted(request))
                finish(request, afterEject(isMounted(request->mount), ejected, request->name));
        });
    });
}

bool selfTest() {
    if (!startupMount(QStringLiteral("/")) || !startupMount(QStringLiteral("/System/Volumes/Data")))
        return false;
    // A drive that is not plugged in: a name no mounted volume has.
    const QString root = VolumesRoot::root();
    QString drive = root + QStringLiteral("/Tovlin Self-Test Drive");
    for (int n = 2; isMounted(drive); ++n)
        drive = root + QStringLiteral("/Tovlin Self-Test Drive ") + QString::number(n);
    if (startupMount(drive))
        return false;
    return ToolbarContrast::install();
}

} // namespace pellimor::VolumeEject
