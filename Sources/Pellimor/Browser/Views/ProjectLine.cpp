#include "Browser/Views/ProjectLine.h"

#include "Browser/EventBlockText.h"
#include "Browser/Views/ElidedLabel.h"
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

constexpr qreal kTintOpacity = 0.18;
constexpr qreal kRadius = 5;
constexpr int kDetailsIndent = 18;
constexpr int kNameLines = 3;
constexpr int kDetailsLines = 3;

void secondary(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, namedColor(NamedColor::secondary, DarkLook::isDark(widget)));
    widget->setPalette(palette);
}

} // namespace

ProjectLine::ProjectLine(const ProjectInfo& project, bool focused, QWidget* parent)
    : QWidget(parent), m_name(project.name), m_focused(focused) {
    setObjectName(QStringLiteral("projectLine"));
    const bool dark = DarkLook::isDark(parent ? parent : this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 2);
    column->setSpacing(1);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(4);
    const QFont iconFont = uiFont(10);
    const int iconSide = QFontMetrics(iconFont).height();
    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::tinted(EventBlockText::symbol(project), QSize(iconSide, iconSide),
                                  namedColor(NamedColor::secondary, dark), devicePixelRatioF()));
    icon->setFixedSize(iconSide, iconSide);
    nameRow->addWidget(icon, 0, Qt::AlignTop);
    auto* name = new ElidedLabel(project.name, kNameLines, Qt::ElideRight, this);
    name->setObjectName(QStringLiteral("projectName"));
    name->setFont(uiFont(12, focused ? std::optional(QFont::Bold) : std::nullopt));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nameRow->addWidget(name, 1);
    column->addLayout(nameRow);

    const QString details = EventBlockText::details(project);
    if (!details.isEmpty()) {
        auto* text = new ElidedLabel(details, kDetailsLines, Qt::ElideRight, this);
        text->setObjectName(QStringLiteral("projectDetails"));
        text->setFont(uiFont(10));
        text->setContentsMargins(kDetailsIndent, 0, 0, 0);
        secondary(text);
        column->addWidget(text);
    }
    setAccessibleName(focused ? project.name + QStringLiteral(" (focused)") : project.name);
    setAccessibleDescription(details);
}

void ProjectLine::paintEvent(QPaintEvent*) {
    if (!m_focused)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor tint = namedColor(NamedColor::accent, DarkLook::isDark(this));
    tint.setAlphaF(float(kTintOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(QRectF(rect()), kRadius, kRadius);
}

} // namespace pellimor
