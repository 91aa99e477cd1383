#include "Browser/Views/FolderLink.h"

#include "Browser/Views/ElidedLines.h"
#include "Widgets/DarkLook.h"
#include "Widgets/NamedColor.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace pellimor {

namespace {

constexpr int kMaxLines = 2;
constexpr int kMinimumWidth = 40;
constexpr int kPreferredWidth = 320;

} // namespace

FolderLink::FolderLink(const QString& path, QWidget* parent) : QAbstractButton(parent) {
    setText(path);
    setAccessibleName(path);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QStringList FolderLink::linesAt(int width) const {
    return ElidedLines::lay(text(), font(), width, kMaxLines, Qt::ElideLeft);
}

QStringList FolderLink::shownLines() const {
    return linesAt(width());
}

int FolderLink::heightForWidth(int width) const {
    const QFontMetrics metrics(font());
    return metrics.height() + int(linesAt(width).size() - 1) * metrics.lineSpacing();
}

QSize FolderLink::sizeHint() const {
    const int width = std::min(QFontMetrics(font()).horizontalAdvance(text()) + 1, kPreferredWidth);
    return {width, heightForWidth(width)};
}

QSize FolderLink::minimumSizeHint() const {
    // One line: the height at a given width is heightForWidth's to say.
    return {kMinimumWidth, QFontMetrics(font()).height()};
}

void FolderLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool dark = DarkLook::isDark(this);
    QColor color = namedColor(isEnabled() ? NamedColor::accent : NamedColor::grey, dark);
    if (isDown())
        color = color.darker(130);
    painter.setPen(color);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    int y = 0;
    for (const QString& line : linesAt(width())) {
        painter.drawText(QRect(0, y, width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += metrics.lineSpacing();
    }
    if (hasFocus()) {
        QPen pen(color);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace pellimor
