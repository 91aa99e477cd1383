#include "Browser/BrowserWidths.h"

#include "Browser/BrowserCells.h"
#include "Browser/BrowserColumn.h"
#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"

#include <QStringList>
#include <algorithm>

namespace pellimor::BrowserWidths {

namespace {

using Weight = TextMeasurer::Weight;

// Room a row's name needs besides its text, by level: the disclosure, star, icon and dot of a
// library; the disclosure, icon and dot of an event; the icon of a row below.
constexpr double kLibraryMargin = 56;
constexpr double kEventMargin = 34;
constexpr double kLeafMargin = 22;
constexpr double kReasonGap = 6;
constexpr double kPillGap = 4;
constexpr double kNumberMargin = 2;
constexpr double kBarWidth = 60;

void raise(QHash<QString, double>& table, const QString& key, double width) {
    auto it = table.find(key);
    if (it == table.end())
        table.insert(key, width);
    else
        *it = std::max(*it, width);
}

QStringList names(const QList<const BNode*>& rows) {
    QStringList list;
    for (const BNode* row : rows)
        list.append(row->name);
    return list;
}

} // namespace

QHash<QString, double> columnWidths(const QList<BNode>& nodes, const QString& dateMode,
                                    const ColumnWidths& widths) {
    QList<const BNode*> level1;
    QList<const BNode*> level2;
    QList<const BNode*> level3;
    for (const BNode& library : nodes) {
        level1.append(&library);
        for (const BNode& event : library.children) {
            level2.append(&event);
            for (const BNode& below : event.children)
                level3.append(&below);
        }
    }

    QHash<QString, double> table;
    const QString name = QStringLiteral("Name");
    raise(table, name, widths.measure(names(level1), 13, Weight::semibold) + kLibraryMargin);
    raise(table, name, widths.measure(names(level2), 13) + kEventMargin);
    raise(table, name, widths.measure(names(level3), 13) + kLeafMargin);
    QList<QStringList> reasons;
    for (const BNode* row : std::as_const(level1))
        reasons.append(BrowserCells::labels(BrowserCells::reasonPills(*row)));
    table[name] += widths.pills(reasons, kReasonGap);

    QStringList versions;
    QStringList details;
    QStringList dates;
    QList<QStringList> missingFiles;
    QList<QStringList> plugins;
    QList<QStringList> alerts;
    for (const BNode* row : std::as_const(level1)) {
        versions.append(BrowserCells::version(*row).text);
        details.append(row->details);
        if (row->hasDate)
            dates.append(Fmt::dateOrDash(row->modified));
        missingFiles.append(BrowserCells::labels(BrowserCells::missingFilesPills(*row)));
        plugins.append(BrowserCells::labels(BrowserCells::pluginPills(*row)));
        alerts.append(BrowserCells::labels(BrowserCells::alertPills(*row)));
    }
    raise(table, QStringLiteral("FCP version"), widths.measure(versions, 13) + kNumberMargin);
    if (const double width = widths.measure(details, 12); width > 0)
        raise(table, QStringLiteral("Path"), width);
    if (const double width = widths.measure(dates, 13); width > 0)
        raise(table, BrowserColumn::dateTitle(dateMode), width);

    QStringList sizes;
    QStringList optimized;
    QStringList proxy;
    QStringList render;
    QStringList reclaimable;
    for (const QList<const BNode*>* level : {&level1, &level2}) {
        for (const BNode* row : *level) {
            sizes.append(ByteCount::file(row->size));
            optimized.append(ByteCount::file(row->optimized));
            proxy.append(ByteCount::file(row->proxy));
            render.append(ByteCount::file(row->render));
            reclaimable.append(ByteCount::file(row->reclaimable()));
        }
    }
    raise(table, QStringLiteral("Size"), widths.measure(sizes, 13) + kNumberMargin);
    raise(table, QStringLiteral("Optimized"), widths.measure(optimized, 13) + kNumberMargin);
    raise(table, QStringLiteral("Proxy"), widths.measure(proxy, 13) + kNumberMargin);
    raise(table, QStringLiteral("Render"), widths.measure(render, 13) + kNumberMargin);
    raise(table, QStringLiteral("Reclaimable"), widths.measure(reclaimable, 13) + kNumberMargin);

    table.insert(QStringLiteral("Space use"), kBarWidth * widths.scale());
    table.insert(QStringLiteral("Files missing"), widths.pills(missingFiles, kPillGap));
    table.insert(QStringLiteral("Plug-ins missing"), widths.pills(plugins, kPillGap));
    table.insert(QStringLiteral("Alerts"), widths.pills(alerts, kPillGap));
    return table;
}

} // namespace pellimor::BrowserWidths
