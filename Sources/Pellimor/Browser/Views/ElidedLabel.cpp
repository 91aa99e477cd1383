#include "Browser/Views/ElidedLabel.h"

#include "Browser/Views/ElidedLines.h"

#include <QEvent>
#include <QFontMetrics>
#include <algorithm>

namespace pellimor {

namespace {

// The narrowest the label asks for: a few characters, so a long name never holds the panel wide.
constexpr int kMinimumWidth = 40;
// The widest its preferred size asks for on one line.
constexpr int kPreferredWidth = 320;

} // namespace

ElidedLabel::ElidedLabel(const QString& text, int maxLines, Qt::TextElideMode mode, QWidget* parent)
    : QLabel(parent), m_full(text), m_maxLines(std::max(maxLines, 1)), m_mode(mode) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text);
    relayout(kPreferredWidth);
}

void ElidedLabel::setFullText(const QString& text) {
    if (text == m_full)
        return;
    m_full = text;
    setAccessibleName(text);
    m_cachedWidth = -1;
    relayout(width());
    updateGeometry();
}

QStringList ElidedLabel::linesAt(int width) const {
    const QMargins margins = contentsMargins();
    const int textWidth = width - margins.left() - margins.right() - 2 * margin();
    if (textWidth != m_cachedWidth || font() != m_cachedFont) {
        m_cachedLines = ElidedLines::lay(m_full, font(), textWidth, m_maxLines, m_mode);
        m_cachedWidth = textWidth;
        m_cachedFont = font();
    }
    return m_cachedLines;
}

int ElidedLabel::heightForWidth(int width) const {
    const QFontMetrics metrics(font());
    const qsizetype lines = linesAt(width).size();
    const QMargins margins = contentsMargins();
    return metrics.height() + int(lines - 1) * metrics.lineSpacing() + margins.top() + margins.bottom() +
           2 * margin();
}

QSize ElidedLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    const int width = std::min(QFontMetrics(font()).horizontalAdvance(m_full) + 1, kPreferredWidth) +
                      margins.left() + margins.right() + 2 * margin();
    return {width, heightForWidth(width)};
}

QSize ElidedLabel::minimumSizeHint() const {
    // One line: the height at a given width is heightForWidth's to say, and a minimum taken at
    // the narrowest width would hold every container taller than its content.
    const QMargins margins = contentsMargins();
    return {kMinimumWidth + margins.left() + margins.right(),
            QFontMetrics(font()).height() + margins.top() + margins.bottom() + 2 * margin()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    relayout(width());
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        relayout(width());
}

void ElidedLabel::relayout(int width) {
    const QStringList lines = linesAt(width);
    if (lines == m_lines && !text().isEmpty())
        return;
    m_lines = lines;
    setText(lines.join(u'\n'));
    const bool shortened = lines.join(QString()).count(u'…') > m_full.count(u'…');
    setToolTip(shortened ? m_full : QString());
}

} // namespace pellimor
