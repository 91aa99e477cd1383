#pragma once

#include <QLabel>
#include <QString>
#include <QStringList>

namespace pellimor {

// A text of at most `maxLines` lines that takes the height its lines need at the width it is
// given, shortened with "…" at its end, middle or start (ElidedLines) when it needs more; the
// whole text is then its tip. Names and paths wrap anywhere, so a long path breaks inside
// itself instead of widening the panel. Main thread only.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    ElidedLabel(const QString& text, int maxLines, Qt::TextElideMode mode, QWidget* parent = nullptr);

    const QString& fullText() const { return m_full; }
    // Shows another text, laid out again at the width it has.
    void setFullText(const QString& text);
    // The lines shown now.
    QStringList shownLines() const { return m_lines; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QStringList linesAt(int width) const;
    void relayout(int width);

    QString m_full;
    int m_maxLines;
    Qt::TextElideMode m_mode;
    QStringList m_lines;
    // Layouts ask the height at one width many times over; the last answer is kept, for the
    // width the text had and the font it was laid out in.
    mutable int m_cachedWidth = -1;
    mutable QFont m_cachedFont;
    mutable QStringList m_cachedLines;
};

} // namespace pellimor
