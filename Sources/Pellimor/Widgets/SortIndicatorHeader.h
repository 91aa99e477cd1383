#pragma once

#include <QHeaderView>

namespace pellimor {

// A table's header that asks room for the sort indicator only on the section that shows it.
// Qt's header adds that room to every section's size from its contents as soon as indicators
// are shown, which makes every column of a fitted table (ColumnAutoFit) want an arrow's width
// more than its title needs, and starves the columns with content in a narrow window.
//
// Main thread only.
class SortIndicatorHeader final : public QHeaderView {
    Q_OBJECT
public:
    explicit SortIndicatorHeader(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override;
};

} // namespace pellimor
