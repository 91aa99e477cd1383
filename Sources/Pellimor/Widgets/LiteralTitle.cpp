#include "Widgets/LiteralTitle.h"

namespace pellimor {

QString literalTitle(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return doubled;
}

} // namespace pellimor
