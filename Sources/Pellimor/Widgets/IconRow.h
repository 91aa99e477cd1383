#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace pellimor {

// A line of a sheet led by a symbol: the symbol at `side` pixels and the text beside it in
// `font`, both in `colour`, the text wrapping onto as many lines as it needs and read as plain
// text. iconRowText() is the text's label, for a row whose text changes. Main thread only.
QWidget* iconRow(const QString& symbol, const QColor& colour, const QString& text, const QFont& font,
                 int side, QWidget* parent);
QLabel* iconRowText(QWidget* row);

} // namespace pellimor
