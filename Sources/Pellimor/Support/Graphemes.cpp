#include "Support/Graphemes.h"

#include <QTextBoundaryFinder>

namespace pellimor::Graphemes {

qsizetype count(QStringView text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusters = 0;
    while (finder.toNextBoundary() != -1)
        ++clusters;
    return clusters;
}

QString prefix(QStringView text, qsizetype count) {
    if (count <= 0)
        return QString();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusters = 0;
    qsizetype end = 0;
    while (clusters < count) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            break;
        end = next;
        ++clusters;
    }
    return text.left(end).toString();
}

} // namespace pellimor::Graphemes
