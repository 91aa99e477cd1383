#include "MissingFiles/Views/MissingTableDelegate.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "MissingFiles/MissingSheet.h"
#include "MissingFiles/Views/MissingTableModel.h"
#include "Widgets/DarkLook.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace pellimor {

namespace {

using MissingSheet::Column;
using MissingSheet::Tone;

QColor colourOf(Tone tone, const QPalette& palette) {
    const bool dark = DarkLook::isDark(palette);
    switch (tone) {
    case Tone::secondary:
        return namedColor(NamedColor::secondary, dark);
    case Tone::green:
        return namedColor(NamedColor::green, dark);
    case Tone::orange:
        return namedColor(NamedColor::orange, dark);
    case Tone::primary:
        break;
    }
    return palette.color(QPalette::Text);
}

} // namespace

int MissingTableDelegate::rowHeight() {
    const int text = int(std::ceil(QFontMetricsF(UiFont::font(13)).height()));
    return std::max(Appearance::listRowMinimumHeight(AppSettings::comfortable()), text + 6);
}

void MissingTableDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto column = Column(index.column());
    option->textElideMode = column == Column::file || column == Column::wasAt || column == Column::found
                                ? Qt::ElideMiddle
                                : Qt::ElideRight;
    const Tone tone = Tone(index.data(MissingTableModel::kToneRole).toInt());
    option->palette.setColor(QPalette::Text, colourOf(tone, option->palette));
}

} // namespace pellimor
