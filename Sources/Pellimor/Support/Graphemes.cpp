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

} // namespace pellimor::Graphemes
