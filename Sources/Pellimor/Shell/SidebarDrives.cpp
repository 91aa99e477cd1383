#include "Shell/SidebarDrives.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/VolumesRoot.h"
#include "Support/ByteCount.h"
#include "Support/ByteSum.h"
#include "Support/TextCompare.h"

#include <QHash>
#include <algorithm>

namespace pellimor::SidebarDrives {

QList<DriveSummary> drives(const Catalog& catalog) {
    QList<DriveSummary> list;
    QHash<QString, qsizetype> byName;
    for (const LibraryInfo& library : catalog.comparableLibraries()) {
        const auto found = byName.constFind(library.volumeName);
        if (found != byName.cend()) {
            DriveSummary& drive = list[*found];
            ++drive.count;
            drive.size = ByteSum::saturatingAdd(drive.size, library.totalSize());
            if (!drive.uuid && library.volumeUUID)
                drive.uuid = library.volumeUUID;
            continue;
        }
        DriveSummary drive;
        drive.name = library.volumeName;
        drive.mount = VolumesRoot::mountOf(library.path);
        drive.uuid = library.volumeUUID;
        drive.key = library.volumeUUID.value_or(library.volumeName);
        drive.isBackup = catalog.isBackupDrive(library);
        drive.count = 1;
        drive.size = library.totalSize();
        drive.online = catalog.mounted().contains(drive.mount);
        drive.network = library.isNetwork;
        drive.isInternal = library.isInternal;
        if (drive.online) {
            const auto space = catalog.volumeSpace().constFind(drive.mount);
            if (space != catalog.volumeSpace().cend()) {
                drive.total = space->total;
                drive.free = space->free;
            }
        }
        byName.insert(drive.name, list.size());
        list.append(drive);
    }
    std::stable_sort(list.begin(), list.end(), [](const DriveSummary& a, const DriveSummary& b) {
        return TextCompare::localizedStandard(a.name, b.name) < 0;
    });
    return list;
}

QString symbol(const DriveSummary& drive) {
    if (drive.network)
        return QStringLiteral("network");
    return drive.isInternal ? QStringLiteral("internaldrive") : QStringLiteral("externaldrive");
}

QString detailLine(const DriveSummary& drive) {
    QString line = QString::number(drive.count) + QStringLiteral(" libs · ") + ByteCount::file(drive.size);
    if (drive.total >= 1)
        line += QStringLiteral(" · ") + ByteCount::file(drive.free) + QStringLiteral(" free");
    else if (!drive.online)
        line += QStringLiteral(" · not connected");
    return line;
}

QString helpText(const DriveSummary& drive) {
    QString text = drive.name + QStringLiteral(": ") + QString::number(drive.count) +
                   QStringLiteral(" libraries, ") + ByteCount::file(drive.size) +
                   QStringLiteral(" of Final Cut libraries");
    if (drive.total >= 1)
        text += QStringLiteral(", ") + ByteCount::file(drive.free) + QStringLiteral(" free of ") +
                ByteCount::file(drive.total);
    else if (!drive.online)
        text += QStringLiteral(" (not connected)");
    return text;
}

bool canRescan(const DriveSummary& drive, bool scanning) {
    return drive.online && !scanning;
}

QString rescanTip(const DriveSummary& drive) {
    if (!drive.online)
        return drive.name + QStringLiteral(" isn't connected");
    return QStringLiteral("Rescan ") + drive.name +
           QStringLiteral(": refreshes its watched folders, or searches the drive if it has none");
}

QString roleLabel(const DriveSummary& drive) {
    return drive.isBackup ? QStringLiteral("Backup") : QStringLiteral("Work");
}

QString roleTip(const DriveSummary& drive) {
    return drive.isBackup ? QStringLiteral("Backup drive. Click to mark it as a working drive.")
                          : QStringLiteral("Working drive. Click to mark it as a backup drive.");
}

bool dimmed(const DriveSummary& drive, bool hideBackups) {
    return drive.isBackup && hideBackups;
}

std::optional<Usage> usage(const DriveSummary& drive) {
    if (drive.total < 1)
        return std::nullopt;
    const double total = double(drive.total);
    const double used = std::clamp((total - double(drive.free)) / total, 0.0, 1.0);
    const double libraries = std::clamp(double(drive.size) / total, 0.0, 1.0);
    return Usage{used, std::min(libraries, used)};
}

QString updateTitle(const QString& name, const std::optional<QString>& installedVersion) {
    return QStringLiteral("Update Libraries on ") + name + QStringLiteral(" to Final Cut ") +
           installedVersion.value_or(QString()) + QStringLiteral("…");
}

bool canUpdateOrEject(const DriveSummary& drive) {
    return drive.online;
}

EjectQuestion ejectQuestion(const std::optional<DriveSummary>& pending, bool startupDisk) {
    if (!pending)
        return {QStringLiteral("Eject this drive?"), QString(), QStringLiteral("Eject"),
                QStringLiteral("Cancel")};
    if (startupDisk)
        return {QStringLiteral("Can’t eject ") + pending->name,
                QStringLiteral("This is the startup disk. It stays mounted."), QString(),
                QStringLiteral("OK")};
    return {QStringLiteral("Eject ") + pending->name + QStringLiteral("?"),
            QStringLiteral(
                "This unmounts and ejects it the same way Finder does. It will not force the drive out. "
                "If something is using it, it stays mounted."),
            QStringLiteral("Eject"), QStringLiteral("Cancel")};
}

EjectReport report(const VolumeEject::Outcome& outcome, const QString& name) {
    using Kind = VolumeEject::Outcome::Kind;
    switch (outcome.kind) {
    case Kind::ejected:
        return {QStringLiteral("Ejected ") + name + QStringLiteral("."), std::nullopt, QString(), false};
    case Kind::busy:
        return {name + QStringLiteral(" is in use, so it was left mounted."),
                name + QStringLiteral(" is in use"),
                QStringLiteral("It was left mounted. Nothing was forced off."), false};
    case Kind::refused:
        return {outcome.message, name + QStringLiteral(" stayed mounted"), outcome.message, false};
    case Kind::failed:
        break;
    }
    return {outcome.message, QStringLiteral("Couldn’t eject ") + name, outcome.message, true};
}

EjectReport finishEject(Catalog& catalog, const VolumeEject::Outcome& outcome, const QString& name) {
    catalog.recordMounted();
    const EjectReport told = report(outcome, name);
    catalog.setStatus(told.status);
    if (told.logsError)
        ErrorLog::log(ErrorLog::Level::error, QString(kEjectLogArea), QString(kEjectLogLine));
    return told;
}

} // namespace pellimor::SidebarDrives
