#include "Browser/SearchEngine.h"

#include "Support/WorkPool.h"
#include "Tests/Browser/SearchEngineFixtures.h"
#include "Tests/Support/QtPrinters.h"

#include <QSemaphore>
#include <QThreadPool>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

using namespace pellimor;
using namespace pellimor::test::search;

namespace {

using Found = QMap<QString, SearchResult::Library>;

SearchScope only(const QSet<SearchArea>& areas) {
    SearchScope scope;
    scope.all = false;
    scope.areas = areas;
    return scope;
}

Found matchText(const QList<LibraryInfo>& libraries, const QList<Catalog::MediaEntry2>& media,
                const QString& text, const SearchScope& scope = {}) {
    return SearchEngine::match(*SearchEngine::build(libraries, media), SearchQuery(text).folded, scope);
}

// A library holding a text of every area, each with an "x".
LibraryInfo everyArea() {
    LibraryInfo lib = library("/Volumes/Box/x lib.fcpbundle", "x lib", "Box");
    lib.lastHost = "x host";
    lib.fcpVersion = "10.x";
    EventInfo ev = event("x event");
    ev.keywords = QMap<QString, qint64>{{"x kw", 2}};
    ev.metaTags = QList<QString>{"", "x tag"};
    ev.notes = QList<QString>{"x note"};
    ev.markerNames = QList<QString>{"x marker"};
    ev.clipNames = QList<QString>{"x clip"};
    ev.cameraInfo = QList<QString>{"x cam"};
    ev.extensions = {{"(none)", 1}, {"mxf", 4}};
    ev.roles = QList<QString>{"x role"};
    ev.externalVolumes = QMap<QString, qint64>{{"x vol", 3}};
    ev.plugins =
        QList<PluginUse>{{"Effect", "x pack", "x plug", "a", 1}, {"Title", "x pack", "x glow", "b", 2}};
    ProjectInfo pr = project("x proj");
    pr.keywords = QList<QString>{"x pk"};
    pr.metaTags = QList<QString>{"x pt"};
    pr.markerNames = QList<QString>{"x pm"};
    pr.format = "x fmt";
    pr.plugins = QList<PluginUse>{{"Effect", "x pack", "x plug", "a", 1}};
    ev.projects = {pr};
    lib.events = {ev};
    return lib;
}

} // namespace

