// The library updater against the in-process fake Final Cut Pro on a virtual clock, so the
// four- and fifteen-minute waits take no time and every timing is exact; and once against the
// fake program started as real processes, on a scaled clock.

#include "FinalCut/LibraryUpdater.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Support/ByteCount.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogSeeding.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeAccessibility.h"
#include "Tests/Support/FakeAccessibilityElement.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"
#include "Tests/Support/FakeFinalCut/ScriptFromJson.h"
#include "Tests/Support/FakeFinalCut/SocketFinalCut.h"
#include "Tests/Support/ScaledClock.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"
#include "Tests/Support/VirtualClock.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>

namespace pellimor {

// Readable statuses in failure messages.
void PrintTo(const LibraryUpdater::Status& status, std::ostream* out) {
    static const char* const names[] = {"failed",         "waiting",    "safetyCopy", "opening",
                                        "awaitingPrompt", "updating",   "closing",    "done",
                                        "alreadyCurrent", "practiceOK", "skipped"};
    *out << names[int(status.kind)];
    if (status.kind == LibraryUpdater::Status::Case::failed)
        *out << "(" << status.text.toStdString() << ")";
}

} // namespace pellimor

using namespace pellimor;
using namespace std::chrono_literals;
using fixtures::LibraryBuilder;
using fixtures::PlistValue;
using test::FakeFinalCutScript;
using Case = LibraryUpdater::Status::Case;
using Status = LibraryUpdater::Status;
using Span = std::chrono::nanoseconds;

namespace {

void writeVersion(const QString& library, const QString& version) {
    fixtures::FixtureFiles::writePlist(
        library + "/CurrentVersion.plist",
        PlistValue::dict({{"catalogVersion", LibraryBuilder::catalogVersionText(version)}}));
}

// The texts of a log in the tools' form ("TIME  TEXT"), without their times.
QStringList logTexts(const QString& file) {
    QFile log(file);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList texts;
    for (const QString& line : QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype gap = line.indexOf("  ");
        texts.append(gap < 0 ? line : line.mid(gap + 2));
    }
    return texts;
}

QStringList lines(const QString& file) {
    QFile log(file);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

// One status change of one item, and when it came on the clock.
struct Transition {
    qsizetype item;
    Case kind;
    Span at;
};

// Everything one run needs: a catalogue of its own, a virtual clock, and a fake Final Cut Pro
// (installed, trusted, not running) whose instances follow `finalCutScript`.
class World {
public:
    explicit World(const QJsonObject& finalCutScript = {})
        : finalCut(test::scriptFromJson(finalCutScript)), catalog(env.makeCatalog()),
          folder(test::TestEnv::freshDir("updater-libraries")),
          safetyRoot(QDir(test::TestEnv::freshDir("updater-safety")).filePath("Safety copies")) {
        QObject::connect(&updater, &LibraryUpdater::itemsChanged, &updater, [this] { noteTransitions(); });
        QObject::connect(&updater, &LibraryUpdater::finished, &updater, [this] { ++finishedSignals; });
    }

    // A library saved by `version` (nothing: no version list) in `parent` (default: the
    // world's folder), catalogued as a scan would have found it.
    LibraryInfo add(const QString& name, const std::optional<QString>& version = QStringLiteral("10.4.6"),
                    const QString& parent = {}, const std::function<void(LibraryBuilder&)>& tweak = {}) {
        LibraryBuilder builder(name);
        if (version)
            builder.catalogVersion = PlistValue(LibraryBuilder::catalogVersionText(*version));
        else
            builder.catalogVersion.reset();
        builder.stamp = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
        builder.event("Day 1").media("A001.mov", 40'000).project("Cut").clips(2);
        if (tweak)
            tweak(builder);
        return CatalogSeeding::addRead(*catalog, builder.write(parent.isEmpty() ? folder : parent));
    }

    void start(const QList<LibraryInfo>& libraries, bool safety = false, bool practice = false) {
        updater.run(libraries, *catalog, safety, safetyRoot, practice);
    }
    // Runs the program until the run is over.
    bool finish(Span limit = 6h) {
        return clock->runUntil([&] { return !updater.running(); }, limit);
    }
    bool runUntil(const std::function<bool()>& done, Span limit = 6h) { return clock->runUntil(done, limit); }
    bool reached(qsizetype item, Case kind) const {
        return std::any_of(transitions.cbegin(), transitions.cend(),
                           [&](const Transition& t) { return t.item == item && t.kind == kind; });
    }
    // When the item first took that status; the clock's start when it never did.
    Span at(qsizetype item, Case kind) const {
        for (const Transition& t : transitions) {
            if (t.item == item && t.kind == kind)
                return t.at;
        }
        ADD_FAILURE() << "item " << item << " never took that status";
        return Span::zero();
    }

    QList<Status> statuses() const {
        QList<Status> all;
        for (const LibraryUpdater::Item& item : updater.items())
            all.append(item.status);
        return all;
    }
    QString updateLogPath() const { return QDir(catalog->dir()).filePath("update-log.txt"); }
    QStringList updateLog() const { return logTexts(updateLogPath()); }
    QStringList errorLog() const { return lines(ErrorLog::url()); }

    // What every instance was asked to press, in the order of the instances.
    QStringList presses() const {
        QStringList found;
        for (const qint64 pid : finalCut.instances()) {
            for (const QString& line : finalCut.instance(pid)->log()) {
                if (line.startsWith("press"))
                    found.append(line);
            }
        }
        return found;
    }
    // The libraries any instance was handed.
    QStringList opened() const {
        QStringList found;
        for (const qint64 pid : finalCut.instances())
            found.append(finalCut.instance(pid)->libraries());
        return found;
    }

    test::CatalogTestEnv env{QStringLiteral("updater")};
    test::ScopedVirtualClock clock;
    test::FakeFinalCut finalCut;
    std::unique_ptr<Catalog> catalog;
    LibraryUpdater updater;
    const QString folder;
    const QString safetyRoot;
    QList<Transition> transitions;
    int finishedSignals = 0;

private:
    void noteTransitions() {
        const QList<LibraryUpdater::Item>& items = updater.items();
        if (m_last.size() != items.size())
            m_last = QList<Case>(items.size(), Case::waiting);
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (items[i].status.kind != m_last[i]) {
                m_last[i] = items[i].status.kind;
                transitions.append({i, m_last[i], clock->monotonic()});
            }
        }
    }
    QList<Case> m_last;
};

QString runFolderName(const World& world) {
    return world.clock->now().toLocalTime().toString("yyyy-MM-dd HHmm");
}

// The files of a safety copy without its note, and the sum of their lengths.
std::pair<qint64, qint64> copiedFiles(const QString& copy) {
    qint64 files = 0;
    qint64 bytes = 0;
    QDirIterator it(copy, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.filePath() == copy + "/READ ME.txt")
            continue;
        ++files;
        bytes += it.fileInfo().size();
    }
    return {files, bytes};
}

} // namespace

