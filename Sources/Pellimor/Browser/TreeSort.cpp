#include "Browser/TreeSort.h"

#include "Support/TextCompare.h"

#include <algorithm>
#include <vector>

namespace pellimor {

namespace {

enum class Field {
    name,
    fcp,
    details,
    modified,
    size,
    optimized,
    proxy,
    render,
    reclaimable,
    missingFiles,
    pluginProblems,
    alertScore
};

std::optional<Field> fieldOf(const QString& column) {
    static const QHash<QString, Field> fields{
        {QStringLiteral("name"), Field::name},
        {QStringLiteral("fcp"), Field::fcp},
        {QStringLiteral("details"), Field::details},
        {QStringLiteral("modified"), Field::modified},
        {QStringLiteral("size"), Field::size},
        {QStringLiteral("bar"), Field::reclaimable},
        {QStringLiteral("optimized"), Field::optimized},
        {QStringLiteral("proxy"), Field::proxy},
        {QStringLiteral("render"), Field::render},
        {QStringLiteral("reclaimable"), Field::reclaimable},
        {QStringLiteral("missingFiles"), Field::missingFiles},
        {QStringLiteral("missingPlugins"), Field::pluginProblems},
        {QStringLiteral("alerts"), Field::alertScore},
    };
    const auto it = fields.constFind(column);
    return it == fields.cend() ? std::nullopt : std::optional<Field>(*it);
}

template <typename T> int order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compare(const BNode& a, const BNode& b, Field field) {
    switch (field) {
    case Field::name:
        return TextCompare::localizedStandard(a.name, b.name);
    case Field::fcp:
        return TextCompare::localizedStandard(a.fcpVersion, b.fcpVersion);
    case Field::details:
        return TextCompare::localizedStandard(a.details, b.details);
    case Field::modified:
        return order(a.modified, b.modified);
    case Field::size:
        return order(a.size, b.size);
    case Field::optimized:
        return order(a.optimized, b.optimized);
    case Field::proxy:
        return order(a.proxy, b.proxy);
    case Field::render:
        return order(a.render, b.render);
    case Field::reclaimable:
        return order(a.reclaimable(), b.reclaimable());
    case Field::missingFiles:
        return order(a.missingFiles, b.missingFiles);
    case Field::pluginProblems:
        return order(a.pluginProblems(), b.pluginProblems());
    case Field::alertScore:
        return order(a.alertScore(), b.alertScore());
    }
    return 0;
}

struct ResolvedKey {
    Field field;
    bool ascending;
};

} // namespace

TreeSort TreeSort::byName() {
    return {{{QStringLiteral("name"), true}}};
}

QString TreeSort::text() const {
    QStringList parts;
    for (const TreeSortKey& key : keys)
        parts.append(key.column +
                     (key.ascending ? QStringLiteral(" ascending") : QStringLiteral(" descending")));
    return parts.join(QStringLiteral(", "));
}

void TreeSort::apply(QList<BNode>& nodes) const {
    if (nodes.size() < 2)
        return;
    std::vector<ResolvedKey> resolved;
    for (const TreeSortKey& key : keys) {
        if (const std::optional<Field> field = fieldOf(key.column))
            resolved.push_back({*field, key.ascending});
    }
    if (resolved.empty())
        resolved.push_back({Field::name, true});
    std::stable_sort(nodes.begin(), nodes.end(), [&](const BNode& a, const BNode& b) {
        for (const ResolvedKey& key : resolved) {
            const int c = compare(a, b, key.field);
            if (c != 0)
                return key.ascending ? c < 0 : c > 0;
        }
        return false;
    });
}

} // namespace pellimor
