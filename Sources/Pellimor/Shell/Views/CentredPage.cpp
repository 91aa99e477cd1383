#include "Shell/Views/CentredPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>
#include <QWidget>

namespace pellimor::CentredPage {

QLabel* label(const QString& text, QWidget* parent, double points, QFont::Weight weight) {
    auto* made = new QLabel(text, parent);
    QFont font = made->font();
    font.setPointSizeF(font.pointSizeF() * points / 13.0);
    font.setWeight(weight);
    made->setFont(font);
    made->setAlignment(Qt::AlignCenter);
    made->setWordWrap(true);
    return made;
}

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    QLabel* made = label(text, parent);
    made->setForegroundRole(QPalette::PlaceholderText);
    made->setMaximumWidth(420);
    return made;
}

QVBoxLayout* layout(QWidget* page, int spacing) {
    auto* made = new QVBoxLayout(page);
    made->setSpacing(spacing);
    made->addStretch();
    return made;
}

void add(QVBoxLayout* layout, QWidget* widget) {
    // Centred between stretches, not by an alignment: a layout item with an alignment is given
    // the height of its size hint, not its height for the width it gets, so a wrapping label
    // set to a longer text would show a single, clipped line.
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(widget);
    row->addStretch();
    layout->addLayout(row);
}

} // namespace pellimor::CentredPage
