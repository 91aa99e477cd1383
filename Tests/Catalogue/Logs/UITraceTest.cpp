#include "Catalogue/Logs/UITrace.h"

#include <QSet>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace pellimor;

namespace {
const QString kFresh = QStringLiteral(
    "queryLen=0 libraries=0 events=0 projects=0 tab=Browser sidebar=Everything scanning=false");
}

TEST(UITrace, StartsEmptyOnBrowserAndEverything) {
    EXPECT_EQ(UITrace::shared().snapshot(), kFresh);
    EXPECT_EQ(UITrace::shared().searchCounts(), "libraries=0 events=0 projects=0");
    EXPECT_EQ(&UITrace::shared(), &UITrace::shared());
}

TEST(UITrace, LinesShowWhatWritersStored) {
    UITrace trace;
    trace.update([](UITrace::Fields& f) {
        f.queryLen = 4;
        f.tab = QStringLiteral("Media Files");
        f.sidebar = QStringLiteral("Offline");
        f.scanning = true;
    });
    trace.update([](UITrace::Fields& f) {
        f.libraries = 2;
        f.events = 5;
        f.projects = 1;
    });
    EXPECT_EQ(trace.snapshot(),
              "queryLen=4 libraries=2 events=5 projects=1 tab=Media Files sidebar=Offline scanning=true");
    EXPECT_EQ(trace.searchCounts(), "libraries=2 events=5 projects=1");
}

// The watchdog reads from its own thread while the main thread writes: a line must show one
// state, never half of the previous one and half of the next.
TEST(UITrace, ReadersNeverSeeAMixOfTwoStates) {
    UITrace trace;
    using Setter = void (*)(UITrace::Fields&);
    const Setter stateA = [](UITrace::Fields& f) {
        f.queryLen = 1;
        f.libraries = 1;
        f.events = 1;
        f.projects = 1;
        f.tab = QStringLiteral("Browser");
        f.sidebar = QStringLiteral("Everything");
        f.scanning = false;
    };
    const Setter stateB = [](UITrace::Fields& f) {
        f.queryLen = 22;
        f.libraries = 22;
        f.events = 22;
        f.projects = 22;
        f.tab = QStringLiteral("Compare");
        f.sidebar = QStringLiteral("Needs Update");
        f.scanning = true;
    };
    trace.update(stateA);
    const QString a = trace.snapshot();
    trace.update(stateB);
    const QString b = trace.snapshot();
    const QSet<QString> allowedCounts{QStringLiteral("libraries=1 events=1 projects=1"),
                                      QStringLiteral("libraries=22 events=22 projects=22")};

    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i)
            trace.update(i % 2 ? stateA : stateB);
        done = true;
    });
    int mixed = 0;
    int reads = 0;
    while (!done || reads < 100) {
        const QString line = trace.snapshot();
        if (line != a && line != b)
            ++mixed;
        if (!allowedCounts.contains(trace.searchCounts()))
            ++mixed;
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mixed, 0);
}
