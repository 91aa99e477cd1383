#include "Shell/SettingsModel.h"

#include "App/AppSettings.h"
#include "Catalogue/Scan/ScanSettings.h"

namespace pellimor::SettingsModel {

const QList<TextChoice>& appearanceChoices() {
    static const QList<TextChoice> choices{{QStringLiteral("Match my Mac"), QStringLiteral("system")},
                                           {QStringLiteral("Light"), QStringLiteral("light")},
                                           {QStringLiteral("Dark"), QStringLiteral("dark")}};
    return choices;
}

const QList<NumberChoice>& folderDepthChoices() {
    static const QList<NumberChoice> choices{
        {QStringLiteral("3"), 3}, {QStringLiteral("5"), 5}, {QStringLiteral("8"), 8}};
    return choices;
}

const QList<NumberChoice>& scanThreadsChoices() {
    static const QList<NumberChoice> choices{
        {QStringLiteral("1 (slow NAS)"), 1}, {QStringLiteral("2"), 2}, {QStringLiteral("4 (fast SSD)"), 4}};
    return choices;
}

const QList<Toggle>& scanningToggles() {
    using namespace ScanSettings;
    static const QList<Toggle> toggles{
        {Key::autoRefresh,
         QStringLiteral("Refresh watched folders when a drive is plugged in"),
         {},
         Default::autoRefresh},
        {Key::skipSafetyNet,
         QStringLiteral("Ignore Carbon Copy Cloner SafetyNet folders"),
         {},
         Default::skipSafetyNet},
        {Key::skipFCPBackups, QStringLiteral("Ignore Final Cut's automatic backups"),
         QStringLiteral(
             "Final Cut saves a small copy of each library every few minutes in Movies ▸ Final Cut "
             "Backups. They are named by date and time and hold no media."),
         Default::skipFCPBackups},
        {Key::fullRescan, QStringLiteral("Full rescan (ignore unchanged check)"), {}, Default::fullRescan},
        {Key::makePosters, QStringLiteral("Make poster frames"), {}, Default::makePosters}};
    return toggles;
}

const Toggle& largerTextToggle() {
    static const Toggle toggle{AppSettings::Key::comfortableText,
                               QStringLiteral("Larger Text"),
                               {},
                               AppSettings::Default::comfortableText};
    return toggle;
}

std::optional<qsizetype> indexOf(const QList<TextChoice>& choices, const QString& value) {
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices[i].value == value)
            return i;
    }
    return std::nullopt;
}

std::optional<qsizetype> indexOf(const QList<NumberChoice>& choices, qint64 value) {
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices[i].value == value)
            return i;
    }
    return std::nullopt;
}

} // namespace pellimor::SettingsModel
