#include "Browser/Views/ElidedLines.h"

#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

namespace pellimor::ElidedLines {

namespace {

const QString kEllipsis = QStringLiteral("…");

// The lines of `text` at `width`, stopping once there are more than `limit`.
QStringList wrap(const QString& text, const QFont& font, qreal width, int limit) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    QStringList lines;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        QString piece = text.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && piece.back().isSpace())
            piece.chop(1);
        lines.append(piece);
        if (lines.size() > limit)
            break;
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines.append(QString());
    return lines;
}

// Never cut between the two halves of a surrogate pair.
qsizetype headLength(const QString& text, qsizetype length) {
    if (length > 0 && length < text.size() && text.at(length - 1).isHighSurrogate())
        --length;
    return length;
}

qsizetype tailStart(const QString& text, qsizetype start) {
    if (start > 0 && start < text.size() && text.at(start).isLowSurrogate())
        ++start;
    return start;
}

// `text` with all but `kept` of its characters replaced by the ellipsis, where `mode` says.
QString shortened(const QString& text, qsizetype kept, Qt::TextElideMode mode) {
    switch (mode) {
    case Qt::ElideLeft:
        return kEllipsis + text.mid(tailStart(text, text.size() - kept));
    case Qt::ElideMiddle: {
        const qsizetype head = headLength(text, (kept + 1) / 2);
        return text.left(head) + kEllipsis + text.mid(tailStart(text, text.size() - (kept - (kept + 1) / 2)));
    }
    case Qt::ElideRight:
    case Qt::ElideNone:
        break;
    }
    return text.left(headLength(text, kept)) + kEllipsis;
}

} // namespace

QStringList lay(const QString& text, const QFont& font, qreal width, int maxLines, Qt::TextElideMode mode) {
    width = std::max<qreal>(width, 1);
    maxLines = std::max(maxLines, 1);
    QStringList lines = wrap(text, font, width, maxLines);
    if (lines.size() <= maxLines || mode == Qt::ElideNone)
        return lines.mid(0, maxLines);
    // The most characters that still fit, by halving: fewer characters never take more lines.
    qsizetype fits = 0;
    qsizetype over = text.size();
    while (over - fits > 1) {
        const qsizetype middle = fits + (over - fits) / 2;
        if (wrap(shortened(text, middle, mode), font, width, maxLines).size() <= maxLines)
            fits = middle;
        else
            over = middle;
    }
    return wrap(shortened(text, fits, mode), font, width, maxLines).mid(0, maxLines);
}

} // namespace pellimor::ElidedLines