TEST(SearchEngineMatch, FollowsTheRuleThroughItsEdgeCases) {
    using A = SearchArea;
    LibraryInfo smith = library("/Volumes/Media/Clients/Smith Wedding.fcpbundle", "Smith Wedding");
    smith.events = {event("Day 1")};
    smith.events[0].keywords = QMap<QString, qint64>{{"B-roll", 1}, {"Interview", 2}};

    LibraryInfo travel = library("/Volumes/Media/Travel.fcpbundle", "Travel");
    travel.events = {event("Day 1"), event("Beach day")};
    travel.events[0].projects = {project("Teaser cut")};
    travel.events[1].clipNames = QList<QString>{"Beach 1", "Forest", "Beach 2"};
    travel.events[1].keywords = QMap<QString, qint64>{{"Sunset", 1}};

    LibraryInfo onArchive = library("/Volumes/Archive/Films/A.fcpbundle", "A", "Archive");
    LibraryInfo onArchive1 = library("/Volumes/Archive 1/Films/B.fcpbundle", "B", "Archive");
    LibraryInfo lowerCase = library("/Volumes/archive/Films/C.fcpbundle", "C", "Archive");
    LibraryInfo internal = library("/Users/editor/Films/D.fcpbundle", "D", "Macintosh HD");
    const QList<LibraryInfo> drives{onArchive, onArchive1, lowerCase, internal};

    LibraryInfo takes = library("/Volumes/Media/Takes.fcpbundle", "Takes");
    takes.events = {event("Day")};
    takes.events[0].clipNames = QList<QString>{"Take", "Take"};
    takes.events[0].extensions = {{"(none)", 2}, {"mov", 3}};
    const QList<Catalog::MediaEntry2> takeMedia{media(takes.path, "Day", "Take.mov"),
                                                media("/Volumes/Media/Gone.fcpbundle", "Day", "Take.mov"),
                                                media(takes.path, "Day", "Take.mov")};

    // QMap keeps these in UTF-16 order, where U+1F4BE comes before U+FF21.
    LibraryInfo wide = library("/Store/Wide.fcpbundle", "Wide", "Store");
    wide.events = {event("Day")};
    wide.events[0].externalVolumes = QMap<QString, qint64>{{u8"\U0001F4BE vol", 1}, {u8"\uFF21 vol", 1}};
    wide.events[0].plugins = QList<PluginUse>{{"Effect", u8"\uFF21 fx", u8"\U0001F4BE fx", "a", 1}};
    wide.events[0].extensions = {{u8"\U0001F4BEm", 1}, {u8"\uFF21m", 1}};

    const LibraryInfo every = everyArea();

    struct Case {
        const char* name;
        QList<LibraryInfo> libraries;
        QList<Catalog::MediaEntry2> media;
        QString query;
        SearchScope scope;
        Found expected;
        QStringList libraryReasons = {}; // of the first library of the result
        QStringList eventReasons = {};   // of its first event
    };
    const QList<Case> cases = {
        {"a term covered by the library name, the other in a keyword",
         {smith},
         {},
         "smith interview",
         {},
         {{smith.path, libraryResult({}, {{"Day 1", eventResult({{A::keywords, "Interview"}})}})}},
         {"1 keyword"},
         {"1 keyword"}},
        {"a term only in a project's name",
         {travel},
         {},
         "teaser",
         {},
         {{travel.path,
           libraryResult({},
                         {{"Day 1", eventResult({}, {{"Teaser cut", {{A::projectName, "Teaser cut"}}}})}})}},
         {"1 project"},
         {"1 project"}},
        {"an event name and two clip names",
         {travel},
         {},
         "beach",
         {},
         {{travel.path, libraryResult({}, {{"Beach day", eventResult({{A::eventName, "Beach day"},
                                                                      {A::clipNames, "Beach 1"},
                                                                      {A::clipNames, "Beach 2"}})}})}},
         {"1 event name", "2 clip names"},
         {"event", "2 clip names"}},
        {"only keywords ticked: a term in an event name alone finds nothing",
         {travel},
         {},
         "beach",
         only({A::keywords}),
         {}},
        {"only keywords ticked: the unticked name still covers a term",
         {travel},
         {},
         "beach sunset",
         only({A::keywords}),
         {{travel.path, libraryResult({}, {{"Beach day", eventResult({{A::keywords, "Sunset"}})}})}},
         {"1 keyword"},
         {"1 keyword"}},
        {"a volume already in the folder's path is not indexed again, case-sensitively",
         drives,
         {},
         "archive",
         {},
         {{onArchive.path, libraryResult({{A::pathDrive, "/Volumes/Archive/Films"}})},
          {onArchive1.path, libraryResult({{A::pathDrive, "/Volumes/Archive 1/Films"}})},
          {lowerCase.path,
           libraryResult({{A::pathDrive, "/Volumes/archive/Films"}, {A::pathDrive, "Archive"}})}},
         {"path or drive"}},
        {"the start-up volume is indexed beside the folder",
         drives,
         {},
         "macintosh",
         {},
         {{internal.path, libraryResult({{A::pathDrive, "Macintosh HD"}})}}},
        {"the extension key \"(none)\" is never indexed", {takes}, {}, "none", {}, {}},
        {"repeated texts give repeated hits; other libraries' media stay out",
         {takes},
         takeMedia,
         "take",
         {},
         {{takes.path, libraryResult({{A::libraryName, "Takes"}},
                                     {{"Day", eventResult({{A::clipNames, "Take"},
                                                           {A::clipNames, "Take"},
                                                           {A::mediaFiles, "Take.mov"},
                                                           {A::mediaFiles, "Take.mov"}})}})}},
         {"library name", "2 clip names", "2 media files"},
         {"2 clip names", "2 media files"}},
        {"code-point order beyond U+FFFF",
         {wide},
         {},
         "vol",
         {},
         {{wide.path, libraryResult({}, {{"Day", eventResult({{A::pathDrive, u8"\uFF21 vol"},
                                                              {A::pathDrive, u8"\U0001F4BE vol"}})}})}}},
        {"plug-ins in code-point order beyond U+FFFF",
         {wide},
         {},
         "fx",
         {},
         {{wide.path, libraryResult({}, {{"Day", eventResult({{A::plugins, u8"\uFF21 fx"},
                                                              {A::plugins, u8"\U0001F4BE fx"}})}})}}},
        {"extensions in code-point order beyond U+FFFF",
         {wide},
         {},
         "m",
         {},
         {{wide.path, libraryResult({}, {{"Day", eventResult({{A::cameraFormat, u8"\uFF21m"},
                                                              {A::cameraFormat, u8"\U0001F4BEm"}})}})}}},
        {"every area in its level's order",
         {every},
         {media(every.path, "x event", "x.mov")},
         "x",
         {},
         {{every.path, libraryResult({{A::libraryName, "x lib"},
                                      {A::pathDrive, "/Volumes/Box"},
                                      {A::pathDrive, "x host"},
                                      {A::fcpVersion, "10.x"}},
                                     {{"x event", eventResult({{A::eventName, "x event"},
                                                               {A::keywords, "x kw"},
                                                               {A::metaTags, "x tag"},
                                                               {A::notesMarkers, "x note"},
                                                               {A::notesMarkers, "x marker"},
                                                               {A::clipNames, "x clip"},
                                                               {A::mediaFiles, "x.mov"},
                                                               {A::cameraFormat, "x cam"},
                                                               {A::cameraFormat, "mxf"},
                                                               {A::roles, "x role"},
                                                               {A::pathDrive, "x vol"},
                                                               {A::plugins, "x glow"},
                                                               {A::plugins, "x pack"},
                                                               {A::plugins, "x plug"}},
                                                              {{"x proj",
                                                                {{A::projectName, "x proj"},
                                                                 {A::keywords, "x pk"},
                                                                 {A::metaTags, "x pt"},
                                                                 {A::notesMarkers, "x pm"},
                                                                 {A::cameraFormat, "x fmt"},
                                                                 {A::plugins, "x pack"},
                                                                 {A::plugins, "x plug"}}}})}})}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Found result = matchText(c.libraries, c.media, c.query, c.scope);
        EXPECT_EQ(result, c.expected);
        if (!c.libraryReasons.isEmpty() && !result.isEmpty()) {
            EXPECT_EQ(result.first().reasons(), c.libraryReasons);
        }
        if (!c.eventReasons.isEmpty() && !result.isEmpty() && !result.first().events.isEmpty()) {
            EXPECT_EQ(result.first().events.first().reasons(), c.eventReasons);
        }
    }
}

TEST(SearchEngineMatch, LaterNamesakesReplaceEarlierOnes) {
    // Two libraries of one path, two events and two projects of one name: the later one with
    // results stays, and one without results replaces nothing.
    LibraryInfo first = library("/Volumes/Media/Same.fcpbundle", "Same");
    first.events = {event("Day"), event("Day"), event("Day")};
    first.events[0].clipNames = QList<QString>{"kite early"};
    first.events[1].clipNames = QList<QString>{"kite late"};
    first.events[1].projects = {project("Cut kite"), project("Cut kite")};
    first.events[1].projects[1].keywords = QList<QString>{"kite again"};
    first.events[2].clipNames = QList<QString>{"nothing"};
    LibraryInfo second = library("/Volumes/Media/Same.fcpbundle", "Same");
    second.events = {event("Other")};
    second.events[0].roles = QList<QString>{"kite role"};

    using A = SearchArea;
    EXPECT_EQ(
        matchText({first}, {}, "kite"),
        (Found{{first.path, libraryResult({}, {{"Day", eventResult({{A::clipNames, "kite late"}},
                                                                   {{"Cut kite",
                                                                     {{A::projectName, "Cut kite"},
                                                                      {A::keywords, "kite again"}}}})}})}}));
    EXPECT_EQ(matchText({first, second}, {}, "kite"),
              (Found{{first.path, libraryResult({}, {{"Other", eventResult({{A::roles, "kite role"}})}})}}));
}

TEST(SearchEngineMatch, ManyTermsAndTermsThatFoldAlike) {
    // More terms than one word of bits: a row must hold or be covered for every one of them.
    QStringList terms;
    for (int i = 0; i < 150; ++i)
        terms.append(QStringLiteral("w%1q").arg(i));
    LibraryInfo lib = library("/Volumes/Media/Many.fcpbundle", "Many");
    lib.events = {event("Event w100q")};
    QStringList withoutHundred = terms;
    withoutHundred.removeAt(100);
    QStringList withoutTen = terms;
    withoutTen.removeAt(10);
    lib.events[0].clipNames = QList<QString>{terms.join(' '), withoutHundred.join(' '), withoutTen.join(' ')};
    const SearchQuery query(terms.join(' '));
    const Found result = SearchEngine::match(*SearchEngine::build({lib}, {}), query.folded, {});
    ASSERT_EQ(result.size(), 1);
    const QList<SearchHit> hits = result.first().events.value("Event w100q").hits;
    // The event name holds one term only; the clip without w100q is covered by the name.
    EXPECT_EQ(hits, (QList<SearchHit>{{SearchArea::clipNames, terms.join(' ')},
                                      {SearchArea::clipNames, withoutHundred.join(' ')}}));

    // Thousands of terms, one of them absent: nothing, and no trouble.
    QStringList thousands = terms;
    for (int i = 0; i < 5000; ++i)
        thousands.append(QStringLiteral("t%1").arg(i));
    EXPECT_TRUE(
        SearchEngine::match(*SearchEngine::build({lib}, {}), SearchQuery(thousands.join(' ')).folded, {})
            .isEmpty());

    // Terms that fold alike count once; a term of marks alone folds to nothing and occurs
    // nowhere, so it leaves nothing to find.
    LibraryInfo cafe = library("/Volumes/Media/Cafe.fcpbundle", u8"Café");
    EXPECT_EQ(matchText({cafe}, {}, u8"Café cafe CAFE\u0301"),
              (Found{{cafe.path, libraryResult({{SearchArea::libraryName, u8"Café"}})}}));
    EXPECT_TRUE(matchText({cafe}, {}, u8"cafe \u0301").isEmpty());
}

TEST(SearchEngineMatch, BadInputNeverBreaksIt) {
    using A = SearchArea;
    LibraryInfo odd = library("/Volumes/Media/Odd.fcpbundle", "Odd");
    odd.events = {event("Day")};
    odd.events[0].clipNames = QList<QString>{QString(QChar(0xD800)) + "lone", u8"\uFFFDreplaced",
                                             "tab\there\x01", QString(QChar(0xDC00))};
    LibraryInfo bare = library("/Volumes/Media/Bare.fcpbundle", "Bare");
    LibraryInfo empty = library("", "", "");

    struct Case {
        const char* name;
        QList<LibraryInfo> libraries;
        QList<Catalog::MediaEntry2> media;
        QString query;
        Found expected;
    };
    const QList<Case> cases = {
        {"a lone surrogate folds to U+FFFD and meets it",
         {odd},
         {},
         QString(QChar(0xFFFD)),
         {{odd.path, libraryResult({}, {{"Day", eventResult({{A::clipNames, QString(QChar(0xD800)) + "lone"},
                                                             {A::clipNames, u8"\uFFFDreplaced"},
                                                             {A::clipNames, QString(QChar(0xDC00))}})}})}}},
        {"a term of a lone surrogate likewise",
         {odd},
         {},
         QString(QChar(0xDBFF)) + "lone",
         {{odd.path,
           libraryResult({}, {{"Day", eventResult({{A::clipNames, QString(QChar(0xD800)) + "lone"}})}})}}},
        {"control characters are text",
         {odd},
         {},
         "here\x01",
         {{odd.path, libraryResult({}, {{"Day", eventResult({{A::clipNames, "tab\there\x01"}})}})}}},
        {"a library without events gives library rows",
         {bare},
         {},
         "bare",
         {{bare.path, libraryResult({{A::libraryName, "Bare"}})}}},
        {"a library of empty texts gives nothing", {empty}, {}, "a", {}},
        {"media of libraries the catalogue does not hold are ignored",
         {bare},
         {media("/Volumes/Media/Gone.fcpbundle", "Day", "bare.mov")},
         "mov",
         {}},
        {"an empty corpus matches nothing", {}, {}, "a", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(matchText(c.libraries, c.media, c.query), c.expected);
    }
}

TEST(SearchEngineRun, EmptyQueriesTakeFreshIdsAndIdsGrowAcrossThreads) {
    SearchEngine engine;
    const QList<LibraryInfo> libraries{library("/Volumes/Media/A.fcpbundle", "A")};
    for (const QString& blank : {QString(), QStringLiteral(" \t\n")}) {
        const qint64 before = engine.nextID();
        const SearchResult result = engine.run(1, libraries, {}, SearchQuery(blank), {});
        EXPECT_GT(result.id, before);
        EXPECT_TRUE(result.libraries.isEmpty());
        EXPECT_TRUE(SearchQuery(blank).highlight("A").isEmpty());
    }
    // A run with terms finds; the id keeps growing.
    const SearchResult found = engine.run(1, libraries, {}, SearchQuery("a"), {});
    EXPECT_EQ(found.libraries.keys(), QStringList{"/Volumes/Media/A.fcpbundle"});

    // Eight threads at once: every id once, each thread's ids rising.
    constexpr int kThreads = 8;
    constexpr int kEach = 500;
    std::vector<std::vector<qint64>> ids(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i)
                    ids[size_t(t)].push_back(i % 2 ? engine.nextID()
                                                   : engine.run(1, libraries, {}, SearchQuery(), {}).id);
            });
        }
    }
    std::vector<qint64> all;
    for (const std::vector<qint64>& own : ids) {
        EXPECT_EQ(std::adjacent_find(own.begin(), own.end(), std::greater_equal<>()), own.end());
        all.insert(all.end(), own.begin(), own.end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()); // no id twice
    EXPECT_EQ(all.size(), size_t(kThreads * kEach));
    EXPECT_GT(all.front(), found.id);
}

