// Search scheduling in the main window, offscreen, with an engine of the test's own and the
// activity log read back: the typing pause, only the newest request applying, the scope and
// catalogue changes that search again at once, the index built ahead, and a window closed while
// its work runs.

#include "Browser/CorpusKey.h"
#include "Browser/SearchEngine.h"
#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/UITrace.h"
#include "Catalogue/Scan/ScanHost.h"
#include "Support/WorkPool.h"
#include "Tests/Shell/MainWindow/MainWindowTestSupport.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/VirtualClock.h"

#include <QDir>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThreadPool>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pellimor;
using test::MainWindowHarness;

namespace {

// Holds every thread of the work pool until release(), so work started meanwhile waits
// its turn: a search that has begun but cannot finish yet.
class WorkPoolGate {
public:
    WorkPoolGate() : m_threads(workPool()->maxThreadCount()) {
        for (int i = 0; i < m_threads; ++i) {
            workPool()->start([this] {
                m_held.release();
                m_open.acquire();
            });
        }
        m_held.acquire(m_threads);
    }
    ~WorkPoolGate() { release(); }
    WorkPoolGate(const WorkPoolGate&) = delete;
    WorkPoolGate& operator=(const WorkPoolGate&) = delete;

    void release() {
        if (!std::exchange(m_released, true))
            m_open.release(m_threads);
    }

private:
    const int m_threads;
    QSemaphore m_held;
    QSemaphore m_open;
    bool m_released = false;
};

class MainWindowSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        UITrace::shared().update([](UITrace::Fields& f) { f = UITrace::Fields(); });
        m_logMark = searchLog().size();
        window.create();
        const QString media = window.plugDrive(QStringLiteral("Media"));
        alpha = test::libraryRecord(QDir(media).filePath(QStringLiteral("Alpha.fcpbundle")),
                                    QStringLiteral("Media"));
        beta = test::libraryRecord(QDir(media).filePath(QStringLiteral("Beta.fcpbundle")),
                                   QStringLiteral("Media"));
        window.catalog().seed({.libraries = QList<LibraryInfo>{alpha, beta}});
        window.content().setSearchEngine(engine);
        window.show();
        // The first appearance builds the index ahead of the first search.
        ASSERT_EQ(window.content().prebuilds(), 1);
        ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return engine->buildCount() == 1; }));
    }
    void TearDown() override {
        UITrace::shared().update([](UITrace::Fields& f) { f = UITrace::Fields(); });
    }

    const WindowState& state() const { return window.content().state(); }

    // The messages of the activity log's "search" lines, in order.
    static QStringList searchLog() {
        static const QRegularExpression form(QStringLiteral("^\\S+  search  (.*)$"));
        QStringList messages;
        for (const QString& line : test::lines(ActivityLog::url())) {
            const QRegularExpressionMatch match = form.match(line);
            if (match.hasMatch())
                messages.append(match.captured(1));
        }
        return messages;
    }
    // The messages written since the last call of newSearchLines() or waitForEnd() (since the
    // window was made, at first); pendingSearchLines() leaves them to the next call.
    QStringList pendingSearchLines() const { return searchLog().mid(m_logMark); }
    QStringList newSearchLines() {
        const QStringList all = searchLog();
        const QStringList added = all.mid(m_logMark);
        m_logMark = all.size();
        return added;
    }
    // Waits for the "end" line of the search of `length` characters, which comes after the
    // result has been applied and drawn; the search lines since the last call.
    QStringList waitForEnd(qint64 length) {
        const QString end = QStringLiteral("end len=%1 ").arg(length);
        EXPECT_TRUE(test::CatalogTestEnv::waitUntil([&] {
            const QStringList added = searchLog().mid(m_logMark);
            return std::any_of(added.begin(), added.end(),
                               [&](const QString& line) { return line.startsWith(end); });
        })) << "no line starting with \""
            << end.toStdString() << '"';
        return newSearchLines();
    }

    MainWindowHarness window{QStringLiteral("search-scheduling")};
    std::shared_ptr<SearchEngine> engine = std::make_shared<SearchEngine>();
    LibraryInfo alpha;
    LibraryInfo beta;

