#include "Compare/CompareColumns.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"

#include <algorithm>

namespace pellimor::CompareColumns {

namespace {

using Weight = TextMeasurer::Weight;
using Field = CompareSort::Field;

// A key set to the larger of its value and `width`.
void raise(QHash<QString, double>& map, const QString& key, double width) {
    double& current = map[key];
    current = std::max(current, width);
}

} // namespace

const QList<Def>& defs() {
    static const QList<Def> table = {
        {QStringLiteral("Status"), QStringLiteral("status"), Field::rank, 90, 110, false},
        {QStringLiteral("Library / Drive"), QStringLiteral("name"), Field::name, 180, 260, false},
        {QStringLiteral("Copies"), QStringLiteral("copies"), Field::copies, 50, 60, true},
        {QStringLiteral("Last saved in FCP"), QStringLiteral("saved"), Field::lastSaved, 100, 120, false},
        {QStringLiteral("Projects"), QStringLiteral("projects"), Field::projects, 60, 70, true},
        {QStringLiteral("Size"), QStringLiteral("size"), Field::size, 70, 85, true},
        {QStringLiteral("Details"), QStringLiteral("details"), std::nullopt, 160, 420, false},
        {QStringLiteral("Open"), QStringLiteral("open"), std::nullopt, 60, 70, false},
    };
    return table;
}

QStringList declared() {
    return columnIds(defs());
}

QString tableName() {
    return QStringLiteral("compare.v2");
}

QString savedText(const QDateTime& date) {
    return Fmt::dateOrDash(date);
}

QString sizeText(qint64 bytes) {
    return ByteCount::file(bytes);
}

QHash<QString, double> widths(const QList<CNode>& groupRows, const ColumnWidths& measure) {
    QList<const CNode*> copyRows;
    for (const CNode& group : groupRows) {
        for (const CNode& copy : group.kids)
            copyRows.append(&copy);
    }
    QList<const CNode*> all;
    for (const CNode& group : groupRows)
        all.append(&group);
    all.append(copyRows);

    QList<const CNode*> groups;
    for (const CNode& group : groupRows)
        groups.append(&group);

    const QList<Def>& s = defs();
    QHash<QString, double> map;

    raise(map, s[status].title,
          measure.measure(columnTexts(groups, [](const CNode& r) { return r.label; }), 12, Weight::bold) +
              24);
    if (const double w = measure.measure(columnTexts(copyRows, [](const CNode& r) { return r.label; }), 12);
        w > 0)
        raise(map, s[status].title, w);

    if (const double w =
            measure.measure(columnTexts(groups, [](const CNode& r) { return r.name; }), 13, Weight::semibold);
        w > 0)
        raise(map, s[name].title, w);
    raise(map, s[name].title,
          measure.measure(columnTexts(copyRows, [](const CNode& r) { return r.name; }), 13) + 12);

    raise(map, s[copies].title,
          measure.measure(columnTexts(groups, [](const CNode& r) { return QString::number(r.copies); }), 13) +
              2);

    if (const double w =
            measure.measure(columnTexts(all, [](const CNode& r) { return savedText(r.lastSaved); }), 13);
        w > 0)
        raise(map, s[saved].title, w);

    raise(map, s[projects].title,
          measure.measure(columnTexts(all, [](const CNode& r) { return QString::number(r.projects); }), 13) +
              2);
    raise(map, s[size].title,
          measure.measure(columnTexts(all, [](const CNode& r) { return sizeText(r.size); }), 13) + 2);

    if (const double w = measure.measure(columnTexts(all, [](const CNode& r) { return r.details; }), 12);
        w > 0)
        raise(map, s[details].title, w);

    raise(map, s[open].title, 48 * measure.scale());
    return map;
}

} // namespace pellimor::CompareColumns
