// The main window's four tables without a window: their columns, the typed cells a row turns
// into, the Media Files placeholder rule, and the content widths the column fitter is given.

#include "Shell/MainTables.h"

#include "App/AppSettings.h"
#include "Shell/MainTableWidths.h"
#include "Shell/SidebarFilter.h"
#include "Shell/TableRows.h"
#include "Support/ByteCount.h"
#include "Tests/Shell/Window/WindowTestSupport.h"
#include "Tests/Support/PinnedLocale.h"
#include "Tests/Support/RecordingMeasurer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace pellimor;
using test::RecordingMeasurer;

namespace {

QStringList titles(const QList<TableColumn>& columns) {
    QStringList list;
    for (const TableColumn& column : columns)
        list.append(column.title);
    return list;
}

LibraryRow libraryRow(const QString& name = QStringLiteral("Acme Promo")) {
    LibraryRow row;
    row.id = QStringLiteral("/Volumes/Media/") + name + QStringLiteral(".fcpbundle");
    row.path = row.id;
    row.name = name;
    row.drive = QStringLiteral("Media");
    row.online = true;
    row.fcp = QStringLiteral("10.6");
    row.copies = 1;
    row.modified = test::utc(2025, 3, 1);
    return row;
}

// The cell of the column titled `title` in the first row of `table`.
TableCell cellOf(const MainTables::Table& table, const QString& title) {
    const qsizetype column = titles(table.columns).indexOf(title);
    EXPECT_GE(column, 0) << title.toStdString();
    return table.rows.at(0).cells.at(column);
}

// The installed Final Cut Pro's version as the catalogue reads it from the platform.
QString installedFrom(const std::optional<QString>& version) {
    test::CatalogTestEnv env;
    if (version) {
        env.finalCut->setLocation(QStringLiteral("/Applications/Final Cut Pro.app"));
        env.finalCut->setVersion(*version);
    }
    const std::unique_ptr<Catalog> catalog = env.makeCatalog();
    return catalog->installedFCP().value_or(QString());
}

} // namespace

TEST(MainTablesColumns, EachTableHasItsColumnsInOrderAndNothingElse) {
    const QString date = QStringLiteral("Modified");
    EXPECT_EQ(titles(MainTables::libraryColumns(QStringLiteral("modified"))),
              (QStringList{"Library", "Drive", "Files missing", "Plug-ins missing", "Size", "Events",
                           "Projects", "Media files", "Reclaimable", date, "FCP version"}));
    EXPECT_EQ(titles(MainTables::eventColumns(QStringLiteral("modified"))),
              (QStringList{"Event", "Library", "Drive", date, "Size", "Original", "Reclaimable", "Files",
                           "Projects"}));
    EXPECT_EQ(titles(MainTables::projectColumns(QStringLiteral("modified"))),
              (QStringList{"Project", "Event", "Library", "Drive", "Length", "Format", date, "Event size",
                           "Library size"}));
    EXPECT_EQ(titles(MainTables::mediaColumns()),
              (QStringList{"File", "Event", "Library", "Drive", "Size", "Type"}));

    // Every column sorts; "Type" and the version sit at the trailing edge, figures align as such.
    const QList<TableColumn> libraries = MainTables::libraryColumns(QStringLiteral("modified"));
    for (const TableColumn& column : libraries)
        EXPECT_TRUE(column.sortKey.has_value()) << column.title.toStdString();
    EXPECT_EQ(libraries.at(3).sortKey, int(LibraryField::pluginProblems));
    EXPECT_EQ(libraries.at(10).align, TableColumn::Align::trailing);
    EXPECT_EQ(libraries.at(4).align, TableColumn::Align::numeric);
    EXPECT_EQ(MainTables::mediaColumns().at(5).align, TableColumn::Align::trailing);
    EXPECT_EQ(libraries.at(0).minWidth, 160);
    EXPECT_EQ(libraries.at(0).idealWidth, 240);
    EXPECT_FALSE(libraries.at(0).maxWidth.has_value());
    EXPECT_EQ(libraries.at(10).maxWidth, 200);
}