TEST(SearchEngineRun, AnEqualKeyReusesTheCorpusAndANewKeyBuildsOnce) {
    SearchEngine engine;
    const QList<LibraryInfo> before{library("/Volumes/Media/Old.fcpbundle", "Old")};
    const QList<LibraryInfo> after{library("/Volumes/Media/New.fcpbundle", "New")};

    const SearchEngine::Corpus first = engine.prepare(7, before, {});
    EXPECT_EQ(engine.buildCount(), 1);
    // The key names the catalogue state: an equal key answers from the store.
    EXPECT_EQ(engine.prepare(7, after, {}), first);
    EXPECT_EQ(engine.run(7, after, {}, SearchQuery("old"), {}).libraries.keys(),
              QStringList{"/Volumes/Media/Old.fcpbundle"});
    EXPECT_EQ(engine.buildCount(), 1);

    const SearchEngine::Corpus second = engine.prepare(8, after, {});
    EXPECT_NE(second, first);
    EXPECT_EQ(engine.buildCount(), 2);
    EXPECT_EQ(engine.run(8, after, {}, SearchQuery("new"), {}).libraries.keys(),
              QStringList{"/Volumes/Media/New.fcpbundle"});
    EXPECT_EQ(engine.run(8, after, {}, SearchQuery(), {}).libraries.size(), 0);
    EXPECT_EQ(engine.buildCount(), 2);
    // The corpus handed out stays whole after it was replaced.
    EXPECT_EQ(SearchEngine::match(*first, {"old"}, {}).keys(), QStringList{"/Volumes/Media/Old.fcpbundle"});
}

