// The Plug-ins tab as plain logic: the tree over the listed libraries, its filters and sort,
// the header's counts, the empty state, the column widths and a row's library. Health comes
// from the real checker on a machine of the test's own: a template nobody installed is
// missing, a file that exists is installed, an FxPlug plug-in found nowhere is unverified.

#include "Plugins/PluginTree.h"

#include "Plugins/PluginColumns.h"
#include "Tests/Plugins/PluginMachine.h"
#include "Tests/Support/QtPrinters.h"
#include "Tests/Support/RecordingMeasurer.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pellimor;
using test::PluginMachine;
using test::RecordingMeasurer;

namespace {

struct Use {
    QString kind;
    QString pack;
    QString name;
    QString id;
    qint64 count = 1;
};

// A library whose event "Shoot" holds one project per place, each using `uses`.
LibraryInfo library(const QString& name, const QString& path, const QList<QList<Use>>& places,
                    const QString& drive = QStringLiteral("Studio")) {
    LibraryInfo l;
    l.name = name;
    l.path = path;
    l.volumeName = drive;
    EventInfo e;
    e.name = QStringLiteral("Shoot");
    e.plugins = QList<PluginUse>{};
    for (qsizetype i = 0; i < places.size(); ++i) {
        ProjectInfo p;
        p.name = QStringLiteral("Cut %1").arg(i + 1);
        QList<PluginUse> uses;
        for (const Use& u : places[i])
            uses.append(PluginUse{u.kind, u.pack, u.name, u.id, u.count});
        p.plugins = uses;
        e.projects.append(p);
    }
    l.events.append(e);
    return l;
}

class PluginTreeTest : public ::testing::Test {
protected:
    // A template identifier that is missing until installTemplate(item) is called.
    static QString templ(const QString& pack, const QString& item) {
        return QStringLiteral("~/Titles.localized/%1/%2.moti").arg(pack, item);
    }
    QString installed(const QString& item) {
        const QString path = QDir(machine.root).filePath(QStringLiteral("Plug-ins/%1.bundle").arg(item));
        QDir().mkpath(path);
        return path;
    }
    static QString fx(int n) {
        return QStringLiteral("FxPlug:%1-1111-4111-8111-111111111111").arg(n, 8, 10, QLatin1Char('0'));
    }
    Use title(const QString& pack, const QString& item, const QString& id, qint64 count = 1) {
        return {QStringLiteral("Title"), pack, item, id, count};
    }

    QList<PNode> build(const QList<LibraryInfo>& libraries, const QString& search = {},
                       bool onlyMissing = false, const PluginSort& sort = {}) {
        PluginTree::Inputs in{libraries, SearchQuery(search), onlyMissing, sort};
        return PluginTree::build(in, packHealth,
                                 [](const LibraryInfo& l) { return !l.path.contains("Gone"); });
    }

    static QStringList names(const QList<PNode>& rows) {
        QStringList list;
        for (const PNode& row : rows)
            list.append(row.name);
        return list;
    }

    PluginMachine machine;
};

} // namespace

TEST_F(PluginTreeTest, NothingUsedGivesZeroCountsAndTheEmptyTitles) {
    const QList<PNode> rows = build({library("A", "/A.fcpbundle", {{}, {}})});
    EXPECT_TRUE(rows.isEmpty());
    const PluginTree::Counts counts = PluginTree::counts(rows);
    EXPECT_EQ(PluginTree::packsText(counts.packs), "0 third-party plug-in packs used in your libraries");
    EXPECT_EQ(PluginTree::missingText(counts.missing), "\u00b7 0 not installed");
    EXPECT_EQ(PluginTree::incompleteText(counts.partial), "\u00b7 0 incomplete");
    EXPECT_EQ(PluginTree::emptyTitle(false), "No third-party plug-ins found");
    EXPECT_EQ(PluginTree::emptyTitle(true), "No problems found on this Mac");

    // "Only problems" with every pack installed or unverified: nothing left.
    const LibraryInfo fine = library(
        "B", "/B.fcpbundle",
        {{title("Glow", "Glow", installed("Glow")), {QStringLiteral("Effect"), "Grain", "Grain", fx(1)}}});
    EXPECT_EQ(build({fine}).size(), 2);
    EXPECT_EQ(PluginTree::counts(build({fine}, {}, true)).packs, 0);
}