private:
    qsizetype m_logMark = 0;
};

// "end len=3 libraries=2 events=5 projects=1 match=0.012s 0.015s", with these counts.
bool isEndLine(const QString& line, qint64 length, const QString& counts) {
    static const QRegularExpression tail(QStringLiteral("^ match=\\d+\\.\\d{3}s \\d+\\.\\d{3}s$"));
    const QString head = QStringLiteral("end len=%1 ").arg(length) + counts;
    return line.startsWith(head) && tail.match(line.mid(head.size())).hasMatch();
}

} // namespace

TEST_F(MainWindowSearchTest, onlyTheNewestTextOfATurnSearchesAndApplies) {
    // Each case types on from where the one before left off, all its texts in one turn of
    // the event loop. The counts are the browser's, written as it drew the result: searching,
    // what its tree found; not searching, its libraries.
    struct Case {
        const char* name;
        QStringList typed;
        qint64 length;      // user-perceived characters of the last text
        bool hitsAlphaOnly; // else no library holds a hit
        qint64 libraries, events, projects;
    };
    const Case cases[] = {
        {"three letters", {"A", "Al", "Alp"}, 3, true, 1, 0, 0},
        {"the field cleared", {""}, 0, false, 2, 0, 0},
        {"a word, a space, then more", {"Alpha", "Alpha ", "Alpha D"}, 7, true, 1, 1, 1},
        {"white space only", {"   "}, 3, false, 2, 0, 0},
        // "A" and a combining acute accent: one character of two code units, and no accent
        // counts when matching.
        {"a decomposed accent", {QStringLiteral("A\u0301lpha")}, 5, true, 1, 0, 0},
    };
    qint64 lastID = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qint64 before = state().searchGeneration;
        for (const QString& text : c.typed)
            window.content().setSearch(text);
        // Every text was a request, and the trace follows the field at once.
        EXPECT_EQ(state().searchGeneration, before + c.typed.size());
        EXPECT_TRUE(UITrace::shared().snapshot().startsWith(QStringLiteral("queryLen=%1 ").arg(c.length)));

        // Only the last one outlived the pause: one "begin", one result, one "end" with the
        // counts the browser wrote for it.
        const QString counts = QStringLiteral("libraries=%1 events=%2 projects=%3")
                                   .arg(c.libraries)
                                   .arg(c.events)
                                   .arg(c.projects);
        const QStringList lines = waitForEnd(c.length);
        ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("begin len=%1").arg(c.length));
        EXPECT_TRUE(isEndLine(lines[1], c.length, counts)) << lines[1].toStdString();
        EXPECT_EQ(state().appliedSearch, c.typed.last());
        EXPECT_EQ(state().searchResult.libraries.keys(),
                  c.hitsAlphaOnly ? QStringList{alpha.path} : QStringList{});
        // A fresh run of the engine, also for a text without terms.
        EXPECT_GT(state().searchResult.id, lastID);
        lastID = state().searchResult.id;
    }
    // The catalogue did not change: every search used the index built at the start.
    EXPECT_EQ(engine->buildCount(), 1);
}

TEST_F(MainWindowSearchTest, aChangedScopeIsSavedAndSearchesWithoutThePause) {
    window.content().setSearch(QStringLiteral("Beta"));
    waitForEnd(4);
    const qint64 before = state().searchGeneration;
    const qint64 shownID = state().searchResult.id;

    SearchScope scope;
    scope.all = false;
    scope.areas = {SearchArea::eventName};
    window.content().setScope(scope);
    EXPECT_EQ(state().scope, scope);
    EXPECT_EQ(SearchScope::load(), scope);
    EXPECT_EQ(state().searchGeneration, before + 1);
    // What was queued has run, and no timer: the request went straight to the engine.
    test::runQueued();
    EXPECT_EQ(newSearchLines(), QStringList{QStringLiteral("begin len=4")});

    // Only event names count now, and no event is called Beta.
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return state().searchResult.id > shownID; }));
    EXPECT_EQ(state().appliedSearch, QStringLiteral("Beta"));
    EXPECT_TRUE(state().searchResult.libraries.isEmpty());
    waitForEnd(4);
}

