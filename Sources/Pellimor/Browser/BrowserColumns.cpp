#include "Browser/BrowserColumns.h"

#include "App/ColumnLayout.h"

namespace pellimor::BrowserColumns {

const QStringList& declared() {
    static const QStringList ids{
        QStringLiteral("name"),        QStringLiteral("fcp"),          QStringLiteral("details"),
        QStringLiteral("modified"),    QStringLiteral("size"),         QStringLiteral("bar"),
        QStringLiteral("optimized"),   QStringLiteral("proxy"),        QStringLiteral("render"),
        QStringLiteral("reclaimable"), QStringLiteral("missingFiles"), QStringLiteral("missingPlugins"),
        QStringLiteral("alerts"),
    };
    return ids;
}

const QSet<QString>& hiddenByDefault() {
    static const QSet<QString> ids{QStringLiteral("optimized"), QStringLiteral("proxy"),
                                   QStringLiteral("render")};
    return ids;
}

Alignment fillAlignment(const QString& column, const QJsonObject& customization) {
    static const QSet<QString> bytes{QStringLiteral("size"), QStringLiteral("optimized"),
                                     QStringLiteral("proxy"), QStringLiteral("render"),
                                     QStringLiteral("reclaimable")};
    if (bytes.contains(column))
        return Alignment::trailing;
    return ColumnLayout::lastVisible(customization, declared(), hiddenByDefault()) == column
               ? Alignment::trailing
               : Alignment::leading;
}

} // namespace pellimor::BrowserColumns
