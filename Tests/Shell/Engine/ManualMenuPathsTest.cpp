// The manual never names a menu command the program lacks: every "Menu ▸ Item" it writes, in
// bold, is found in the menu bar the program builds.

#include "Manual/ManualDoc.h"
#include "Shell/MenuModel.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// Everything present at once: a scan running with a job paused, watched folders, a drive.
QList<MenuModel::Menu> fullMenuBar() {
    MenuModel::Inputs inputs;
    inputs.scanning = true;
    inputs.pausedJob = ScanJob{};
    inputs.watchedFolders = 1;
    inputs.drives = {QStringLiteral("/Volumes/Studio")};
    return MenuModel::build(inputs);
}

// The titles of the items below `items`, present ones only.
const MenuModel::Item* itemTitled(const QList<MenuModel::Item>& items, const QString& title) {
    for (const MenuModel::Item& item : items) {
        if (item.present && item.kind != MenuModel::Item::Kind::separator && item.title == title)
            return &item;
    }
    return nullptr;
}

// Why the path is not in the menu bar; empty when it is. A path whose first part is no menu of
// the menu bar ("System Settings ▸ …") is not the program's to check.
QString missingPart(const QList<MenuModel::Menu>& menus, const QStringList& parts) {
    for (const MenuModel::Menu& menu : menus) {
        if (menu.title != parts.first())
            continue;
        const QList<MenuModel::Item>* items = &menu.items;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const MenuModel::Item* item = itemTitled(*items, parts.at(i));
            if (!item)
                return QStringLiteral("no \"%1\" in \"%2\"")
                    .arg(parts.at(i), parts.mid(0, i).join(" \u25B8 "));
            items = &item->items;
        }
        return QString();
    }
    return QString();
}

} // namespace

TEST(ManualMenuPaths, EveryMenuPathTheManualWritesExists) {
    const std::optional<QString> manual = ManualDoc::manual.text();
    ASSERT_TRUE(manual);
    const QList<MenuModel::Menu> menus = fullMenuBar();
    const QRegularExpression bold(QStringLiteral("\\*\\*([^*]+)\\*\\*"));
    int checked = 0;
    for (const QString& line : manual->split(u'\n')) {
        QString outside = line;
        for (const QRegularExpressionMatch& match : bold.globalMatch(line)) {
            outside.replace(match.captured(0), QString());
            if (!match.captured(1).contains(u'\u25B8'))
                continue;
            const QStringList parts = match.captured(1).split(QStringLiteral(" \u25B8 "));
            const QString missing = missingPart(menus, parts);
            EXPECT_TRUE(missing.isEmpty())
                << match.captured(1).toStdString() << ": " << missing.toStdString();
            ++checked;
        }
        EXPECT_FALSE(outside.contains(u'\u25B8'))
            << "a menu path outside bold marks escapes this check: " << line.toStdString();
    }
    EXPECT_GT(checked, 10) << "the manual tells where its commands are";
}

TEST(ManualMenuPaths, TheCheckFindsAMissingItem) {
    const QList<MenuModel::Menu> menus = fullMenuBar();
    EXPECT_EQ(missingPart(menus, {"Scan", "Refresh Watched Folders"}), QString());
    EXPECT_EQ(missingPart(menus, {"View", "Date columns", "Date created"}), QString());
    EXPECT_EQ(missingPart(menus, {"Scan", "Refresh Everything"}), "no \"Refresh Everything\" in \"Scan\"");
    EXPECT_EQ(missingPart(menus, {"View", "Date columns", "Date shot"}),
              "no \"Date shot\" in \"View \u25B8 Date columns\"");
    EXPECT_EQ(missingPart(menus, {"System Settings", "Privacy"}), QString()) << "not a menu of ours";
    EXPECT_EQ(missingPart(menus, {"Tovlin", "Check for Updates…"}), "no \"Check for Updates…\" in \"Tovlin\"")
        << "an item not offered here counts as missing";
}
