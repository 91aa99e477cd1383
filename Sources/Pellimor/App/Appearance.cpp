#include "App/Appearance.h"

namespace pellimor::Appearance {

ColorScheme colorScheme(const QString& appearance) {
    if (appearance == QLatin1String("dark"))
        return ColorScheme::dark;
    if (appearance == QLatin1String("light"))
        return ColorScheme::light;
    return ColorScheme::system;
}

double fontScale(bool comfortable) {
    return comfortable ? 1.3 : 1.0;
}

double mainFontPoints(bool comfortable) {
    return 13.0 * fontScale(comfortable);
}

QSize mainMinimumSize(bool comfortable) {
    return comfortable ? QSize(1250, 760) : QSize(1000, 640);
}

QSize mainDefaultSize() {
    return QSize(1400, 900);
}

QSize reportDefaultSize() {
    return QSize(700, 720);
}

int listRowMinimumHeight(bool comfortable) {
    return comfortable ? 34 : 24;
}

} // namespace pellimor::Appearance
