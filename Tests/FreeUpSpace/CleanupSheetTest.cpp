// What the free-up-space sheet shows and allows, without a window: the preview and the action
// buttons, the events that can be ticked, the run's progress and its summary.

#include "FreeUpSpace/CleanupSheet.h"

#include "Support/ByteCount.h"
#include "Tests/FreeUpSpace/CleanupPrinters.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {

using Kind = GeneratedKind;
using Shows = CleanupSheet::Preview::Shows;

CleanupTarget target(const QString& event, Kind kind, qint64 bytes,
                     const QString& name = QStringLiteral("x")) {
    return {QStringLiteral("/lib.fcpbundle/") + event + QStringLiteral("/") + name, kind, event, bytes};
}

CleanupPlan plan(int targets, int blockers) {
    CleanupPlan made;
    for (int i = 0; i < targets; ++i)
        made.targets.append(target(QStringLiteral("Day"), Kind::proxy, 1000 * (i + 1), QString::number(i)));
    for (int i = 0; i < blockers; ++i)
        made.blockers.append(QStringLiteral("kept ") + QString::number(i));
    return made;
}

EventInfo event(const QString& name, qint64 proxy, qint64 optimized = 0, qint64 render = 0) {
    EventInfo made;
    made.name = name;
    made.proxySize = proxy;
    made.optimizedSize = optimized;
    made.renderSize = render;
    return made;
}

LibraryInfo library(QList<EventInfo> events) {
    LibraryInfo made;
    made.path = QStringLiteral("/Volumes/Work/Film.fcpbundle");
    made.name = QStringLiteral("Film");
    made.events = std::move(events);
    return made;
}