TEST(SearchEngineRun, TheCorpusKeepsItsSnapshotWhenTheCatalogueChanges) {
    QList<LibraryInfo> libraries{library("/Volumes/Media/A.fcpbundle", "Apple")};
    libraries[0].events = {event("Day")};
    libraries[0].events[0].clipNames = QList<QString>{"Kiwi"};
    QList<Catalog::MediaEntry2> rows{media(libraries[0].path, "Day", "Pear.mov")};
    const SearchEngine::Corpus corpus = SearchEngine::build(libraries, rows);

    // The catalogue changes its lists in place after the snapshot was taken.
    libraries[0].name = "Changed";
    (*libraries[0].events[0].clipNames)[0] = "Changed";
    rows[0].entry.name = "Changed.mov";
    libraries.clear();
    rows.clear();

    using A = SearchArea;
    EXPECT_EQ(SearchEngine::match(*corpus, {"apple"}, {}),
              (Found{{"/Volumes/Media/A.fcpbundle", libraryResult({{A::libraryName, "Apple"}})}}));
    EXPECT_EQ(SearchEngine::match(*corpus, {"kiwi"}, {}),
              (Found{{"/Volumes/Media/A.fcpbundle",
                      libraryResult({}, {{"Day", eventResult({{A::clipNames, "Kiwi"}})}})}}));
    EXPECT_EQ(SearchEngine::match(*corpus, {"pear"}, {}),
              (Found{{"/Volumes/Media/A.fcpbundle",
                      libraryResult({}, {{"Day", eventResult({{A::mediaFiles, "Pear.mov"}})}})}}));
    EXPECT_TRUE(SearchEngine::match(*corpus, {"changed"}, {}).isEmpty());
}

