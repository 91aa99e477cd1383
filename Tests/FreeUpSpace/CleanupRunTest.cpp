// The run on fixture libraries: what goes, what stays when the disk changed after planning,
// and what the deletion log, the error log and the Trash hold afterwards.

#include "Catalogue/Logs/ErrorLog.h"
#include "FreeUpSpace/Cleanup.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/FreeUpSpace/CleanupPrinters.h"
#include "Tests/FreeUpSpace/OpenGate.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeTrash.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace pellimor;
using fixtures::LibraryBuilder;
using test::TestEnv;
namespace FixtureFiles = pellimor::fixtures::FixtureFiles;

namespace {

using Kind = GeneratedKind;

const QString kSafety = QStringLiteral("Skipped a file: it failed the safety check just before deleting.");
const QString kNoOriginal = QStringLiteral("Skipped a file: its original is no longer in the event.");

// The texts of a log's lines, each checked to begin with its time and two spaces.
QStringList texts(const QString& path) {
    static const QRegularExpression timed("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  (.*)$");
    QStringList found;
    for (const QString& line : test::lines(path)) {
        const QRegularExpressionMatch match = timed.match(line);
        EXPECT_TRUE(match.hasMatch()) << line.toStdString();
        found.append(match.captured(1));
    }
    return found;
}

// The error log's entries after their time: "ERROR free-up-space: <message>  path: <path>".
QStringList errorEntries() {
    QStringList found;
    for (const QString& line : test::lines(ErrorLog::url()))
        found.append(line.section(u' ', 1));
    return found;
}

QString errorEntry(const QString& message, const QString& path) {
    return QStringLiteral("ERROR free-up-space: ") + message + QStringLiteral("  path: ") + path;
}

QString removedLine(const char* verb, const CleanupTarget& target) {
    return QString::fromLatin1(verb) + u' ' + rawValue(target.kind) + u' ' + QString::number(target.bytes) +
           QStringLiteral(" bytes  ") + target.url;
}

// A data folder, a Trash and an error log of the test's own, all on the test main's file
// system, with the error log switched on (the runner's own "--" arguments do not count here).
class CleanupRunTest : public ::testing::Test {
protected:
    CleanupRunTest()
        : m_dataHome(TestEnv::freshDir(QStringLiteral("run-share"))),
          m_dataDir(TestEnv::freshDir(QStringLiteral("run-data"))), m_share("XDG_DATA_HOME", m_dataHome),
          m_data("TOVLIN_DATA_DIR", m_dataDir), m_wasHeadless(ErrorLog::headless()) {
        ErrorLog::setHeadless(false);
    }
    ~CleanupRunTest() override { ErrorLog::setHeadless(m_wasHeadless); }

    QString deletionLog() const { return m_dataDir + QStringLiteral("/deletion-log.txt"); }
    QString trashFiles() const { return m_dataHome + QStringLiteral("/Trash/files"); }
    QString trashInfo() const { return m_dataHome + QStringLiteral("/Trash/info"); }
    QStringList trashed() const {
        return QDir(trashFiles())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private:
    const QString m_dataHome;
    const QString m_dataDir;
    test::ScopedEnvironment m_share;
    test::ScopedEnvironment m_data;
    const bool m_wasHeadless;
};

// One library, "Day 1" with two originals, their proxies, their optimized files plus one
// without an original, and a render folder; "Day 2" with one original and its proxy.
struct Scene {
    QString folder;
    QString lib;
    QString day1;
    QString day2;
    CleanupPlan plan;

