// Column arrangements kept in the settings store per table, and carried to and from a real
// header view (offscreen): what the user moved and hid comes back in the next table.

#include "Widgets/ColumnPrefs.h"

#include "App/ColumnLayout.h"
#include "Platform/SettingsStore.h"
#include "Tests/Support/Scopes.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardItemModel>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using platform::SettingsStore;

namespace {

const QStringList kDeclared = {"name", "size", "proxy", "date", "notes"};
const QSet<QString> kHiddenByDefault = {"notes"};

// A table of the declared columns, as a tree view with a model of that many columns.
struct Table {
    explicit Table(int columns = int(kDeclared.size())) : model(0, columns) { view.setModel(&model); }
    QHeaderView& header() { return *view.header(); }

    // The identifiers of the visible sections, left to right.
    QStringList shown(const QStringList& declared = kDeclared) {
        QStringList ids;
        for (int visual = 0; visual < header().count(); ++visual) {
            const int logical = header().logicalIndex(visual);
            if (!header().isSectionHidden(logical))
                ids.append(declared.at(logical));
        }
        return ids;
    }

    QStandardItemModel model;
    QTreeView view;
};

QJsonObject parse(const char* json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

TEST(ColumnPrefsTest, savedUnderTheTablesKeyAsJsonDataAndLoadedBack) {
    test::ScopedSettings settings;
    const QByteArray browser = R"({"columnOrder":[]})";
    const QByteArray plugins = "not json at all";
    settings.store->setData("columns.browser.v3", browser);
    settings.store->setData("columns.plugins.v2", plugins);

    const QJsonObject arrangement = ColumnLayout::arranged({}, {"date", "name"}, {"name"}, {});
    ColumnPrefs::save(arrangement, "compare.v2");

    EXPECT_EQ(ColumnPrefs::key("compare.v2"), QStringLiteral("columns.compare.v2"));
    ASSERT_TRUE(settings.store->holds("columns.compare.v2", SettingsStore::Type::Data));
    const QJsonDocument stored = QJsonDocument::fromJson(*settings.store->data("columns.compare.v2"));
    EXPECT_EQ(stored.object(), arrangement);
    EXPECT_EQ(stored.object().value("columnOrder").toArray().first(),
              QJsonValue(parse(R"({"base":{"explicit":{"_0":"date"}}})")));
    EXPECT_EQ(ColumnPrefs::load("compare.v2"), arrangement);

    // The other tables' arrangements are untouched, even one that does not read.
    EXPECT_EQ(settings.store->data("columns.browser.v3"), browser);
    EXPECT_EQ(settings.store->data("columns.plugins.v2"), plugins);

    // Saving again replaces the table's arrangement.
    ColumnPrefs::save({}, "compare.v2");
    EXPECT_EQ(ColumnPrefs::load("compare.v2"), QJsonObject());
}

TEST(ColumnPrefsTest, whatDoesNotReadGivesTheEmptyArrangementAndStaysStored) {
    test::ScopedSettings settings;
    settings.store->setData("columns.garbage", "{\"columnOrder\": [");
    settings.store->setData("columns.array", "[1, 2]");
    settings.store->setData("columns.empty", QByteArray());
    settings.store->setText("columns.text", R"({"columnOrder":[]})");

    for (const char* name : {"missing", "garbage", "array", "empty", "text"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ColumnPrefs::load(name), QJsonObject());
    }
    EXPECT_EQ(settings.store->data("columns.garbage"), QByteArray("{\"columnOrder\": ["));
    EXPECT_FALSE(settings.store->contains("columns.missing"));

    // A table with nothing usable stored shows its declared columns with its defaults.
    Table table;
    ColumnPrefs::apply(table.header(), ColumnPrefs::load("garbage"), kDeclared, kHiddenByDefault);
    EXPECT_EQ(table.shown(), (QStringList{"name", "size", "proxy", "date"}));
}

TEST(ColumnPrefsTest, whatTheUserArrangedComesBackInTheNextTable) {
    test::ScopedSettings settings;
    {
        Table table;
        QJsonObject arrangement = ColumnPrefs::load("browser.v3");
        ColumnPrefs::apply(table.header(), arrangement, kDeclared, kHiddenByDefault);
        EXPECT_EQ(table.shown(), (QStringList{"name", "size", "proxy", "date"}));

        // The user drags "date" to the front, hides "proxy" and shows "notes".
        table.header().moveSection(table.header().visualIndex(3), 0);
        table.header().setSectionHidden(2, true);
        table.header().setSectionHidden(4, false);
        arrangement = ColumnPrefs::capture(table.header(), kDeclared, kHiddenByDefault, arrangement);
        ColumnPrefs::save(arrangement, "browser.v3");
        EXPECT_EQ(ColumnLayout::lastVisible(arrangement, kDeclared, kHiddenByDefault),
                  QStringLiteral("notes"));
    }

    Table next;
    const QJsonObject loaded = ColumnPrefs::load("browser.v3");
    ColumnPrefs::apply(next.header(), loaded, kDeclared, kHiddenByDefault);
    EXPECT_EQ(next.shown(), (QStringList{"date", "name", "size", "notes"}));
    EXPECT_TRUE(next.header().isSectionHidden(2));
    EXPECT_EQ(next.header().visualIndex(2), 3) << "a hidden column keeps its place";

    // Hiding the last visible column moves the last visible one back.
    next.header().setSectionHidden(4, true);
    const QJsonObject hidden = ColumnPrefs::capture(next.header(), kDeclared, kHiddenByDefault, loaded);
    EXPECT_EQ(ColumnLayout::lastVisible(hidden, kDeclared, kHiddenByDefault), QStringLiteral("size"));
}

TEST(ColumnPrefsTest, applyPassesOverWhatTheTableDoesNotHave) {
    // A stored order naming a column the table dropped, one column twice, and a table whose
    // model has fewer sections than it declares.
    const QJsonObject stored = parse(R"({
        "columnOrder": [{"base":{"explicit":{"_0":"gone"}}}, {"base":{"explicit":{"_0":"date"}}},
                        {"base":{"explicit":{"_0":"size"}}}, {"base":{"explicit":{"_0":"date"}}}],
        "perColumnState": [{"base":{"explicit":{"_0":"gone"}}}, {"visibility":{"hidden":{}}},
                           {"base":{"explicit":{"_0":"name"}}}, {"visibility":{"hidden":{}}}]
    })");
    Table table;
    ColumnPrefs::apply(table.header(), stored, kDeclared, kHiddenByDefault);
    EXPECT_EQ(table.shown(), (QStringList{"date", "size", "proxy"}));
    EXPECT_EQ(table.header().logicalIndex(2), 0) << "the hidden column follows the stored ones";

    Table narrow(3);
    ColumnPrefs::apply(narrow.header(), stored, kDeclared, kHiddenByDefault);
    EXPECT_EQ(narrow.shown(), (QStringList{"size", "proxy"}));

    // The narrow table's capture names only what it has; the rest complete the order later.
    const QJsonObject captured = ColumnPrefs::capture(narrow.header(), kDeclared, kHiddenByDefault, stored);
    EXPECT_EQ(ColumnLayout::order(captured, kDeclared),
              (QStringList{"size", "name", "proxy", "date", "notes"}));

    Table empty(0);
    ColumnPrefs::apply(empty.header(), stored, kDeclared, kHiddenByDefault);
    EXPECT_EQ(empty.header().count(), 0);
}
