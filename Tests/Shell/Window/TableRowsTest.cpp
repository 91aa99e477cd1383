#include "Shell/TableRows.h"

#include "Shell/SidebarFilter.h"
#include "Tests/Shell/Window/WindowTestSupport.h"

#include <gtest/gtest.h>

using namespace pellimor;
using test::eventNamed;
using test::libraryAt;
using test::projectNamed;
using test::utc;

namespace {

template <typename Row> QStringList idsOf(const QList<Row>& rows) {
    QStringList ids;
    for (const Row& row : rows)
        ids.append(row.id);
    return ids;
}

// "id = matched" per row, to compare filtered rows and their wording in one go.
template <typename Row> QStringList matchedOf(const QList<Row>& rows) {
    QStringList lines;
    for (const Row& row : rows)
        lines.append(row.id + QStringLiteral(" = ") + row.matched);
    return lines;
}

SearchHit hit(SearchArea area) {
    return {area, QStringLiteral("x")};
}

class TableRowsTest : public ::testing::Test {
protected:
    Catalog& catalog() { return *w.catalog; }

    TableRows::RowInputs inputs(const QString& search = QString(), const SearchResult& result = {}) {
        return {SidebarFilter::visibleLibraries(catalog(), {SidebarItem::Kind::all}), SearchQuery(search),
                result, QStringLiteral("modified")};
    }

    test::WindowCatalog w;
};

} // namespace

