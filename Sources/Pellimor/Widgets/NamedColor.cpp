#include "Widgets/NamedColor.h"

#include <QPalette>
#include <QWidget>

namespace pellimor {

namespace {

struct Pair {
    NamedColor name;
    QColor light;
    QColor dark;
};

// Dark-look colours are a little brighter, so they keep their contrast on dark backgrounds.
const Pair kTable[] = {
    {NamedColor::teal, QColor(48, 176, 199), QColor(64, 200, 224)},
    {NamedColor::purple, QColor(175, 82, 222), QColor(191, 90, 242)},
    {NamedColor::orange, QColor(255, 149, 0), QColor(255, 159, 10)},
    {NamedColor::yellow, QColor(255, 204, 0), QColor(255, 214, 10)},
    {NamedColor::green, QColor(52, 199, 89), QColor(48, 209, 88)},
    {NamedColor::red, QColor(255, 59, 48), QColor(255, 69, 58)},
    {NamedColor::grey, QColor(142, 142, 147), QColor(152, 152, 157)},
    {NamedColor::accent, QColor(0, 122, 255), QColor(10, 132, 255)},
    {NamedColor::secondary, QColor(0, 0, 0, 128), QColor(255, 255, 255, 140)},
    // White levels 0.9 and 0.22, opaque.
    {NamedColor::barTrack, QColor::fromRgbF(0.9f, 0.9f, 0.9f), QColor::fromRgbF(0.22f, 0.22f, 0.22f)},
    {NamedColor::blue, QColor(0, 122, 255), QColor(10, 132, 255)},
    {NamedColor::pink, QColor(255, 45, 85), QColor(255, 55, 95)},
    {NamedColor::quaternary, QColor(0, 0, 0, 26), QColor(255, 255, 255, 26)},
    {NamedColor::indigo, QColor(88, 86, 214), QColor(94, 92, 230)},
};

} // namespace

QColor namedColor(NamedColor name, bool dark) {
    for (const Pair& pair : kTable) {
        if (pair.name == name)
            return dark ? pair.dark : pair.light;
    }
    return dark ? QColor(Qt::white) : QColor(Qt::black);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

} // namespace pellimor