TEST_F(PluginTreeTest, TheNotReadLineLooksAtTheWholeCatalogue) {
    LibraryInfo read = library("A", "/A.fcpbundle", {{title("P", "x", templ("P", "x"))}});
    LibraryInfo unread = library("B", "/B.fcpbundle", {{}});
    EXPECT_FALSE(PluginTree::anyNotRead({read, unread}));
    unread.events[0].projects[0].plugins.reset();
    // Only the read library is listed, and a search empties the table: the whole catalogue
    // still has a project never read.
    EXPECT_TRUE(build({read}, "nothing-matches").isEmpty());
    EXPECT_TRUE(PluginTree::anyNotRead({read, unread}));
    // An event's own list never read does not count.
    LibraryInfo eventOnly = read;
    eventOnly.events[0].plugins.reset();
    EXPECT_FALSE(PluginTree::anyNotRead({eventOnly}));
    EXPECT_EQ(PluginTree::notReadLine(),
              "Some libraries haven't been read for plug-ins yet. Use Scan \u25b8 Refresh Watched Folders.");
}

TEST_F(PluginTreeTest, PacksAcrossLibraries) {
    const QString glow = installed("Glow");
    const LibraryInfo a =
        library("Alpha", "/A.fcpbundle",
                {{title("Pack", "Glow", glow, 2), title("Pack", "Shine", templ("Pack", "Shine"))},
                 {title("Pack", "Glow", glow, 3)}});
    const LibraryInfo b = library("Beta", "/Gone/B.fcpbundle", {{title("Pack", "Glow", glow, 4)}}, "Archive");
    // One pack name under two kinds: two pack rows.
    const LibraryInfo c =
        library("Gamma", "/C.fcpbundle", {{{QStringLiteral("Effect"), "Pack", "Blur", installed("Blur")}}});
    const QList<PNode> rows = build({a, b, c});
    ASSERT_EQ(rows.size(), 2);

    const PNode& title = rows[0]; // incomplete before installed
    EXPECT_EQ(title.id, "Title|Pack");
    EXPECT_TRUE(title.isPack);
    EXPECT_EQ(title.status, PluginStatus::partial);
    EXPECT_EQ(title.libraries, 2);
    EXPECT_EQ(title.projects, 3);
    EXPECT_EQ(title.uses, 10);
    EXPECT_EQ(title.details, "Missing items: Shine");
    ASSERT_EQ(title.kids.size(), 2);
    // Each library row has its own status; the default order keeps them as visited within
    // a rank, the most urgent first.
    EXPECT_EQ(title.kids[0].id, "Title|Pack|/A.fcpbundle");
    EXPECT_EQ(title.kids[0].status, PluginStatus::partial);
    EXPECT_EQ(title.kids[0].kind, "Studio");
    EXPECT_EQ(title.kids[0].projects, 2);
    EXPECT_EQ(title.kids[0].uses, 6);
    EXPECT_EQ(title.kids[0].details, "Shoot / Cut 1, Shoot / Cut 2");
    EXPECT_TRUE(title.kids[0].online);
    EXPECT_EQ(title.kids[1].status, PluginStatus::installed);
    EXPECT_EQ(title.kids[1].kind, "Archive");
    EXPECT_FALSE(title.kids[1].online);
    EXPECT_EQ(title.kids[1].libPath, "/Gone/B.fcpbundle");

    EXPECT_EQ(rows[1].id, "Effect|Pack");
    EXPECT_EQ(rows[1].status, PluginStatus::installed);
    EXPECT_EQ(rows[1].details, "Items used: Blur");

    const PluginTree::Counts counts = PluginTree::counts(rows);
    EXPECT_EQ(counts.packs, 2);
    EXPECT_EQ(counts.partial, 1);
    EXPECT_EQ(counts.missing, 0);
}

