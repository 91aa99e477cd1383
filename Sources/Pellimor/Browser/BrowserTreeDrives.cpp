// The browser tree grouped and coloured by drive.

#include "Browser/BrowserTree.h"
#include "Catalogue/Records/RowLibrary.h"
#include "Support/TextCompare.h"

#include <algorithm>

namespace pellimor::BrowserTree {

namespace {

// The distinct drives of the rows, in name order.
QStringList drivesOf(const QList<BNode>& nodes) {
    QStringList drives;
    QSet<QString> seen;
    for (const BNode& node : nodes) {
        if (!seen.contains(node.drive)) {
            seen.insert(node.drive);
            drives.append(node.drive);
        }
    }
    std::sort(drives.begin(), drives.end(), TextCompare::lessThan);
    return drives;
}

} // namespace

QList<BNode> groupedByDrive(const QList<BNode>& nodes, const TreeSort& sort) {
    QHash<QString, QList<BNode>> byDrive;
    for (const BNode& node : nodes)
        byDrive[node.drive].append(node);
    QList<BNode> grouped;
    grouped.reserve(nodes.size());
    for (const QString& drive : drivesOf(nodes)) {
        QList<BNode>& rows = byDrive[drive];
        sort.apply(rows);
        grouped.append(rows);
    }
    return grouped;
}

PaintMap paintMap(const QList<BNode>& nodes) {
    const QStringList drives = drivesOf(nodes);
    QHash<QString, int> hues;
    for (qsizetype i = 0; i < drives.size(); ++i)
        hues.insert(drives.at(i), int(i));
    QHash<QString, int> stripes;
    PaintMap paint;
    paint.reserve(nodes.size());
    for (const BNode& node : nodes)
        paint.insert(node.id, {hues.value(node.drive), stripes[node.drive]++});
    return paint;
}

std::optional<RowTint> rowTint(const BNode& node, const PaintMap& paint, const TreeInputs& inputs,
                               const std::optional<QString>& selection, bool dark) {
    if (!inputs.groupByDrive || (selection && *selection == node.id))
        return std::nullopt;
    QString libraryId = node.id;
    if (node.kind != BNode::Kind::library) {
        const LibraryInfo* owner =
            RowLibrary::find(inputs.libraries, node.id, RowLibrary::Remainder::anything);
        if (!owner)
            return std::nullopt;
        libraryId = owner->path;
    }
    const auto it = paint.constFind(libraryId);
    if (it == paint.cend())
        return std::nullopt;
    const bool odd = it->stripe % 2 != 0;
    RowTint tint;
    tint.hue = RowTint::Hue(it->hue % RowTint::hueCount);
    tint.opacity = odd ? (dark ? 0.22 : 0.15) : (dark ? 0.12 : 0.08);
    return tint;
}

} // namespace pellimor::BrowserTree
