#include "Browser/Views/EventBlock.h"

#include "Browser/EventBlockText.h"
#include "Browser/Views/ElidedLabel.h"
#include "Browser/Views/PosterImage.h"
#include "Browser/Views/PosterView.h"
#include "Browser/Views/ProjectLine.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace pellimor {

namespace {

const QSize kPoster(64, 36);
constexpr qreal kPosterRadius = 4;
constexpr qreal kBlockRadius = 8;
constexpr qreal kBlockOpacity = 0.4;
constexpr int kNoProjectsIndent = 8;

ElidedLabel* text(const QString& words, qreal points, std::optional<QFont::Weight> weight, int lines,
                  const QColor& color, QWidget* parent) {
    auto* label = new ElidedLabel(words, lines, Qt::ElideRight, parent);
    label->setFont(uiFont(points, weight));
    if (color.isValid())
        setTextColour(label, color);
    return label;
}

} // namespace

EventBlock::EventBlock(const EventInfo& event, const QString& posterDir,
                       const std::optional<ProjectFocus>& focus, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("eventBlock"));
    setAccessibleName(event.name);
    const bool dark = DarkLook::isDark(parent ? parent : this);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(6);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    if (event.poster) {
        if (const std::optional<QString> file = PosterImage::path(posterDir, *event.poster)) {
            const qreal ratio = parent ? parent->devicePixelRatioF() : devicePixelRatioF();
            QImage picture = PosterImage::load(*file, kPoster * ratio);
            if (!picture.isNull()) {
                auto* poster = new PosterView(kPoster, kPosterRadius, this);
                poster->setPicture(picture);
                header->addWidget(poster, 0, Qt::AlignTop);
                m_showsPoster = true;
            }
        }
    }
    auto* facts = new QVBoxLayout;
    facts->setSpacing(1);
    ElidedLabel* name = text(event.name, 11, QFont::Bold, 3, QColor(), this);
    name->setObjectName(QStringLiteral("eventName"));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    facts->addWidget(name);
    ElidedLabel* summary = text(EventBlockText::summary(event), 10, std::nullopt, 3, secondary, this);
    summary->setObjectName(QStringLiteral("eventSummary"));
    facts->addWidget(summary);
    if (const std::optional<QString> missing = EventBlockText::missingLine(event)) {
        ElidedLabel* line = text(*missing, 10, std::nullopt, 2, namedColor(NamedColor::red, dark), this);
        line->setObjectName(QStringLiteral("eventMissing"));
        facts->addWidget(line);
    }
    header->addLayout(facts, 1);
    column->addLayout(header);

    if (const std::optional<QString> keywords = EventBlockText::keywordsLine(event)) {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        const QFont font = uiFont(10);
        const int side = QFontMetrics(font).height();
        auto* tag = new QLabel(this);
        tag->setPixmap(
            Icons::tinted(QStringLiteral("tag"), QSize(side, side), secondary, devicePixelRatioF()));
        tag->setFixedSize(side, side);
        row->addWidget(tag, 0, Qt::AlignTop);
        ElidedLabel* line = text(*keywords, 10, std::nullopt, 3, secondary, this);
        line->setObjectName(QStringLiteral("eventKeywords"));
        row->addWidget(line, 1);
        column->addLayout(row);
    }

    for (const ProjectInfo& project : event.projects)
        column->addWidget(
            new ProjectLine(project, EventBlockText::isFocused(focus, event.name, project), this));
    if (event.projects.isEmpty()) {
        ElidedLabel* none =
            text(QStringLiteral("No projects in this event"), 10, std::nullopt, 1, secondary, this);
        none->setObjectName(QStringLiteral("eventNoProjects"));
        none->setContentsMargins(kNoProjectsIndent, 0, 0, 0);
        column->addWidget(none);
    }
}

void EventBlock::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = namedColor(NamedColor::quaternary, DarkLook::isDark(this));
    fill.setAlphaF(float(fill.alphaF() * kBlockOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), kBlockRadius, kBlockRadius);
}

} // namespace pellimor