TEST(MainTablesColumns, TheDateColumnIsCreatedOnlyForTheExactSettingCreated) {
    const struct {
        const char* mode;
        const char* title;
    } cases[] = {{"created", "Created"}, {"modified", "Modified"}, {"Created", "Modified"}, {"", "Modified"}};
    for (const auto& c : cases) {
        const QString mode = QString::fromUtf8(c.mode);
        for (const QList<TableColumn>& columns :
             {MainTables::libraryColumns(mode), MainTables::eventColumns(mode),
              MainTables::projectColumns(mode)})
            EXPECT_TRUE(titles(columns).contains(QString::fromUtf8(c.title))) << c.mode;
    }
}

TEST(MainTablesCells, LibraryBadgesFollowCopiesUpdateAndMatch) {
    const struct {
        qint64 copies;
        qint64 update;
        const char* matched;
        QStringList badges;
    } cases[] = {
        {1, 0, "", {}},
        {2, 0, "", {"×2"}},
        {3, 1, "event name, keywords", {"×3", "needs FCP update", "matched: event name, keywords"}},
        {1, 2, "", {"newer than your FCP"}},
        {1, 7, "", {}},
    };
    for (const auto& c : cases) {
        LibraryRow row = libraryRow();
        row.copies = c.copies;
        row.update = c.update;
        row.matched = QString::fromUtf8(c.matched);
        const QList<BrowserCells::Pill> badges = MainTables::libraryBadges(row);
        EXPECT_EQ(BrowserCells::labels(badges), c.badges) << c.copies << " " << c.update;
        const TableCell name = cellOf(MainTables::libraries({row}, QString(), QString()), "Library");
        EXPECT_EQ(name.kind, TableCell::Kind::name);
        EXPECT_TRUE(name.star);
        EXPECT_EQ(name.pills, badges);
    }
    LibraryRow row = libraryRow();
    row.copies = 2;
    row.update = 1;
    EXPECT_EQ(MainTables::libraryBadges(row).at(0).tone, CellTone::orange);
    EXPECT_EQ(MainTables::libraryBadges(row).at(1).tone, CellTone::blue);
    row.update = 2;
    EXPECT_EQ(MainTables::libraryBadges(row).at(1).tone, CellTone::red);
}

TEST(MainTablesCells, VersionCellAgainstTheInstalledFinalCutProOrNone) {
    const QString installed = installedFrom(QStringLiteral("10.8.1"));
    ASSERT_EQ(installed, QStringLiteral("10.8.1"));
    const QString none = installedFrom(std::nullopt);
    ASSERT_TRUE(none.isEmpty());
    const struct {
        const char* fcp;
        qint64 update;
        QString withInstalled;
        CellTone tone;
        QString withNone;
    } cases[] = {
        {"10.6", 0, "10.6 ✓", CellTone::green, "10.6"},
        {"10.6", 1, "10.6 → 10.8.1", CellTone::blue, "10.6"},
        {"11.0", 2, "11.0 (yours 10.8.1)", CellTone::red, "11.0"},
        {"10.6", 7, "10.6 ✓", CellTone::green, "10.6"},
        {"—", 0, "—", CellTone::secondary, "—"},
    };
    for (const auto& c : cases) {
        LibraryRow row = libraryRow();
        row.fcp = QString::fromUtf8(c.fcp);
        row.update = c.update;
        const TableCell cell = cellOf(MainTables::libraries({row}, QString(), installed), "FCP version");
        EXPECT_EQ(cell.kind, TableCell::Kind::version);
        EXPECT_EQ(cell.shown(), c.withInstalled) << c.fcp << " " << c.update;
        EXPECT_EQ(cell.tone, c.tone) << c.fcp << " " << c.update;
        // Nothing installed: nothing to compare with, so no mark and no colour.
        const TableCell bare = cellOf(MainTables::libraries({row}, QString(), none), "FCP version");
        EXPECT_EQ(bare.shown(), c.withNone) << c.fcp << " " << c.update;
        EXPECT_EQ(bare.tone, CellTone::secondary);
        EXPECT_TRUE(bare.tip.isEmpty());
    }
}