TEST_F(MainWindowSearchTest, aResultOvertakenByANewerRequestIsDropped) {
    {
        WorkPoolGate gate;
        window.content().setSearch(QStringLiteral("Alpha"));
        ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
            [&] { return pendingSearchLines().contains(QStringLiteral("begin len=5")); }));
        // The first search waits for a thread; the user types on meanwhile.
        window.content().setSearch(QStringLiteral("Beta"));
    }
    const QStringList lines = waitForEnd(4);
    ASSERT_EQ(lines.size(), 3) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("begin len=5"));
    EXPECT_EQ(lines[1], QStringLiteral("begin len=4"));
    EXPECT_TRUE(isEndLine(lines[2], 4, QStringLiteral("libraries=1 events=0 projects=0")))
        << lines[2].toStdString();
    EXPECT_EQ(state().appliedSearch, QStringLiteral("Beta"));
    EXPECT_EQ(state().searchResult.libraries.keys(), QStringList{beta.path});

    // Both searches ran to the end in the engine: each took an id.
    workPool()->waitForDone();
    EXPECT_EQ(engine->nextID(), 3);
    window.settle();
    EXPECT_EQ(state().appliedSearch, QStringLiteral("Beta"));
    EXPECT_TRUE(newSearchLines().isEmpty());
}

TEST_F(MainWindowSearchTest, whileAScanRunsTheIndexFollowsTheCatalogueAtMostOnceASecond) {
    test::ScopedVirtualClock clock;
    int rereads = 0;
    const auto reread = [&] {
        QList<LibraryInfo> libraries = window.catalog().libraries();
        libraries[1].signature = QStringLiteral("1.0|@size|%1").arg(++rereads);
        window.catalog().seed({.libraries = libraries});
        test::runQueued();
    };
    window.catalog().seed({.scanning = true});
    const qint64 before = window.content().prebuilds();

    // The first change of the scan is taken in at once; those within the next second wait.
    reread();
    EXPECT_EQ(window.content().prebuilds(), before + 1);
    for (int i = 0; i < 5; ++i) {
        clock->advance(std::chrono::milliseconds(150));
        reread();
    }
    EXPECT_EQ(window.content().prebuilds(), before + 1);
    // A second after the first, the latest change is built, once.
    clock->advance(std::chrono::milliseconds(250));
    EXPECT_EQ(window.content().prebuilds(), before + 2);
    const qint64 key = corpusKey(window.catalog().media().size(), window.catalog().libraries());
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil([&] { return engine->buildCount() >= 2; }));
    clock->advance(std::chrono::seconds(5));
    EXPECT_EQ(window.content().prebuilds(), before + 2);

    // Once the scan has ended, every change is taken in as it comes.
    window.catalog().seed({.scanning = false});
    reread();
    reread();
    EXPECT_EQ(window.content().prebuilds(), before + 4);
    EXPECT_NE(corpusKey(window.catalog().media().size(), window.catalog().libraries()), key);
}

