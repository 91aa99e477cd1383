// Packs: the grouping of a library's plug-in uses, the health of a pack from its identifiers'
// answers, and the counts the catalogue keeps per read of a library.

#include "Plugins/PackHealth.h"

#include "Plugins/PackStats.h"
#include "Plugins/PackSummary.h"
#include "Plugins/PluginChecker.h"
#include "Plugins/StatusIcon.h"
#include "Tests/Plugins/PluginMachine.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace pellimor;
using test::PluginMachine;

namespace {

const QString kTitle = QStringLiteral("~/Titles.localized/Pack A.localized/Lower Third/Lower Third.moti");

PluginUse use(const QString& kind, const QString& pack, const QString& name, const QString& id,
              qint64 count) {
    return PluginUse{kind, pack, name, id, count};
}

PluginUse title(const QString& name, const QString& id, qint64 count = 1) {
    return use(QStringLiteral("Title"), QStringLiteral("Pack A"), name, id, count);
}

ProjectInfo project(const QString& name, std::optional<QList<PluginUse>> plugins) {
    ProjectInfo p;
    p.name = name;
    p.plugins = std::move(plugins);
    return p;
}

EventInfo event(const QString& name, std::optional<QList<PluginUse>> plugins,
                QList<ProjectInfo> projects = {}) {
    EventInfo e;
    e.name = name;
    e.plugins = std::move(plugins);
    e.projects = std::move(projects);
    return e;
}

LibraryInfo library(QList<EventInfo> events, qint64 scannedAt = 1704067200) {
    LibraryInfo l;
    l.path = QStringLiteral("/Volumes/Studio/Wedding.fcpbundle");
    l.name = QStringLiteral("Wedding");
    l.scannedAt = QDateTime::fromSecsSinceEpoch(scannedAt, Qt::UTC);
    l.events = std::move(events);
    return l;
}

QList<PackSummary> sorted(QList<PackSummary> summaries) {
    std::sort(summaries.begin(), summaries.end(),
              [](const PackSummary& a, const PackSummary& b) { return a.id() < b.id(); });
    return summaries;
}

const char* name(PluginStatus status) {
    switch (status) {
    case PluginStatus::installed:
        return "installed";
    case PluginStatus::missing:
        return "missing";
    case PluginStatus::unverified:
        return "unverified";
    case PluginStatus::partial:
        return "partial";
    }
    return "?";
}

} // namespace