TEST(LibraryUpdaterVersion, TheFirstTwoNumbersOfTheLibraryMustReachTheInstalledOnes) {
    struct Case {
        std::optional<QString> library;
        QString installed;
        bool ok;
    };
    const Case cases[] = {
        {"11.1", "11.1.1", true}, {"10.4.10", "11.0", false},    {"11.1.2", "11.1", true},
        {"11", "11.0", true},     {std::nullopt, "11.0", false}, {"x.y", "0.0", true},
        {"", "0.0", true},        {"11.0", "11.1", false},       {"12.0", "11.9", true},
        {"10.10", "10.9", true},  {"10.9", "10.10", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LibraryUpdater::versionOK(c.library, c.installed), c.ok)
            << c.library.value_or("(missing)").toStdString() << " against " << c.installed.toStdString();
    }
}

TEST(LibraryUpdaterRun, AFailureStopsTheQueueAndSaysWhy) {
    using Setup = std::function<LibraryInfo(World&)>;
    using Hook = std::function<void(World&, const LibraryInfo&)>;
    struct Situation {
        const char* what;
        bool practice = false;
        QJsonObject script;       // of the Final Cut Pro that the second library is opened in
        Setup second;             // makes the library that fails (default: an old one)
        std::optional<Case> when; // `then` runs as soon as the failing library takes this status
        Hook then;
        QString text;
        bool opened = true;       // the failing library was handed to Final Cut Pro
        bool leftRunning = false; // Final Cut Pro is still open at the end
    };
    const QString unplugged = QDir(test::TestEnv::volumesRoot()).filePath("Shuttle");
    const Situation situations[] = {
        {"drive unplugged",
         false,
         {},
         [&](World& w) {
             const LibraryInfo library = w.add("Second", "10.4.6", unplugged);
             w.catalog->setMounted({"/"});
             return library;
         },
         {},
         {},
         "the drive isn't connected",
         false},
        {"unreadable",
         false,
         {},
         [](World& w) {
             return w.add("Second", "10.4.6", {}, [](LibraryBuilder& b) {
                 b.database.damage = fixtures::FixtureDatabase::Damage::Missing;
                 b.catalogVersion.reset();
             });
         },
         {},
         {},
         "the library can't be read right now (is the drive ready?)",
         false},
        {"copy failing",
         false,
         {},
         [](World& w) {
             const LibraryInfo library = w.add("Second");
             w.updater.setSafetyCopyHooks(
                 {{}, [path = library.path](const QString& folder) { return folder == path; }});
             return library;
         },
         {},
         {},
         "safety copy failed (can't read the library)",
         false},
        {"no prompt in 240 s",
         false,
         {{"promptDelayMs", 300000}},
         {},
         {},
         {},
         "Final Cut didn't show the update prompt within 4 minutes",
         true,
         true},
        {"another library's prompt",
         false,
         {{"promptName", "Other"}},
         {},
         {},
         {},
         "Final Cut asked about a different library, so nothing was pressed",
         true,
         true},
        {"Cancel press error",
         true,
         {{"pressError", -25204}},
         {},
         {},
         {},
         "couldn't press Cancel",
         true,
         true},
        {"version changed in practice",
         true,
         {},
         {},
         Case::awaitingPrompt,
         [](World&, const LibraryInfo& library) { writeVersion(library.path, "11.1"); },
         "the library's version changed during the practice run",
         true,
         true},
        {"no quit in practice",
         true,
         {{"ignoreQuit", true}},
         {},
         {},
         {},
         "Final Cut didn't quit",
         true,
         true},
        {"Update press error",
         false,
         {{"pressError", -25204}},
         {},
         {},
         {},
         "couldn't press Update",
         true,
         true},
        {"stuck 900 s",
         false,
         {{"neverUpdate", true}},
         {},
         {},
         {},
         "nothing changed for 15 minutes; the update may be stuck",
         true,
         true},
        {"Final Cut Pro quits during the update",
         false,
         {{"quitDuringUpdate", true}},
         {},
         {},
         {},
         "Final Cut quit before the update finished",
         true,
         false},
        {"a dialog left after the update",
         false,
         {{"dialogAfterUpdate", true}},
         {},
         {},
         {},
         "Final Cut didn't quit; check for an open dialog",
         true,
         true},
        {"the version still old at the end",
         false,
         {},
         {},
         Case::closing,
         [](World&, const LibraryInfo& library) { writeVersion(library.path, "10.4.6"); },
         "the library still isn't at version 11.1",
         true,
         false},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        World world;
        world.finalCut.setNextScripts({FakeFinalCutScript(), test::scriptFromJson(s.script)});
        QList<LibraryInfo> libraries;
        QList<Status> expected;
        if (!s.practice) {
            libraries.append(world.add("Current", "11.1"));
            expected.append(Case::alreadyCurrent);
        }
        libraries.append(world.add("First"));
        expected.append(s.practice ? Case::practiceOK : Case::done);
        const LibraryInfo second = s.second ? s.second(world) : world.add("Second");
        libraries.append(second);
        expected.append(Status::failed(s.text));
        const LibraryInfo third = world.add("Third");
        libraries.append(third);
        expected.append(Case::skipped);
        const QStringList thirdBefore = test::treeListing(third.path);
        const qsizetype failing = libraries.size() - 2;

        world.start(libraries, true, s.practice);
        if (s.when) {
            ASSERT_TRUE(
                world.runUntil([&] { return world.reached(failing, *s.when) || !world.updater.running(); }));
            s.then(world, second);
        }
        ASSERT_TRUE(world.finish());

        EXPECT_EQ(world.statuses(), expected);
        EXPECT_EQ(world.updater.items().at(failing).detail, s.text);
        EXPECT_EQ(world.updater.message(),
                  "Stopped at “Second”: " + s.text + ". The remaining libraries were not touched.");
        const QStringList log = world.updateLog();
        ASSERT_GE(log.size(), 2);
        EXPECT_EQ(log.mid(log.size() - 2), QStringList({"FAILED Second: " + s.text, "STOPPED at Second"}));
        EXPECT_FALSE(log.contains("=== finished ==="));
        const QStringList errors = world.errorLog();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors.first().endsWith(" ERROR update-libraries: A library was not updated: " + s.text +
                                            "  path: " + second.path))
            << errors.first().toStdString();

        EXPECT_EQ(world.opened().contains(second.path), s.opened);
        EXPECT_FALSE(world.opened().contains(third.path));
        EXPECT_EQ(test::treeListing(third.path), thirdBefore);
        EXPECT_EQ(LibraryUpdater::fcpProcess().has_value(), s.leftRunning);
        EXPECT_EQ(world.finalCut.forcedQuits(), 0);
        EXPECT_EQ(world.finishedSignals, 1);
    }
}

