#include "Browser/BrowserColumn.h"

#include "Browser/BrowserColumns.h"

#include <QHash>

namespace pellimor {

namespace {

struct Widths {
    const char* title; // empty: the date column, titled by the date mode
    double minimum;
    double ideal;
};

const QHash<QString, Widths>& widths() {
    static const QHash<QString, Widths> table{
        {QStringLiteral("name"), {"Name", 180, 320}},
        {QStringLiteral("fcp"), {"FCP version", 80, 140}},
        {QStringLiteral("details"), {"Path", 120, 230}},
        {QStringLiteral("modified"), {"", 90, 100}},
        {QStringLiteral("size"), {"Size", 70, 85}},
        {QStringLiteral("bar"), {"Space use", 60, 110}},
        {QStringLiteral("optimized"), {"Optimized", 70, 85}},
        {QStringLiteral("proxy"), {"Proxy", 70, 85}},
        {QStringLiteral("render"), {"Render", 70, 85}},
        {QStringLiteral("reclaimable"), {"Reclaimable", 70, 105}},
        {QStringLiteral("missingFiles"), {"Files missing", 44, 95}},
        {QStringLiteral("missingPlugins"), {"Plug-ins missing", 44, 120}},
        {QStringLiteral("alerts"), {"Alerts", 60, 80}},
    };
    return table;
}

} // namespace

QList<BrowserColumn> BrowserColumn::all(const QString& dateMode) {
    QList<BrowserColumn> columns;
    for (const QString& id : BrowserColumns::declared()) {
        const Widths def = widths().value(id, Widths{"", 0, 0});
        const QString title = *def.title ? QString::fromUtf8(def.title) : dateTitle(dateMode);
        columns.append({id, title, def.minimum, def.ideal});
    }
    return columns;
}

QString BrowserColumn::dateTitle(const QString& dateMode) {
    return dateMode == QLatin1StringView("created") ? QStringLiteral("Created") : QStringLiteral("Modified");
}

} // namespace pellimor
