#include "Widgets/TipRegions.h"

#include "Widgets/CellPainter.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QListView>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(TipRegions, thePartOnTopAnswers) {
    TipRegions tips;
    tips.add(QRectF(0, 0, 100, 20), QStringLiteral("row"));
    tips.add(QRectF(10, 5, 10, 10), QStringLiteral("dot"));
    tips.add(QRectF(15, 5, 10, 10), QStringLiteral("pill"));
    tips.add(QRectF(50, 0, 10, 10), QString()); // no tip: not a part that answers
    tips.add(QRectF(60, 0, 0, 10), QStringLiteral("empty area"));

    struct Case {
        QPointF point;
        const char* expected;
    };
    const Case cases[] = {
        {{12, 10}, "dot"}, {{17, 10}, "pill"}, {{22, 10}, "pill"}, {{5, 10}, "row"},
        {{55, 5}, "row"},  {{60, 5}, "row"},   {{150, 10}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tips.textAt(c.point), QLatin1String(c.expected)) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(tips.regions().size(), 3);
}

namespace {

// Each row: an online dot at 10 and a row of two pills from 20; the model's own tip for the row.
class BadgeDelegate : public QStyledItemDelegate {
public:
    static void layOut(QPainter* painter, const QStyleOptionViewItem& option, TipRegions* tips) {
        const QRectF cell = option.rect;
        CellPainter::drawOnlineDot(painter, QPointF(cell.left() + 10, cell.center().y()), 8, true, false,
                                   tips);
        CellPainter::drawPills(painter, cell.adjusted(20, 0, 0, 0),
                               {{QStringLiteral("3"), Qt::red, QStringLiteral("Three missing plug-ins")},
                                {QStringLiteral("Backup"), Qt::blue, QStringLiteral("A backup copy")}},
                               6, 1.0, tips);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex&) const override {
        layOut(painter, option, nullptr);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return {300, 24}; }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        TipRegions tips;
        layOut(nullptr, option, &tips);
        return tips.answer(event, view->viewport()) ||
               QStyledItemDelegate::helpEvent(event, view, option, index);
    }
};

} // namespace

TEST(TipRegions, aDelegateAnswersThePartUnderThePointer) {
    QStandardItemModel model;
    auto* item = new QStandardItem(QStringLiteral("Wedding"));
    item->setToolTip(QStringLiteral("The row's own tip"));
    model.appendRow(item);
    QListView view;
    BadgeDelegate delegate;
    view.setItemDelegate(&delegate);
    view.setModel(&model);
    view.resize(320, 100);
    view.show();

    TipRegions layout;
    QStyleOptionViewItem option;
    option.rect = view.visualRect(model.index(0, 0));
    BadgeDelegate::layOut(nullptr, option, &layout);
    ASSERT_EQ(layout.regions().size(), 3);

    struct Case {
        QPoint point;
        QString expected;
    };
    const Case cases[] = {
        {layout.regions().at(0).area.center().toPoint(), QStringLiteral("Drive connected")},
        {layout.regions().at(1).area.center().toPoint(), QStringLiteral("Three missing plug-ins")},
        {layout.regions().at(2).area.center().toPoint(), QStringLiteral("A backup copy")},
        {QPoint(280, option.rect.center().y()), QStringLiteral("The row's own tip")},
    };
    for (const Case& c : cases) {
        QHelpEvent event(QEvent::ToolTip, c.point, view.viewport()->mapToGlobal(c.point));
        QCoreApplication::sendEvent(view.viewport(), &event);
        EXPECT_TRUE(QToolTip::isVisible()) << c.expected.toStdString();
        EXPECT_EQ(QToolTip::text(), c.expected);
        QToolTip::hideText();
    }
}