TEST(LibraryUpdaterRun, NothingIsPressedInAPromptThatIsNotThisLibrarysOwn) {
    using Arrange = std::function<void(World&)>;
    struct Situation {
        const char* what;
        QJsonObject script;
        Arrange arrange;
        QString text;
        Span failsAfter; // from the open
    };
    // A window whose attributes cannot be read or are no texts, over the prompt's words.
    const Arrange unreadableTree = [](World& world) {
        world.finalCut.accessibility()->setWindowSource(
            [](qint64) -> std::optional<QList<platform::AccessibilityElementPtr>> {
                auto window = test::FakeAccessibilityElement::make("AXWindow");
                auto group = window->add(test::FakeAccessibilityElement::make("AXGroup"));
                group->add(test::FakeAccessibilityElement::text("The library “Trip” must be updated."));
                auto update = group->add(test::FakeAccessibilityElement::make("AXButton"));
                update->titleValue = QVariant(42);
                auto cancel = group->add(test::FakeAccessibilityElement::make("AXButton", "Cancel"));
                cancel->roleValue.reset();
                auto hidden = window->add(test::FakeAccessibilityElement::make("AXGroup"));
                hidden->childList.reset();
                auto noRole = window->add(std::make_shared<test::FakeAccessibilityElement>());
                noRole->valueValue = QVariant(QStringLiteral("Update"));
                return QList<platform::AccessibilityElementPtr>{window};
            });
    };
    const QString noPrompt = "Final Cut didn't show the update prompt within 4 minutes";
    const QString other = "Final Cut asked about a different library, so nothing was pressed";
    const Situation situations[] = {
        {"no Update button", {{"omit", "Update"}}, {}, noPrompt, 240s},
        {"no Cancel button", {{"omit", "Cancel"}}, {}, noPrompt, 240s},
        {"no “must be updated”", {{"promptText", "Open “Trip” in this version?"}}, {}, noPrompt, 240s},
        // Shown 0.5 s after the open, found at the look of 2 s, and nothing waits for more.
        {"the name in other letters", {{"promptName", "trip"}}, {}, other, 2s},
        {"another library", {{"promptName", "Wedding"}}, {}, other, 2s},
        {"unreadable attributes", {}, unreadableTree, noPrompt, 240s},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        World world(s.script);
        if (s.arrange)
            s.arrange(world);
        const LibraryInfo library = world.add("Trip");
        const QStringList before = test::treeListing(library.path);
        world.start({library});
        ASSERT_TRUE(world.finish());
        EXPECT_EQ(world.statuses(), QList<Status>{Status::failed(s.text)});
        EXPECT_EQ(world.at(0, Case::failed) - world.at(0, Case::awaitingPrompt), s.failsAfter);
        EXPECT_EQ(world.presses(), QStringList());
        EXPECT_EQ(test::treeListing(library.path), before);
    }
}