    QString proxy1() const { return day1 + QStringLiteral("/Transcoded Media/Proxy Media"); }
    QString proxy2() const { return day2 + QStringLiteral("/Transcoded Media/Proxy Media"); }
    QString optimized(const char* name) const {
        return day1 + QStringLiteral("/Transcoded Media/High Quality Media/") + QString::fromUtf8(name);
    }
    QString peaks() const { return day1 + QStringLiteral("/Render Files/Peaks Data"); }
    QString original(const char* name) const {
        return day1 + QStringLiteral("/Original Media/") + QString::fromUtf8(name);
    }
    const CleanupTarget& target(const QString& url) const {
        for (const CleanupTarget& target : plan.targets) {
            if (target.url == url)
                return target;
        }
        ADD_FAILURE() << "not planned: " << url.toStdString();
        static const CleanupTarget none;
        return none;
    }
};

Scene buildScene(const QString& hint) {
    Scene scene;
    scene.folder = TestEnv::freshDir(hint);
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("A.mov"), 40'000)
        .media(QStringLiteral("B.mov"), 40'000)
        .mediaLink(QStringLiteral("gone.mov"), QStringLiteral("/nowhere/gone.mov"))
        .proxy(QStringLiteral("A.mov"), 8000)
        .proxy(QStringLiteral("B.mov"), 8000)
        .optimized(QStringLiteral("A.mov"), 16'000)
        .optimized(QStringLiteral("B.mov"), 16'000)
        .optimized(QStringLiteral("C.mov"), 16'000)
        .render(QStringLiteral("Peaks Data/peak"), 5000);
    builder.event(QStringLiteral("Day 2"))
        .media(QStringLiteral("D.mov"), 40'000)
        .proxy(QStringLiteral("D.mov"), 8000);
    scene.lib = builder.write(scene.folder);
    scene.day1 = scene.lib + QStringLiteral("/Day 1");
    scene.day2 = scene.lib + QStringLiteral("/Day 2");
    return scene;
}

} // namespace

// Every row: a plan made, the disk changed (or not), the run; then what it says, both logs,
// the Trash and the disk. The rows with a skip run once more while headless, where the error
// log must stay empty and everything else is the same.
TEST_F(CleanupRunTest, ChecksEachTargetJustBeforeItGoesAndLogsWhatHappened) {
    struct Expect {
        QStringList errors;
        QStringList deletionLog;
        QStringList errorLog;
        QStringList removed; // paths, in plan order: `done`
        QStringList present; // still in place afterwards
    };
    struct Case {
        const char* what;
        QStringList events;
        QSet<Kind> kinds;
        bool permanent = true;
        bool skips = false; // runs again headless
        std::function<void(Scene&)> afterPlanning = [](Scene&) {};
        std::function<Expect(const Scene&)> expect;
        // The library as the run is given it; the planned one by default.
        std::function<QString(const Scene&)> runLibrary = [](const Scene& s) { return s.lib; };
        QString failingWith = QString(); // the fake Trash fails the first target with this description
    };
    const QString safety = QStringLiteral(": failed the safety check just before deleting.");
    const QString noOriginal = QStringLiteral(": its original is no longer in the event.");

    const std::vector<Case> cases{
        {.what = "nothing changed, to the Trash",
         .events = {"Day 1"},
         .kinds = {Kind::proxy},
         .permanent = false,
         .expect =
             [](const Scene& s) {
                 return Expect{{}, {removedLine("TRASHED", s.target(s.proxy1()))}, {}, {s.proxy1()}, {}};
             }},
        {.what = "nothing changed, for good, every kind; a proxy whose own original is there goes though "
                 "another original is a broken link",
         .events = {"Day 1"},
         .kinds = {Kind::proxy, Kind::optimized, Kind::render},
         .expect =
             [](const Scene& s) {
                 const QStringList urls{s.proxy1(), s.optimized("A.mov"), s.optimized("B.mov"), s.peaks()};
                 QStringList lines;
                 for (const QString& url : urls)
                     lines.append(removedLine("DELETED", s.target(url)));
                 return Expect{{}, lines, {}, urls, {s.optimized("C.mov"), s.original("A.mov")}};
             }},
        {.what = "proxy folder swapped for a link to Original Media",
         .events = {"Day 1"},
         .kinds = {Kind::proxy},
         .skips = true,
         .afterPlanning =
             [](Scene& s) {
                 QDir(s.proxy1()).removeRecursively();
                 FixtureFiles::makeLink(s.proxy1(), s.day1 + QStringLiteral("/Original Media"));
             },
         .expect =
             [safety](const Scene& s) {
                 return Expect{{QStringLiteral("Skipped Proxy Media") + safety},
                               {},
                               {errorEntry(kSafety, s.proxy1())},
                               {},
                               {s.original("A.mov"), s.original("B.mov"), s.proxy1()}};
             }},
        {.what = "a link appeared inside a planned folder",
         .events = {"Day 2"},
         .kinds = {Kind::proxy},
         .skips = true,
         .afterPlanning =
             [](Scene& s) {
                 FixtureFiles::makeLink(s.proxy2() + QStringLiteral("/D2.mov"),
                                        s.day2 + QStringLiteral("/Original Media/D.mov"));
             },
         .expect =
             [safety](const Scene& s) {
                 return Expect{{QStringLiteral("Skipped Proxy Media") + safety},
                               {},
                               {errorEntry(kSafety, s.proxy2())},
                               {},
                               {s.proxy2() + QStringLiteral("/D.mov"),
                                s.day2 + QStringLiteral("/Original Media/D.mov")}};
             }},
        {.what = "an optimized file's original deleted and another added; the next file still goes",
         .events = {"Day 1"},
         .kinds = {Kind::optimized},
         .skips = true,
         .afterPlanning =
             [](Scene& s) {
                 QFile::remove(s.original("A.mov"));
                 FixtureFiles::writeRandom(s.original("other.mov"), 1000);
             },
         .expect =
             [noOriginal](const Scene& s) {
                 return Expect{{QStringLiteral("Skipped A.mov") + noOriginal},
                               {removedLine("DELETED", s.target(s.optimized("B.mov")))},
                               {errorEntry(kNoOriginal, s.optimized("A.mov"))},
                               {s.optimized("B.mov")},
                               {s.optimized("A.mov"), s.optimized("C.mov")}};
             }},
        {.what = "a folder target gained a file without an original; render files need no original",
         .events = {"Day 2", "Day 1"},
         .kinds = {Kind::proxy, Kind::render},
         .skips = true,
         .afterPlanning =
             [](Scene& s) { FixtureFiles::writeRandom(s.proxy2() + QStringLiteral("/stray.mov"), 1000); },
         .expect =
             [noOriginal](const Scene& s) {
                 // Plan order: Day 2's proxy folder, then Day 1's proxy folder and its render item.
                 return Expect{
                     {QStringLiteral("Skipped Proxy Media") + noOriginal},
                     {removedLine("DELETED", s.target(s.proxy1())),
                      removedLine("DELETED", s.target(s.peaks()))},
                     {errorEntry(kNoOriginal, s.proxy2())},
                     {s.proxy1(), s.peaks()},
                     {s.proxy2() + QStringLiteral("/D.mov"), s.proxy2() + QStringLiteral("/stray.mov")}};
             }},
        {.what = "the library renamed",
         .events = {"Day 1"},
         .kinds = {Kind::proxy, Kind::render},
         .skips = true,
         .afterPlanning =
             [](Scene& s) { QDir().rename(s.lib, s.folder + QStringLiteral("/Renamed.fcpbundle")); },
         .expect =
             [safety](const Scene& s) {
                 const QString now = s.folder + QStringLiteral("/Renamed.fcpbundle/Day 1");
                 return Expect{{QStringLiteral("Skipped Proxy Media") + safety,
                                QStringLiteral("Skipped Peaks Data") + safety},
                               {},
                               {errorEntry(kSafety, s.proxy1()), errorEntry(kSafety, s.peaks())},
                               {},
                               {now + QStringLiteral("/Transcoded Media/Proxy Media/A.mov"),
                                now + QStringLiteral("/Render Files/Peaks Data/peak")}};
             }},
        {.what = "the library renamed, the run given its new path",
         .events = {"Day 1"},
         .kinds = {Kind::render},
         .skips = true,
         .afterPlanning =
             [](Scene& s) { QDir().rename(s.lib, s.folder + QStringLiteral("/Renamed.fcpbundle")); },
         .expect =
             [safety](const Scene& s) {
                 return Expect{
                     {QStringLiteral("Skipped Peaks Data") + safety},
                     {},
                     {errorEntry(kSafety, s.peaks())},
                     {},
                     {s.folder + QStringLiteral("/Renamed.fcpbundle/Day 1/Render Files/Peaks Data/peak")}};
             },
         .runLibrary = [](const Scene& s) { return s.folder + QStringLiteral("/Renamed.fcpbundle"); }},
        {.what = "the library's path became a link to another library",
         .events = {"Day 1"},
         .kinds = {Kind::render},
         .skips = true,
         .afterPlanning =
             [](Scene& s) {
                 const QString other = s.folder + QStringLiteral("/Other");
                 QDir().mkpath(other);
                 QDir().rename(s.lib, other + QStringLiteral("/Lib.fcpbundle"));
                 LibraryBuilder twin(QStringLiteral("Lib"));
                 twin.event(QStringLiteral("Day 1")).render(QStringLiteral("Peaks Data/peak"), 5000);
                 const QString twinLib = twin.write(s.folder + QStringLiteral("/Twin"));
                 FixtureFiles::makeLink(s.lib, twinLib);
             },
         .expect =
             [safety](const Scene& s) {
                 return Expect{
                     {QStringLiteral("Skipped Peaks Data") + safety},
                     {},
                     {errorEntry(kSafety, s.peaks())},
                     {},
                     {s.folder + QStringLiteral("/Other/Lib.fcpbundle/Day 1/Render Files/Peaks Data/peak"),
                      s.folder + QStringLiteral("/Twin/Lib.fcpbundle/Day 1/Render Files/Peaks Data/peak")}};
             }},
        {.what = "a plan made for another library",
         .events = {"Day 1"},
         .kinds = {Kind::render},
         .skips = true,
         .expect =
             [safety](const Scene& s) {
                 return Expect{{QStringLiteral("Skipped Peaks Data") + safety},
                               {},
                               {errorEntry(kSafety, s.peaks())},
                               {},
                               {s.peaks()}};
             },
         .runLibrary =
             [](const Scene& s) {
                 LibraryBuilder other(QStringLiteral("Other"));
                 other.event(QStringLiteral("Day 1")).render(QStringLiteral("Peaks Data/peak"), 5000);
                 return other.write(s.folder);
             }},
        {.what = "targets that vanished",
         .events = {"Day 1"},
         .kinds = {Kind::optimized},
         .skips = true,
         .afterPlanning = [](Scene& s) { QFile::remove(s.optimized("A.mov")); },
         .expect =
             [safety](const Scene& s) {
                 return Expect{{QStringLiteral("Skipped A.mov") + safety},
                               {removedLine("DELETED", s.target(s.optimized("B.mov")))},
                               {errorEntry(kSafety, s.optimized("A.mov"))},
                               {s.optimized("B.mov")},
                               {}};
             }},
        {.what = "the Trash fails the first target; the next one goes all the same",
         .events = {"Day 1"},
         .kinds = {Kind::proxy, Kind::render},
         .permanent = false,
         .expect =
             [](const Scene& s) {
                 const QString why = QStringLiteral("Invalid cross-device link");
                 return Expect{
                     {QStringLiteral("Proxy Media: ") + why},
                     {QStringLiteral("FAILED ") + s.proxy1() + QStringLiteral(": ") + why,
                      removedLine("TRASHED", s.target(s.peaks()))},
                     {errorEntry(QStringLiteral("A file could not be removed: ") + why, s.proxy1())},
                     {s.peaks()},
                     {s.proxy1() + QStringLiteral("/A.mov")}};
             },
         .failingWith = QStringLiteral("Invalid cross-device link")},
        {.what = "two events' proxy folders, both to the Trash",
         .events = {"Day 1", "Day 2"},
         .kinds = {Kind::proxy},
         .permanent = false,
         .expect =
             [](const Scene& s) {
                 return Expect{{},
                               {removedLine("TRASHED", s.target(s.proxy1())),
                                removedLine("TRASHED", s.target(s.proxy2()))},
                               {},
                               {s.proxy1(), s.proxy2()},
                               {}};
             }},
    };

    int index = 0;
    for (const bool headless : {false, true}) {
        for (const Case& c : cases) {
            if (headless && !c.skips)
                continue;
            const std::string what = std::string(c.what) + (headless ? " (headless)" : "");
            SCOPED_TRACE(what);
            ErrorLog::setHeadless(headless);
            QFile::remove(ErrorLog::url());
            QFile::remove(deletionLog());

            Scene scene = buildScene(QStringLiteral("row%1").arg(index++));
            scene.plan = Cleanup::plan(scene.lib, c.events, c.kinds, false);
            ASSERT_FALSE(scene.plan.targets.isEmpty());
            const QStringList trashBefore = trashed();
            c.afterPlanning(scene);
            const Expect expect = c.expect(scene);

            const auto trash = std::make_shared<test::FakeTrash>();
            if (!c.failingWith.isEmpty())
                trash->fail(scene.plan.targets.front().url, c.failingWith);
            platform::ScopedServices scope(test::FakeTrash::services(trash));
            const QString library = c.runLibrary(scene);
            const Cleanup::Result2 result =
                Cleanup::run(scene.plan, library, c.permanent, false, deletionLog());

            qint64 freed = 0;
            for (const QString& url : expect.removed)
                freed += scene.target(url).bytes;
            EXPECT_EQ(result, (Cleanup::Result2{freed, expect.removed, expect.errors}));
            EXPECT_EQ(texts(deletionLog()), expect.deletionLog);
            EXPECT_EQ(errorEntries(), headless ? QStringList() : expect.errorLog);
            for (const QString& url : expect.removed)
                EXPECT_FALSE(QFileInfo::exists(url) || QFileInfo(url).isSymLink()) << url.toStdString();
            for (const QString& path : expect.present)
                EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();

            // What was removed to the Trash lies there under a name of its own, with its
            // ".trashinfo"; deleted and skipped items never reach it.
            const QStringList trashAfter = trashed();
            const QStringList added = QSet<QString>(trashAfter.begin(), trashAfter.end())
                                          .subtract(QSet<QString>(trashBefore.begin(), trashBefore.end()))
                                          .values();
            EXPECT_EQ(added.size(), c.permanent ? 0 : expect.removed.size());
            for (const QString& name : added)
                EXPECT_TRUE(QFileInfo::exists(trashInfo() + u'/' + name + QStringLiteral(".trashinfo")))
                    << name.toStdString();
        }
    }
}

TEST_F(CleanupRunTest, WhileFinalCutProRunsNothingIsTouchedOrLogged) {
    Scene scene = buildScene(QStringLiteral("fcp"));
    scene.plan =
        Cleanup::plan(scene.lib, {"Day 1", "Day 2"}, {Kind::proxy, Kind::optimized, Kind::render}, false);
    ASSERT_FALSE(scene.plan.targets.isEmpty());
    const QStringList before = test::treeListing(scene.folder);

    const auto app = test::FakeFinalCutApp::installed(TestEnv::root() + "/Final Cut Pro.app", "11.0");
    app->setRunning({412});
    test::ScopedFinalCutApp finalCut(app);
    const auto trash = std::make_shared<test::FakeTrash>();
    platform::ScopedServices scope(test::FakeTrash::services(trash));
    int calls = 0;
    const Cleanup::Result2 result = Cleanup::run(scene.plan, scene.lib, false, true, deletionLog(),
                                                 [&](int, qint64, const CleanupTarget&) { ++calls; });

    EXPECT_EQ(result, (Cleanup::Result2{0, {}, {QStringLiteral("Final Cut Pro is running.")}}));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(trash->calls().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(deletionLog()));
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));
    EXPECT_EQ(test::treeListing(scene.folder), before);

    // Not asked, it is not in the way.
    const Cleanup::Result2 unasked = Cleanup::run(scene.plan, scene.lib, true, false, deletionLog());
    EXPECT_TRUE(unasked.errors.isEmpty()) << unasked.errors.join(u'\n').toStdString();
    EXPECT_EQ(unasked.done.size(), scene.plan.targets.size());
}

TEST_F(CleanupRunTest, ReportsProgressOncePerTargetBeforeItIsChecked) {
    Scene scene = buildScene(QStringLiteral("progress"));
    scene.plan =
        Cleanup::plan(scene.lib, {"Day 1", "Day 2"}, {Kind::proxy, Kind::optimized, Kind::render}, false);
    const QList<CleanupTarget>& targets = scene.plan.targets;
    ASSERT_GE(targets.size(), 3);
    // The first target goes missing: it is still announced, and its bytes still count for
    // the ones after it.
    QDir(targets.front().url).removeRecursively();

    struct Call {
        int index;
        qint64 before;
        CleanupTarget target;
        bool stillThere;
        bool operator==(const Call&) const = default;
    };
    QList<Call> calls;
    const Cleanup::Result2 result =
        Cleanup::run(scene.plan, scene.lib, true, false, std::nullopt,
                     [&](int index, qint64 before, const CleanupTarget& target) {
                         calls.append({index, before, target, QFileInfo::exists(target.url)});
                     });
    QList<Call> expected;
    qint64 before = 0;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        expected.append({int(i), before, targets.at(i), i != 0});
        before += targets.at(i).bytes;
    }
    EXPECT_TRUE(calls == expected);
    EXPECT_EQ(calls.front().before, 0);
    EXPECT_LT(calls.back().before, scene.plan.totalBytes());
    EXPECT_EQ(result.errors.size(), 1);
    EXPECT_EQ(result.freed, scene.plan.totalBytes() - targets.front().bytes);

    // No targets: no call, an empty result, nothing written.
    calls.clear();
    const Cleanup::Result2 empty =
        Cleanup::run(CleanupPlan{{}, {"a blocker"}}, scene.lib, true, false, deletionLog(),
                     [&](int index, qint64 bytes, const CleanupTarget& target) {
                         calls.append({index, bytes, target, false});
                     });
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(empty, Cleanup::Result2{});
    EXPECT_FALSE(QFileInfo::exists(deletionLog()));
}

TEST_F(CleanupRunTest, AStoppedRunFinishesTheTargetUnderWayAndLeavesTheRest) {
    Scene scene = buildScene(QStringLiteral("stop"));
    scene.plan =
        Cleanup::plan(scene.lib, {"Day 1", "Day 2"}, {Kind::proxy, Kind::optimized, Kind::render}, false);
    const QList<CleanupTarget>& targets = scene.plan.targets;
    ASSERT_GE(targets.size(), 3);

    // Asked to stop while the first target is on its way.
    std::stop_source stop;
    QList<int> announced;
    const Cleanup::Result2 result = Cleanup::run(
        scene.plan, scene.lib, false, false, deletionLog(),
        [&](int index, qint64, const CleanupTarget&) {
            announced.append(index);
            stop.request_stop();
        },
        stop.get_token());
    EXPECT_EQ(announced, QList<int>{0});
    EXPECT_EQ(result.done, QStringList{targets.front().url});
    EXPECT_EQ(result.freed, targets.front().bytes);
    EXPECT_TRUE(result.errors.isEmpty());
    EXPECT_EQ(result.notReached, targets.size() - 1);
    EXPECT_FALSE(QFileInfo::exists(targets.front().url));
    for (qsizetype i = 1; i < targets.size(); ++i)
        EXPECT_TRUE(QFileInfo::exists(targets.at(i).url)) << targets.at(i).url.toStdString();
    EXPECT_EQ(texts(deletionLog()), QStringList{removedLine("TRASHED", targets.front())});

    // Stopped before it began: nothing is touched.
    const Cleanup::Result2 none =
        Cleanup::run(scene.plan, scene.lib, false, false, deletionLog(), {}, stop.get_token());
    EXPECT_EQ(none, (Cleanup::Result2{0, {}, {}, targets.size()}));
}

TEST_F(CleanupRunTest, TheDeletionLogOnlyGrowsAndALogThatCannotBeWrittenStopsNothing) {
    // Appended after what is there.
    Scene scene = buildScene(QStringLiteral("log-append"));
    scene.plan = Cleanup::plan(scene.lib, {"Day 1", "Day 2"}, {Kind::proxy}, false);
    ASSERT_EQ(scene.plan.targets.size(), 2);
    test::writeFile(deletionLog(), "2026-01-01T00:00:00Z  DELETED render 4096 bytes  /earlier\n");
    ASSERT_EQ(Cleanup::run(scene.plan, scene.lib, true, false, deletionLog()).done.size(), 2);
    EXPECT_EQ(texts(deletionLog()), (QStringList{"DELETED render 4096 bytes  /earlier",
                                                 removedLine("DELETED", scene.plan.targets.at(0)),
                                                 removedLine("DELETED", scene.plan.targets.at(1))}));

    // A folder at the log's name, or a log folder that is missing: the lines are lost, the
    // removals stand and the error log gets its entries all the same.
    struct Case {
        const char* what;
        QString log;
    };
    const QString folderLog = TestEnv::freshDir(QStringLiteral("log-folder"));
    const Case cases[] = {
        {"a folder at the log's name", folderLog},
        {"the log's folder is missing", folderLog + QStringLiteral("/missing/deletion-log.txt")},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(ErrorLog::url());
        Scene broken = buildScene(QStringLiteral("log-broken%1").arg(index++));
        broken.plan = Cleanup::plan(broken.lib, {"Day 1"}, {Kind::optimized, Kind::render}, false);
        QFile::remove(broken.optimized("A.mov"));
        const Cleanup::Result2 result = Cleanup::run(broken.plan, broken.lib, true, false, c.log);
        EXPECT_EQ(result.done, (QStringList{broken.optimized("B.mov"), broken.peaks()}));
        EXPECT_EQ(errorEntries(), (QStringList{errorEntry(kSafety, broken.optimized("A.mov"))}));
        EXPECT_FALSE(QFileInfo::exists(broken.optimized("B.mov")));
        EXPECT_TRUE(QFileInfo(folderLog).isDir());
        EXPECT_FALSE(QFileInfo::exists(folderLog + QStringLiteral("/missing")));
    }

    // No log at all: only the error log is written, and nothing else in the data folder.
    QFile::remove(ErrorLog::url());
    QFile::remove(deletionLog());
    Scene unlogged = buildScene(QStringLiteral("log-none"));
    unlogged.plan = Cleanup::plan(unlogged.lib, {"Day 1"}, {Kind::optimized}, false);
    QFile::remove(unlogged.optimized("A.mov"));
    const Cleanup::Result2 result = Cleanup::run(unlogged.plan, unlogged.lib, true, false, std::nullopt);
    EXPECT_EQ(result.done, QStringList{unlogged.optimized("B.mov")});
    EXPECT_EQ(QDir(QFileInfo(ErrorLog::url()).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("error-log.txt")});
}

// The deletion log hears of a removal only once the item is gone: while the Trash holds the
// call, the item is in place and the log has no line for it.
TEST_F(CleanupRunTest, LogsARemovalOnlyAfterTheItemIsGone) {
    Scene scene = buildScene(QStringLiteral("held"));
    scene.plan = Cleanup::plan(scene.lib, {"Day 1"}, {Kind::proxy}, false);
    ASSERT_EQ(scene.plan.targets.size(), 1);
    const auto trash = std::make_shared<test::FakeTrash>();
    platform::ScopedServices scope(test::FakeTrash::services(trash));
    trash->hold(true);

    std::atomic<int> announced{0};
    Cleanup::Result2 result;
    std::thread worker([&] {
        result = Cleanup::run(scene.plan, scene.lib, false, false, deletionLog(),
                              [&](int, qint64, const CleanupTarget&) { ++announced; });
    });
    ASSERT_TRUE(test::waitUntil([&] { return trash->held() == 1; }));
    EXPECT_EQ(announced.load(), 1);
    EXPECT_TRUE(QFileInfo::exists(scene.proxy1()));
    EXPECT_FALSE(QFileInfo::exists(deletionLog()));

    trash->release();
    worker.join();
    EXPECT_EQ(trash->calls(), QStringList{QStringLiteral("moveToTrash ") + scene.proxy1()});
    EXPECT_EQ(result.done, QStringList{scene.proxy1()});
    EXPECT_FALSE(QFileInfo::exists(scene.proxy1()));
    EXPECT_EQ(texts(deletionLog()), QStringList{removedLine("TRASHED", scene.plan.targets.front())});
}

namespace {

// A Trash that acts as the system's does, relative to the folder it is handed and only on the
// item that was checked, but puts what it takes into a folder of the test's own, so a test sees
// exactly which item went: the one checked, or whatever the path led to when the call came.
class RelativeTrash final : public platform::Trash {
public:
    explicit RelativeTrash(const QString& graveyard) : m_graveyard(graveyard) { QDir().mkpath(graveyard); }

    // Runs inside the next call, before it acts.
    std::function<void()> beforeActing;

    Result<void> moveToTrash(const platform::TrashItem& item) override { return take(item); }
    Result<void> remove(const platform::TrashItem& item) override { return take(item); }

    QStringList taken() const {
        std::lock_guard lock(m_mutex);
        return m_taken;
    }

private:
    Result<void> take(const platform::TrashItem& item) {
        if (beforeActing)
            std::exchange(beforeActing, {})();
        const std::optional<ItemFacts> now = item.folder.entryFacts(item.name);
        if (!now || !now->sameItem(item.facts))
            return Failure{QStringLiteral("not the item that was checked")};
        std::lock_guard lock(m_mutex);
        const QString name = QString::number(m_taken.size()) + u' ' + QFile::decodeName(item.name);
        if (::renameat(item.folder.fd(), item.name.constData(), AT_FDCWD,
                       QFile::encodeName(m_graveyard + u'/' + name).constData()) != 0)
            return Failure{QString::fromLocal8Bit(std::strerror(errno))};
        m_taken.append(name);
        return {};
    }

    const QString m_graveyard;
    mutable std::mutex m_mutex;
    QStringList m_taken;
};

// Swaps two items in one step, as an attacker's loop does.
void exchange(const QString& a, const QString& b) {
    ASSERT_EQ(::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD,
                          QFile::encodeName(b).constData(), RENAME_EXCHANGE),
              0)
        << std::strerror(errno);
}

// A Trash that says every item went and touches nothing, counting its calls.
class NullTrash final : public platform::Trash {
public:
    Result<void> moveToTrash(const platform::TrashItem&) override {
        ++calls;
        return {};
    }
    Result<void> remove(const platform::TrashItem&) override {
        ++calls;
        return {};
    }
    std::atomic<int> calls{0};
};

platform::Services withTrash(std::shared_ptr<platform::Trash> trash) {
    platform::Services s;
    s.trash = std::move(trash);
    return s;
}

} // namespace

// "Render Files" swapped for a link to a folder outside the library, holding items of the same
// names, at four moments: before the run opens the folder, after it opened the folder for the
// first item and before the next item's check, in the middle of that check (while the item is
// being measured), and once the Trash has been called. The outside folder is never touched:
// a folder that is a link when it is to be opened is never used, and once opened, the folder
// held is the one acted in, so the items go from the library's own folder.
TEST_F(CleanupRunTest, AFolderSwappedForALinkNeverSendsTheRunOutside) {
    enum class When { beforeTheFolder, beforeTheCheck, duringTheCheck, asTheTrashActs };
    struct Case {
        const char* what;
        When when;
        QStringList done;   // below "Render Files"
        QStringList errors; // the run's
    };
    const auto skipped = [](const char* name) {
        return QStringLiteral("Skipped ") + QLatin1String(name) +
               QStringLiteral(": failed the safety check just before deleting.");
    };
    const Case cases[] = {
        {"swapped before its folder is opened",
         When::beforeTheFolder,
         {},
         {skipped("Other"), skipped("Peaks Data")}},
        {"swapped after its folder was opened", When::beforeTheCheck, {"Other", "Peaks Data"}, {}},
        {"swapped while the item is measured", When::duringTheCheck, {"Other", "Peaks Data"}, {}},
        {"swapped as the Trash acts", When::asTheTrashActs, {"Other", "Peaks Data"}, {}},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = TestEnv::freshDir(QStringLiteral("swap%1").arg(index++));
        const QString outside = folder + QStringLiteral("/Outside");
        FixtureFiles::writeRandom(outside + QStringLiteral("/Peaks Data/theirs"), 3000);
        FixtureFiles::writeRandom(outside + QStringLiteral("/Other/theirs"), 3000);
        LibraryBuilder builder(QStringLiteral("Lib"));
        builder.event(QStringLiteral("Day 1"))
            .media(QStringLiteral("A.mov"), 10'000)
            .render(QStringLiteral("Other/ours"), 3000)
            .render(QStringLiteral("Peaks Data/ours"), 3000);
        const QString lib = builder.write(folder);
        const QString day = lib + QStringLiteral("/Day 1");
        const QString render = day + QStringLiteral("/Render Files");
        const QString swapLink = day + QStringLiteral("/swap");
        FixtureFiles::makeLink(swapLink, outside);
        const CleanupPlan plan = Cleanup::plan(lib, {"Day 1"}, {Kind::render}, false);
        ASSERT_EQ(plan.targets.size(), 2);
        ASSERT_EQ(plan.targets.at(1).url, render + QStringLiteral("/Peaks Data"));
        const QStringList outsideBefore = test::treeListing(outside);
        const auto swap = [&] { exchange(render, swapLink); };

        const auto trash = std::make_shared<RelativeTrash>(folder + QStringLiteral("/Taken"));
        platform::ScopedServices scope(withTrash(trash));
        std::optional<test::OpenGate> gate;
        Cleanup::Progress progress;
        if (c.when == When::duringTheCheck) {
            gate.emplace(render + QStringLiteral("/Peaks Data"), [&](int opens) {
                if (opens == 1)
                    swap();
            });
            if (!*gate)
                GTEST_SKIP() << gate->reason().toStdString();
        } else if (c.when == When::beforeTheFolder || c.when == When::beforeTheCheck) {
            const int at = c.when == When::beforeTheFolder ? 0 : 1;
            progress = [&, at](int i, qint64, const CleanupTarget&) {
                if (i == at)
                    swap();
            };
        } else {
            progress = [&](int i, qint64, const CleanupTarget&) {
                if (i == 1)
                    trash->beforeActing = swap;
            };
        }
        const Cleanup::Result2 result = Cleanup::run(plan, lib, true, false, std::nullopt, progress);
        gate.reset();

        EXPECT_EQ(test::treeListing(outside), outsideBefore) << "the outside folder is untouched";
        QStringList done;
        QStringList taken;
        for (const QString& name : c.done) {
            done.append(render + u'/' + name);
            taken.append(QString::number(taken.size()) + u' ' + name);
        }
        EXPECT_EQ(result.done, done);
        EXPECT_EQ(result.errors, c.errors);
        EXPECT_EQ(trash->taken(), taken);
        // What was taken is the library's own, never the outside's.
        for (const QString& name : trash->taken())
            EXPECT_TRUE(
                QFileInfo::exists(folder + QStringLiteral("/Taken/") + name + QStringLiteral("/ours")))
                << name.toStdString();
    }
}

// Event names that cannot be one file name, in a plan that did not come from the planner (a
// stored or hand-made one): each target fails its safety check, and nothing of the event whose
// name the path would be cut to is touched.
TEST_F(CleanupRunTest, ATargetWhoseEventIsNotOneNameFailsItsSafetyCheck) {
    const QString folder = TestEnv::freshDir(QStringLiteral("nul-run"));
    LibraryBuilder builder(QStringLiteral("Lib"));
    builder.event(QStringLiteral("Day 1"))
        .media(QStringLiteral("a.mov"), 10'000)
        .proxy(QStringLiteral("a.mov"), 2000)
        .render(QStringLiteral("Peaks Data/peak"), 2000);
    const QString lib = builder.write(folder);
    const QChar nul(0);
    const QStringList events = {QStringLiteral("Day 1") + nul + QStringLiteral("x"),
                                QStringLiteral("Day 1") + nul,
                                QString(nul),
                                QStringLiteral("Day 1/Render Files"),
                                QStringLiteral("."),
                                QStringLiteral(".."),
                                QStringLiteral("/"),
                                QString()};
    CleanupPlan plan;
    QStringList errors;
    for (const QString& event : events) {
        const QString day = lib + u'/' + event;
        plan.targets.append({day + QStringLiteral("/Render Files/Peaks Data"), Kind::render, event, 4096});
        plan.targets.append(
            {day + QStringLiteral("/Transcoded Media/Proxy Media"), Kind::proxy, event, 4096});
        errors << QStringLiteral("Skipped Peaks Data: failed the safety check just before deleting.")
               << QStringLiteral("Skipped Proxy Media: failed the safety check just before deleting.");
        SCOPED_TRACE(event.toStdString());
        EXPECT_FALSE(Cleanup::originalsStillThere(
            {day + QStringLiteral("/Transcoded Media/Proxy Media/a.mov"), Kind::proxy, event, 4096}, lib));
    }
    const QStringList before = test::treeListing(folder);

    const auto trash = std::make_shared<test::FakeTrash>();
    platform::ScopedServices scope(test::FakeTrash::services(trash));
    const Cleanup::Result2 result = Cleanup::run(plan, lib, true, false, deletionLog());
    EXPECT_EQ(result, (Cleanup::Result2{0, {}, errors}));
    EXPECT_TRUE(trash->calls().isEmpty()) << trash->calls().join(u'\n').toStdString();
    EXPECT_EQ(test::treeListing(folder), before);
}

// The originals an event's proxy and optimized files depend on are read once per event in a
// run, not once per target; yet what changed since the plan still counts: an original deleted,
// or a linked original's file gone, after planning keeps its proxy.
TEST_F(CleanupRunTest, ReadsAnEventsOriginalsOncePerRunAndStillChecksThemAgainstThePlan) {
    const QString folder = TestEnv::freshDir(QStringLiteral("once"));
    FixtureFiles::writeRandom(folder + QStringLiteral("/Elsewhere/L.mov"), 1000);
    LibraryBuilder builder(QStringLiteral("Lib"));
    auto& day1 = builder.event(QStringLiteral("Day 1")).proxy(QStringLiteral("stray.mov"), 100);
    for (int i = 0; i < 30; ++i) {
        const QString name = QStringLiteral("C%1.mov").arg(i, 2, 10, QLatin1Char('0'));
        day1.media(i % 3 ? name : QStringLiteral("Card/") + name, 100).proxy(name, 100);
    }
    auto& day2 = builder.event(QStringLiteral("Day 2"))
                     .optimized(QStringLiteral("stray.mov"), 100)
                     .mediaLink(QStringLiteral("L.mov"), folder + QStringLiteral("/Elsewhere/L.mov"))
                     .optimized(QStringLiteral("L.mov"), 100);
    for (int i = 0; i < 10; ++i) {
        const QString name = QStringLiteral("D%1.mov").arg(i);
        day2.media(name, 100).optimized(name, 100);
    }
    const QString lib = builder.write(folder);
    const CleanupPlan plan = Cleanup::plan(lib, {"Day 1", "Day 2"}, {Kind::proxy, Kind::optimized}, false);
    ASSERT_EQ(plan.targets.size(), 41) << ::testing::PrintToString(plan);
    const QString c07 = lib + QStringLiteral("/Day 1/Transcoded Media/Proxy Media/C07.mov");
    const QString l = lib + QStringLiteral("/Day 2/Transcoded Media/High Quality Media/L.mov");

    test::OpenGate originals1(lib + QStringLiteral("/Day 1/Original Media"));
    test::OpenGate originals2(lib + QStringLiteral("/Day 2/Original Media"));
    if (!originals1)
        GTEST_SKIP() << originals1.reason().toStdString();
    const auto trash = std::make_shared<NullTrash>();
    platform::ScopedServices scope(withTrash(trash));
    for (const QString& planned : {c07, l})
        ASSERT_TRUE(std::any_of(plan.targets.cbegin(), plan.targets.cend(),
                                [&](const CleanupTarget& target) { return target.url == planned; }));
    QFile::remove(lib + QStringLiteral("/Day 1/Original Media/C07.mov"));
    QFile::remove(folder + QStringLiteral("/Elsewhere/L.mov"));
    const Cleanup::Result2 result = Cleanup::run(plan, lib, true, false, std::nullopt);

    EXPECT_EQ(originals1.opens(), 1);
    EXPECT_EQ(originals2.opens(), 1);
    EXPECT_EQ(result.errors,
              (QStringList{QStringLiteral("Skipped C07.mov: its original is no longer in the event."),
                           QStringLiteral("Skipped L.mov: its original is no longer in the event.")}));
    EXPECT_EQ(result.done.size(), 39);
    EXPECT_EQ(trash->calls.load(), 39);
}