TEST(CleanupSheetPreview, SummarisesThePlanAndPutsManyBlockersInAScrollArea) {
    struct Case {
        const char* name;
        int targets;
        int blockers;
        QString summary;
        bool scroll;
    };
    const QString freed1 = ByteCount::file(1000);
    const QString freed2 = ByteCount::file(3000);
    const Case cases[] = {
        {"one item", 1, 0, QStringLiteral("1 item · ") + freed1 + QStringLiteral(" will be freed"), false},
        {"two items", 2, 0, QStringLiteral("2 items · ") + freed2 + QStringLiteral(" will be freed"), false},
        {"no targets", 0, 1, QStringLiteral("Nothing to remove with these choices."), false},
        {"three blockers in place", 1, 3,
         QStringLiteral("1 item · ") + freed1 + QStringLiteral(" will be freed"), false},
        {"four blockers scroll", 2, 4,
         QStringLiteral("2 items · ") + freed2 + QStringLiteral(" will be freed"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CleanupSheetState state;
        state.plan = plan(c.targets, c.blockers);
        const CleanupSheet::Preview shown = CleanupSheet::preview(state);
        EXPECT_EQ(shown.shows, Shows::plan);
        EXPECT_EQ(shown.summary, c.summary);
        EXPECT_EQ(shown.nothingToRemove, c.targets == 0);
        EXPECT_EQ(shown.blockers, state.plan->blockers);
        EXPECT_EQ(shown.blockersScroll, c.scroll);
    }
}

TEST(CleanupSheetPreview, ShowsTheCheckOverAHeldPlanAndNothingBeforeTheFirst) {
    CleanupSheetState state;
    EXPECT_EQ(CleanupSheet::preview(state).shows, Shows::nothing);
    state.plan = plan(2, 1);
    state.planning = true;
    const CleanupSheet::Preview shown = CleanupSheet::preview(state);
    EXPECT_EQ(shown.shows, Shows::checking);
    EXPECT_EQ(shown.summary, QStringLiteral("Checking the library on disk…"));
    EXPECT_TRUE(shown.blockers.isEmpty());
}

TEST(CleanupSheetActions, AreAllowedOnlyForAStoredPlanWithTargets) {
    struct Case {
        const char* name;
        std::optional<CleanupPlan> plan;
        bool working;
        bool planning;
        bool enabled;
    };
    const Case cases[] = {
        {"targets and blockers", plan(2, 3), false, false, true},
        {"targets only", plan(1, 0), false, false, true},
        {"blockers only", plan(0, 2), false, false, false},
        {"while working", plan(2, 0), true, false, false},
        {"without a plan", std::nullopt, false, false, false},
        {"while planning", plan(2, 0), false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CleanupSheetState state;
        state.plan = c.plan;
        state.working = c.working;
        state.planning = c.planning;
        EXPECT_EQ(CleanupSheet::actionsEnabled(state), c.enabled);
    }
}

TEST(CleanupSheetEvents, FirstChoiceSizesAndEnabling) {
    const LibraryInfo lib =
        library({event("Day 1", 5000, 0, 700), event("Day 2", 0, 3000), event("Day 3", 200)});
    EXPECT_EQ(CleanupSheet::firstChoice(lib), (QSet<QString>{"Day 1", "Day 3"}));

    struct Case {
        const char* name;
        QSet<Kind> kinds;
        QList<qint64> sizes;
        QSet<QString> selectAll;
    };
    const Case cases[] = {
        {"proxy: the 0-byte event waits", {Kind::proxy}, {5000, 0, 200}, {"Day 1", "Day 3"}},
        {"optimized ticks it",
         {Kind::proxy, Kind::optimized},
         {5000, 3000, 200},
         {"Day 1", "Day 2", "Day 3"}},
        {"render alone", {Kind::render}, {700, 0, 0}, {"Day 1"}},
        {"all kinds off", {}, {0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<qint64> sizes;
        for (const EventInfo& e : lib.events) {
            sizes.append(CleanupSheet::size(e, c.kinds));
            EXPECT_EQ(CleanupSheet::eventEnabled(e, c.kinds), CleanupSheet::size(e, c.kinds) > 0)
                << qPrintable(e.name);
        }
        EXPECT_EQ(sizes, c.sizes);
        EXPECT_EQ(CleanupSheet::selectAll(lib, c.kinds), c.selectAll);
    }
}

TEST(CleanupSheetEvents, ATickedEventLeftAtZeroStaysTickedAndSelectAllLeavesItOut) {
    const LibraryInfo lib = library({event("Day 1", 5000), event("Day 2", 0, 3000)});
    CleanupSheetState state;
    state.kinds = {Kind::proxy, Kind::optimized};
    state.chosenEvents = CleanupSheet::selectAll(lib, state.kinds);
    ASSERT_TRUE(state.chosenEvents.contains("Day 2"));

    // Optimized media off: "Day 2" holds nothing now, yet nothing unticks it by itself.
    state.kinds = {Kind::proxy};
    EXPECT_TRUE(state.chosenEvents.contains("Day 2"));
    EXPECT_FALSE(CleanupSheet::eventEnabled(lib.events.at(1), state.kinds));
    EXPECT_EQ(CleanupSheet::planEvents(lib, state.chosenEvents), (QStringList{"Day 1", "Day 2"}));
    EXPECT_EQ(CleanupSheet::selectAll(lib, state.kinds), (QSet<QString>{"Day 1"}));
}

TEST(CleanupSheetEvents, AreAskedForInLibraryOrderThenForgottenOnes) {
    const LibraryInfo lib = library({event("B", 1), event("A", 1), event("C", 1)});
    EXPECT_EQ(CleanupSheet::planEvents(lib, {"C", "Gone", "B", "Away"}),
              (QStringList{"B", "C", "Away", "Gone"}));
    EXPECT_TRUE(CleanupSheet::planEvents(library({}), {}).isEmpty());
}

TEST(CleanupSheetLibrary, FollowsTheCatalogueAndFallsBackOnTheSnapshot) {
    LibraryInfo snapshot = library({event("Day 1", 5000)});
    LibraryInfo catalogued = snapshot;
    catalogued.events.first().proxySize = 0;
    LibraryInfo other = library({});
    other.path = QStringLiteral("/Volumes/Work/Other.fcpbundle");
    EXPECT_EQ(CleanupSheet::library({other, catalogued}, snapshot), catalogued);
    EXPECT_EQ(CleanupSheet::library({other}, snapshot), snapshot);
    EXPECT_EQ(CleanupSheet::title(snapshot.name), QStringLiteral("Free up space in “Film”"));
}

TEST(CleanupSheetProgress, NamesTheTargetAndWhatIsDone) {
    const QList<CleanupTarget> targets = {
        target("Day 1", Kind::proxy, 4096),     target("Day 1", Kind::optimized, 8192),
        target("Day 2", Kind::render, 12288),   target("Day 2", Kind::proxy, 4096),
        target("Day 3", Kind::optimized, 4096),
    };
    const qint64 before = 4096 + 8192;
    const qint64 total = 4096 + 8192 + 12288 + 4096 + 4096;
    const CleanupSheetState::Progress third =
        CleanupSheet::progress(false, 2, 5, targets.at(2), before, total);
    EXPECT_EQ(third.text, QStringLiteral("Moving to Trash 3 of 5: Day 2 — Render files (") +
                              ByteCount::file(12288) + QStringLiteral(") · ") + ByteCount::file(before) +
                              QStringLiteral(" of ") + ByteCount::file(total) + QStringLiteral(" done"));
    EXPECT_DOUBLE_EQ(third.fraction, double(before) / double(total));

    const CleanupSheetState::Progress empty =
        CleanupSheet::progress(true, 1, 2, target("Day 1", Kind::proxy, 0), 0, 0);
    EXPECT_EQ(empty.fraction, 0.0);
    EXPECT_EQ(empty.text,
              QStringLiteral("Deleting 2 of 2: Day 1 — Proxy media (Zero KB) · Zero KB of Zero KB done"));
    EXPECT_EQ(CleanupSheet::starting(), (CleanupSheetState::Progress{0, QStringLiteral("Starting…")}));
}

TEST(CleanupSheetResult, SummarisesTheRunWithItsErrorsAndTheTrashNote) {
    const QString note =
        QStringLiteral("This drive may not support the Trash. Use “Delete Permanently…” if you're sure.");
    struct Case {
        const char* name;
        Cleanup::Result2 result;
        bool permanent;
        QString text;
    };
    const Case cases[] = {
        {"two folders to the Trash",
         {9000, {"/a", "/b"}, {}},
         false,
         QStringLiteral("Moved to Trash: ") + ByteCount::file(9000) + QStringLiteral(" in 2 item(s).")},
        {"one item for good",
         {4096, {"/a"}, {}},
         true,
         QStringLiteral("Deleted: ") + ByteCount::file(4096) + QStringLiteral(" in 1 item(s).")},
        {"a failure to the Trash",
         {4096, {"/a"}, {"b.mov: Invalid cross-device link"}},
         false,
         QStringLiteral("Moved to Trash: ") + ByteCount::file(4096) +
             QStringLiteral(" in 1 item(s).\nb.mov: Invalid cross-device link\n") + note},
        {"the same failure for good",
         {4096, {"/a"}, {"b.mov: Invalid cross-device link"}},
         true,
         QStringLiteral("Deleted: ") + ByteCount::file(4096) +
             QStringLiteral(" in 1 item(s).\nb.mov: Invalid cross-device link")},
        {"every item fails",
         {0, {}, {"a: gone", "b: gone"}},
         true,
         QStringLiteral("Deleted: Zero KB in 0 item(s).\na: gone\nb: gone")},
        {"Final Cut Pro started after planning",
         {0, {}, {"Final Cut Pro is running."}},
         false,
         QStringLiteral("Moved to Trash: Zero KB in 0 item(s).\nFinal Cut Pro is running.\n") + note},
        {"stopped after a failure",
         {4096, {"/a"}, {"b.mov: gone"}, 3},
         false,
         QStringLiteral("Moved to Trash: ") + ByteCount::file(4096) +
             QStringLiteral(" in 1 item(s).\nb.mov: gone\n") + note +
             QStringLiteral("\nStopped: 3 item(s) left in place.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CleanupSheet::resultText(c.result, c.permanent), c.text);
    }
}

TEST(CleanupSheetResult, RemovedTargetsAreThoseDoneInPlanOrder) {
    CleanupPlan made;
    made.targets = {target("A", Kind::proxy, 1, "1"), target("B", Kind::render, 2, "2"),
                    target("C", Kind::optimized, 3, "3")};
    EXPECT_EQ(CleanupSheet::removed(made, {made.targets[2].url, made.targets[0].url}),
              (QList<CleanupTarget>{made.targets[0], made.targets[2]}));
    EXPECT_TRUE(CleanupSheet::removed(made, {}).isEmpty());
}

} // namespace