TEST(LibraryUpdaterRun, APracticeRunPressesOnlyCancelAndChangesNothing) {
    World world;
    const LibraryInfo one = world.add("One");
    const LibraryInfo two = world.add("Two");
    const QStringList oneBefore = test::treeListing(one.path);
    const QStringList twoBefore = test::treeListing(two.path);
    world.start({one, two}, false, true);
    ASSERT_TRUE(world.finish());

    EXPECT_EQ(world.statuses(), QList<Status>({Case::practiceOK, Case::practiceOK}));
    EXPECT_EQ(world.updater.items().at(1).detail, "prompt found and cancelled; nothing changed");
    EXPECT_EQ(world.updater.message(), "Practice run finished. Nothing was changed.");
    EXPECT_EQ(world.presses(), QStringList({"press Cancel", "press Cancel"}));
    EXPECT_EQ(world.finalCut.instances().size(), 2) << "quit after each library";
    EXPECT_FALSE(LibraryUpdater::fcpProcess());
    EXPECT_EQ(world.updateLog(), QStringList({"=== PRACTICE RUN to Final Cut Pro 11.1: 2 libraries ===",
                                              "One: practice OK", "Two: practice OK", "=== finished ==="}));
    EXPECT_EQ(test::treeListing(one.path), oneBefore);
    EXPECT_EQ(test::treeListing(two.path), twoBefore);
    EXPECT_TRUE(world.errorLog().isEmpty());
}

TEST(LibraryUpdaterRun, TheUpdateLogOfARunLineByLine) {
    World world;
    const LibraryInfo one = world.add("One");
    // A name that looks like a placeholder is written as it is.
    const LibraryInfo two = world.add("Two %1");
    fixtures::FixtureFiles::writeBytes(world.updateLogPath(), "2025-02-01T08:00:00Z  an earlier run\n");
    QStringList statusLine;
    QObject::connect(world.catalog.get(), &Catalog::statusChanged, world.catalog.get(),
                     [&] { statusLine.append(world.catalog->status()); });

    world.start({one, two}, true);
    ASSERT_TRUE(world.finish());

    EXPECT_EQ(world.statuses(), QList<Status>({Case::done, Case::done}));
    EXPECT_EQ(world.updater.items().at(0).detail, "now 11.1");
    EXPECT_EQ(world.updater.message(), "Finished.");
    const QString runFolder = QDir(world.safetyRoot).filePath(runFolderName(world));
    const QString oneCopy = runFolder + "/One.fcpbundle";
    const QString twoCopy = runFolder + "/Two %1.fcpbundle";
    const auto [oneFiles, oneBytes] = copiedFiles(oneCopy);
    const auto [twoFiles, twoBytes] = copiedFiles(twoCopy);
    ASSERT_GT(oneFiles, 0);
    EXPECT_EQ(world.updateLog(), QStringList({
                                     "an earlier run",
                                     "=== UPDATE RUN to Final Cut Pro 11.1: 2 libraries ===",
                                     "One: safety copy " + QString::number(oneFiles) + " files, " +
                                         ByteCount::file(oneBytes) + " -> " + oneCopy,
                                     "One: pressed Update (was 10.4.6)",
                                     "One: updated to 11.1",
                                     "Two %1: safety copy " + QString::number(twoFiles) + " files, " +
                                         ByteCount::file(twoBytes) + " -> " + twoCopy,
                                     "Two %1: pressed Update (was 10.4.6)",
                                     "Two %1: updated to 11.1",
                                     "=== finished ===",
                                 }));
    const QRegularExpression form("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ  \\S");
    for (const QString& line : lines(world.updateLogPath()))
        EXPECT_TRUE(form.match(line).hasMatch()) << line.toStdString();

    EXPECT_TRUE(statusLine.contains("Refreshing One…"));
    EXPECT_TRUE(statusLine.contains("Refreshing Two %1…"));
    ASSERT_TRUE(test::waitUntil([&] {
        const QList<LibraryInfo>& all = world.catalog->libraries();
        return all.size() == 2 && all[0].fcpVersion == QStringLiteral("11.1") &&
               all[1].fcpVersion == QStringLiteral("11.1");
    }));
    EXPECT_TRUE(QFile::exists(oneCopy + "/READ ME.txt"));
    EXPECT_EQ(LibraryReader::fcpVersion(oneCopy), QStringLiteral("10.4.6"))
        << "the copy is of the old library";
}

TEST(LibraryUpdaterRun, ALibraryIsOpenedOnlyOnceItsSafetyCopyIsComplete) {
    World world;
    const LibraryInfo library = world.add("Trip");
    // Shared with the worker, which may outlive a test that failed early.
    const auto walked = std::make_shared<std::atomic<bool>>(false);
    const auto release = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<void> releaseAtEnd(nullptr, [release](void*) { *release = true; });
    world.updater.setSafetyCopyHooks({[walked, release] {
                                          *walked = true;
                                          while (!*release)
                                              std::this_thread::sleep_for(1ms);
                                      },
                                      {}});
    world.start({library}, true);
    ASSERT_TRUE(test::waitUntil([&] { return walked->load(); }));
    // Minutes pass on the clock while the copy is held: nothing may reach Final Cut Pro.
    world.clock->runUntil([] { return false; }, 10min, 0ms);
    EXPECT_EQ(world.statuses(), QList<Status>{Case::safetyCopy});
    EXPECT_TRUE(world.finalCut.instances().isEmpty());
    *release = true;
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(), QList<Status>{Case::done});
    EXPECT_EQ(world.opened(), QStringList{library.path});
}