TEST(MainTablesCells, PlugInAndMissingFilesPills) {
    const struct {
        qint64 missing;
        qint64 partial;
        QStringList labels;
    } cases[] = {{2, 3, {"2", "3 incomplete"}}, {1, 0, {"1"}}, {0, 4, {"4 incomplete"}}, {0, 0, {}}};
    for (const auto& c : cases) {
        LibraryRow row = libraryRow();
        row.missingPlugins = c.missing;
        row.partialPlugins = c.partial;
        const TableCell cell = cellOf(MainTables::libraries({row}, QString(), QString()), "Plug-ins missing");
        EXPECT_EQ(cell.kind, TableCell::Kind::pills);
        EXPECT_EQ(BrowserCells::labels(cell.pills), c.labels);
        for (const BrowserCells::Pill& pill : cell.pills) {
            EXPECT_TRUE(pill.tip.endsWith(QStringLiteral("See the Plug-ins tab.")))
                << pill.label.toStdString();
            EXPECT_EQ(pill.tone,
                      pill.label.endsWith(QStringLiteral("incomplete")) ? CellTone::orange : CellTone::red);
        }
    }
    LibraryRow row = libraryRow();
    EXPECT_TRUE(cellOf(MainTables::libraries({row}, QString(), QString()), "Files missing").pills.isEmpty());
    row.brokenLinks = 12;
    const TableCell missing = cellOf(MainTables::libraries({row}, QString(), QString()), "Files missing");
    ASSERT_EQ(missing.pills.size(), 1);
    EXPECT_EQ(missing.pills.at(0).label, QStringLiteral("12"));
    EXPECT_EQ(missing.pills.at(0).tone, CellTone::pink);
    EXPECT_TRUE(
        missing.pills.at(0).tip.startsWith(QStringLiteral("Linked media files that can't be found.")));
}

TEST(MainTablesCells, NumbersDatesLengthsAndTypes) {
    LibraryRow library = libraryRow();
    library.events = 12345;
    library.size = 2'500'000'000;
    EventRow event;
    event.event = QStringLiteral("Day 1");
    event.matched = QStringLiteral("event name");
    ProjectRow project;
    project.project = QStringLiteral("Main Edit");
    project.format = QStringLiteral("1080p HD 25p");
    project.duration = 75;
    MediaRow media;
    media.file = QStringLiteral("A001_C002.mov");
    media.ext = QStringLiteral("mov");

    const MainTables::Table libraries = MainTables::libraries({library}, QString(), QString());
    EXPECT_EQ(cellOf(libraries, "Events").shown(), QStringLiteral("12345")); // no grouping
    EXPECT_EQ(cellOf(libraries, "Size").shown(), ByteCount::file(2'500'000'000));
    EXPECT_EQ(cellOf(libraries, "Library").shown(), QStringLiteral("Acme Promo"));
    const MainTables::Table events = MainTables::events({event}, QString());
    EXPECT_EQ(BrowserCells::labels(cellOf(events, "Event").pills), QStringList{"matched: event name"});
    EXPECT_FALSE(cellOf(events, "Event").star);
    const MainTables::Table projects = MainTables::projects({project}, QString());
    EXPECT_EQ(cellOf(projects, "Length").shown(), QStringLiteral("1:15"));
    EXPECT_EQ(cellOf(projects, "Format").shown(), project.format);
    EXPECT_TRUE(cellOf(projects, "Project").pills.isEmpty());
    project.duration = 0;
    EXPECT_EQ(cellOf(MainTables::projects({project}, QString()), "Length").shown(), QStringLiteral("—"));
    const MainTables::Table files = MainTables::media({media});
    EXPECT_EQ(cellOf(files, "Type").shown(), QStringLiteral("MOV"));
    EXPECT_TRUE(cellOf(files, "File").pills.isEmpty());

    // At or before 1970 every date column shows a dash; after it, the date.
    for (const QDateTime& date : {QDateTime::fromSecsSinceEpoch(0, Qt::UTC),
                                  QDateTime::fromSecsSinceEpoch(-86400, Qt::UTC), TableRows::distantPast()}) {
        library.modified = date;
        event.modified = date;
        project.modified = date;
        EXPECT_EQ(cellOf(MainTables::libraries({library}, QString(), QString()), "Modified").shown(), "—");
        EXPECT_EQ(cellOf(MainTables::events({event}, QString()), "Modified").shown(), "—");
        EXPECT_EQ(cellOf(MainTables::projects({project}, QString()), "Modified").shown(), "—");
    }
    library.modified = QDateTime::fromSecsSinceEpoch(1, Qt::UTC);
    EXPECT_NE(cellOf(MainTables::libraries({library}, QString(), QString()), "Modified").shown(), "—");
}

TEST(MainTablesCells, EventSizesNearTheLimitShowASize) {
    test::WindowCatalog w;
    LibraryInfo library = test::libraryAt(QStringLiteral("/Volumes/Media/Huge.fcpbundle"));
    EventInfo event = test::eventNamed(QStringLiteral("Damaged"), std::numeric_limits<qint64>::max() - 5);
    event.renderSize = std::numeric_limits<qint64>::max();
    event.proxySize = 1;
    library.events.append(event);
    (*w.catalog).seed({.libraries = QList<LibraryInfo>{library}});
    const TableRows::RowInputs in{SidebarFilter::visibleLibraries(*w.catalog, {SidebarItem::Kind::all}),
                                  SearchQuery(),
                                  {},
                                  QStringLiteral("modified")};
    const QList<EventRow> rows = TableRows::eventRows(*w.catalog, in, {});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).size, std::numeric_limits<qint64>::max());
    EXPECT_EQ(rows.at(0).reclaimable, std::numeric_limits<qint64>::max());
    const MainTables::Table table = MainTables::events(rows, QString());
    for (const char* title : {"Size", "Reclaimable"})
        EXPECT_EQ(cellOf(table, title).shown(), ByteCount::file(std::numeric_limits<qint64>::max())) << title;
    EXPECT_FALSE(ByteCount::file(std::numeric_limits<qint64>::max()).isEmpty());
}