TEST(SearchEngineRun, ABusyPoolNeverStallsASearch) {
    // Every thread of the work pool waits until the search is done; the search does all of
    // its work on its own thread.
    QThreadPool* pool = workPool();
    QSemaphore started;
    QSemaphore release;
    for (int i = 0; i < pool->maxThreadCount(); ++i) {
        pool->start([&] {
            started.release();
            release.acquire();
        });
    }
    started.acquire(pool->maxThreadCount());

    QList<LibraryInfo> libraries;
    for (int i = 0; i < 40; ++i)
        libraries.append(
            library(QStringLiteral("/Volumes/Media/L%1.fcpbundle").arg(i), QStringLiteral("Lib %1").arg(i)));
    SearchEngine engine;
    const SearchResult result = engine.run(1, libraries, {}, SearchQuery("lib 3"), {});
    release.release(pool->maxThreadCount());
    pool->waitForDone();

    QStringList expected;
    for (int i = 0; i < 40; ++i) {
        // "lib" is in every name, so a name holding "3" is a hit.
        if (QString::number(i).contains('3'))
            expected.append(QStringLiteral("/Volumes/Media/L%1.fcpbundle").arg(i));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(result.libraries.keys(), expected);
}

TEST(SearchEngineUpdate, ACorpusMadeFromTheLastOneFoldsOnlyChangedLibrariesAndMatchesAFreshBuild) {
    LibraryInfo kept = library("/Volumes/Media/Kept.fcpbundle", "Kept");
    kept.events = {event("Day 1")};
    kept.events[0].clipNames = QList<QString>{"Harbour"};
    LibraryInfo edited = library("/Volumes/Media/Edited.fcpbundle", "Edited");
    edited.events = {event("Day 1")};
    edited.events[0].clipNames = QList<QString>{"Old clip"};
    LibraryInfo renamed = library("/Volumes/Media/Renamed.fcpbundle", "Before");
    LibraryInfo removed = library("/Volumes/Media/Removed.fcpbundle", "Removed");
    QList<LibraryInfo> first{everyArea(), kept, edited, renamed, removed};
    const QList<Catalog::MediaEntry2> rows{media("/Volumes/Media/Kept.fcpbundle", "Day 1", "K001.mov"),
                                           media("/Volumes/Media/Edited.fcpbundle", "Day 1", "E001.mov"),
                                           media("/Volumes/Box/x lib.fcpbundle", "x event", "X001.mov")};

    SearchEngine engine;
    engine.prepare(1, first, rows);
    EXPECT_EQ(engine.foldedCount(), 5);

    // As a scan changes the catalogue: unchanged records are copies that share their events.
    QList<LibraryInfo> second = first;
    second[2].events[0].clipNames = QList<QString>{"New clip"};
    second[3].name = "After";
    second.removeAt(4);
    LibraryInfo added = library("/Volumes/Media/Added.fcpbundle", "Added");
    added.events = {event("Shoot")};
    second.append(added);
    first.clear(); // the corpus must not need the lists it was first made from

    const SearchEngine::Corpus updated = engine.prepare(2, second, rows);
    EXPECT_EQ(engine.foldedCount(), 5 + 3) << "the edited, the renamed and the added library";
    const SearchEngine::Corpus fresh = SearchEngine::build(second, rows);
    for (const QString text : {"x", "harbour", "old clip", "new clip", "before", "after", "removed",
                               "added shoot", "k001", "e001", "x001", "media", "day 1"}) {
        SCOPED_TRACE(text.toStdString());
        for (const SearchScope& scope :
             {SearchScope(), only({SearchArea::clipNames, SearchArea::libraryName})})
            EXPECT_EQ(SearchEngine::match(*updated, SearchQuery(text).folded, scope),
                      SearchEngine::match(*fresh, SearchQuery(text).folded, scope));
    }

    // Other media rows, even equal ones, are not the rows the kept texts point into: all anew.
    QList<Catalog::MediaEntry2> copied;
    for (const Catalog::MediaEntry2& row : rows)
        copied.append(
            Catalog::MediaEntry2{QString(row.libraryID.constData(), row.libraryID.size()), row.entry});
    engine.prepare(3, second, copied);
    EXPECT_EQ(engine.foldedCount(), 8 + second.size());
    // A record read afresh, equal but not shared, is folded again too.
    QList<LibraryInfo> reread = second;
    reread[1].events = QList<EventInfo>(second[1].events.cbegin(), second[1].events.cend());
    engine.prepare(4, reread, copied);
    EXPECT_EQ(engine.foldedCount(), 8 + second.size() + 1);
}