TEST(LibraryUpdaterRun, AFailingSafetyCopyStopsTheRunBeforeTheOpen) {
    struct Situation {
        const char* what;
        std::function<void(World&, const LibraryInfo&)> arrange;
        std::function<void(const LibraryInfo&)> duringCopy; // on the worker, after the walk
        QString textStart;
    };
    const Situation situations[] = {
        {"too little space",
         [](World& w, const LibraryInfo&) {
             w.env.volumes->setCapacity(w.safetyRoot, platform::VolumeFacts::Capacity{10'000'000, 1'000'000});
         },
         {},
         "safety copy failed (not enough free space for the safety copy ("},
        {"a file changing size",
         {},
         [](const LibraryInfo& library) {
             QFile file(library.path + "/CurrentVersion.flexolibrary");
             if (file.open(QIODevice::Append))
                 file.write(QByteArray(4096, '\0'));
         },
         "safety copy failed (copy of /CurrentVersion.flexolibrary doesn't match the original)"},
        {"an occupied destination",
         [](World& w, const LibraryInfo&) {
             fixtures::FixtureFiles::writeBytes(QDir(w.safetyRoot).filePath(runFolderName(w)) +
                                                    "/Trip.fcpbundle/CurrentVersion.flexolibrary",
                                                "someone else's");
         },
         {},
         "safety copy failed (Couldn’t copy “/CurrentVersion.flexolibrary”"},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        World world;
        const LibraryInfo library = world.add("Trip");
        const LibraryInfo later = world.add("Later");
        const QStringList laterBefore = test::treeListing(later.path);
        if (s.arrange)
            s.arrange(world, library);
        // The library as the copy found it, after any change the situation makes on purpose.
        QStringList before;
        world.updater.setSafetyCopyHooks({[&] {
                                              if (s.duringCopy)
                                                  s.duringCopy(library);
                                              before = test::treeListing(library.path);
                                          },
                                          {}});
        world.start({library, later}, true);
        ASSERT_TRUE(world.finish());

        ASSERT_EQ(world.statuses().size(), 2);
        EXPECT_EQ(world.statuses().at(0).kind, Case::failed);
        EXPECT_TRUE(world.statuses().at(0).text.startsWith(s.textStart))
            << world.statuses().at(0).text.toStdString();
        EXPECT_EQ(world.statuses().at(1), Status(Case::skipped));
        EXPECT_TRUE(world.finalCut.instances().isEmpty()) << "Final Cut Pro was handed nothing";
        EXPECT_EQ(test::treeListing(library.path), before);
        EXPECT_EQ(test::treeListing(later.path), laterBefore);
    }
}

TEST(LibraryUpdaterRun, AFinalCutProThatWillNotQuitIsAskedOnceAndLeftRunning) {
    World world({{"dialogAfterUpdate", true}});
    const LibraryInfo library = world.add("Trip");
    world.start({library});
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(),
              QList<Status>{Status::failed("Final Cut didn't quit; check for an open dialog")});
    // Sixty looks, two seconds apart.
    EXPECT_EQ(world.at(0, Case::failed) - world.at(0, Case::closing), 120s);
    const std::optional<qint64> running = LibraryUpdater::fcpProcess();
    ASSERT_TRUE(running);
    EXPECT_EQ(world.finalCut.instance(*running)->log().count("quit request"), 1);
    EXPECT_EQ(world.finalCut.quitRequests(), 1);
    EXPECT_EQ(world.finalCut.forcedQuits(), 0);
}

TEST(LibraryUpdaterRun, OnlyTheFinalCutProItFoundIsAskedToQuit) {
    // A second instance comes up while the library is in hand, as one the user starts would.
    // The updater asks the one it found, and only that one; while the other runs, Final Cut Pro
    // has not quit, so the run stops there rather than open the next library beside it.
    struct Scenario {
        const char* what;
        bool practice;
        QString failure;
    };
    const Scenario scenarios[] = {
        {"after the update", false, "Final Cut didn't quit; check for an open dialog"},
        {"after a practice prompt", true, "Final Cut didn't quit"},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        World world;
        const LibraryInfo library = world.add("Trip");
        world.start({library}, false, s.practice);
        ASSERT_TRUE(world.runUntil([&] { return world.reached(0, Case::awaitingPrompt); }));
        const std::optional<qint64> found = LibraryUpdater::fcpProcess();
        ASSERT_TRUE(found);
        const qint64 other = world.finalCut.launch();
        ASSERT_EQ(LibraryUpdater::fcpProcess(), found) << "the one found stays the one found";
        ASSERT_TRUE(world.finish());

        EXPECT_EQ(world.statuses(), QList<Status>{Status::failed(s.failure)});
        EXPECT_EQ(world.finalCut.instance(*found)->log().count("quit request"), 1);
        EXPECT_FALSE(world.finalCut.instance(*found)->running());
        EXPECT_EQ(world.finalCut.instance(other)->log().count("quit request"), 0);
        EXPECT_TRUE(world.finalCut.instance(other)->running()) << "the other instance is left running";
        EXPECT_EQ(world.finalCut.quitRequests(), 1);
        EXPECT_EQ(world.finalCut.forcedQuits(), 0);
    }
}

TEST(LibraryUpdaterRun, ThePromptIsLookedForEveryTwoSecondsFromTheOpen) {
    World world({{"promptDelayMs", 9000}});
    const LibraryInfo library = world.add("Trip");
    world.start({library});
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(), QList<Status>{Case::done});
    EXPECT_EQ(world.at(0, Case::updating) - world.at(0, Case::awaitingPrompt), 10s);
}

