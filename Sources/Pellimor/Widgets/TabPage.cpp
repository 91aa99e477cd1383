#include "Widgets/TabPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace pellimor::TabPage {

QStackedWidget* build(QWidget* page, const QList<QWidget*>& bars, const QString& contentName) {
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (QWidget* bar : bars)
        column->addWidget(bar);
    auto* divider = new QFrame(page);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);
    auto* content = new QStackedWidget(page);
    content->setObjectName(contentName);
    column->addWidget(content, 1);
    return content;
}

QLabel* addCentredLabel(QVBoxLayout* column, QWidget* page) {
    auto* label = new QLabel(page);
    label->setAlignment(Qt::AlignCenter);
    // Centred between stretches: an aligned layout item would keep a wrapping label at the
    // height of a single line.
    auto* line = new QHBoxLayout;
    line->addStretch(1);
    line->addWidget(label);
    line->addStretch(1);
    column->addLayout(line);
    return label;
}

} // namespace pellimor::TabPage
