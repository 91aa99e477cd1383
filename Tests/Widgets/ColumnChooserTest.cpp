// The header's column menu: showing and hiding columns, never the last shown one, and the
// arrangement kept across tables of the same name.

#include "Widgets/ColumnChooser.h"

#include "App/ColumnLayout.h"
#include "Tests/Support/Scopes.h"
#include "Widgets/ColumnPrefs.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;

namespace {

const QString kTable = QStringLiteral("chooser.v1");
const QStringList kDeclared = {QStringLiteral("name"), QStringLiteral("pair"), QStringLiteral("size")};
const QSet<QString> kHiddenByDefault = {QStringLiteral("size")};

// A table whose columns are titled "Name", "Tom & Jerry" and "Size", with its chooser.
struct ChooserTable {
    ChooserTable() : model(1, 3) {
        model.setHorizontalHeaderLabels(
            {QStringLiteral("Name"), QStringLiteral("Tom & Jerry"), QStringLiteral("Size")});
        view.setModel(&model);
        chooser = new ColumnChooser(view.horizontalHeader(), kTable, kDeclared, kHiddenByDefault);
    }

    // The menu as it would open now: "title ✓" for a shown column, "(off)" for one that
    // cannot be chosen.
    QStringList menu() {
        m_menu = std::make_unique<QMenu>();
        chooser->fillMenu(m_menu.get());
        QStringList items;
        for (QAction* action : m_menu->actions())
            items.append(action->iconText() + (action->isChecked() ? QStringLiteral(" ✓") : QString()) +
                         (action->isEnabled() ? QString() : QStringLiteral(" (off)")));
        return items;
    }
    void choose(const QString& id) {
        menu();
        for (QAction* action : m_menu->actions()) {
            if (action->objectName() == id)
                action->trigger();
        }
    }
    QStringList shown() const {
        QStringList ids;
        const QHeaderView* header = view.horizontalHeader();
        for (int visual = 0; visual < header->count(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (!header->isSectionHidden(logical))
                ids.append(kDeclared.at(logical));
        }
        return ids;
    }

    QStandardItemModel model;
    QTableView view;
    ColumnChooser* chooser = nullptr;

private:
    std::unique_ptr<QMenu> m_menu;
};

QSet<QString> savedHidden() {
    return ColumnLayout::hidden(ColumnPrefs::load(kTable), kHiddenByDefault);
}

} // namespace

TEST(ColumnChooser, showsAndHidesColumnsButNeverTheLastShownOne) {
    test::ScopedSettings settings;
    ChooserTable table;
    EXPECT_EQ(table.shown(), (QStringList{"name", "pair"}));
    EXPECT_EQ(table.menu(), (QStringList{"Name ✓", "Tom & Jerry ✓", "Size"}));

    table.choose(QStringLiteral("pair"));
    EXPECT_EQ(table.shown(), (QStringList{"name"}));
    EXPECT_EQ(savedHidden(), (QSet<QString>{"pair", "size"}));
    EXPECT_EQ(table.menu(), (QStringList{"Name ✓ (off)", "Tom & Jerry", "Size"}));
    table.choose(QStringLiteral("name"));
    EXPECT_EQ(table.shown(), (QStringList{"name"}));

    table.choose(QStringLiteral("size"));
    EXPECT_EQ(table.shown(), (QStringList{"name", "size"}));
    EXPECT_EQ(savedHidden(), (QSet<QString>{"pair"}));
    EXPECT_EQ(table.menu(), (QStringList{"Name ✓", "Tom & Jerry", "Size ✓"}));
}

TEST(ColumnChooser, theArrangementComesBackInTheNextTableOfTheSameName) {
    test::ScopedSettings settings;
    {
        ChooserTable table;
        table.choose(QStringLiteral("size"));
        table.choose(QStringLiteral("name"));
        table.view.horizontalHeader()->moveSection(2, 0); // the user drags "Size" to the front
    }
    ChooserTable again;
    EXPECT_EQ(again.shown(), (QStringList{"size", "pair"}));
    EXPECT_EQ(again.menu(), (QStringList{"Name", "Tom & Jerry ✓", "Size ✓"}));
    EXPECT_EQ(ColumnLayout::order(ColumnPrefs::load(kTable), kDeclared),
              (QStringList{"size", "name", "pair"}));
}