TEST(LibraryUpdaterRun, TheUpdateCountsAsDoneOnlyOnceTheFilesHaveSettled) {
    struct Situation {
        const char* what;
        QJsonObject script;
        Span versionAt; // after the press: the new version is there from then on
        Span quietFrom; // after the press: the files change no more from then on
    };
    const Situation situations[] = {
        {"the version written once", {{"updateMs", 7000}}, 7s, 7s},
        {"the database touched every 5 s for two minutes",
         {{"updateMs", 2000}, {"touchEveryMs", 5000}, {"touchForMs", 120000}},
         2s,
         120s},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        World world(s.script);
        const LibraryInfo library = world.add("Trip");
        world.start({library});
        ASSERT_TRUE(world.finish());
        EXPECT_EQ(world.statuses(), QList<Status>{Case::done});
        const Span settled = world.at(0, Case::closing) - world.at(0, Case::updating);
        EXPECT_GE(settled, s.versionAt + 20s);
        EXPECT_GE(settled, s.quietFrom + 20s);
        // The first look after the files went quiet starts the 20 s, and looks come every 3 s.
        EXPECT_LE(settled, s.quietFrom + 20s + 6s);
    }
}

TEST(LibraryUpdaterRun, AnUpdateThatChangesNothingForFifteenMinutesFails) {
    struct Situation {
        const char* what;
        QJsonObject script;
        Span lastChange; // after the press
    };
    const Situation situations[] = {
        {"never a change", {{"neverUpdate", true}}, 0s},
        // Each change starts the fifteen minutes again, however long the changes go on.
        {"changes for twenty minutes",
         {{"neverUpdate", true}, {"touchEveryMs", 5000}, {"touchForMs", 1200000}},
         1200s},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        World world(s.script);
        const LibraryInfo library = world.add("Trip");
        world.start({library});
        ASSERT_TRUE(world.runUntil([&] { return world.reached(0, Case::updating); }));
        const Span pressed = world.at(0, Case::updating);
        world.clock->runUntil([] { return false; }, pressed + s.lastChange + 900s - world.clock->monotonic(),
                              0ms);
        EXPECT_EQ(world.statuses(), QList<Status>{Case::updating}) << "not before 900 s have passed";
        ASSERT_TRUE(world.finish());
        EXPECT_EQ(world.statuses(),
                  QList<Status>{Status::failed("nothing changed for 15 minutes; the update may be stuck")});
        // At the first look, 3 s apart, after the limit.
        EXPECT_LE(world.at(0, Case::failed) - pressed, s.lastChange + 903s);
    }
}

TEST(LibraryUpdaterRun, ARunRefusesToStartWithoutWhatItNeeds) {
    struct Situation {
        const char* what;
        std::function<std::unique_ptr<platform::ScopedServices>(World&)> arrange;
        QString message;
    };
    const auto accessibility = [](std::shared_ptr<platform::Accessibility> service) {
        platform::Services services;
        services.accessibility = std::move(service);
        return std::make_unique<platform::ScopedServices>(services);
    };
    const auto distrusted = test::FakeAccessibility::notTrusted();
    const Situation situations[] = {
        {"Final Cut Pro not installed",
         [](World& w) {
             w.finalCut.app()->setLocation(std::nullopt);
             w.catalog->refreshInstalledFCP();
             return nullptr;
         },
         "Final Cut Pro isn't installed on this Mac."},
        {"the system's Accessibility service",
         [&](World&) { return accessibility(platform::Services::system().accessibility); },
         "This app needs Accessibility access to press Update for you. Grant it in System Settings, then try "
         "again."},
        {"Accessibility not granted", [&](World&) { return accessibility(distrusted); },
         "This app needs Accessibility access to press Update for you. Grant it in System Settings, then try "
         "again."},
        {"Final Cut Pro running",
         [](World& w) {
             w.finalCut.launch();
             return nullptr;
         },
         "Quit Final Cut Pro first, so the app can open one library at a time."},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.what);
        World world;
        const LibraryInfo one = world.add("One");
        const LibraryInfo two = world.add("Two");
        const std::unique_ptr<platform::ScopedServices> scope = s.arrange(world);
        world.start({one, two}, true);
        EXPECT_FALSE(world.updater.running());
        EXPECT_EQ(world.finishedSignals, 1);
        EXPECT_EQ(world.statuses(), QList<Status>({Case::waiting, Case::waiting}));
        EXPECT_EQ(world.updater.items().at(1).id, two.path);
        EXPECT_EQ(world.updater.message(), s.message);
        EXPECT_FALSE(QFile::exists(world.updateLogPath()));
        EXPECT_FALSE(QFile::exists(world.safetyRoot));
        EXPECT_TRUE(world.opened().isEmpty());
    }
    EXPECT_GE(distrusted->questions(), 1);
    EXPECT_EQ(distrusted->prompts(), 0) << "a run never shows the permission request";
}

TEST(LibraryUpdaterRun, AnEmptyListFinishesAtOnce) {
    for (const bool practice : {false, true}) {
        World world;
        world.start({}, true, practice);
        EXPECT_FALSE(world.updater.running());
        EXPECT_EQ(world.updater.message(),
                  practice ? "Practice run finished. Nothing was changed." : "Finished.");
        EXPECT_EQ(world.updateLog(),
                  QStringList({practice ? "=== PRACTICE RUN to Final Cut Pro 11.1: 0 libraries ==="
                                        : "=== UPDATE RUN to Final Cut Pro 11.1: 0 libraries ===",
                               "=== finished ==="}));
    }
}

