#include "Widgets/PlainLabel.h"

#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QLabel>

namespace pellimor {

QLabel* plainLabel(const QString& text, qreal points, std::optional<QFont::Weight> weight,
                   const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(uiFont(points, weight));
    setTextColour(label, colour);
    return label;
}

} // namespace pellimor
