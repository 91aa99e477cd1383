// A stand-in for the udisks2 disk service, for the ejector's tests on a private bus. It takes
// the name org.freedesktop.UDisks2 on the session bus it is started on (DBUS_SESSION_BUS_ADDRESS:
// the test's own dbus-daemon), prints "ready" once it does, and then answers what the system
// ejector asks, for the drives given on its command line:
//
//   fake-udisks2 --log FILE --drive 'MOUNT|UNMOUNT|EJECT|KIND' ...
//
// MOUNT is the folder standing for a mounted volume; UNMOUNT and EJECT are "ok" or the last
// part of a udisks2 error name ("DeviceBusy", "NotAuthorized", ...); KIND is "poweroff" (the
// drive can be powered off), "eject" (only ejected), "none" (neither) or "nodrive" (a block
// device without a drive, like a loop device). An unmount that answers "ok" removes the folder
// and the mount point, as a real unmount does. Every call is written to the log file, one line
// each: "Unmount MOUNT options=KEY,KEY", "PowerOff MOUNT", "Eject MOUNT".

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace {

using InterfaceMap = QMap<QString, QVariantMap>;
using ObjectMap = QMap<QDBusObjectPath, InterfaceMap>;

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");
const QString kError = QStringLiteral("org.freedesktop.UDisks2.Error.");

struct Drive {
    QString mount;
    QString unmount; // "ok" or an error
    QString eject;
    QString kind;
    bool mounted = true;
    QString block() const { return kRoot + QStringLiteral("/block_devices/") + name(); }
    QString drive() const { return kRoot + QStringLiteral("/drives/") + name(); }
    QString name() const {
        QString id = QDir(mount).dirName();
        for (QChar& c : id) {
            if (!c.isLetterOrNumber())
                c = u'_';
        }
        return id;
    }
};

class FakeUDisks2 final : public QDBusVirtualObject {
public:
    FakeUDisks2(QList<Drive> drives, QString log) : m_drives(std::move(drives)), m_log(std::move(log)) {}

    QString introspect(const QString& /*path*/) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (message.path() == kRoot && member == QLatin1String("GetManagedObjects")) {
            connection.send(message.createReply(QVariant::fromValue(objects())));
            return true;
        }
        for (Drive& drive : m_drives) {
            if (message.path() == drive.block() && member == QLatin1String("Unmount")) {
                const QVariantMap options = message.arguments().value(0).toMap();
                write(QStringLiteral("Unmount ") + drive.mount + QStringLiteral(" options=") +
                      QStringList(options.keys()).join(u','));
                if (drive.unmount == QLatin1String("ok")) {
                    drive.mounted = false;
                    QDir(drive.mount).removeRecursively();
                }
                answer(connection, message, drive.unmount);
                return true;
            }
            if (message.path() == drive.drive() &&
                (member == QLatin1String("PowerOff") || member == QLatin1String("Eject"))) {
                write(member + u' ' + drive.mount);
                answer(connection, message, drive.eject);
                return true;
            }
        }
        connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                                 QStringLiteral("No such method here")));
        return true;
    }

private:
    ObjectMap objects() const {
        ObjectMap objects;
        for (const Drive& drive : m_drives) {
            InterfaceMap block;
            const bool hasDrive = drive.kind != QLatin1String("nodrive");
            block.insert(QStringLiteral("org.freedesktop.UDisks2.Block"),
                         {{QStringLiteral("Drive"), QVariant::fromValue(QDBusObjectPath(
                                                        hasDrive ? drive.drive() : QStringLiteral("/")))},
                          {QStringLiteral("Device"), QFile::encodeName(QStringLiteral("/dev/fake")) + '\0'}});
            QByteArrayList points;
            if (drive.mounted)
                points.append(QFile::encodeName(drive.mount) + '\0');
            block.insert(QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                         {{QStringLiteral("MountPoints"), QVariant::fromValue(points)}});
            objects.insert(QDBusObjectPath(drive.block()), block);
            if (hasDrive) {
                InterfaceMap properties;
                properties.insert(QStringLiteral("org.freedesktop.UDisks2.Drive"),
                                  {{QStringLiteral("CanPowerOff"), drive.kind == QLatin1String("poweroff")},
                                   {QStringLiteral("Ejectable"), drive.kind == QLatin1String("eject")},
                                   {QStringLiteral("Removable"), true}});
                objects.insert(QDBusObjectPath(drive.drive()), properties);
            }
        }
        return objects;
    }

    static void answer(const QDBusConnection& connection, const QDBusMessage& message, const QString& reply) {
        if (reply == QLatin1String("ok"))
            connection.send(message.createReply());
        else
            connection.send(message.createErrorReply(kError + reply, QStringLiteral("Scripted answer")));
    }

    void write(const QString& line) const {
        QFile file(m_log);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line.toUtf8() + '\n');
    }

    QList<Drive> m_drives;
    QString m_log;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QByteArrayList>();
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ObjectMap>();

    QList<Drive> drives;
    QString log;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--log")) {
            log = args.at(i + 1);
        } else if (args.at(i) == QLatin1String("--drive")) {
            const QStringList parts = args.at(i + 1).split(u'|');
            if (parts.size() != 4) {
                std::fprintf(stderr, "bad --drive %s\n", qPrintable(args.at(i + 1)));
                return 2;
            }
            drives.append(Drive{parts.at(0), parts.at(1), parts.at(2), parts.at(3)});
        }
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    FakeUDisks2 service(drives, log);
    if (!bus.isConnected() || !bus.registerVirtualObject(kRoot, &service, QDBusConnection::SubPath) ||
        !bus.registerService(kService)) {
        std::fprintf(stderr, "cannot serve on the bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