TEST(LibraryUpdaterRun, AStopIsSeenOnlyBetweenLibraries) {
    struct Situation {
        qsizetype stopDuring;
        QList<Status> expected;
        QString message;
    };
    const Situation situations[] = {
        {2,
         {Case::done, Case::done, Case::done, Case::skipped, Case::skipped},
         "Stopped. The remaining libraries were not touched."},
        // The sheet's own text stays: the run ended as if no stop had been asked for.
        {4,
         {Case::done, Case::done, Case::done, Case::done, Case::done},
         "Stopping after the current library…"},
    };
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.stopDuring);
        World world;
        QList<LibraryInfo> libraries;
        for (const char* name : {"One", "Two", "Three", "Four", "Five"})
            libraries.append(world.add(name));
        world.start(libraries);
        ASSERT_TRUE(world.runUntil([&] { return world.reached(s.stopDuring, Case::updating); }));
        world.updater.setStopRequested(true);
        world.updater.setMessage("Stopping after the current library…");
        ASSERT_TRUE(world.finish());
        EXPECT_EQ(world.statuses(), s.expected);
        EXPECT_EQ(world.updater.message(), s.message);
        EXPECT_EQ(world.updateLog().last(), "=== finished ===");
        EXPECT_EQ(world.opened().size(), s.stopDuring + 1);
        EXPECT_EQ(LibraryReader::fcpVersion(libraries.last().path),
                  s.stopDuring == 4 ? QStringLiteral("11.1") : QStringLiteral("10.4.6"));
    }
}

TEST(LibraryUpdaterRun, ASecondRunWhileOneIsGoingChangesNothing) {
    World world;
    const LibraryInfo one = world.add("One");
    const LibraryInfo other = world.add("Other");
    world.start({one});
    ASSERT_TRUE(world.runUntil([&] { return world.reached(0, Case::awaitingPrompt); }));
    const QList<LibraryUpdater::Item> items = world.updater.items();
    world.start({other}, true, true);
    EXPECT_TRUE(world.updater.running());
    EXPECT_EQ(world.updater.items(), items);
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(), QList<Status>{Case::done});
    EXPECT_EQ(world.opened(), QStringList{one.path});
    EXPECT_EQ(world.finishedSignals, 1);
}

TEST(LibraryUpdaterRun, VersionsDecideWhatIsOpened) {
    // Against an installed 11.1.1: 11.1 is current; an unknown version is opened and updated.
    World world({{"version", "11.1.1"}, {"promptUnknownVersion", true}});
    const LibraryInfo current = world.add("Current", "11.1");
    const LibraryInfo older = world.add("Older", "10.4.10");
    const LibraryInfo noList = world.add("No list", std::nullopt);
    const LibraryInfo garbage = world.add("Garbage", std::nullopt, {}, [](LibraryBuilder& b) {
        b.item(LibraryBuilder::Item::bytes("CurrentVersion.plist", "not a property list"));
    });
    const LibraryInfo number = world.add("Number", std::nullopt, {}, [](LibraryBuilder& b) {
        b.item(
            LibraryBuilder::Item::plist("CurrentVersion.plist", PlistValue::dict({{"catalogVersion", 11}})));
    });
    world.start({current, older, noList, garbage, number});
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(),
              QList<Status>({Case::alreadyCurrent, Case::done, Case::done, Case::done, Case::done}));
    EXPECT_EQ(world.updater.items().at(0).detail, "already 11.1");
    EXPECT_EQ(world.updater.items().at(2).detail, "now 11.1.1");
    EXPECT_FALSE(world.opened().contains(current.path));
    const QStringList log = world.updateLog();
    EXPECT_TRUE(log.contains("Current: already current"));
    EXPECT_TRUE(log.contains("Older: pressed Update (was 10.4.10)"));
    for (const char* name : {"No list", "Garbage", "Number"})
        EXPECT_TRUE(log.contains(QString(name) + ": pressed Update (was ?)")) << name;
}

TEST(LibraryUpdaterRun, APracticeRunOpensACurrentLibraryAndGivesUpAfterFourMinutes) {
    World world;
    const LibraryInfo library = world.add("Trip", "11.1");
    world.start({library}, false, true);
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(),
              QList<Status>{Status::failed("Final Cut didn't show the update prompt within 4 minutes")});
    EXPECT_EQ(world.at(0, Case::failed) - world.at(0, Case::awaitingPrompt), 240s);
    EXPECT_EQ(world.opened(), QStringList{library.path});
}

