// The key under which the search engine keeps its corpus: what of the catalogue it follows and
// what it leaves alone.

#include "Browser/CorpusKey.h"

#include "Tests/Browser/SearchEngineFixtures.h"

#include <QDateTime>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::test::search;

namespace {

struct State {
    qsizetype media = 3;
    QList<LibraryInfo> libraries;
};

State twoLibraries() {
    State state;
    for (const char* name : {"Alpha", "Beta"}) {
        LibraryInfo info = library(QStringLiteral("/Volumes/Media/%1.fcpbundle").arg(name), name);
        info.scannedAt = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
        info.signature = QStringLiteral("1.0|4096|2.0");
        info.events = {event("Day 1")};
        state.libraries.append(info);
    }
    return state;
}

qint64 keyOf(const State& state) {
    return corpusKey(state.media, state.libraries);
}

TEST(CorpusKeyTest, followsTheSearchableStateOfTheCatalogueOnly) {
    struct Case {
        const char* name;
        std::function<void(State&)> change;
        bool changesKey;
    };
    const Case cases[] = {
        {"nothing", [](State&) {}, false},
        {"one more media entry", [](State& s) { ++s.media; }, true},
        {"no media at all", [](State& s) { s.media = 0; }, true},
        {"a library moved", [](State& s) { s.libraries[1].path = "/Volumes/Other/Beta.fcpbundle"; }, true},
        {"a library read again",
         [](State& s) { s.libraries[0].scannedAt = s.libraries[0].scannedAt.addSecs(1); }, true},
        {"a library changed on disk", [](State& s) { s.libraries[1].signature = "1.0|8192|2.0"; }, true},
        {"a library's signature invalidated",
         [](State& s) { s.libraries[0].signature = LibraryInfo::invalidatedSignature; }, true},
        {"a library never read", [](State& s) { s.libraries[0].scannedAt = QDateTime(); }, true},
        {"the order of the libraries", [](State& s) { s.libraries.swapItemsAt(0, 1); }, true},
        {"a library added", [](State& s) { s.libraries.append(s.libraries[0]); }, true},
        {"a library removed", [](State& s) { s.libraries.removeLast(); }, true},
        {"no library at all", [](State& s) { s.libraries.clear(); }, true},
        // Whatever else a record holds follows a new read, which moves `scannedAt`.
        {"a library's name", [](State& s) { s.libraries[0].name = "Renamed"; }, false},
        {"an event's size", [](State& s) { s.libraries[1].events[0].originalSize = 1 << 20; }, false},
        {"a library's volume", [](State& s) { s.libraries[0].volumeName = "Elsewhere"; }, false},
    };
    const qint64 before = keyOf(twoLibraries());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        State state = twoLibraries();
        c.change(state);
        EXPECT_EQ(keyOf(state) != before, c.changesKey);
    }
}

TEST(CorpusKeyTest, valuesDoNotSlideAcrossLibraries) {
    // The same texts split differently between two libraries are another catalogue.
    State first = twoLibraries();
    State second = twoLibraries();
    first.libraries[0].signature = "a";
    first.libraries[1].signature = "bc";
    second.libraries[0].signature = "ab";
    second.libraries[1].signature = "c";
    EXPECT_NE(keyOf(first), keyOf(second));
}

} // namespace
