#include "App/AppAction.h"

#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Platform/VolumesRoot.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace pellimor::AppAction {

const QString& setMode() {
    static const QString name = QStringLiteral("fcp.SetMode");
    return name;
}
const QString& exportCSV() {
    static const QString name = QStringLiteral("fcp.ExportCSV");
    return name;
}
const QString& addWatchFolder() {
    static const QString name = QStringLiteral("fcp.AddWatchFolder");
    return name;
}
const QString& scanEntireDrive() {
    static const QString name = QStringLiteral("fcp.ScanEntireDrive");
    return name;
}
const QString& focusSearch() {
    static const QString name = QStringLiteral("fcp.FocusSearch");
    return name;
}
const QString& saveFCPSettings() {
    static const QString name = QStringLiteral("fcp.SaveFCPSettings");
    return name;
}
const QString& restoreFCPSettings() {
    static const QString name = QStringLiteral("fcp.RestoreFCPSettings");
    return name;
}
const QString& putDeRoomBack() {
    static const QString name = QStringLiteral("fcp.PutDeRoomBack");
    return name;
}

const QStringList& allNames() {
    static const QStringList names{setMode(),     exportCSV(),       addWatchFolder(),     scanEntireDrive(),
                                   focusSearch(), saveFCPSettings(), restoreFCPSettings(), putDeRoomBack()};
    return names;
}

const QString& revealRow() {
    static const QString name = QStringLiteral("TovlinRevealRow");
    return name;
}

QStringList mountedVolumes() {
    const auto volumes = platform::services().volumes;
    if (!volumes)
        return {};
    QStringList drives;
    for (const QString& mount : volumes->mountedVolumes()) {
        const QString path = QDir::cleanPath(mount);
        // The platform may list the start-up volume or mounts elsewhere; only drives under the
        // volumes root are offered, and a hidden one never is.
        if (!VolumesRoot::isUnderRoot(path) || VolumesRoot::mountOf(path) != path)
            continue;
        if (QFileInfo(path).fileName().startsWith(QLatin1Char('.')) || drives.contains(path))
            continue;
        drives.append(path);
    }
    std::sort(drives.begin(), drives.end(), [](const QString& a, const QString& b) {
        // QString's operator< compares UTF-16 code units: plain text order, no locale.
        const QString nameA = QFileInfo(a).fileName();
        const QString nameB = QFileInfo(b).fileName();
        return nameA == nameB ? a < b : nameA < nameB;
    });
    return drives;
}

QChar modeShortcut(Mode mode) {
    return QChar(u'1' + static_cast<char16_t>(allModes().indexOf(mode)));
}

} // namespace pellimor::AppAction
