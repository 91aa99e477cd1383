#include "Browser/BrowserCells.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"

#include <QStringList>

namespace pellimor::BrowserCells {

bool isContainer(const BNode& node) {
    return node.kind == BNode::Kind::library || node.kind == BNode::Kind::event;
}

QString symbol(const BNode& node) {
    switch (node.kind) {
    case BNode::Kind::library:
        return QStringLiteral("square.grid.2x2");
    case BNode::Kind::event:
        return QStringLiteral("star.square");
    case BNode::Kind::project:
        return QStringLiteral("film");
    case BNode::Kind::media:
        return QStringLiteral("doc");
    case BNode::Kind::keyword:
        return QStringLiteral("tag");
    case BNode::Kind::metaTag:
        return QStringLiteral("tag.fill");
    case BNode::Kind::marker:
        return QStringLiteral("bookmark");
    case BNode::Kind::hit:
        return QStringLiteral("text.magnifyingglass");
    case BNode::Kind::more:
        return QStringLiteral("ellipsis");
    }
    return {};
}

QList<Pill> reasonPills(const QStringList& reasons) {
    QList<Pill> pills;
    for (const QString& reason : reasons)
        pills.append({QStringLiteral("matched: ") + reason, CellTone::green, QString()});
    return pills;
}

QList<Pill> reasonPills(const BNode& node) {
    return reasonPills(node.reasons);
}

double opacity(const BNode& node) {
    return node.dim ? 0.45 : 1.0;
}

VersionCell version(const BNode& node) {
    if (node.kind != BNode::Kind::library)
        return {QString(), CellTone::secondary, QString()};
    return VersionCell::of(node.fcpVersion, node.fcpInstalled, node.update);
}

QString dateText(const BNode& node) {
    if (!node.hasDate)
        return {};
    return Fmt::dateOrDash(node.modified);
}

QString sizeText(const BNode& node) {
    return isContainer(node) ? ByteCount::file(node.size) : QString();
}

QString bytesText(const BNode& node, qint64 bytes) {
    return isContainer(node) && bytes >= 1 ? ByteCount::file(bytes) : QString();
}

QString reclaimText(const BNode& node) {
    if (!isContainer(node))
        return {};
    const qint64 bytes = node.reclaimable();
    return bytes >= 1 ? ByteCount::file(bytes) : QStringLiteral("0 MB");
}

SizeBar bar(const BNode& node) {
    SizeBar bar;
    bar.optimized = node.optimized;
    bar.proxy = node.proxy;
    bar.render = node.render;
    bar.total = node.size;
    bar.subject = node.kind == BNode::Kind::event ? QStringLiteral("event") : QStringLiteral("library");
    return bar;
}

QList<Pill> missingFilesPills(qint64 brokenLinks) {
    if (brokenLinks <= 0)
        return {};
    return {{QString::number(brokenLinks), CellTone::pink,
             QStringLiteral("Linked media files that can't be found. Select the library and use Find Missing "
                            "Files… in the details panel.")}};
}

QList<Pill> missingFilesPills(const BNode& node) {
    if (node.kind != BNode::Kind::library)
        return {};
    return missingFilesPills(node.missingFiles);
}

QList<Pill> pluginPills(qint64 missing, qint64 partial) {
    QList<Pill> pills;
    if (missing >= 1)
        pills.append({QString::number(missing), CellTone::red,
                      QStringLiteral("Third-party plug-in packs this library uses that are not installed on "
                                     "this Mac. See the Plug-ins tab.")});
    if (partial >= 1)
        pills.append(
            {QString::number(partial) + QStringLiteral(" incomplete"), CellTone::orange,
             QStringLiteral("Plug-in packs that are installed, but some of the items this library uses "
                            "are gone. See the Plug-ins tab.")});
    return pills;
}

QList<Pill> pluginPills(const BNode& node) {
    if (node.kind != BNode::Kind::library)
        return {};
    return pluginPills(node.missingPlugins, node.partialPlugins);
}

QList<Pill> alertPills(const BNode& node) {
    if (node.kind != BNode::Kind::library || !node.isBackup)
        return {};
    return {{QStringLiteral("backup"), CellTone::orange,
             QStringLiteral("This library is on a drive marked as backup")}};
}

QStringList labels(const QList<Pill>& pills) {
    QStringList list;
    for (const Pill& pill : pills)
        list.append(pill.label);
    return list;
}

QString accessibleText(const BNode& node, const QString& column) {
    const auto joined = [](const QList<Pill>& pills) { return labels(pills).join(QStringLiteral(", ")); };
    if (column == QLatin1StringView("name")) {
        QStringList parts{node.name};
        parts.append(labels(reasonPills(node)));
        return parts.join(QStringLiteral(", "));
    }
    if (column == QLatin1StringView("fcp")) {
        const VersionCell cell = version(node);
        return cell.tip.isEmpty() ? cell.text : cell.text + QStringLiteral(". ") + cell.tip;
    }
    if (column == QLatin1StringView("details"))
        return node.details;
    if (column == QLatin1StringView("modified"))
        return dateText(node);
    if (column == QLatin1StringView("size"))
        return sizeText(node);
    if (column == QLatin1StringView("bar"))
        return isContainer(node) ? bar(node).tooltip() : QString();
    if (column == QLatin1StringView("optimized"))
        return bytesText(node, node.optimized);
    if (column == QLatin1StringView("proxy"))
        return bytesText(node, node.proxy);
    if (column == QLatin1StringView("render"))
        return bytesText(node, node.render);
    if (column == QLatin1StringView("reclaimable"))
        return reclaimText(node);
    if (column == QLatin1StringView("missingFiles"))
        return joined(missingFilesPills(node));
    if (column == QLatin1StringView("missingPlugins"))
        return joined(pluginPills(node));
    if (column == QLatin1StringView("alerts"))
        return joined(alertPills(node));
    return {};
}

} // namespace pellimor::BrowserCells
