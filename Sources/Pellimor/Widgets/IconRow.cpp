#include "Widgets/IconRow.h"

#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"

#include <QHBoxLayout>
#include <QLabel>

namespace pellimor {

namespace {

const QString kTextName = QStringLiteral("iconRowText");

} // namespace

QWidget* iconRow(const QString& symbol, const QColor& colour, const QString& text, const QFont& font,
                 int side, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* icon = new QLabel(row);
    icon->setPixmap(Icons::tinted(symbol, QSize(side, side), colour, parent->devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop);
    // Beside the first line, however many the text takes.
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* label = new QLabel(text, row);
    label->setObjectName(kTextName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    setTextColour(label, colour);
    label->setAccessibleName(text);
    layout->addWidget(label, 1);
    return row;
}

QLabel* iconRowText(QWidget* row) {
    return row->findChild<QLabel*>(kTextName, Qt::FindDirectChildrenOnly);
}

} // namespace pellimor