TEST(PackSummaries, GroupEveryUseOfAKindAndPackWithItsPlaces) {
    const QString wipe = QStringLiteral("~/Transitions.localized/Pack A.localized/Wipe/Wipe.motr");
    struct Case {
        const char* what;
        LibraryInfo library;
        QList<PackSummary> expected; // by id()
    };
    PackSummary lowerThird;
    lowerThird.kind = QStringLiteral("Title");
    lowerThird.pack = QStringLiteral("Pack A");
    lowerThird.items = {{QStringLiteral("Lower Third"), 1 + 2 + 4}};
    lowerThird.ids = {kTitle};
    lowerThird.idNames = {{kTitle, QStringLiteral("Lower Third")}};
    lowerThird.projects = {QStringLiteral("Day 1 / clips in the event"), QStringLiteral("Day 1 / Edit A"),
                           QStringLiteral("Day 1 / Edit B")};

    PackSummary asTitle;
    asTitle.kind = QStringLiteral("Title");
    asTitle.pack = QStringLiteral("Pack A");
    asTitle.items = {{QStringLiteral("Lower Third"), 1}};
    asTitle.ids = {kTitle};
    asTitle.idNames = {{kTitle, QStringLiteral("Lower Third")}};
    asTitle.projects = {QStringLiteral("Day 1 / Edit")};
    PackSummary asTransition = asTitle;
    asTransition.kind = QStringLiteral("Transition");
    asTransition.items = {{QStringLiteral("Wipe"), 3}};
    asTransition.ids = {wipe};
    asTransition.idNames = {{wipe, QStringLiteral("Wipe")}};
    asTransition.projects = {QStringLiteral("Day 2 / clips in the event")};

    PackSummary renamed = asTitle;
    renamed.items = {{QStringLiteral("Lower Third"), 1}, {QStringLiteral("Lower Third Pro"), 2}};
    renamed.idNames = {{kTitle, QStringLiteral("Lower Third Pro")}};
    renamed.projects = {QStringLiteral("Day 1 / Edit"), QStringLiteral("Day 2 / Edit")};

    const Case cases[] = {
        {"one item in the event's clips and two of its projects",
         library({event("Day 1", QList{title("Lower Third", kTitle, 1)},
                        {project("Edit A", QList{title("Lower Third", kTitle, 2)}),
                         project("Edit B", QList{title("Lower Third", kTitle, 4)}),
                         project("Notes", std::nullopt)})}),
         {lowerThird}},
        {"one pack under two kinds",
         library({event("Day 1", std::nullopt, {project("Edit", QList{title("Lower Third", kTitle)})}),
                  event("Day 2", QList{use("Transition", "Pack A", "Wipe", wipe, 3)})}),
         {asTitle, asTransition}},
        {"an identifier used later under another name",
         library(
             {event("Day 1", QList<PluginUse>{}, {project("Edit", QList{title("Lower Third", kTitle, 1)})}),
              event("Day 2", std::nullopt, {project("Edit", QList{title("Lower Third Pro", kTitle, 2)})})}),
         {renamed}},
        {"use lists never read",
         library({event("Day 1", std::nullopt, {project("Edit", std::nullopt)})}),
         {}},
        {"empty use lists",
         library({event("Day 1", QList<PluginUse>{}, {project("Edit", QList<PluginUse>{})})}),
         {}},
        {"no events", library({}), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<PackSummary> summaries = sorted(packSummaries(c.library));
        ASSERT_EQ(summaries.size(), c.expected.size());
        for (qsizetype i = 0; i < summaries.size(); ++i) {
            const PackSummary& got = summaries[i];
            const PackSummary& want = c.expected[i];
            EXPECT_EQ(got.id(), want.kind + "|" + want.pack);
            EXPECT_EQ(got.items, want.items) << got.id().toStdString();
            EXPECT_EQ(got.ids, want.ids);
            EXPECT_EQ(got.idNames, want.idNames);
            EXPECT_EQ(got.projects, want.projects);
            EXPECT_EQ(got, want);
        }
    }
    EXPECT_EQ(lowerThird.uses(), 7);
    PackSummary huge = renamed;
    huge.items = {{"a", std::numeric_limits<qint64>::max()}, {"b", 5}};
    EXPECT_EQ(huge.uses(), std::numeric_limits<qint64>::max()) << "a damaged count does not overflow";
}

TEST(PackHealthTest, APackIsAsHealthyAsItsIdentifiers) {
    PluginMachine machine;
    // Installed: a plug-in bundle below the root; missing: templates nobody installed;
    // unverified: FxPlug plug-ins found nowhere.
    const QString installed = QDir(machine.root).filePath("Plug-ins/Glow.bundle");
    QDir().mkpath(installed);
    const QString fxA = QStringLiteral("FxPlug:11111111-1111-4111-8111-111111111111");
    const QString fxB = QStringLiteral("FxPlug:22222222-2222-4222-8222-222222222222");
    const auto missing = [](const char* item) {
        return QStringLiteral("~/Titles.localized/Pack/%1.moti").arg(item);
    };

    struct Case {
        const char* what;
        QList<std::pair<QString, std::optional<QString>>> ids; // identifier, its recorded name
        PluginStatus status;
        QStringList missing;
    };
    const Case cases[] = {
        {"no identifiers", {}, PluginStatus::installed, {}},
        {"all installed", {{installed, "Glow"}}, PluginStatus::installed, {}},
        {"one missing, one unverified",
         {{missing("a"), "Alpha"}, {fxA, "Grain"}},
         PluginStatus::partial,
         {"Alpha"}},
        {"one missing, one installed",
         {{missing("a"), "Alpha"}, {installed, "Glow"}},
         PluginStatus::partial,
         {"Alpha"}},
        {"all missing, names in case-sensitive order",
         {{missing("z"), "alpha"},
          {missing("y"), "Zeta"},
          {missing("x"), "Beta"},
          {missing("w"), "\u00c9clair"}},
         PluginStatus::missing,
         {"Beta", "Zeta", "alpha", "\u00c9clair"}},
        {"all FxPlug identifiers unknown", {{fxA, "Grain"}, {fxB, "Glow"}}, PluginStatus::unverified, {}},
        {"installed and unverified", {{installed, "Glow"}, {fxA, "Grain"}}, PluginStatus::unverified, {}},
        {"two missing identifiers of one name",
         {{missing("a"), "Glow"}, {missing("b"), "Glow"}},
         PluginStatus::missing,
         {"Glow", "Glow"}},
        {"a missing identifier without a name",
         {{missing("n"), std::nullopt}, {missing("e"), ""}},
         PluginStatus::missing,
         {"", missing("n")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PackSummary summary;
        summary.kind = QStringLiteral("Title");
        summary.pack = QStringLiteral("Pack");
        for (const auto& [id, itemName] : c.ids) {
            summary.ids.insert(id);
            if (itemName)
                summary.idNames.insert(id, *itemName);
        }
        const PackHealth health = packHealth(summary);
        EXPECT_EQ(name(health.status), name(c.status));
        EXPECT_EQ(health.missing, c.missing);
        EXPECT_EQ(health.total, c.ids.size());
    }
    // Each identifier was computed once and kept.
    EXPECT_EQ(PluginChecker::shared().cache().size(), 11);
}

TEST(PackHealthTest, StatusRankAndIconOfEachStatus) {
    struct Case {
        PluginStatus status;
        int rank;
        StatusIcon icon;
    };
    using Colour = StatusIcon::Colour;
    const Case cases[] = {
        {PluginStatus::missing, 0, {"xmark.octagon.fill", Colour::red, "Not installed on this Mac"}},
        {PluginStatus::partial,
         1,
         {"exclamationmark.triangle.fill", Colour::orange,
          "Pack is installed, but some of the items used are missing"}},
        {PluginStatus::unverified,
         2,
         {"questionmark.circle.fill", Colour::grey, "Can't tell whether this is installed"}},
        {PluginStatus::installed, 3, {"checkmark.circle.fill", Colour::green, "Installed on this Mac"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(name(c.status));
        EXPECT_EQ(statusRank(c.status), c.rank);
        const StatusIcon icon = statusIcon(c.status);
        EXPECT_EQ(icon.symbol, c.icon.symbol);
        EXPECT_EQ(int(icon.colour), int(c.icon.colour));
        EXPECT_EQ(icon.help, c.icon.help);
    }
}

// ---- The catalogue's counts ----------------------------------------------------------------

TEST(PluginStatsTest, EachPackCountsByItsHealth) {
    PluginMachine machine;
    const QString glow = QDir(machine.root).filePath("Plug-ins/Glow.bundle");
    QDir().mkpath(glow);
    const QString fx = QStringLiteral("FxPlug:11111111-1111-4111-8111-111111111111");
    const LibraryInfo wedding = library({
        event("Day 1", QList{use("Effect", "Installed", "Glow", glow, 1)},
              {project("Edit", QList{title("Lower Third", kTitle), use("Effect", "Grain", "Grain", fx, 2),
                                     use("Effect", "Mixed", "Glow", glow, 1),
                                     use("Effect", "Mixed", "Flare", "~/Effects.localized/Flare.moef", 1)})}),
    });
    EXPECT_EQ(PackStats::count(wedding), (Catalog::PluginStats{4, 1, 1, 1}));
    EXPECT_EQ(machine.catalog->pluginStats(wedding), (Catalog::PluginStats{4, 1, 1, 1}));
    EXPECT_EQ(machine.catalog->pluginStats(
                  library({event("Day 1", std::nullopt, {project("Edit", std::nullopt)})}, 1704067300)),
              Catalog::PluginStats{});
}

TEST(PluginStatsTest, CountedOncePerReadOfALibraryUntilARecheck) {
    PluginMachine machine;
    const LibraryInfo first =
        library({event("Day 1", std::nullopt, {project("Edit", QList{title("Lower Third", kTitle)})})});
    EXPECT_EQ(machine.catalog->pluginStats(first), (Catalog::PluginStats{1, 1, 0, 0}));

    // Installed meanwhile: the counts of this read stand.
    PluginMachine::installTemplate(machine.userTemplates(), kTitle.mid(2));
    EXPECT_EQ(machine.catalog->pluginStats(first), (Catalog::PluginStats{1, 1, 0, 0}));

    // Read again, now with an FxPlug effect too: counted afresh (with the answers the checker
    // keeps until the recheck), without a recheck.
    LibraryInfo rescanned = first;
    rescanned.scannedAt = first.scannedAt.addMSecs(500);
    rescanned.events[0].projects[0].plugins->append(
        use("Effect", "Grain", "Grain", "FxPlug:11111111-1111-4111-8111-111111111111", 1));
    EXPECT_EQ(machine.catalog->pluginStats(rescanned), (Catalog::PluginStats{2, 1, 0, 1}));
    QStringList keys = machine.catalog->pluginStatsCache().keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"/Volumes/Studio/Wedding.fcpbundle|1704067200.0",
                                 "/Volumes/Studio/Wedding.fcpbundle|1704067200.5"}));

    machine.catalog->recheckPlugins();
    EXPECT_EQ(machine.catalog->pluginStats(first), (Catalog::PluginStats{1, 0, 0, 0}));
    EXPECT_EQ(machine.catalog->pluginStats(rescanned), (Catalog::PluginStats{2, 0, 0, 1}));
}
