#include "Widgets/SortIndicatorHeader.h"

#include <QStyle>
#include <QStyleOptionHeader>

namespace pellimor {

SortIndicatorHeader::SortIndicatorHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {}

QSize SortIndicatorHeader::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (!isSortIndicatorShown() || logicalIndex == sortIndicatorSection())
        return size;
    // What QHeaderView added for the indicator: the section's height and the header margin.
    QStyleOptionHeader option;
    initStyleOption(&option);
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    if (orientation() == Qt::Horizontal)
        size.rwidth() = std::max(0, size.width() - (size.height() + margin));
    else
        size.rheight() = std::max(0, size.height() - (size.width() + margin));
    return size;
}

} // namespace pellimor
