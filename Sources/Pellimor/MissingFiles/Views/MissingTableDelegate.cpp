#include "MissingFiles/Views/MissingTableDelegate.h"

#include "App/AppSettings.h"
#include "App/Appearance.h"
#include "Browser/Views/ToneColor.h"
#include "MissingFiles/MissingSheet.h"
#include "MissingFiles/Views/MissingTableModel.h"
#include "Widgets/DarkLook.h"
#include "Widgets/UiFont.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace pellimor {

namespace {

using MissingSheet::Column;

} // namespace

int MissingTableDelegate::rowHeight() {
    const int text = int(std::ceil(QFontMetricsF(UiFont::font(13)).height()));
    return std::max(Appearance::listRowMinimumHeight(AppSettings::comfortable()), text + 6);
}

Qt::TextElideMode MissingTableDelegate::elideMode(int column) {
    // Both ends of a name or a path say something: the start where it is, the end what it is.
    const auto shown = Column(column);
    return shown == Column::file || shown == Column::wasAt || shown == Column::found ? Qt::ElideMiddle
                                                                                     : Qt::ElideRight;
}

void MissingTableDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = elideMode(index.column());
    const auto tone = CellTone(index.data(MissingTableModel::kToneRole).toInt());
    option->palette.setColor(QPalette::Text, toneColor(tone, DarkLook::isDark(option->palette), *option));
}

} // namespace pellimor
