// The header that asks room for the sort indicator only where it is shown: a section's size
// from its contents, against Qt's own header over the same titles.

#include "Widgets/SortIndicatorHeader.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// Reaches the protected measure of any header, with its overrides.
struct Contents : QHeaderView {
    using QHeaderView::sectionSizeFromContents;
};

int width(QHeaderView& header, int logical) {
    return (header.*&Contents::sectionSizeFromContents)(logical).width();
}

} // namespace

TEST(SortIndicatorHeaderTest, onlyTheSortedSectionAsksRoomForTheIndicator) {
    QStandardItemModel model(1, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("Size"), QStringLiteral("Size"), QStringLiteral("Size")});
    QTableView plainView;
    plainView.setModel(&model);
    QTableView ourView;
    auto* ours = new SortIndicatorHeader(Qt::Horizontal, &ourView);
    ourView.setHorizontalHeader(ours);
    ourView.setModel(&model);
    QHeaderView& plain = *plainView.horizontalHeader();

    // Without indicators both measure the titles alike.
    EXPECT_EQ(width(*ours, 1), width(plain, 1));

    for (QHeaderView* header : {&plain, static_cast<QHeaderView*>(ours)}) {
        header->setSortIndicatorShown(true);
        header->setSortIndicator(0, Qt::AscendingOrder);
    }
    EXPECT_EQ(width(*ours, 0), width(plain, 0));
    EXPECT_LT(width(*ours, 1), width(plain, 1));
    EXPECT_EQ(width(*ours, 1), width(*ours, 2));
    EXPECT_GT(width(*ours, 1), 0);

    ours->setSortIndicator(2, Qt::DescendingOrder);
    EXPECT_EQ(width(*ours, 2), width(plain, 0));
    EXPECT_LT(width(*ours, 0), width(plain, 0));
}
