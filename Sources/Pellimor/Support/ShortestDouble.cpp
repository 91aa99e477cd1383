#include "Support/ShortestDouble.h"

#include <QLocale>

namespace pellimor {

QString shortestDouble(double value) {
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    const bool plain = !text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) &&
                       !text.contains(QLatin1String("inf")) && !text.contains(QLatin1String("nan"));
    if (plain)
        text += QLatin1String(".0");
    return text;
}

} // namespace pellimor
