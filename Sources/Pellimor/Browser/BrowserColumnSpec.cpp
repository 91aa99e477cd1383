#include "Browser/BrowserColumnSpec.h"

namespace pellimor {

QList<BrowserColumnSpec> BrowserColumnSpec::all(const QString& dateMode) {
    return {
        {QStringLiteral("name"), QStringLiteral("Name"), 180, 320},
        {QStringLiteral("fcp"), QStringLiteral("FCP version"), 80, 140},
        {QStringLiteral("details"), QStringLiteral("Path"), 120, 230},
        {QStringLiteral("modified"), dateTitle(dateMode), 90, 100},
        {QStringLiteral("size"), QStringLiteral("Size"), 70, 85},
        {QStringLiteral("bar"), QStringLiteral("Space use"), 60, 110},
        {QStringLiteral("optimized"), QStringLiteral("Optimized"), 70, 85},
        {QStringLiteral("proxy"), QStringLiteral("Proxy"), 70, 85},
        {QStringLiteral("render"), QStringLiteral("Render"), 70, 85},
        {QStringLiteral("reclaimable"), QStringLiteral("Reclaimable"), 70, 105},
        {QStringLiteral("missingFiles"), QStringLiteral("Files missing"), 44, 95},
        {QStringLiteral("missingPlugins"), QStringLiteral("Plug-ins missing"), 44, 120},
        {QStringLiteral("alerts"), QStringLiteral("Alerts"), 60, 80},
    };
}

QString BrowserColumnSpec::dateTitle(const QString& dateMode) {
    return dateMode == QLatin1StringView("created") ? QStringLiteral("Created") : QStringLiteral("Modified");
}

} // namespace pellimor