TEST(TableRowsDateRule, CreatedOnlyForTheExactSettingAndDistantPastWhenAbsent) {
    const QDateTime created = utc(2020, 1, 1);
    const QDateTime modified = utc(2024, 6, 1);
    struct Case {
        std::optional<QDateTime> created;
        std::optional<QDateTime> modified;
        QString mode;
        QDateTime shown;
    };
    const QList<Case> cases = {
        {created, modified, "created", created},
        {created, modified, "modified", modified},
        {created, modified, "foo", modified},
        {created, modified, "Created", modified},
        {std::nullopt, modified, "created", TableRows::distantPast()},
        {created, std::nullopt, "modified", TableRows::distantPast()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TableRows::pick(c.created, c.modified, c.mode), c.shown) << c.mode.toStdString();
    EXPECT_LT(TableRows::distantPast(), QDateTime::fromSecsSinceEpoch(-62135596800LL + 86400, Qt::UTC));
}

TEST_F(TableRowsTest, LibraryRowsCarryEveryColumn) {
    w.installFinalCut(QStringLiteral("11.0"));
    w.recordDrive(true);

    LibraryInfo main = libraryAt(w.folderOnDrive("Main.fcpbundle"));
    main.libraryIdentifier = QStringLiteral("ID-1");
    main.fcpVersion = QStringLiteral("10.4.1");
    main.modified = utc(2024, 5, 1);
    main.extraSize = 7;
    EventInfo day1 = eventNamed("Day 1", 100);
    day1.optimizedSize = 10;
    day1.proxySize = 20;
    day1.renderSize = 30;
    day1.analysisSize = 1;
    day1.otherSize = 2;
    day1.mediaFileCount = 5;
    day1.brokenLinkCount = 1;
    day1.projects = {projectNamed("Cut 1"), projectNamed("Cut 2")};
    EventInfo day2 = eventNamed("Day 2", 1000);
    day2.mediaFileCount = 3;
    day2.brokenLinkCount = 2;
    day2.projects = {projectNamed("Cut 3")};
    main.events = {day1, day2};

    LibraryInfo twin = libraryAt("/Volumes/Gone/Main.fcpbundle", "Gone"); // offline
    twin.libraryIdentifier = QStringLiteral("ID-1");
    twin.fcpVersion = QStringLiteral("12.1");
    LibraryInfo plain = libraryAt(w.folderOnDrive("Plain.fcpbundle"));
    plain.fcpVersion = QStringLiteral("11.0.2");
    LibraryInfo unknown = libraryAt(w.folderOnDrive("Unknown.fcpbundle"));
    w.setLibraries({main, twin, plain, unknown});
    w.setPluginStats(main, 3, 4);

    const QList<LibraryRow> rows = TableRows::libraryRows(catalog(), inputs(), {});
    ASSERT_EQ(idsOf(rows), (QStringList{main.path, twin.path, plain.path, unknown.path}));
    const LibraryRow& row = rows.at(0);
    EXPECT_EQ(row.name, QStringLiteral("Main"));
    EXPECT_EQ(row.drive, QStringLiteral("Media"));
    EXPECT_TRUE(row.online);
    EXPECT_EQ(row.size, main.totalSize());
    EXPECT_EQ(row.size, 100 + 10 + 20 + 30 + 1 + 2 + 1000 + 7);
    EXPECT_EQ(row.events, 2);
    EXPECT_EQ(row.projects, 3);
    EXPECT_EQ(row.mediaFiles, 8);
    EXPECT_EQ(row.reclaimable, 60);
    EXPECT_EQ(row.modified, utc(2024, 5, 1));
    EXPECT_EQ(row.fcp, QStringLiteral("10.4.1"));
    EXPECT_EQ(row.copies, 2);
    EXPECT_EQ(row.brokenLinks, 3);
    EXPECT_EQ(row.update, 1);
    EXPECT_EQ(row.path, main.path);
    EXPECT_EQ(row.matched, QString());
    EXPECT_EQ(row.missingPlugins, 3);
    EXPECT_EQ(row.partialPlugins, 4);

    EXPECT_FALSE(rows.at(1).online);
    EXPECT_EQ(rows.at(1).copies, 2);
    EXPECT_EQ(rows.at(1).update, 2); // newer than the installed Final Cut Pro
    EXPECT_EQ(rows.at(2).copies, 1); // no identifier
    EXPECT_EQ(rows.at(2).update, 0); // current
    EXPECT_EQ(rows.at(3).fcp, QStringLiteral("—"));
    EXPECT_EQ(rows.at(3).update, 0); // unknown
    EXPECT_EQ(rows.at(3).modified, TableRows::distantPast());
}

TEST_F(TableRowsTest, EventAndProjectRowsCarryTheirColumns) {
    LibraryInfo library = libraryAt("/Volumes/Gone/Lib.fcpbundle", "Gone");
    EventInfo day = eventNamed("Day 1", 100);
    day.proxySize = 5;
    day.renderSize = 6;
    day.otherSize = 1;
    day.mediaFileCount = 4;
    day.created = utc(2021, 1, 1);
    day.modified = utc(2023, 1, 1);
    ProjectInfo cut = projectNamed("Cut");
    cut.duration = 61.5;
    cut.format = QStringLiteral("1080p HD");
    cut.clipCount = 12;
    cut.created = utc(2021, 2, 2);
    ProjectInfo bare = projectNamed("Bare");
    day.projects = {cut, bare};
    library.events = {day};
    w.setLibraries({library});

    TableRows::RowInputs in = inputs();
    const QList<EventRow> events = TableRows::eventRows(catalog(), in, {});
    ASSERT_EQ(events.size(), 1);
    const EventRow& e = events.at(0);
    EXPECT_EQ(e.id, library.path + QStringLiteral("|Day 1"));
    EXPECT_EQ(e.libraryID, library.path);
    EXPECT_EQ(e.event, QStringLiteral("Day 1"));
    EXPECT_EQ(e.library, QStringLiteral("Lib"));
    EXPECT_EQ(e.drive, QStringLiteral("Gone"));
    EXPECT_FALSE(e.online);
    EXPECT_EQ(e.size, 112);
    EXPECT_EQ(e.original, 100);
    EXPECT_EQ(e.reclaimable, 11);
    EXPECT_EQ(e.mediaFiles, 4);
    EXPECT_EQ(e.projects, 2);
    EXPECT_EQ(e.modified, utc(2023, 1, 1));

    in.dateMode = QStringLiteral("created");
    EXPECT_EQ(TableRows::eventRows(catalog(), in, {}).at(0).modified, utc(2021, 1, 1));
    const QList<ProjectRow> projects = TableRows::projectRows(catalog(), in, {});
    ASSERT_EQ(projects.size(), 2);
    const ProjectRow& p = projects.at(0);
    EXPECT_EQ(p.id, library.path + QStringLiteral("|Day 1|Cut"));
    EXPECT_EQ(p.libraryID, library.path);
    EXPECT_EQ(p.project, QStringLiteral("Cut"));
    EXPECT_EQ(p.event, QStringLiteral("Day 1"));
    EXPECT_EQ(p.library, QStringLiteral("Lib"));
    EXPECT_EQ(p.duration, 61.5);
    EXPECT_EQ(p.format, QStringLiteral("1080p HD"));
    EXPECT_EQ(p.modified, utc(2021, 2, 2));
    EXPECT_EQ(p.eventSize, 112);
    EXPECT_EQ(p.librarySize, library.totalSize());
    EXPECT_EQ(p.clips, 12);
    EXPECT_EQ(p.path, library.path);
    EXPECT_EQ(projects.at(1).duration, 0);
    EXPECT_EQ(projects.at(1).format, QStringLiteral("—"));
    EXPECT_EQ(projects.at(1).modified, TableRows::distantPast()); // no creation date
}

TEST_F(TableRowsTest, AnActiveSearchKeepsOnlyRowsWithAHitAndWordsWhy) {
    // L1: a library-level hit, so all of its events and projects match through it.
    LibraryInfo l1 = libraryAt("/Volumes/V/L1.fcpbundle");
    EventInfo a = eventNamed("A");
    a.projects = {projectNamed("PA")};
    l1.events = {a};
    // L2: no library-level hit. E1 has hits and one project hit; E2 a hit in its name; E3 none.
    LibraryInfo l2 = libraryAt("/Volumes/V/L2.fcpbundle");
    EventInfo e1 = eventNamed("E1");
    e1.projects = {projectNamed("P1"), projectNamed("P2")};
    EventInfo e2 = eventNamed("E2");
    e2.projects = {projectNamed("P3")};
    EventInfo e3 = eventNamed("E3");
    e3.projects = {projectNamed("P4")};
    l2.events = {e1, e2, e3};
    // L3: no result at all.
    LibraryInfo l3 = libraryAt("/Volumes/V/L3.fcpbundle");
    l3.events = {eventNamed("Z")};
    w.setLibraries({l1, l2, l3});

    SearchResult result;
    result.id = 7;
    SearchResult::Library r1;
    r1.hits = {hit(SearchArea::libraryName)};
    result.libraries.insert(l1.path, r1);
    SearchResult::Library r2;
    SearchResult::Event re1;
    re1.hits = {hit(SearchArea::clipNames)};
    re1.projects.insert("P1",
                        {hit(SearchArea::projectName), hit(SearchArea::keywords), hit(SearchArea::keywords)});
    SearchResult::Event re2;
    re2.hits = {hit(SearchArea::eventName)};
    r2.events.insert("E1", re1);
    r2.events.insert("E2", re2);
    result.libraries.insert(l2.path, r2);

    const TableRows::RowInputs in = inputs(QStringLiteral("smith"), result);
    EXPECT_EQ(
        matchedOf(TableRows::libraryRows(catalog(), in, {})),
        (QStringList{l1.path + " = library name", l2.path + " = 1 event name, 1 project, 1 clip name"}));
    EXPECT_EQ(matchedOf(TableRows::eventRows(catalog(), in, {})),
              (QStringList{l1.path + "|A = library name", l2.path + "|E1 = 1 clip name, 1 project",
                           l2.path + "|E2 = event"}));
    EXPECT_EQ(matchedOf(TableRows::projectRows(catalog(), in, {})),
              (QStringList{l1.path + "|A|PA = library name", l2.path + "|E1|P1 = keyword, project name",
                           l2.path + "|E2|P3 = event name"}));

    // Without terms every row is there, unworded, whatever the result holds.
    const TableRows::RowInputs all = inputs(QStringLiteral("   "), result);
    EXPECT_EQ(TableRows::libraryRows(catalog(), all, {}).size(), 3);
    EXPECT_EQ(TableRows::eventRows(catalog(), all, {}).size(), 5);
    const QList<ProjectRow> projects = TableRows::projectRows(catalog(), all, {});
    EXPECT_EQ(projects.size(), 5);
    for (const ProjectRow& row : projects)
        EXPECT_EQ(row.matched, QString());
}

TEST_F(TableRowsTest, MediaRowsNeedASearchAndStopAtTheCapBeforeSorting) {
    LibraryInfo hidden = libraryAt("/Volumes/V/Hidden SafetyNet.fcpbundle"); // a safety-net copy: not shown
    LibraryInfo big = libraryAt("/Volumes/V/Big.fcpbundle");
    LibraryInfo small = libraryAt("/Volumes/V/Small.fcpbundle");
    w.setLibraries({hidden, big, small});

    QList<MediaEntry> hiddenEntries{{"clip hidden.mov", 1, "E"}};
    QList<MediaEntry> bigEntries;
    for (int i = 0; i < 12000; ++i)
        bigEntries.append({QStringLiteral("Clip %1.MOV").arg(i), i, QStringLiteral("Day")});
    QList<MediaEntry> smallEntries{{"interview clip.Wav", 50'000, "Sound"}, {"noext", 1, "Sound"}};
    w.setMedia({{hidden.path, hiddenEntries}, {big.path, bigEntries}, {small.path, smallEntries}});
    ASSERT_EQ(catalog().media().size(), 12003);

    EXPECT_TRUE(TableRows::mediaRows(catalog(), inputs(), {{MediaField::size, false}}).isEmpty());

    const QList<MediaRow> rows =
        TableRows::mediaRows(catalog(), inputs(QStringLiteral("CLIP")), {{MediaField::size, false}});
    ASSERT_EQ(rows.size(), TableRows::kMediaRowCap);
    // The first 5000 matches of the list (positions 1 to 5000: 0 is the hidden copy's), then
    // sorted by size, largest first; the later, larger files were never looked at.
    EXPECT_EQ(rows.first().id, QStringLiteral("5000"));
    EXPECT_EQ(rows.first().size, 4999);
    EXPECT_EQ(rows.last().id, QStringLiteral("1"));
    EXPECT_EQ(rows.first().file, QStringLiteral("Clip 4999.MOV"));
    EXPECT_EQ(rows.first().ext, QStringLiteral("mov"));
    EXPECT_EQ(rows.first().libraryID, big.path);
    EXPECT_EQ(rows.first().library, QStringLiteral("Big"));
    EXPECT_EQ(rows.first().event, QStringLiteral("Day"));
    EXPECT_EQ(rows.first().drive, QStringLiteral("Media"));

    const QList<MediaRow> interview = TableRows::mediaRows(
        catalog(), inputs(QStringLiteral("interview clip")), {{MediaField::size, false}});
    ASSERT_EQ(interview.size(), 1);
    EXPECT_EQ(interview.at(0).id, QStringLiteral("12001"));
    EXPECT_EQ(interview.at(0).ext, QStringLiteral("wav"));
    const QList<MediaRow> bare = TableRows::mediaRows(catalog(), inputs(QStringLiteral("noext")), {});
    ASSERT_EQ(bare.size(), 1);
    EXPECT_EQ(bare.at(0).ext, QString());
}

TEST(TableRowsSort, KeysInTurnAndTiesInBuildOrder) {
    const auto row = [](const QString& id, const QString& name, qint64 size, const QDateTime& modified) {
        LibraryRow r;
        r.id = id;
        r.name = name;
        r.size = size;
        r.modified = modified;
        return r;
    };
    const QList<LibraryRow> built = {
        row("1", "Event 10", 5, utc(2024, 1, 1)),      row("2", "event 3", 5, utc(2023, 1, 1)),
        row("3", "Event 2", 9, utc(2024, 1, 1)),       row("4", "Alpha", 5, utc(2024, 1, 1)),
        row("5", "Zulu", 1, TableRows::distantPast()),
    };
    struct Case {
        SortOrder<LibraryField> sort;
        QStringList ids;
    };
    const QList<Case> cases = {
        {{}, {"1", "2", "3", "4", "5"}},
        {{{LibraryField::size, false}}, {"3", "1", "2", "4", "5"}},
        {{{LibraryField::size, true}}, {"5", "1", "2", "4", "3"}},
        // Names as the file manager orders them: case ignored, numbers by value.
        {{{LibraryField::name, true}}, {"4", "3", "2", "1", "5"}},
        {{{LibraryField::modified, false}, {LibraryField::size, true}}, {"1", "4", "3", "2", "5"}},
        {{{LibraryField::modified, true}}, {"5", "2", "1", "3", "4"}},
    };
    for (const Case& c : cases) {
        QList<LibraryRow> rows = built;
        TableRows::sortRows(rows, c.sort);
        EXPECT_EQ(idsOf(rows), c.ids) << c.ids.join(' ').toStdString();
    }

    // Missing packs outweigh any number of partly installed ones.
    LibraryRow missing = row("m", "M", 0, {});
    missing.missingPlugins = 1;
    LibraryRow partial = row("p", "P", 0, {});
    partial.partialPlugins = 999;
    QList<LibraryRow> plugins{partial, missing};
    TableRows::sortRows(plugins, {{LibraryField::pluginProblems, false}});
    EXPECT_EQ(idsOf(plugins), (QStringList{"m", "p"}));
}

TEST_F(TableRowsTest, CreatedDatesSortAnUnknownOneAsTheOldest) {
    LibraryInfo known = libraryAt("/Volumes/V/Known.fcpbundle");
    known.created = utc(1990, 1, 1);
    known.modified = utc(2024, 1, 1);
    LibraryInfo unknown = libraryAt("/Volumes/V/Unknown.fcpbundle");
    unknown.modified = utc(2025, 1, 1);
    w.setLibraries({unknown, known});
    TableRows::RowInputs in = inputs();
    in.dateMode = QStringLiteral("created");
    EXPECT_EQ(idsOf(TableRows::libraryRows(catalog(), in, {{LibraryField::modified, true}})),
              (QStringList{unknown.path, known.path}));
}

TEST_F(TableRowsTest, ARowLeadsBackToItsOwnLibraryEvenWithBarsInNames) {
    LibraryInfo plain = libraryAt("/Volumes/V/Plain.fcpbundle");
    EventInfo day = eventNamed("Day 1");
    day.projects = {projectNamed("Cut")};
    plain.events = {day};
    // A path holding "|", with an event and a project whose names hold one too.
    LibraryInfo barred = libraryAt("/Volumes/V/Ours|Theirs.fcpbundle");
    EventInfo barredDay = eventNamed("Day|2");
    barredDay.projects = {projectNamed("Cut|A")};
    barred.events = {barredDay};
    // "/Volumes/V/Odd" with an event "x|Ev" against a library at "/Volumes/V/Odd|x": the
    // row "/Volumes/V/Odd|x|Ev" names the first library's event, though the second path is
    // the longer fit.
    LibraryInfo odd = libraryAt("/Volumes/V/Odd");
    odd.events = {eventNamed("x|Ev")};
    LibraryInfo oddX = libraryAt("/Volumes/V/Odd|x");
    oddX.events = {eventNamed("Other")};
    w.setLibraries({plain, barred, odd, oddX});
    w.setMedia({{plain.path, {{"a.mov", 1, "Day 1"}}},
                {barred.path, {{"b.mov", 2, "Day|2"}, {"c.mov", 3, "Day|2"}}}});

    struct Case {
        std::optional<QString> row;
        Mode mode;
        std::optional<QString> library;
    };
    const QString P = plain.path;
    const QString B = barred.path;
    const QList<Case> cases = {
        {std::nullopt, Mode::libraries, std::nullopt},
        {P, Mode::libraries, P},
        {B, Mode::libraries, B},
        {P + "|Day 1", Mode::libraries, std::nullopt}, // the whole identifier is the path there
        // The other tabs resolve through RowLibrary::find; the tab decides what the rest of
        // the identifier names.
        {P + "|Day 1", Mode::events, P},
        {P + "|Day 1|Cut", Mode::projects, P},
        {B + "|Day|2|Cut|A", Mode::projects, B},
        {"/Volumes/V/Odd|x|Ev", Mode::events, odd.path},
        {"/Volumes/V/Odd|x", Mode::browser, oddX.path},
        // Media rows are positions in the media list.
        {"0", Mode::media, P},
        {"2", Mode::media, B},
        {"+1", Mode::media, B},
        {"3", Mode::media, std::nullopt}, // from an earlier, longer list
        {"-1", Mode::media, std::nullopt},
        {"99999999999999999999999", Mode::media, std::nullopt},
        {"2", Mode::libraries, std::nullopt},
        {P, Mode::media, P}, // not a number: read as a path
        {"", Mode::media, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<LibraryInfo> found = TableRows::library(c.row, c.mode, catalog());
        EXPECT_EQ(found ? std::optional<QString>(found->path) : std::nullopt, c.library)
            << c.row.value_or("(none)").toStdString() << " in " << rawValue(c.mode).toStdString();
    }

    // The focus is the pair the identifier names, found among the library's own names.
    EXPECT_EQ(TableRows::focusedProject(P + "|Day 1|Cut", Mode::projects, catalog()),
              (ProjectFocus{"Day 1", "Cut"}));
    EXPECT_EQ(TableRows::focusedProject(B + "|Day|2|Cut|A", Mode::projects, catalog()),
              (ProjectFocus{"Day|2", "Cut|A"}));
    EXPECT_EQ(TableRows::focusedProject(P + "|Day 1|Cut", Mode::events, catalog()), std::nullopt);
    EXPECT_EQ(TableRows::focusedProject(P + "|Day 1", Mode::projects, catalog()), std::nullopt);
    EXPECT_EQ(TableRows::focusedProject(P + "|Day 1|Gone", Mode::projects, catalog()), std::nullopt);
    EXPECT_EQ(TableRows::focusedProject(std::nullopt, Mode::projects, catalog()), std::nullopt);
}

TEST_F(TableRowsTest, theFocusedProjectKeepsEventAndProjectApart) {
    // "A|B" with "C" and "A" with "B|C" spell the same row identifier; each library resolves
    // to the pair it holds, never to a joined text that both would match.
    LibraryInfo first = libraryAt("/Volumes/V/First.fcpbundle");
    EventInfo ab = eventNamed("A|B");
    ab.projects = {projectNamed("C")};
    first.events = {ab};
    LibraryInfo second = libraryAt("/Volumes/V/Second.fcpbundle");
    EventInfo a = eventNamed("A");
    a.projects = {projectNamed("B|C")};
    second.events = {a};
    w.setLibraries({first, second});

    EXPECT_EQ(TableRows::focusedProject(first.path + "|A|B|C", Mode::projects, catalog()),
              (ProjectFocus{"A|B", "C"}));
    EXPECT_EQ(TableRows::focusedProject(second.path + "|A|B|C", Mode::projects, catalog()),
              (ProjectFocus{"A", "B|C"}));
}
