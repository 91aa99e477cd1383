#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

class QLabel;
class QWidget;

namespace pellimor {

// A label of `parent` showing `text` as plain text (never read as rich text, whatever it
// holds: library and project names are the user's) in uiFont(points, weight) and `colour`.
// Main thread only.
QLabel* plainLabel(const QString& text, qreal points, std::optional<QFont::Weight> weight,
                   const QColor& colour, QWidget* parent);

} // namespace pellimor
