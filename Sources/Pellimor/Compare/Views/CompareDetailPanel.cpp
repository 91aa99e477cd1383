#include "Compare/Views/CompareDetailPanel.h"

#include "Browser/Views/ElidedLabel.h"
#include "Compare/Views/CompareTones.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/PlainLabel.h"
#include "Widgets/UiFont.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace pellimor {

namespace {

constexpr int kPadding = 12;
constexpr int kSpacing = 8;
constexpr int kHeaderGap = 6;
constexpr int kMediaIndent = 18;
constexpr int kIdealHeight = 260;

// A symbol as tall as text of `points`.
QLabel* symbol(const QString& name, qreal points, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(parent);
    const int side = int(std::round(points * UiFont::scale() * 1.2));
    label->setPixmap(
        Icons::tinted(name, QSize(side, side), colour, parent ? parent->devicePixelRatioF() : 1.0));
    label->setFixedSize(side, side);
    label->setObjectName(name);
    return label;
}

} // namespace

CompareDetailPanel::CompareDetailPanel(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("compareDetail"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);
    setMinimumHeight(140);
    UiFont::watchComfortableText(this, [this] { rebuildLater(); });
}

QSize CompareDetailPanel::sizeHint() const {
    return {QScrollArea::sizeHint().width(), kIdealHeight};
}

void CompareDetailPanel::setDetail(const CompareDetail& detail) {
    if (m_built && detail == m_detail)
        return;
    m_detail = detail;
    build();
}

void CompareDetailPanel::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        rebuildLater();
}

void CompareDetailPanel::rebuildLater() {
    if (m_rebuildPending || !m_built)
        return;
    m_rebuildPending = true;
    QTimer::singleShot(0, this, [this] {
        m_rebuildPending = false;
        build();
    });
}

void CompareDetailPanel::build() {
    m_built = true;
    const bool dark = DarkLook::isDark(this);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    // Made inside the viewport, so its parts see the window's look as they are made.
    auto* content = new QWidget(viewport());
    content->setObjectName(QStringLiteral("compareDetailContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(kHeaderGap);
    header->addWidget(symbol(m_detail.symbol, 13, toneColour(m_detail.symbolTone, dark), content));
    QLabel* name =
        plainLabel(m_detail.name, 13, QFont::DemiBold, palette().color(QPalette::WindowText), content);
    name->setObjectName(QStringLiteral("compareDetailName"));
    header->addWidget(name, 1);
    column->addLayout(header);

    QLabel* verdict = plainLabel(m_detail.verdict, 12, std::nullopt, secondary, content);
    verdict->setObjectName(QStringLiteral("compareVerdict"));
    verdict->setWordWrap(true);
    verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(verdict);

    if (m_detail.media.shown) {
        const CompareDetail::Media& media = m_detail.media;
        auto* block = new QVBoxLayout;
        block->setSpacing(2);
        auto* heading = new QHBoxLayout;
        heading->setSpacing(4);
        const QColor colour = toneColour(media.tone, dark);
        heading->addWidget(symbol(media.symbol, 10, colour, content));
        QLabel* line = plainLabel(media.heading, 10, media.bold ? std::optional(QFont::Bold) : std::nullopt,
                                  colour, content);
        line->setObjectName(QStringLiteral("compareMedia"));
        line->setWordWrap(true);
        heading->addWidget(line, 1);
        block->addLayout(heading);
        for (const QString& copy : media.lines) {
            QLabel* shown = plainLabel(copy, 10, std::nullopt, secondary, content);
            shown->setWordWrap(true);
            shown->setContentsMargins(kMediaIndent, 0, 0, 0);
            block->addWidget(shown);
        }
        column->addLayout(block);
    }

    if (m_detail.listsProjects) {
        auto* divider = new QFrame(content);
        divider->setFrameShape(QFrame::HLine);
        divider->setFrameShadow(QFrame::Plain);
        setTextColour(divider, namedColor(NamedColor::quaternary, dark));
        column->addWidget(divider);
        column->addWidget(plainLabel(QStringLiteral("Projects that differ"), 11, QFont::Bold,
                                     palette().color(QPalette::WindowText), content));
        for (const CompareDetail::DiffRow& diff : m_detail.rows) {
            auto* row = new QHBoxLayout;
            row->setSpacing(6);
            row->addWidget(symbol(QStringLiteral("film"), 10, secondary, content), 0, Qt::AlignVCenter);
            auto* key = new ElidedLabel(diff.key, 1, Qt::ElideRight, content);
            key->setFont(uiFont(12));
            row->addWidget(key, 1, Qt::AlignVCenter);
            QLabel* parts = plainLabel(diff.parts, 10, std::nullopt, toneColour(diff.tone, dark), content);
            parts->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            row->addWidget(parts, 0, Qt::AlignVCenter);
            column->addLayout(row);
        }
    } else if (!m_detail.note.isEmpty()) {
        column->addWidget(plainLabel(m_detail.note, 10, std::nullopt, secondary, content));
    }
    column->addStretch(1);

    const int scrolled = verticalScrollBar()->value();
    setWidget(content); // deletes the content shown before
    verticalScrollBar()->setValue(scrolled);
}

QStringList CompareDetailPanel::shownTexts() const {
    QStringList texts;
    if (!widget())
        return texts;
    for (const QLabel* label : widget()->findChildren<QLabel*>()) {
        if (const auto* elided = qobject_cast<const ElidedLabel*>(label))
            texts.append(elided->fullText());
        else if (!label->text().isEmpty())
            texts.append(label->text());
    }
    return texts;
}

} // namespace pellimor