TEST(LibraryUpdaterRun, TwoRunsWithinOneMinuteShareTheirFolder) {
    World world;
    const LibraryInfo library = world.add("Trip");
    world.start({library}, true, true);
    ASSERT_TRUE(world.finish());
    ASSERT_EQ(world.statuses(), QList<Status>{Case::practiceOK});
    const QString copy = QDir(world.safetyRoot).filePath(runFolderName(world)) + "/Trip.fcpbundle";
    const QStringList firstCopy = test::treeListing(copy);
    ASSERT_TRUE(QFile::exists(copy + "/READ ME.txt"));

    world.start({library}, true);
    ASSERT_TRUE(world.finish());
    ASSERT_EQ(world.statuses().size(), 1);
    EXPECT_TRUE(world.statuses().first().text.startsWith(
        "safety copy failed (Couldn’t copy “/CurrentVersion.flexolibrary”"))
        << world.statuses().first().text.toStdString();
    EXPECT_EQ(test::treeListing(copy), firstCopy);
    EXPECT_EQ(QDir(world.safetyRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    EXPECT_EQ(world.finalCut.instances().size(), 1) << "the second run handed Final Cut Pro nothing";
}

TEST(LibraryUpdaterRun, NeitherItsLogNorTheCatalogueCanStopARun) {
    World world;
    const LibraryInfo forgotten = world.add("Forgotten");
    const LibraryInfo kept = world.add("Kept");
    QDir().mkpath(world.updateLogPath());
    world.start({forgotten, kept});
    ASSERT_TRUE(world.runUntil([&] { return world.reached(0, Case::updating); }));
    world.catalog->forget(forgotten);
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(), QList<Status>({Case::done, Case::done}));
    EXPECT_EQ(world.updater.message(), "Finished.");
    EXPECT_TRUE(QFileInfo(world.updateLogPath()).isDir());
    ASSERT_TRUE(test::waitUntil([&] {
        const QList<LibraryInfo>& all = world.catalog->libraries();
        return all.size() == 1 && all[0].fcpVersion == QStringLiteral("11.1");
    }));
    // Its re-read came back to a catalogue without it, and left it out.
    test::spin(100);
    ASSERT_EQ(world.catalog->libraries().size(), 1);
    EXPECT_EQ(world.catalog->libraries().first().path, kept.path);
}

TEST(LibraryUpdaterRun, ACatalogueThatGoesEndsTheRunBeforeTheNextLibrary) {
    World world;
    const LibraryInfo one = world.add("One");
    const LibraryInfo two = world.add("Two");
    world.start({one, two});
    ASSERT_TRUE(world.runUntil([&] { return world.reached(0, Case::updating); }));
    world.catalog.reset();
    ASSERT_TRUE(world.finish());
    EXPECT_EQ(world.statuses(), QList<Status>({Case::done, Case::skipped}));
    EXPECT_EQ(world.updater.message(), "Stopped. The remaining libraries were not touched.");
    EXPECT_FALSE(world.opened().contains(two.path));
}

TEST(LibraryUpdaterRun, NoErrorLogWhileHeadless) {
    World world;
    const LibraryInfo library =
        world.add("Trip", "10.4.6", QDir(test::TestEnv::volumesRoot()).filePath("Gone"));
    world.catalog->setMounted({"/"});
    ErrorLog::setHeadless(true);
    world.start({library});
    ErrorLog::setHeadless(false);
    EXPECT_EQ(world.statuses(), QList<Status>{Status::failed("the drive isn't connected")});
    EXPECT_EQ(world.updateLog().last(), "STOPPED at Trip");
    EXPECT_FALSE(QFile::exists(ErrorLog::url()));
}

TEST(LibraryUpdaterProcess, UpdatesTwoLibrariesOneFinalCutProAtATime) {
    test::ScopedScaledClock clock(10);
    const QString folder = test::TestEnv::freshDir("updater-process");
    const QString app =
        test::SocketFinalCut::installApp(folder, "11.1", {{"promptDelayMs", 100}, {"updateMs", 300}});
    ASSERT_FALSE(app.isEmpty());
    test::CatalogTestEnv env(QStringLiteral("updater-process"));
    test::ScopedSocketFinalCut finalCut(app);
    const auto catalog = env.makeCatalog();
    ASSERT_EQ(catalog->installedFCP(), QStringLiteral("11.1"));

    // Another copy of the program, from a folder of its own, runs all along: it is not the
    // application the updater found, so it is neither waited for nor asked to quit.
    const QString copy = test::SocketFinalCut::installApp(folder + "/Elsewhere", "11.1", {});
    ASSERT_FALSE(copy.isEmpty());
    QProcess other;
    other.setProgram(copy + "/Contents/MacOS/Final Cut Pro");
    other.start();
    ASSERT_TRUE(other.waitForStarted());
    const auto endOther = qScopeGuard([&] {
        other.kill();
        other.waitForFinished();
    });

    QList<LibraryInfo> libraries;
    for (const char* name : {"One", "Two"}) {
        LibraryBuilder builder(name);
        builder.catalogVersion = PlistValue(LibraryBuilder::catalogVersionText("10.4.6"));
        builder.event("Day 1").media("A001.mov", 40'000);
        const QString path = builder.write(folder + "/Libraries");
        QList<MediaEntry> media;
        libraries.append(LibraryReader::read(path, LibraryReader::signature(path), media));
    }
    catalog->seed({.libraries = libraries});

    LibraryUpdater updater;
    QMap<qsizetype, qint64> updatedIn; // the process each library was updated in
    int mostRunning = 0;
    bool quitBetween = false;
    QObject::connect(&updater, &LibraryUpdater::itemsChanged, &updater, [&] {
        const QList<qint64> running = platform::services().finalCut->running();
        mostRunning = std::max(mostRunning, int(running.size()));
        const QList<LibraryUpdater::Item>& items = updater.items();
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (i == 1 && items[i].status.kind == Case::opening)
                quitBetween = running.isEmpty();
            if (items[i].status.kind == Case::updating && !updatedIn.contains(i) && !running.isEmpty())
                updatedIn.insert(i, running.first());
        }
    });
    const QString safetyRoot = folder + "/Safety copies";
    updater.run(libraries, *catalog, true, safetyRoot, false);
    ASSERT_TRUE(test::waitUntil([&] { return !updater.running(); }, 120000));

    ASSERT_EQ(updater.items().size(), 2);
    EXPECT_EQ(updater.items()[0].status, Status(Case::done)) << updater.items()[0].detail.toStdString();
    EXPECT_EQ(updater.items()[1].status, Status(Case::done)) << updater.items()[1].detail.toStdString();
    EXPECT_EQ(mostRunning, 1);
    EXPECT_TRUE(quitBetween);
    ASSERT_EQ(updatedIn.size(), 2);
    EXPECT_NE(updatedIn[0], updatedIn[1]);
    EXPECT_TRUE(platform::services().finalCut->running().isEmpty());
    EXPECT_EQ(other.state(), QProcess::Running) << "the other copy is left running";

    const QStringList runs = QDir(safetyRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    for (const char* name : {"One", "Two"})
        EXPECT_TRUE(QFile::exists(safetyRoot + "/" + runs.first() + "/" + name + ".fcpbundle/READ ME.txt"))
            << name;
    ASSERT_TRUE(test::waitUntil([&] {
        const QList<LibraryInfo>& all = catalog->libraries();
        return all.size() == 2 && all[0].fcpVersion == QStringLiteral("11.1") &&
               all[1].fcpVersion == QStringLiteral("11.1");
    }));
}
