// The menu bar draws the menu model's titles as written, names with "&" included.

#include "Shell/Views/AppMenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(AppMenuBar, aTitleWithAnAmpersandReadsAsWrittenAndIsHandedBackUnchanged) {
    MenuModel::Item drive;
    drive.id = QStringLiteral("scan.drive:/Volumes/Tom & Jerry");
    drive.title = QStringLiteral("Tom & Jerry");
    MenuModel::Item drives;
    drives.kind = MenuModel::Item::Kind::submenu;
    drives.id = QStringLiteral("scan.entireDrive");
    drives.title = QStringLiteral("Scan R&D Drive");
    drives.items = {drive};
    const QList<MenuModel::Menu> menus = {{QStringLiteral("scan"), QStringLiteral("Scan & Watch"), {drives}}};

    QMenuBar bar;
    QList<MenuModel::Item> chosen;
    AppMenuBar menuBar(&bar, [&](const MenuModel::Item& item) { chosen.append(item); });
    // Twice: the second application updates the titles in place.
    for (int round = 0; round < 2; ++round) {
        menuBar.apply(menus);
        // What Qt shows is the text with shortcut marks taken out.
        ASSERT_NE(menuBar.action(drive.id), nullptr);
        EXPECT_EQ(menuBar.action(drive.id)->iconText(), QStringLiteral("Tom & Jerry")) << round;
        EXPECT_EQ(menuBar.action(drives.id)->iconText(), QStringLiteral("Scan R&D Drive")) << round;
        EXPECT_EQ(menuBar.menu(QStringLiteral("scan"))->menuAction()->iconText(),
                  QStringLiteral("Scan & Watch"))
            << round;
    }
    menuBar.action(drive.id)->trigger();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0].title, QStringLiteral("Tom & Jerry"));
}
