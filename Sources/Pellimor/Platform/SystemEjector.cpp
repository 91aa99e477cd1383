// The system ejector: udisks2 on the system D-Bus, through QtDBus. The program starts no bus
// and no service of its own; it connects when the first eject asks, and the bus starts
// udisks2 when it is installed but not running yet.

#include "Platform/Ejector.h"
#include "Platform/SystemServices.h"
#include "Platform/UDisksReplies.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QHash>
#include <limits>
#include <memory>

namespace pellimor::platform {

namespace {

namespace Replies = UDisksReplies;
using Answer = Ejector::Answer;

// The bus udisks2 is asked on: the system bus, unless this variable gives the address of
// another. It is read for nothing else; the tests start a private bus with a stand-in
// service and name it here.
constexpr const char* kBusVariable = "TOVLIN_UDISKS_BUS";

// libdbus's "no time-out": the answer may take as long as the user takes to authorise.
constexpr int kNoTimeout = std::numeric_limits<int>::max();

QDBusConnection bus() {
    const QString address = qEnvironmentVariable(kBusVariable);
    if (address.isEmpty())
        return QDBusConnection::systemBus();
    // One connection per address, kept for the rest of the run like the system bus's.
    return QDBusConnection::connectToBus(address, QStringLiteral("tovlin-udisks ") + address);
}

// Runs `answer` on a later turn of the main thread's event loop.
void later(std::function<void()> answer) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(answer), Qt::QueuedConnection);
}

// Sends `call` and hands its reply to `done` on the main thread when it comes.
void send(const QDBusConnection& connection, const QDBusMessage& call,
          std::function<void(const QDBusMessage& reply)> done) {
    QDBusPendingCallWatcher* watcher =
        new QDBusPendingCallWatcher(connection.asyncCall(call, kNoTimeout), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         done(finished->reply());
                     });
}

// A property's value in the plain types UDisksReplies reads: object paths as text, arrays of
// byte arrays as QByteArrayList. Other compound values are not needed and read as nothing.
QVariant plain(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("aay")) {
            QByteArrayList list;
            argument >> list;
            return QVariant::fromValue(list);
        }
        return {};
    }
    return value;
}

// The objects of a GetManagedObjects reply ("a{oa{sa{sv}}}"); none for any other reply.
Replies::ManagedObjects managedObjects(const QDBusMessage& reply) {
    Replies::ManagedObjects objects;
    if (reply.arguments().isEmpty())
        return objects;
    const QDBusArgument argument = reply.arguments().constFirst().value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a{oa{sa{sv}}}"))
        return objects;
    argument.beginMap();
    while (!argument.atEnd()) {
        argument.beginMapEntry();
        QDBusObjectPath path;
        argument >> path;
        Replies::Interfaces interfaces;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            QString name;
            argument >> name;
            Replies::Properties properties;
            argument.beginMap();
            while (!argument.atEnd()) {
                argument.beginMapEntry();
                QString key;
                QDBusVariant value;
                argument >> key >> value;
                properties.insert(key, plain(value.variant()));
                argument.endMapEntry();
            }
            argument.endMap();
            interfaces.insert(name, properties);
            argument.endMapEntry();
        }
        argument.endMap();
        objects.insert(path.path(), interfaces);
        argument.endMapEntry();
    }
    argument.endMap();
    return objects;
}

Answer answerOf(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage ? Replies::answerForError(reply.errorName())
                                                      : Answer::done;
}

class SystemEjector final : public Ejector {
public:
    void unmount(const QString& mount, Reply reply) override {
        const QDBusConnection connection = bus();
        if (!connection.isConnected()) {
            later([reply] { reply(Answer::noConnection); });
            return;
        }
        const QDBusMessage find = QDBusMessage::createMethodCall(
            QString(Replies::kService), QString(Replies::kManagerPath),
            QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("GetManagedObjects"));
        send(connection, find, [connection, mount, reply, drives = m_drives](const QDBusMessage& found) {
            if (found.type() == QDBusMessage::ErrorMessage) {
                reply(Replies::meansNoService(found.errorName())
                          ? Answer::noConnection
                          : Replies::answerForError(found.errorName()));
                return;
            }
            const Replies::ManagedObjects objects = managedObjects(found);
            const std::optional<QString> block = Replies::filesystemAt(objects, QFile::encodeName(mount));
            if (!block) {
                reply(Answer::noDiskObject);
                return;
            }
            // Once unmounted, the volume no longer names its drive: remember it for eject().
            const std::optional<QString> drive = Replies::driveOf(objects, *block);
            drives->insert(mount, Drive{drive, Replies::driveStep(objects, drive)});

            QDBusMessage call = QDBusMessage::createMethodCall(
                QString(Replies::kService), *block, QString(Replies::kFilesystem), QStringLiteral("Unmount"));
            call << Replies::unmountOptions();
            call.setInteractiveAuthorizationAllowed(true);
            send(connection, call, [reply](const QDBusMessage& unmounted) { reply(answerOf(unmounted)); });
        });
    }

    void eject(const QString& mount, Reply reply) override {
        const std::optional<Drive> drive =
            m_drives->contains(mount) ? std::optional(m_drives->take(mount)) : std::nullopt;
        if (!drive) {
            later([reply] { reply(Answer::noDiskObject); });
            return;
        }
        if (drive->step == Replies::DriveStep::unsupported || !drive->path) {
            later([reply] { reply(Answer::unsupported); });
            return;
        }
        const QDBusConnection connection = bus();
        if (!connection.isConnected()) {
            later([reply] { reply(Answer::noConnection); });
            return;
        }
        const QString method = drive->step == Replies::DriveStep::powerOff ? QStringLiteral("PowerOff")
                                                                           : QStringLiteral("Eject");
        QDBusMessage call = QDBusMessage::createMethodCall(QString(Replies::kService), *drive->path,
                                                           QString(Replies::kDrive), method);
        call << QVariantMap();
        call.setInteractiveAuthorizationAllowed(true);
        send(connection, call, [reply](const QDBusMessage& ejected) { reply(answerOf(ejected)); });
    }

private:
    struct Drive {
        std::optional<QString> path;
        Replies::DriveStep step = Replies::DriveStep::unsupported;
    };
    // By mount path: found while unmounting, taken by the eject that follows. Shared with the
    // calls in flight.
    std::shared_ptr<QHash<QString, Drive>> m_drives = std::make_shared<QHash<QString, Drive>>();
};

} // namespace

std::shared_ptr<Ejector> makeSystemEjector() {
    return std::make_shared<SystemEjector>();
}

} // namespace pellimor::platform