TEST_F(PluginTreeTest, InstalledInOneLibraryMissingInAnother) {
    const QString glow = installed("Glow");
    const LibraryInfo a = library("A", "/A.fcpbundle", {{title("Pack", "Glow", glow)}});
    const LibraryInfo b = library("B", "/B.fcpbundle", {{title("Pack", "Zap", templ("Pack", "Zap"))}});
    const QList<PNode> rows = build({a, b});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].status, PluginStatus::missing);
    EXPECT_EQ(rows[0].details, "Not installed: Zap");
    ASSERT_EQ(rows[0].kids.size(), 2);
    EXPECT_EQ(rows[0].kids[0].name, "B");
    EXPECT_EQ(rows[0].kids[0].status, PluginStatus::missing);
    EXPECT_EQ(rows[0].kids[1].status, PluginStatus::installed);
}

TEST_F(PluginTreeTest, DetailsShortenLongLists) {
    // Missing names: each once over the libraries, six shown, the rest counted.
    const auto missingPack = [&](int missing) {
        QList<Use> uses{title("Pack", "Here", installed("Here"))};
        for (int i = 0; i < missing; ++i)
            uses.append(
                title("Pack", QStringLiteral("M%1").arg(i), templ("Pack", QStringLiteral("M%1").arg(i))));
        return library("A", "/A.fcpbundle", {uses});
    };
    const QString six = "M0, M1, M2, M3, M4, M5";
    EXPECT_EQ(build({missingPack(6)})[0].details, "Missing items: " + six);
    EXPECT_EQ(build({missingPack(7)})[0].details, "Missing items: " + six + " \u2026 +1 more");
    EXPECT_EQ(build({missingPack(9)})[0].details, "Missing items: " + six + " \u2026 +3 more");
    // The same missing item in two libraries is named once; missing in one of them makes the
    // pack missing.
    const LibraryInfo b = library("B", "/B.fcpbundle", {{title("Pack", "M0", templ("Pack", "M0"))}});
    EXPECT_EQ(build({missingPack(1), b})[0].details, "Not installed: M0");

    // Items used: six, then an ellipsis.
    QList<Use> used;
    for (int i = 0; i < 7; ++i)
        used.append(title("Used", QStringLiteral("I%1").arg(i), installed(QStringLiteral("I%1").arg(i))));
    EXPECT_EQ(build({library("A", "/A.fcpbundle", {used})})[0].details,
              "Items used: I0, I1, I2, I3, I4, I5 \u2026");

    // Place labels on a library row: four, then an ellipsis.
    const QString glow = installed("Glow");
    const auto places = [&](int n) {
        QList<QList<Use>> list;
        for (int i = 0; i < n; ++i)
            list.append({title("Pack", "Glow", glow)});
        return library("A", "/A.fcpbundle", list);
    };
    EXPECT_EQ(build({places(4)})[0].kids[0].details,
              "Shoot / Cut 1, Shoot / Cut 2, Shoot / Cut 3, Shoot / Cut 4");
    EXPECT_EQ(build({places(5)})[0].kids[0].details,
              "Shoot / Cut 1, Shoot / Cut 2, Shoot / Cut 3, Shoot / Cut 4 \u2026");
}

TEST_F(PluginTreeTest, SearchKeepsAPackWithAllItsLibraries) {
    const QString glow = installed("Glow");
    const LibraryInfo wedding = library("Wedding", "/W.fcpbundle", {{title("Lights", "Glow", glow)}});
    const LibraryInfo concert =
        library("Concert", "/C.fcpbundle",
                {{title("Lights", "Glow", glow), title("Other", "Flare", installed("Flare"))}});
    struct Case {
        const char* search;
        QStringList packs;
    };
    const Case cases[] = {
        {"wedding", {"Lights"}},        // a library's name: the pack keeps both libraries
        {"glow", {"Lights"}},           // an item's name
        {"flare other", {"Other"}},     // the pack's name and item, every term
        {"title other", {"Other"}},     // the kind is context
        {"cut", {"Lights", "Other"}},   // a place label
        {"wedding flare", {}},          // "flare" is in neither the library's name nor the pack's
        {"concert lights", {"Lights"}}, // library name within the pack's name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const QList<PNode> rows = build({wedding, concert}, c.search);
        QStringList packs = names(rows);
        packs.sort();
        EXPECT_EQ(packs, c.packs);
        if (c.packs == QStringList{"Lights"}) {
            EXPECT_EQ(rows[0].kids.size(), 2);
        }
    }
}

