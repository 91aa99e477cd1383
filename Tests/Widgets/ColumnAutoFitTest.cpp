// Fitting a real table's columns offscreen: triggers coalesce into one fit, a pressed header
// blocks fitting, a drag is held within a column's limits, and views that show nothing are
// left alone.

#include "Widgets/ColumnAutoFit.h"

#include "Tests/Support/VirtualClock.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;

namespace {

// A shown table of three columns ("Name", "Drive", "Size") and `rows` rows, 600 × 300.
class FitTable {
public:
    explicit FitTable(int rows = 20) : model(rows, 3) {
        model.setHorizontalHeaderLabels(
            {QStringLiteral("Name"), QStringLiteral("Drive"), QStringLiteral("Size")});
        for (int row = 0; row < rows; ++row) {
            model.setItem(row, 0, new QStandardItem(QStringLiteral("Library %1").arg(row)));
            model.setItem(row, 1, new QStandardItem(QStringLiteral("Media")));
            model.setItem(row, 2, new QStandardItem(QStringLiteral("1 GB")));
        }
        view.setModel(&model);
        view.horizontalHeader()->setStretchLastSection(false);
        view.resize(600, 300);
        for (int column = 0; column < 3; ++column)
            view.horizontalHeader()->resizeSection(column, 60);
    }

    QList<int> widths() const {
        QList<int> list;
        for (int column = 0; column < 3; ++column)
            list.append(view.horizontalHeader()->sectionSize(column));
        return list;
    }
    int available() const { return view.viewport()->width() - 2; }
    static int sum(const QList<int>& widths) {
        int total = 0;
        for (const int w : widths)
            total += w;
        return total;
    }
    QWidget* headerSurface() const { return view.horizontalHeader()->viewport(); }

    QStandardItemModel model;
    QTableView view;
};

const QHash<QString, double> kContent = {{QStringLiteral("Name"), 300}, {QStringLiteral("Drive"), 60}};

} // namespace

TEST(ColumnAutoFit, severalTriggersGiveOneFitThatFillsTheWidthAndThenSettles) {
    test::ScopedVirtualClock clock;
    FitTable table;
    auto* fitter = new ColumnAutoFit(&table.view);
    QSignalSpy writes(table.view.horizontalHeader(), &QHeaderView::sectionResized);

    table.view.show(); // shown
    fitter->setContent(kContent);
    table.view.resize(640, 300); // viewport and header resized
    table.view.horizontalHeader()->moveSection(2, 1);
    EXPECT_EQ(clock->pendingCalls(), 1);
    clock->advance(99ms);
    EXPECT_EQ(table.widths(), (QList<int>{60, 60, 60}));

    clock->advance(1ms);
    const QList<int> fitted = table.widths();
    EXPECT_EQ(writes.count(), 3); // each column written once
    // Room to spare is shared by want: the long names get the most, and together the
    // columns fill the width (each rounded down).
    EXPECT_GT(fitted[0], 300);
    EXPECT_GT(fitted[0], fitted[1]);
    EXPECT_GT(fitted[1], 60);
    EXPECT_LE(FitTable::sum(fitted), table.available());
    EXPECT_GE(FitTable::sum(fitted), table.available() - 3);

    // Whatever the fit itself set off finds nothing changed.
    clock->advance(1s);
    EXPECT_EQ(table.widths(), fitted);
    // An equal content map schedules nothing; a narrower window refits.
    fitter->setContent(kContent);
    EXPECT_EQ(clock->pendingCalls(), 0);
    table.view.resize(500, 300);
    clock->advance(100ms);
    EXPECT_LT(FitTable::sum(table.widths()), FitTable::sum(fitted));
    EXPECT_LE(FitTable::sum(table.widths()), table.available());
}

TEST(ColumnAutoFit, aPressedHeaderBlocksFittingUntilTheNextTriggerAfterRelease) {
    test::ScopedVirtualClock clock;
    FitTable table;
    auto* fitter = new ColumnAutoFit(&table.view);
    table.view.show();
    clock->advance(100ms);
    const QList<int> before = table.widths();

    const QPoint onFirst(20, table.headerSurface()->height() / 2);
    QTest::mousePress(table.headerSurface(), Qt::LeftButton, {}, onFirst);
    fitter->setContent(kContent);
    table.view.resize(700, 300);
    EXPECT_EQ(clock->pendingCalls(), 0);
    clock->advance(1s);
    EXPECT_EQ(table.widths(), before);

    QTest::mouseRelease(table.headerSurface(), Qt::LeftButton, {}, onFirst);
    clock->advance(1s);
    EXPECT_EQ(table.widths(), before); // the release alone fits nothing
    fitter->setContent({{QStringLiteral("Name"), 320}});
    clock->advance(100ms);
    EXPECT_NE(table.widths(), before);
    EXPECT_GT(table.widths()[0], 320);
}

TEST(ColumnAutoFit, columnsStayWithinTheirLimitsWhenFittedAndWhenDragged) {
    test::ScopedVirtualClock clock;
    FitTable table;
    auto* fitter = new ColumnAutoFit(&table.view);
    // "Size" has a minimum above its maximum: the minimum wins.
    fitter->setLimits({{40, 200}, {10, 70}, {90, 80}});
    fitter->setContent(kContent);
    table.view.show();
    clock->advance(100ms);
    const QList<int> fitted = table.widths();
    EXPECT_EQ(fitted[0], 200);
    EXPECT_EQ(fitted[1], 70);
    EXPECT_EQ(fitted[2], 90);

    // The user drags the borders while pressing the header.
    QHeaderView* header = table.view.horizontalHeader();
    QTest::mousePress(table.headerSurface(), Qt::LeftButton, {}, QPoint(5, 5));
    header->resizeSection(0, 20);
    EXPECT_EQ(header->sectionSize(0), 40);
    header->resizeSection(0, 150);
    EXPECT_EQ(header->sectionSize(0), 150);
    header->resizeSection(1, 400);
    EXPECT_EQ(header->sectionSize(1), 70);
    // The header's one minimum is lowered to the smallest column's, so a column can be
    // dragged down to its own.
    EXPECT_LE(header->minimumSectionSize(), 10);
    header->resizeSection(1, 12);
    EXPECT_EQ(header->sectionSize(1), 12);
    QTest::mouseRelease(table.headerSurface(), Qt::LeftButton, {}, QPoint(5, 5));

    // The user's widths stay until something changes.
    clock->advance(1s);
    EXPECT_EQ(header->sectionSize(0), 150);
    // Hiding a column is a change: the others are fitted again.
    header->setSectionHidden(2, true);
    clock->advance(100ms);
    EXPECT_EQ(header->sectionSize(0), 200);
    EXPECT_EQ(header->sectionSize(1), 70);
}

TEST(ColumnAutoFit, aViewWithoutRowsOrColumnsOrNotShownIsNotFitted) {
    struct Case {
        const char* what;
        int rows;
        bool shown;
        bool hideColumns;
    };
    const Case cases[] = {
        {"no rows", 0, true, false},
        {"every column hidden", 20, true, true},
        {"not shown", 20, false, false},
    };
    for (const Case& c : cases) {
        test::ScopedVirtualClock clock;
        FitTable table(c.rows);
        if (c.hideColumns) {
            for (int column = 0; column < 3; ++column)
                table.view.horizontalHeader()->setSectionHidden(column, true);
        }
        auto* fitter = new ColumnAutoFit(&table.view);
        if (c.shown)
            table.view.show();
        const QList<int> before = table.widths();
        fitter->setContent(kContent);
        clock->advance(1s);
        EXPECT_EQ(table.widths(), before) << c.what;
    }
}