TEST(MainTablesPlaceholder, ShownForBlankSearchTextAndCountedWithGrouping) {
    EXPECT_TRUE(MainTables::showsMediaPlaceholder(QString()));
    EXPECT_TRUE(MainTables::showsMediaPlaceholder(QStringLiteral("   ")));
    EXPECT_TRUE(MainTables::showsMediaPlaceholder(QStringLiteral(" \t ")));
    EXPECT_FALSE(MainTables::showsMediaPlaceholder(QStringLiteral("C")));
    EXPECT_FALSE(MainTables::showsMediaPlaceholder(QStringLiteral("  C ")));

    const test::PinnedLocale pinned{QLocale(QLocale::English, QLocale::UnitedStates)};
    EXPECT_EQ(MainTables::indexedMediaText(1234567), QStringLiteral("1,234,567 media files are indexed."));
    EXPECT_EQ(MainTables::indexedMediaText(0), QStringLiteral("0 media files are indexed."));
}

class MainTableWidthsTest : public ::testing::Test {
protected:
    test::CatalogTestEnv env; // the settings the widths read
};

TEST_F(MainTableWidthsTest, NoRowsLeaveTextColumnsToTheFitterAndNumbersAtTwo) {
    RecordingMeasurer measurer;
    const QHash<QString, double> libraries = MainTableWidths::libraryWidths({}, QString(), measurer);
    for (const char* key : {"Size", "Events", "Projects", "Media files", "Reclaimable", "FCP version"})
        EXPECT_EQ(libraries.value(key, -1), 2) << key;
    for (const char* key : {"Drive", "Modified"})
        EXPECT_FALSE(libraries.contains(key)) << key;
    EXPECT_EQ(libraries.value("Files missing", -1), 0);
    EXPECT_EQ(libraries.value("Plug-ins missing", -1), 0);

    const QHash<QString, double> events = MainTableWidths::eventWidths({}, measurer);
    for (const char* key : {"Size", "Original", "Reclaimable", "Files", "Projects"})
        EXPECT_EQ(events.value(key, -1), 2) << key;
    for (const char* key : {"Library", "Drive", "Modified"})
        EXPECT_FALSE(events.contains(key)) << key;
    const QHash<QString, double> projects = MainTableWidths::projectWidths({}, measurer);
    for (const char* key : {"Length", "Event size", "Library size"})
        EXPECT_EQ(projects.value(key, -1), 2) << key;
    for (const char* key : {"Event", "Library", "Drive", "Format", "Modified"})
        EXPECT_FALSE(projects.contains(key)) << key;
    const QHash<QString, double> media = MainTableWidths::mediaWidths({}, measurer);
    EXPECT_EQ(media.value("Size", -1), 2);
    for (const char* key : {"Event", "Library", "Drive", "Type"})
        EXPECT_FALSE(media.contains(key)) << key;

    // A row whose plain texts are all empty adds nothing either.
    MediaRow row;
    row.file = QStringLiteral("clip");
    EXPECT_FALSE(MainTableWidths::mediaWidths({row}, measurer).contains("Type"));
    EXPECT_FALSE(MainTableWidths::mediaWidths({row}, measurer).contains("Drive"));
}