TEST_F(PluginTreeTest, SortingByHeadings) {
    QList<Use> uses;
    for (const char* pack : {"Pack 10", "pack 3", "Pack 2"})
        uses.append(title(pack, "x", installed(QString::fromLatin1(pack))));
    const LibraryInfo a = library("A", "/A.fcpbundle", {uses});
    PluginSort sort;
    sort = sort.clicked(PluginSort::Field::name);
    EXPECT_EQ(sort.keys.first(), (PluginSort::Key{PluginSort::Field::name, true}));
    EXPECT_EQ(sort.keys.size(), 3);
    EXPECT_EQ(names(build({a}, {}, false, sort)), (QStringList{"Pack 2", "pack 3", "Pack 10"}));
    sort = sort.clicked(PluginSort::Field::name); // first already: flipped
    EXPECT_EQ(names(build({a}, {}, false, sort)), (QStringList{"Pack 10", "pack 3", "Pack 2"}));
    // The others stay after it, in their order.
    EXPECT_EQ(sort.keys[1], (PluginSort::Key{PluginSort::Field::rank, true}));
    EXPECT_EQ(sort.keys[2], (PluginSort::Key{PluginSort::Field::libraries, false}));
    sort = sort.clicked(PluginSort::Field::libraries);
    EXPECT_EQ(sort.keys.first(), (PluginSort::Key{PluginSort::Field::libraries, false}));

    // Default: status rank, then more libraries first; ties always in the same order.
    const LibraryInfo b = library("B", "/B.fcpbundle", {{title("Pack 3", "y", templ("P3", "y"))}});
    const LibraryInfo c = library("C", "/C.fcpbundle", {{title("Pack 10", "x", installed("Pack 10"))}});
    EXPECT_EQ(names(build({a, b, c})), (QStringList{"Pack 3", "Pack 10", "Pack 2", "pack 3"}));
    EXPECT_EQ(names(build({c, b, a})), (QStringList{"Pack 3", "Pack 10", "Pack 2", "pack 3"}));
}

TEST_F(PluginTreeTest, ARowsLibraryIsItsOwnPath) {
    const QString glow = installed("Glow");
    // Bars in the kind, the pack's name and the path: the row still names its own library.
    const LibraryInfo odd =
        library("Odd", "/Vol|ume/Odd|Lib.fcpbundle", {{{QStringLiteral("Ti|tle"), "Pa|ck", "Glow", glow}}});
    const LibraryInfo other = library("Other", "/Other.fcpbundle", {{title("Pack", "Glow", glow)}});
    const QList<PNode> rows = build({odd, other});
    const PNode* row = PluginTree::find(rows, "Ti|tle|Pa|ck|/Vol|ume/Odd|Lib.fcpbundle");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(PluginTree::library(row->id, rows, {other, odd})->name, "Odd");
    // A pack row, no id, an unknown id, or a library no longer listed: none.
    EXPECT_FALSE(PluginTree::library(QStringLiteral("Ti|tle|Pa|ck"), rows, {odd, other}));
    EXPECT_FALSE(PluginTree::library(std::nullopt, rows, {odd, other}));
    EXPECT_FALSE(PluginTree::library(QStringLiteral("Title|Pack|/Nowhere"), rows, {odd, other}));
    EXPECT_FALSE(PluginTree::library(row->id, rows, {other}));
}

TEST_F(PluginTreeTest, BadInputBuildsQuietly) {
    // Use lists never read, empty pack names, and a thousand packs.
    LibraryInfo unread = library("U", "/U.fcpbundle", {{}});
    unread.events[0].plugins.reset();
    unread.events[0].projects[0].plugins.reset();
    QList<Use> many{title("", "x", installed("x"))};
    for (int i = 0; i < 1000; ++i)
        many.append(title(QStringLiteral("P%1").arg(i), "x", installed("x")));
    const QList<PNode> rows = build({unread, library("M", "/M.fcpbundle", {many})});
    EXPECT_EQ(rows.size(), 1001);
    EXPECT_NE(PluginTree::find(rows, "Title|"), nullptr);
}

