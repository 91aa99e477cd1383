#include "Platform/UDisksReplies.h"

namespace pellimor::platform::UDisksReplies {

namespace {

QByteArray withoutTrailingNul(QByteArray bytes) {
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return bytes;
}

bool flag(const Properties& properties, const char* name) {
    const QVariant value = properties.value(QString::fromLatin1(name));
    return value.typeId() == QMetaType::Bool && value.toBool();
}

} // namespace

std::optional<QString> filesystemAt(const ManagedObjects& objects, const QByteArray& mount) {
    const QByteArray wanted = withoutTrailingNul(mount);
    if (wanted.isEmpty())
        return std::nullopt;
    for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
        const auto filesystem = object->constFind(QString(kFilesystem));
        if (filesystem == object->cend())
            continue;
        const QByteArrayList points =
            filesystem->value(QStringLiteral("MountPoints")).value<QByteArrayList>();
        for (const QByteArray& point : points) {
            if (withoutTrailingNul(point) == wanted)
                return object.key();
        }
    }
    return std::nullopt;
}

std::optional<QString> driveOf(const ManagedObjects& objects, const QString& block) {
    const Properties properties = objects.value(block).value(QString(kBlock));
    const QString drive = properties.value(QStringLiteral("Drive")).toString();
    if (drive.isEmpty() || drive == QLatin1String("/"))
        return std::nullopt;
    return drive;
}

DriveStep driveStep(const ManagedObjects& objects, const std::optional<QString>& drive) {
    if (!drive)
        return DriveStep::unsupported;
    const auto interfaces = objects.constFind(*drive);
    if (interfaces == objects.cend() || !interfaces->contains(QString(kDrive)))
        return DriveStep::unsupported;
    const Properties properties = interfaces->value(QString(kDrive));
    if (flag(properties, "CanPowerOff"))
        return DriveStep::powerOff;
    if (flag(properties, "Ejectable"))
        return DriveStep::eject;
    return DriveStep::unsupported;
}

Ejector::Answer answerForError(const QString& errorName) {
    static const QString prefix = QStringLiteral("org.freedesktop.UDisks2.Error.");
    if (!errorName.startsWith(prefix))
        return Ejector::Answer::other;
    const QStringView error = QStringView(errorName).mid(prefix.size());
    if (error == u"DeviceBusy")
        return Ejector::Answer::busy;
    if (error == u"NotAuthorized" || error == u"NotAuthorizedCanObtain" || error == u"NotAuthorizedDismissed")
        return Ejector::Answer::notPermitted;
    if (error == u"NotMounted")
        return Ejector::Answer::notMounted;
    if (error == u"NotSupported")
        return Ejector::Answer::unsupported;
    return Ejector::Answer::other;
}

bool meansNoService(const QString& errorName) {
    static const QStringList names = {
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
    };
    // "….Spawn.ServiceNotFound", "….Spawn.ChildExited", …: the bus could not start the service.
    return names.contains(errorName) ||
           errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

QVariantMap unmountOptions() {
    return {};
}

} // namespace pellimor::platform::UDisksReplies
