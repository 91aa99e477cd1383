#include "Plugins/PluginColumns.h"

#include <algorithm>

namespace pellimor::PluginColumns {

namespace {

using Weight = TextMeasurer::Weight;
using Field = PluginSort::Field;

} // namespace

const QList<Def>& defs() {
    static const QList<Def> table = {
        {QStringLiteral("Status"), QStringLiteral("status"), Field::rank, 90, 120, false},
        {QStringLiteral("Pack / Library"), QStringLiteral("name"), Field::name, 200, 320, false},
        {QStringLiteral("Type / Drive"), QStringLiteral("kind"), Field::kind, 80, 110, false},
        {QStringLiteral("Libraries"), QStringLiteral("libraries"), Field::libraries, 60, 70, true},
        {QStringLiteral("Projects"), QStringLiteral("projects"), Field::projects, 60, 70, true},
        {QStringLiteral("Uses"), QStringLiteral("uses"), Field::uses, 50, 60, true},
        {QStringLiteral("Details"), QStringLiteral("details"), std::nullopt, 160, 380, false},
        {QStringLiteral("Open"), QStringLiteral("open"), std::nullopt, 60, 70, false},
    };
    return table;
}

QStringList declared() {
    return columnIds(defs());
}

QString tableName() {
    return QStringLiteral("plugins.v2");
}

QString statusLabel(PluginStatus status) {
    switch (status) {
    case PluginStatus::installed:
        return QStringLiteral("OK");
    case PluginStatus::missing:
        return QStringLiteral("Not installed");
    case PluginStatus::unverified:
        return QStringLiteral("Unverified");
    case PluginStatus::partial:
        return QStringLiteral("Incomplete");
    }
    return QStringLiteral("Unverified");
}

QString folderSymbol() {
    return QStringLiteral("folder");
}

QString folderTip() {
    return QStringLiteral("Open the folder that contains this library");
}

QString finalCutSymbol() {
    return QStringLiteral("play.rectangle");
}

QString finalCutTip() {
    return QStringLiteral("Open this library in Final Cut Pro");
}

QHash<QString, double> widths(const QList<PNode>& packRows, const ColumnWidths& measure) {
    QList<const PNode*> packs;
    QList<const PNode*> libraryRows;
    packs.reserve(packRows.size());
    for (const PNode& pack : packRows) {
        packs.append(&pack);
        for (const PNode& row : pack.kids)
            libraryRows.append(&row);
    }
    QList<const PNode*> all = packs;
    all.append(libraryRows);

    const QList<Def>& s = defs();
    QHash<QString, double> map;
    // Four labels at most: one of each status.
    QList<PluginStatus> seen;
    QStringList labels;
    for (const PNode* row : all) {
        if (!seen.contains(row->status)) {
            seen.append(row->status);
            labels.append(statusLabel(row->status));
        }
    }
    map.insert(s[status].title, measure.measure(labels, 12) + 24);
    map.insert(
        s[name].title,
        std::max(
            measure.measure(columnTexts(packs, [](const PNode& r) { return r.name; }), 13, Weight::semibold),
            measure.measure(columnTexts(libraryRows, [](const PNode& r) { return r.name; }), 13) + 12));
    if (const double w = measure.measure(columnTexts(all, [](const PNode& r) { return r.kind; }), 12); w > 0)
        map.insert(s[kind].title, w);
    map.insert(
        s[libraries].title,
        measure.measure(columnTexts(packs, [](const PNode& r) { return QString::number(r.libraries); }), 13) +
            2);
    map.insert(
        s[projects].title,
        measure.measure(columnTexts(all, [](const PNode& r) { return QString::number(r.projects); }), 13) +
            2);
    map.insert(s[uses].title,
               measure.measure(columnTexts(all, [](const PNode& r) { return QString::number(r.uses); }), 13) +
                   2);
    if (const double w = measure.measure(columnTexts(all, [](const PNode& r) { return r.details; }), 12);
        w > 0)
        map.insert(s[details].title, w);
    map.insert(s[open].title, 48 * measure.scale());
    return map;
}

} // namespace pellimor::PluginColumns