TEST(PluginColumnsTest, DeclaredColumnsAndLabels) {
    EXPECT_EQ(PluginColumns::declared(),
              (QStringList{"status", "name", "kind", "libraries", "projects", "uses", "details", "open"}));
    EXPECT_EQ(PluginColumns::tableName(), "plugins.v2");
    EXPECT_EQ(PluginColumns::defs()[PluginColumns::name].title, "Pack / Library");
    EXPECT_EQ(PluginColumns::defs()[PluginColumns::details].ideal, 380);
    EXPECT_FALSE(PluginColumns::defs()[PluginColumns::open].sort);
    EXPECT_EQ(PluginColumns::statusLabel(PluginStatus::installed), "OK");
    EXPECT_EQ(PluginColumns::statusLabel(PluginStatus::missing), "Not installed");
    EXPECT_EQ(PluginColumns::statusLabel(PluginStatus::unverified), "Unverified");
    EXPECT_EQ(PluginColumns::statusLabel(PluginStatus::partial), "Incomplete");
    EXPECT_EQ(statusTone(PluginStatus::missing), PluginTone::red);
    EXPECT_EQ(statusTone(PluginStatus::partial), PluginTone::orange);
    EXPECT_EQ(statusTone(PluginStatus::unverified), PluginTone::secondary);
}

TEST(PluginColumnsTest, WidthsAtEitherScale) {
    PNode lib;
    lib.id = "Title|Pack|/A";
    lib.name = "Wedding Library";
    lib.kind = "Studio";
    lib.status = PluginStatus::missing;
    lib.projects = 12;
    lib.uses = 345;
    lib.details = "Shoot / Cut 1";
    PNode pack = lib;
    pack.id = "Title|Pack";
    pack.isPack = true;
    pack.name = "Pack";
    pack.kind = "Title";
    pack.status = PluginStatus::partial;
    pack.libraries = 1;
    pack.details = "Missing items: Shine";
    pack.kids = {lib};
    for (const double scale : {1.0, 1.3}) {
        SCOPED_TRACE(scale);
        RecordingMeasurer measurer;
        const QHash<QString, double> widths = PluginColumns::widths({pack}, ColumnWidths(scale, measurer));
        const auto w = [&](const QString& text, double points) {
            return std::ceil(RecordingMeasurer::widthOf(text, points * scale));
        };
        EXPECT_EQ(widths.value("Status"), w("Not installed", 12) + 24);
        EXPECT_EQ(widths.value("Pack / Library"), std::max(w("Pack", 13), w("Wedding Library", 13) + 12));
        EXPECT_EQ(widths.value("Type / Drive"), w("Studio", 12));
        EXPECT_EQ(widths.value("Libraries"), w("1", 13) + 2);
        EXPECT_EQ(widths.value("Projects"), w("12", 13) + 2);
        EXPECT_EQ(widths.value("Uses"), w("345", 13) + 2);
        EXPECT_EQ(widths.value("Details"), w("Missing items: Shine", 12));
        EXPECT_DOUBLE_EQ(widths.value("Open"), 48 * scale);
    }
    // Pack names are measured semibold.
    RecordingMeasurer measurer;
    PluginColumns::widths({pack}, ColumnWidths(1.0, measurer));
    bool semibold = false;
    for (const RecordingMeasurer::Rendered& r : measurer.rendered)
        semibold = semibold || (r.text == "Pack" && r.weight == TextMeasurer::Weight::semibold);
    EXPECT_TRUE(semibold);
    // Nothing in "Type / Drive" or "Details": no entry.
    pack.kind.clear();
    pack.details.clear();
    pack.kids[0].kind.clear();
    pack.kids[0].details.clear();
    const QHash<QString, double> bare = PluginColumns::widths({pack}, ColumnWidths(1.3, measurer));
    EXPECT_FALSE(bare.contains("Type / Drive"));
    EXPECT_FALSE(bare.contains("Details"));
    EXPECT_DOUBLE_EQ(bare.value("Open"), 62.4);
}
