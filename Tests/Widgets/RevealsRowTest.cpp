// A "TovlinRevealRow" notification scrolls the named row to the centre a quarter second later;
// anything else leaves the view where it is.

#include "Widgets/RevealsRow.h"

#include "App/AppAction.h"
#include "App/NotificationHub.h"
#include "Tests/Support/VirtualClock.h"

#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using namespace std::chrono_literals;

namespace {

// A shown table of 200 rows named "row 0" to "row 199", about ten rows high.
struct RevealTable {
    RevealTable() : model(200, 1) {
        for (int row = 0; row < 200; ++row)
            model.setItem(row, 0, new QStandardItem(QStringLiteral("row %1").arg(row)));
        view->setModel(&model);
        view->resize(300, 260);
        view->show();
        revealsRow(view.get(), [this](const QString& id) {
            const QList<QStandardItem*> found = model.findItems(id);
            return found.isEmpty() ? QModelIndex() : found.first()->index();
        });
    }

    int scroll() const { return view->verticalScrollBar()->value(); }
    // How far the row's middle is from the viewport's middle, in pixels.
    int offCentre(int row) const {
        return std::abs(view->visualRect(model.index(row, 0)).center().y() - view->viewport()->height() / 2);
    }

    QStandardItemModel model;
    std::unique_ptr<QTableView> view = std::make_unique<QTableView>();
};

} // namespace

TEST(RevealsRow, theNamedRowIsCentredAfterAQuarterSecond) {
    test::ScopedVirtualClock clock;
    RevealTable table;
    ASSERT_EQ(table.scroll(), 0);

    NotificationHub::shared().post(AppAction::revealRow(), QStringLiteral("row 150"));
    clock->advance(249ms);
    EXPECT_EQ(table.scroll(), 0);
    clock->advance(1ms);
    EXPECT_LE(table.offCentre(150), table.view->rowHeight(150));

    // And back up to a row near the top, which cannot be centred: it is brought into view.
    NotificationHub::shared().post(AppAction::revealRow(), QStringLiteral("row 2"));
    clock->advance(250ms);
    EXPECT_EQ(table.scroll(), 0);
}

TEST(RevealsRow, otherNotificationsUnknownRowsAndAGoneViewDoNothing) {
    test::ScopedVirtualClock clock;
    RevealTable table;
    table.view->scrollTo(table.model.index(100, 0), QAbstractItemView::PositionAtTop);
    const int scrolled = table.scroll();
    ASSERT_GT(scrolled, 0);

    struct Case {
        const char* what;
        QString name;
        std::optional<QString> object;
        int scheduled;
    };
    const Case cases[] = {
        {"no text", AppAction::revealRow(), std::nullopt, 0},
        {"another notification", AppAction::focusSearch(), QStringLiteral("row 150"), 0},
        {"a row the view does not show", AppAction::revealRow(), QStringLiteral("row 999"), 1},
        {"the empty identifier", AppAction::revealRow(), QString(), 1},
    };
    for (const Case& c : cases) {
        NotificationHub::shared().post(c.name, c.object);
        EXPECT_EQ(clock->pendingCalls(), c.scheduled) << c.what;
        clock->advance(1s);
        EXPECT_EQ(table.scroll(), scrolled) << c.what;
    }

    // The wait belongs to the view: closed meanwhile, nothing runs.
    NotificationHub::shared().post(AppAction::revealRow(), QStringLiteral("row 150"));
    table.view.reset();
    EXPECT_EQ(clock->pendingCalls(), 0);
    clock->advance(1s);
}