TEST_F(MainTableWidthsTest, LargerTextMeasuresBiggerButTheAllowancesStay) {
    LibraryRow library = libraryRow(QStringLiteral("Acme"));
    EventRow event;
    event.event = QStringLiteral("Day 1");
    MediaRow media;
    media.file = QStringLiteral("A001.mov");
    media.ext = QStringLiteral("mov");
    for (const bool larger : {false, true}) {
        AppSettings::setComfortable(larger);
        const double points = larger ? 13 * 1.3 : 13;
        RecordingMeasurer measurer;
        const QHash<QString, double> libraries =
            MainTableWidths::libraryWidths({library}, QString(), measurer);
        const QHash<QString, double> events = MainTableWidths::eventWidths({event}, measurer);
        const QHash<QString, double> files = MainTableWidths::mediaWidths({media}, measurer);
        const auto width = [&](const QString& text) {
            return std::ceil(RecordingMeasurer::widthOf(text, points));
        };
        EXPECT_DOUBLE_EQ(libraries.value("Library"), width("Acme") + 35) << larger;
        EXPECT_DOUBLE_EQ(events.value("Event"), width("Day 1") + 13) << larger;
        EXPECT_DOUBLE_EQ(files.value("File"), width("A001.mov") + 13) << larger;
        EXPECT_DOUBLE_EQ(libraries.value("Events"), width("0") + 2) << larger;
        EXPECT_DOUBLE_EQ(files.value("Type"), width("MOV")) << larger;
        for (const RecordingMeasurer::Rendered& rendered : std::as_const(measurer.rendered)) {
            EXPECT_DOUBLE_EQ(rendered.points, points) << rendered.text.toStdString();
            EXPECT_EQ(rendered.weight, TextMeasurer::Weight::regular);
        }
    }
}

TEST_F(MainTableWidthsTest, TheLibraryColumnAddsItsWidestBadgeRow) {
    LibraryRow plain = libraryRow(QStringLiteral("A much longer library name"));
    LibraryRow badged = libraryRow(QStringLiteral("Short"));
    badged.copies = 3;
    badged.update = 1;
    badged.matched = QStringLiteral("event name");
    RecordingMeasurer measurer;
    const QHash<QString, double> widths =
        MainTableWidths::libraryWidths({plain, badged}, QStringLiteral("10.8.1"), measurer);
    const QString row =
        QStringLiteral("×3") + QStringLiteral("needs FCP update") + QStringLiteral("matched: event name");
    EXPECT_TRUE(measurer.texts().contains(row));
    // Three badges: each with its gap of 6 and its padding of 10, then their labels at 10 points bold.
    const double badges = 3 * (6 + 10) + std::ceil(RecordingMeasurer::widthOf(row, 10));
    EXPECT_DOUBLE_EQ(widths.value("Library"),
                     std::ceil(RecordingMeasurer::widthOf(plain.name, 13)) + 35 + badges);
    // The version texts are the cells' texts.
    EXPECT_TRUE(measurer.texts().contains(QStringLiteral("10.6 → 10.8.1")));
    EXPECT_TRUE(measurer.texts().contains(QStringLiteral("10.6 ✓")));
}

TEST_F(MainTableWidthsTest, TheDateKeyFollowsTheDateMode) {
    RecordingMeasurer measurer;
    const LibraryRow library = libraryRow();
    for (const char* mode : {"created", "modified", "Created"}) {
        AppSettings::setDateMode(QString::fromUtf8(mode));
        const QString key = QString::fromUtf8(mode) == QStringLiteral("created") ? "Created" : "Modified";
        const QString other = key == QStringLiteral("Created") ? "Modified" : "Created";
        const QHash<QString, double> widths = MainTableWidths::libraryWidths({library}, QString(), measurer);
        EXPECT_TRUE(widths.contains(key)) << mode;
        EXPECT_FALSE(widths.contains(other)) << mode;
        EXPECT_TRUE(titles(MainTables::libraryColumns(AppSettings::dateMode())).contains(key)) << mode;
    }
}