TEST_F(MainWindowSearchTest, aChangedCatalogueSearchesAgainOrBuildsTheIndexAhead) {
    // Each case starts from the catalogue the one before left, with or without a search shown.
    struct Case {
        const char* name;
        bool searching;
        std::function<void()> change;
        bool keyChanges;
    };
    int rereads = 0;
    const auto reread = [&] {
        QList<LibraryInfo> libraries = window.catalog().libraries();
        libraries[1].signature = QStringLiteral("1.0|@size|%1").arg(++rereads);
        window.catalog().seed({.libraries = libraries});
    };
    const auto rename = [&] {
        QList<LibraryInfo> libraries = window.catalog().libraries();
        libraries[0].name += QStringLiteral(" again");
        window.catalog().seed({.libraries = libraries});
    };
    const auto moreMedia = [&] {
        const qsizetype files = window.catalog().media().size() + 1;
        QList<MediaEntry> entries;
        for (qsizetype i = 0; i < files; ++i)
            entries.append(MediaEntry{QStringLiteral("C%1.mp4").arg(i), 10, QStringLiteral("Day 1")});
        window.catalog().scanHost()->saveMedia(entries, alpha.path);
        window.catalog().loadAllMedia();
        ASSERT_TRUE(
            test::CatalogTestEnv::waitUntil([&] { return window.catalog().media().size() == files; }));
    };
    const Case cases[] = {
        {"a library read again, no search", false, reread, true},
        {"a library read again, a search shown", true, reread, true},
        {"a library renamed in place, no search", false, rename, false},
        {"a library renamed in place, a search shown", true, rename, false},
        {"more media files, no search", false, moreMedia, true},
        {"more media files, a search shown", true, moreMedia, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = c.searching ? QStringLiteral("Alpha") : QString();
        if (state().search != text) {
            window.content().setSearch(text);
            waitForEnd(text.size());
        }
        const qint64 key = corpusKey(window.catalog().media().size(), window.catalog().libraries());
        const qint64 generation = state().searchGeneration;
        const qint64 prebuilds = window.content().prebuilds();
        const qint64 builds = engine->buildCount();

        c.change();
        ASSERT_EQ(corpusKey(window.catalog().media().size(), window.catalog().libraries()) != key,
                  c.keyChanges);
        // The window reacted, or not, as the change arrived.
        EXPECT_EQ(state().searchGeneration, generation + (c.keyChanges && c.searching ? 1 : 0));
        EXPECT_EQ(window.content().prebuilds(), prebuilds + (c.keyChanges && !c.searching ? 1 : 0));
        if (!c.keyChanges)
            continue;
        if (c.searching) {
            // At once, without the typing pause, over the new catalogue.
            test::runQueued();
            EXPECT_TRUE(pendingSearchLines().contains(QStringLiteral("begin len=5")));
            const QStringList lines = waitForEnd(5);
            ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
            EXPECT_EQ(lines[0], QStringLiteral("begin len=5"));
            EXPECT_EQ(state().searchResult.libraries.keys(), QStringList{alpha.path});
        }
        // Either way the index of the new catalogue is built once.
        EXPECT_TRUE(test::CatalogTestEnv::waitUntil([&] { return engine->buildCount() == builds + 1; }));
    }
    window.settle();
    EXPECT_TRUE(newSearchLines().isEmpty());
}

TEST_F(MainWindowSearchTest, closingTheWindowWhileASearchRunsIsSafe) {
    WorkPoolGate gate;
    window.content().setSearch(QStringLiteral("Alpha"));
    ASSERT_TRUE(test::CatalogTestEnv::waitUntil(
        [&] { return pendingSearchLines().contains(QStringLiteral("begin len=5")); }));
    // The search holds the engine it started with.
    const std::weak_ptr<SearchEngine> started = engine;
    engine.reset();
    window.app.reset();

    gate.release();
    workPool()->waitForDone();
    // Its result comes back to no window.
    window.settle();
    EXPECT_TRUE(started.expired());
    EXPECT_EQ(newSearchLines(), QStringList{QStringLiteral("begin len=5")});
}

TEST_F(MainWindowSearchTest, closingTheWindowWhileTheIndexIsBuiltAheadIsSafe) {
    // A catalogue large enough that its index takes a while to build.
    QList<LibraryInfo> many = window.catalog().libraries();
    for (int i = 0; i < 2000; ++i) {
        LibraryInfo library = beta;
        library.path = QStringLiteral("/Volumes/Archive/Library %1.fcpbundle").arg(i);
        library.name = QStringLiteral("Library %1").arg(i);
        for (int e = 0; e < 5; ++e) {
            EventInfo event = library.events.first();
            event.name = QStringLiteral("Event %1").arg(e);
            event.clipNames =
                QList<QString>{QStringLiteral("Clip A %1").arg(e), QStringLiteral("Clip B %1").arg(e)};
            library.events.append(event);
        }
        many.append(library);
    }
    window.catalog().seed({.libraries = many});
    ASSERT_EQ(window.content().prebuilds(), 2);
    const std::weak_ptr<SearchEngine> building = engine;
    engine.reset();
    window.app.reset();

    // The build goes on without the window, then lets go of the engine.
    EXPECT_TRUE(test::CatalogTestEnv::waitUntil([&] { return building.expired(); }));
    window.settle();
}
