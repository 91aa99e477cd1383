// What the window gives the library browser: the libraries the sidebar lets through, grouping
// by drive under "Drive not connected", the list-wide missing-files button under "Broken
// links", and the sheets the browser's buttons and menu ask for.

#include "Browser/Views/BrowserModel.h"
#include "Browser/Views/BrowserView.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"

#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

TEST(MainWindowBrowserTest, theSmartFiltersSetGroupingAndTheListWideMissingButton) {
    test::MainWindowHarness window(QStringLiteral("browser-wiring"));
    window.create();
    // Records of libraries on drives that are not plugged in: all offline.
    LibraryInfo north =
        test::libraryRecord(QStringLiteral("/Volumes/North/B.fcpbundle"), QStringLiteral("North"));
    LibraryInfo south =
        test::libraryRecord(QStringLiteral("/Volumes/South/A.fcpbundle"), QStringLiteral("South"));
    LibraryInfo north2 =
        test::libraryRecord(QStringLiteral("/Volumes/North/C.fcpbundle"), QStringLiteral("North"));
    north.events[0].brokenLinkCount = 2;
    window.catalog().seed({.libraries = QList<LibraryInfo>{north, south, north2}});
    window.content().refresh();
    BrowserView& browser = *window.content().browserView();
    EXPECT_FALSE(browser.inputs().groupByDrive);
    EXPECT_FALSE(browser.inputs().missingForList);
    EXPECT_TRUE(browser.table()->alternatingRowColors());

    window.content().setSidebar({SidebarItem::Kind::offline});
    EXPECT_TRUE(browser.inputs().groupByDrive);
    EXPECT_FALSE(browser.inputs().missingForList);
    EXPECT_FALSE(browser.table()->alternatingRowColors());
    QStringList order;
    for (int row = 0; row < browser.model()->rowCount(); ++row)
        order.append(browser.model()->index(row, 0).data(BrowserModel::kIdRole).toString());
    EXPECT_EQ(order, (QStringList{north.path, north2.path, south.path}));

    window.content().setSidebar({SidebarItem::Kind::broken});
    EXPECT_FALSE(browser.inputs().groupByDrive);
    EXPECT_TRUE(browser.inputs().missingForList);
    ASSERT_TRUE(browser.missingButton()->isVisibleTo(&browser));
    EXPECT_EQ(browser.missingButton()->text(), QStringLiteral("Find Missing Files in This Library…"));
    browser.missingButton()->click();
    ASSERT_TRUE(window.content().state().missingRequest.has_value());
    EXPECT_EQ(window.content().state().missingRequest->libraries.size(), 1);
}

} // namespace
