// Opening a library in Final Cut Pro, with the in-process fake Final Cut Pro on a virtual
// clock: the checks in their order, the hand-over and its 30 s time-out, the 45 s hang watch
// and its recovery, parking DeRoom on the way, and putting it back. The questions are
// answered from a script; what the user sees is read from the status line (with the clock's
// time of each change), the activity log and the error log.

#include "FinalCut/OpenInFinalCut.h"

#include "Catalogue/Logs/ActivityLog.h"
#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Tests/Fixtures/CollectionRow.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeAudioUnitRegistry.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCut.h"
#include "Tests/Support/FakeFinalCut/ScriptFromJson.h"
#include "Tests/Support/FakeFinalCut/SocketFinalCut.h"
#include "Tests/Support/FakeRootFolder.h"
#include "Tests/Support/FakeScriptedMove.h"
#include "Tests/Support/ScaledClock.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"
#include "Tests/Support/TreeListing.h"
#include "Tests/Support/VirtualClock.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;

namespace {

const QString kName = QStringLiteral("Acme Promo");
const QString kProject = QStringLiteral("Podcast Ep 12");

// Questions answered from a list (an empty list dismisses), each recorded with the clock's
// time in whole seconds; `whileOpen` runs while an alert is up, as timers would.
class ScriptedQuestions final : public FinalCutQuestions {
public:
    explicit ScriptedQuestions(test::VirtualClock& clock) : m_clock(clock) {}

    QStringList answers;
    QList<FinalCutAlert> asked;
    QList<qint64> askedAt;
    QStringList told;
    std::function<void()> whileOpen;

    std::optional<QString> ask(const FinalCutAlert& alert) override {
        asked.append(alert);
        askedAt.append(seconds());
        if (whileOpen)
            std::exchange(whileOpen, {})();
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    }
    void tell(const QString& message, const QString& information) override {
        told.append(message + QStringLiteral(" / ") + information);
    }
    QStringList messages() const {
        QStringList list;
        for (const FinalCutAlert& alert : asked)
            list.append(alert.message);
        return list;
    }
    qint64 seconds() const {
        return std::chrono::duration_cast<std::chrono::seconds>(m_clock.monotonic()).count();
    }

private:
    test::VirtualClock& m_clock;
};

// "tag message" for each line of the activity log, and "LEVEL area: message…" for the error
// log: the lines without their times.
QStringList activity() {
    QStringList lines;
    for (const QString& line : test::lines(ActivityLog::url())) {
        const QStringList pieces = line.split(QStringLiteral("  "));
        lines.append(pieces.mid(1).join(QStringLiteral(" ")));
    }
    return lines;
}
QStringList errors() {
    QStringList lines;
    for (const QString& line : test::lines(ErrorLog::url()))
        lines.append(line.section(QLatin1Char(' '), 1));
    return lines;
}

// Everything one open needs, in folders of the test's own: a catalogue, the virtual clock,
// a Final Cut Pro (when installed), the system-wide root, HOME with or without DeRoom, the
// registry, the mover, the logs.
class Flow {
public:
    explicit Flow(bool installed = true, const QJsonObject& finalCutScript = {}) {
        QDir().mkpath(folder + "/home");
        if (installed)
            finalCut = std::make_unique<test::FakeFinalCut>(test::scriptFromJson(finalCutScript),
                                                            folder + "/Final Cut Pro.app");
        platform::Services s;
        s.rootFolder = root;
        s.audioUnits = units;
        s.scriptedMove = mover;
        scope = std::make_unique<platform::ScopedServices>(s);
        catalog = env.makeCatalog();
        QObject::connect(catalog.get(), &Catalog::statusChanged, catalog.get(), [this] {
            statuses.append(QString::number(questions->seconds()) + QLatin1Char(' ') + catalog->status());
        });
        flow = std::make_unique<OpenInFinalCut>(*catalog, questions);
    }
    ~Flow() {
        flow.reset();
        catalog.reset();
        ErrorLog::setHeadless(m_wasHeadless);
    }

    // A library with a readable database beside the test, whose project uses DeRoom on
    // `count` clips (no plug-ins without a count).
    LibraryInfo library(std::optional<qint64> count, const QString& name = kName) const {
        LibraryInfo library;
        library.path = fixtures::LibraryBuilder(name).write(folder + "/Libraries");
        library.name = name;
        library.volumeName = QStringLiteral("Macintosh HD");
        EventInfo event;
        event.name = QStringLiteral("Podcast");
        ProjectInfo project;
        project.name = kProject;
        if (count)
            project.plugins =
                QList<PluginUse>{{QStringLiteral("Audio"), QString(), QStringLiteral("DeRoom2"),
                                  fixtures::CollectionRow::audioUnitID("aufx", "ADR2", "Actz"), *count}};
        event.projects.append(project);
        library.events.append(event);
        return library;
    }

    // Runs the program for `span` of the clock.
    void run(std::chrono::seconds span) {
        clock->runUntil([] { return false; }, span, 300ms);
    }
    bool runUntil(const std::function<bool()>& done, std::chrono::seconds span = 300s) {
        return clock->runUntil(done, span, 5s);
    }

    static void installDeRoom(const QString& at) { test::writeFile(at + "/Contents/Info.plist", "deroom"); }

    const QString folder = test::TestEnv::freshDir(QStringLiteral("open-flow"));
    test::ScopedEnvironment home{"HOME", folder + "/home"};
    test::ScopedEnvironment data{"XDG_DATA_HOME", folder + "/share"};
    test::CatalogTestEnv env{QStringLiteral("open-flow-catalog")};
    test::ScopedVirtualClock clock;
    std::unique_ptr<test::FakeFinalCut> finalCut;
    const std::shared_ptr<test::FakeRootFolder> root =
        std::make_shared<test::FakeRootFolder>(folder + "/root");
    const std::shared_ptr<test::FakeAudioUnitRegistry> units =
        std::make_shared<test::FakeAudioUnitRegistry>();
    const std::shared_ptr<test::FakeScriptedMove> mover = std::make_shared<test::FakeScriptedMove>();
    std::unique_ptr<platform::ScopedServices> scope;
    const std::shared_ptr<ScriptedQuestions> questions = std::make_shared<ScriptedQuestions>(*clock);
    std::unique_ptr<Catalog> catalog;
    std::unique_ptr<OpenInFinalCut> flow;
    QStringList statuses;

private:
    bool m_wasHeadless = [] {
        const bool was = ErrorLog::headless();
        ErrorLog::setHeadless(false);
        return was;
    }();
};

} // namespace

TEST(OpenInFinalCut, TheAlertsAsTheyAreOffered) {
    const DeRoomRisk risk{QStringLiteral("Podcast"), kProject, 120};

    const FinalCutAlert backup = OpenInFinalCut::backupDriveAlert(QStringLiteral("Archive"));
    EXPECT_EQ(backup.style, FinalCutAlert::Style::warning);
    EXPECT_EQ(backup.message, QStringLiteral("This library is on a backup drive"));
    EXPECT_EQ(backup.information,
              QStringLiteral(
                  "“Archive” is marked as a backup drive. Working from a backup can leave your working copy "
                  "out of date. Open it anyway?"));
    EXPECT_EQ(backup.buttons, (QStringList{"Cancel", "Open Anyway"}));
    EXPECT_EQ(backup.defaultButton, 0);
    EXPECT_EQ(backup.cancelButton, 0);

    const FinalCutAlert open = DeRoomPark::openAlert(kName, risk);
    EXPECT_EQ(open.style, FinalCutAlert::Style::warning);
    EXPECT_EQ(open.message, QStringLiteral("Acme Promo can freeze Final Cut Pro"));
    EXPECT_EQ(open.information,
              QStringLiteral(
                  "“Podcast Ep 12” uses DeRoom 2 on 120 clips. Final Cut Pro 12.4 hung on a timeline like "
                  "that: it waits forever while DeRoom is created, and quitting doesn’t help because the "
                  "next launch opens the same timeline. Parking DeRoom moves it out of Audio Units so this "
                  "library can open. Those clips show the effect as missing until you put DeRoom back, and "
                  "Final Cut has to quit before it goes back. Final Cut will be asked to quit first."));
    EXPECT_EQ(open.buttons, (QStringList{"Park DeRoom and Open", "Cancel", "Open Anyway"}));
    EXPECT_EQ(open.defaultButton, 0);
    EXPECT_EQ(open.cancelButton, 1);

    const FinalCutAlert recovery = DeRoomPark::recoveryAlert(kName, risk);
    EXPECT_EQ(recovery.style, FinalCutAlert::Style::critical);
    EXPECT_EQ(recovery.message, QStringLiteral("Final Cut Pro hasn’t answered"));
    EXPECT_EQ(recovery.information,
              QStringLiteral(
                  "It’s been a while since Acme Promo was handed over, and Final Cut still isn’t "
                  "responding. “Podcast Ep 12” uses DeRoom 2 on 120 clips, which is enough to freeze the "
                  "timeline load. Parking DeRoom force-quits Final Cut and opens the library again. Keep "
                  "waiting if it may still be opening."));
    EXPECT_EQ(recovery.buttons, (QStringList{"Keep Waiting", "Park DeRoom and Reopen"}));
    EXPECT_EQ(recovery.defaultButton, 0);
    EXPECT_EQ(recovery.cancelButton, std::nullopt);

    // Every answer but the ones named cancels, or keeps waiting.
    test::ScopedVirtualClock clock;
    ScriptedQuestions questions(*clock);
    questions.answers = {"Park DeRoom and Open", "Open Anyway", "Cancel"};
    EXPECT_EQ(DeRoomPark::confirmOpen(questions, kName, risk), DeRoomPark::Choice::parkAndOpen);
    EXPECT_EQ(DeRoomPark::confirmOpen(questions, kName, risk), DeRoomPark::Choice::openAnyway);
    EXPECT_EQ(DeRoomPark::confirmOpen(questions, kName, risk), DeRoomPark::Choice::cancel);
    EXPECT_EQ(DeRoomPark::confirmOpen(questions, kName, risk), DeRoomPark::Choice::cancel); // dismissed
    questions.answers = {"Park DeRoom and Reopen", "Keep Waiting"};
    EXPECT_TRUE(DeRoomPark::confirmRecovery(questions, kName, risk));
    EXPECT_FALSE(DeRoomPark::confirmRecovery(questions, kName, risk));
    EXPECT_FALSE(DeRoomPark::confirmRecovery(questions, kName, risk)); // dismissed
}

TEST(OpenInFinalCut, FromTheChecksToFinalCutPro) {
    enum class Where { beside, unplugged, noDatabase, backupDrive };
    enum class DeRoom { none, inHome, systemWide, parked };
    struct Case {
        const char* name = "";
        Where where = Where::beside;
        std::optional<qint64> count = {};
        bool installed = true;
        QJsonObject finalCutScript = {};
        QJsonObject runningScript = {}; // a Final Cut Pro already running, when not empty
        DeRoom deroom = DeRoom::none;
        std::optional<platform::ScriptedMove::Outcome> moverAnswer = {};
        QStringList answers = {};
        std::chrono::seconds run = 200s;
        QStringList statuses = {}; // "SECONDS status", in order
        QStringList activity = {};
        QStringList errors = {};
        QStringList asked = {};     // the alerts' messages
        QList<qint64> askedAt = {}; // when, where it matters
        bool opened = false;        // the library reached Final Cut Pro
        bool parkedAfter = false;
    };
    const QString opening = QStringLiteral("Opening Acme Promo in Final Cut Pro…");
    const QString opened = QStringLiteral("Opened Acme Promo in Final Cut Pro.");
    const QString openedParked = QStringLiteral(
        "Opened Acme Promo. DeRoom stays parked until you put it back (Final Cut ▸ Put DeRoom Back).");
    const QString freeze = QStringLiteral("Acme Promo can freeze Final Cut Pro");
    const QString hung = QStringLiteral("Final Cut Pro hasn’t answered");
    const QList<Case> cases = {
        {.name = "the drive is unplugged",
         .where = Where::unplugged,
         .statuses = {"0 Studio isn't connected."}},
        {.name = "no library database",
         .where = Where::noDatabase,
         .statuses = {"0 “Acme Promo” has no library database, so Final Cut Pro can't open it."},
         .activity = {"open-in-fcp refused Acme Promo PATH no library database"},
         .errors = {"ERROR open-in-final-cut: The library has no library database, so Final Cut Pro can't "
                    "open it.  "
                    "path: PATH"}},
        {.name = "a backup drive, answered Cancel",
         .where = Where::backupDrive,
         .answers = {"Cancel"},
         .asked = {"This library is on a backup drive"}},
        {.name = "a backup drive, opened anyway",
         .where = Where::backupDrive,
         .answers = {"Open Anyway"},
         .statuses = {"0 " + opening, "0 " + opened},
         .activity = {"open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH"},
         .asked = {"This library is on a backup drive"},
         .opened = true},
        {.name = "no Final Cut Pro",
         .installed = false,
         .statuses = {"0 Final Cut Pro isn't installed on this Mac."},
         .activity = {"open-in-fcp failed Acme Promo PATH Final Cut Pro isn't installed"},
         .errors = {"ERROR open-in-final-cut: Final Cut Pro isn't installed on this Mac."}},
        {.name = "DeRoom on 99 clips: no question",
         .count = 99,
         .statuses = {"0 " + opening, "0 " + opened},
         .activity = {"open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH"},
         .opened = true},
        {.name = "DeRoom on 100 clips, answered Cancel",
         .count = 100,
         .answers = {"Cancel"},
         .activity = {"open-in-fcp cancelled deroom Acme Promo Podcast Ep 12 100"},
         .asked = {freeze}},
        {.name = "opened anyway, Final Cut Pro hangs, keep waiting twice",
         .count = 100,
         .finalCutScript = {{"hang", true}},
         .answers = {"Open Anyway", "Keep Waiting", "Keep Waiting"},
         .run = 150s,
         // 45 s after the hand-over it is asked, and given up on 25 s later; the second time
         // the status line already says so.
         .statuses = {"0 " + opening, "0 " + opened, "70 Still waiting on Final Cut Pro."},
         .activity = {"open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH",
                      "open-in-fcp hang Acme Promo Podcast Ep 12 100",
                      "open-in-fcp hang Acme Promo Podcast Ep 12 100"},
         .asked = {freeze, hung, hung},
         .askedAt = {0, 70, 140},
         .opened = true},
        {.name = "opened anyway, Final Cut Pro hangs, answered: it is forced to quit and DeRoom parked",
         .count = 100,
         .finalCutScript = {{"hang", true}},
         .deroom = DeRoom::inHome,
         .answers = {"Open Anyway", "Park DeRoom and Reopen"},
         .statuses = {"0 " + opening, "0 " + opened,
                      "70 Force-quitting Final Cut Pro so DeRoom can be parked…",
                      "70 Moving DeRoom out of Audio Units…",
                      "70 DeRoom is parked. Opening Acme Promo in Final Cut Pro…", "70 " + openedParked},
         .activity = {"open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH",
                      "open-in-fcp hang Acme Promo Podcast Ep 12 100",
                      "deroom-park quit Acme Promo force=true", "deroom-park moved Acme Promo",
                      "open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH"},
         .asked = {freeze, hung},
         .opened = true,
         .parkedAfter = true},
        {.name = "opened anyway, Final Cut Pro hangs, DeRoom was parked meanwhile",
         .count = 100,
         .finalCutScript = {{"hang", true}},
         .deroom = DeRoom::parked,
         .answers = {"Open Anyway"},
         .statuses = {"0 " + opening, "0 " + opened,
                      "70 Final Cut Pro hasn’t answered. DeRoom is already parked."},
         .activity = {"open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH",
                      "open-in-fcp hang Acme Promo deroom already parked"},
         .asked = {freeze},
         .opened = true,
         .parkedAfter = true},
        {.name = "parked and opened",
         .count = 100,
         .deroom = DeRoom::inHome,
         .answers = {"Park DeRoom and Open"},
         .statuses = {"0 Quitting Final Cut Pro so DeRoom can be parked…",
                      "0 Moving DeRoom out of Audio Units…",
                      "0 DeRoom is parked. Opening Acme Promo in Final Cut Pro…", "0 " + openedParked},
         .activity = {"deroom-park quit Acme Promo force=false", "deroom-park moved Acme Promo",
                      "open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH"},
         .asked = {freeze},
         .opened = true,
         .parkedAfter = true},
        {.name = "park and open, DeRoom already parked",
         .count = 100,
         .deroom = DeRoom::parked,
         .answers = {"Park DeRoom and Open"},
         .statuses = {"0 Quitting Final Cut Pro so DeRoom can be parked…",
                      "0 Moving DeRoom out of Audio Units…",
                      "0 DeRoom is parked. Opening Acme Promo in Final Cut Pro…", "0 " + openedParked},
         .activity = {"deroom-park quit Acme Promo force=false", "deroom-park alreadyParked Acme Promo",
                      "open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH"},
         .asked = {freeze},
         .opened = true,
         .parkedAfter = true},
        {.name = "park and open, DeRoom not installed",
         .count = 100,
         .answers = {"Park DeRoom and Open"},
         .statuses = {"0 Quitting Final Cut Pro so DeRoom can be parked…",
                      "0 Moving DeRoom out of Audio Units…", "0 " + opening, "0 " + opened},
         .activity = {"deroom-park quit Acme Promo force=false", "deroom-park notInstalled Acme Promo",
                      "open-in-fcp start Acme Promo PATH", "open-in-fcp ok Acme Promo PATH"},
         .asked = {freeze},
         .opened = true},
        {.name = "Final Cut Pro will not quit: nothing moves, nothing opens",
         .count = 100,
         .runningScript = {{"ignoreQuit", true}},
         .deroom = DeRoom::inHome,
         .answers = {"Park DeRoom and Open"},
         .statuses = {"0 Quitting Final Cut Pro so DeRoom can be parked…",
                      "15 Final Cut Pro is still open. Quit it, then try again. DeRoom was not moved."},
         .activity = {"deroom-park quit Acme Promo force=false", "deroom-park quit-failed Acme Promo"},
         .errors = {"ERROR deroom: Final Cut Pro did not quit, so DeRoom was not moved."},
         .asked = {freeze}},
        {.name = "the administrator prompt dismissed: nothing opens",
         .count = 100,
         .deroom = DeRoom::systemWide,
         .moverAnswer = platform::ScriptedMove::Outcome{true, {}, 1, "User canceled. (-128)"},
         .answers = {"Park DeRoom and Open"},
         .statuses = {"0 Quitting Final Cut Pro so DeRoom can be parked…",
                      "0 Moving DeRoom out of Audio Units…",
                      "0 DeRoom was left installed. The library was not opened."},
         .activity = {"deroom-park quit Acme Promo force=false",
                      "deroom-park failed Acme Promo DeRoom was left installed. The library was not opened."},
         .errors =
             {"ERROR deroom: DeRoom could not be moved out: DeRoom was left installed. The library was not "
              "opened."},
         .asked = {freeze}},
        {.name = "no answer for 30 s, success at 40 s",
         .finalCutScript = {{"openAnswerMs", 40000}},
         .statuses = {"0 " + opening,
                      "30 Final Cut Pro didn't respond while opening Acme Promo. It may be busy.",
                      "40 " + opened},
         .activity = {"open-in-fcp start Acme Promo PATH",
                      "open-in-fcp timeout Acme Promo PATH no response within 30s",
                      "open-in-fcp ok Acme Promo PATH"},
         .opened = true},
        {.name = "a failure after the time-out is dropped",
         .finalCutScript = {{"openAnswer", "error:The library is locked."}, {"openAnswerMs", 40000}},
         .statuses = {"0 " + opening,
                      "30 Final Cut Pro didn't respond while opening Acme Promo. It may be busy."},
         .activity = {"open-in-fcp start Acme Promo PATH",
                      "open-in-fcp timeout Acme Promo PATH no response within 30s"}},
        {.name = "a failure",
         .finalCutScript = {{"openAnswer", "error:The library is locked."}, {"openAnswerMs", 2000}},
         .statuses = {"0 " + opening, "2 Couldn't open Acme Promo in Final Cut Pro. The library is locked."},
         .activity = {"open-in-fcp start Acme Promo PATH",
                      "open-in-fcp failed Acme Promo PATH The library is locked."},
         .errors =
             {"ERROR open-in-final-cut: The library could not be opened in Final Cut Pro. The library is "
              "locked.  path: PATH"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Flow flow(c.installed, c.finalCutScript);
        if (!c.runningScript.isEmpty())
            flow.finalCut->launch(test::scriptFromJson(c.runningScript));
        if (c.deroom == DeRoom::inHome)
            Flow::installDeRoom(DeRoomPark::userComponentPath());
        if (c.deroom == DeRoom::systemWide)
            Flow::installDeRoom(DeRoomPark::systemComponentPath());
        if (c.deroom == DeRoom::parked) {
            const QString parked =
                QFileInfo(DeRoomPark::recordFile()).absolutePath() + "/" + DeRoomPark::componentName;
            Flow::installDeRoom(parked);
            test::writeFile(DeRoomPark::recordFile(),
                            DeRoomPark::encode({DeRoomPark::userComponentPath(), parked}));
        }
        if (c.moverAnswer)
            flow.mover->answer(*c.moverAnswer);
        flow.questions->answers = c.answers;

        LibraryInfo library = flow.library(c.count);
        if (c.where == Where::unplugged) {
            library.path = test::TestEnv::volumesRoot() + "/Studio/Acme Promo.fcpbundle";
            library.volumeName = QStringLiteral("Studio");
        } else if (c.where == Where::noDatabase) {
            library.path = flow.folder + "/Empty/Acme Promo.fcpbundle";
            QDir().mkpath(library.path);
        } else if (c.where == Where::backupDrive) {
            library.volumeName = QStringLiteral("Archive");
            flow.catalog->setBackup(true, std::nullopt, QStringLiteral("Archive"));
        }
        const QStringList activityBefore = activity();

        flow.flow->openInFCP(library);
        flow.run(c.run);

        const auto withPath = [&](QStringList lines) {
            lines.replaceInStrings(QStringLiteral("PATH"), library.path);
            return lines;
        };
        const auto lines = [](const QStringList& list) { return list.join(QLatin1Char('\n')).toStdString(); };
        EXPECT_EQ(lines(flow.statuses), lines(c.statuses));
        EXPECT_EQ(lines(activity().mid(activityBefore.size())), lines(withPath(c.activity)));
        EXPECT_EQ(lines(errors()), lines(withPath(c.errors)));
        EXPECT_EQ(lines(flow.questions->messages()), lines(c.asked));
        if (!c.askedAt.isEmpty()) {
            EXPECT_EQ(flow.questions->askedAt, c.askedAt);
        }
        bool reached = false;
        if (flow.finalCut) {
            for (const qint64 pid : flow.finalCut->instances())
                reached = reached || flow.finalCut->instance(pid)->libraries().contains(library.path);
        }
        EXPECT_EQ(reached, c.opened);
        EXPECT_EQ(DeRoomPark::isParked(), c.parkedAfter);
        // The registrar restarts after a park that moved something, and only then.
        EXPECT_EQ(flow.units->restarts(), c.parkedAfter && c.deroom == DeRoom::inHome ? 1 : 0);
        if (c.deroom == DeRoom::inHome && !c.parkedAfter) {
            EXPECT_TRUE(QFileInfo::exists(DeRoomPark::userComponentPath()));
        }
        EXPECT_FALSE(flow.catalog->deroomParking);
    }
}

namespace {

// A Final Cut Pro whose answers to the hand-over the test gives, one request at a time, and
// that never answers whether it is responsive. It runs until it is forced to quit.
class HeldOpens final : public test::FakeFinalCutApp::Processes {
public:
    struct Request {
        QString library;
        QPointer<QObject> context;
        platform::FinalCutApp::OpenCompletion completion;
    };

    QList<qint64> running() const override { return m_runs ? QList<qint64>{4101} : QList<qint64>{}; }
    bool terminate(qint64) override { return true; }
    bool forceTerminate(qint64) override {
        ++forced;
        m_runs = false;
        return true;
    }
    void open(const QString& library, QObject* context,
              platform::FinalCutApp::OpenCompletion completion) override {
        requests.append({library, context, std::move(completion)});
    }
    void answers(qint64, std::chrono::seconds, QObject* context, std::function<void(bool)> done) override {
        ++questions;
        QMetaObject::invokeMethod(
            context, [done = std::move(done)] { done(false); }, Qt::QueuedConnection);
    }
    void answer(int request, const std::optional<QString>& error = std::nullopt) {
        if (requests.at(request).context)
            requests.at(request).completion(error);
    }

    QList<Request> requests;
    int questions = 0;
    int forced = 0;

private:
    bool m_runs = true;
};

struct HeldFlow {
    Flow flow{false};
    const std::shared_ptr<HeldOpens> held = std::make_shared<HeldOpens>();
    const std::shared_ptr<test::FakeFinalCutApp> app = [this] {
        auto app =
            test::FakeFinalCutApp::installed(flow.folder + "/Final Cut Pro.app", QStringLiteral("11.1"));
        app->setProcesses(held);
        return app;
    }();
    test::ScopedFinalCutApp scope{app};

    ~HeldFlow() { app->setProcesses(nullptr); }
};

} // namespace

TEST(OpenInFinalCut, OnlyTheNewestRequestIsReported) {
    HeldFlow f;
    Flow& flow = f.flow;
    const LibraryInfo alpha = flow.library(std::nullopt, QStringLiteral("Alpha"));
    const LibraryInfo beta = flow.library(std::nullopt, QStringLiteral("Beta"));

    flow.flow->openInFCP(alpha);
    flow.run(10s);
    flow.flow->openInFCP(beta);
    flow.run(2s);
    f.held->answer(0); // Alpha's late answer, after Beta was asked for
    flow.run(23s);     // Alpha's time-out at 30 s comes and goes
    f.held->answer(1);
    flow.run(60s); // and Beta's, at 40 s, after its answer
    EXPECT_EQ(flow.statuses.join('\n').toStdString(), "0 Opening Alpha in Final Cut Pro…\n10 Opening Beta in "
                                                      "Final Cut Pro…\n35 Opened Beta in Final Cut Pro.");

    // A risky library opened anyway, then another: the first one's hang watch finds itself old.
    flow.questions->answers = {"Open Anyway"};
    flow.flow->openInFCP(flow.library(120, QStringLiteral("Gamma")));
    f.held->answer(2);
    flow.run(10s);
    flow.flow->openInFCP(beta);
    flow.run(100s);
    EXPECT_EQ(f.held->questions, 0);
    EXPECT_EQ(flow.questions->asked.size(), 1);

    // While the recovery alert is open, a newer request starts: the answer to the old alert
    // parks nothing and forces nothing.
    flow.statuses.clear();
    flow.questions->answers = {"Open Anyway", "Park DeRoom and Reopen"};
    flow.flow->openInFCP(flow.library(120, QStringLiteral("Delta")));
    f.held->answer(4);
    bool recoveryOpen = false;
    flow.run(44s);
    flow.questions->whileOpen = [&] {
        recoveryOpen = true;
        flow.flow->openInFCP(alpha);
    };
    flow.run(10s);
    EXPECT_TRUE(recoveryOpen);
    EXPECT_EQ(flow.questions->messages().last(), QStringLiteral("Final Cut Pro hasn’t answered"));
    EXPECT_EQ(f.held->forced, 0);
    EXPECT_FALSE(flow.catalog->deroomParking);
    EXPECT_EQ(flow.catalog->status(), QStringLiteral("Opening Alpha in Final Cut Pro…"));
}

TEST(OpenInFinalCut, ALibraryForgottenMeanwhileOnlyGetsItsStatusLine) {
    HeldFlow f;
    Flow& flow = f.flow;
    const LibraryInfo alpha = flow.library(std::nullopt, QStringLiteral("Alpha"));
    (*flow.catalog).seed({.libraries = QList<LibraryInfo>{alpha}});
    flow.flow->openInFCP(alpha);
    flow.catalog->forget(alpha);
    f.held->answer(0);
    flow.run(60s);
    EXPECT_EQ(flow.catalog->status(), QStringLiteral("Opened Alpha in Final Cut Pro."));
    EXPECT_TRUE(flow.catalog->libraries().isEmpty());
}

TEST(OpenInFinalCut, ASecondParkWhileOneRunsReturnsAtOnce) {
    Flow flow;
    flow.finalCut->launch(test::scriptFromJson({{"quitDelayMs", 2000}}));
    Flow::installDeRoom(DeRoomPark::userComponentPath());
    flow.questions->answers = {"Park DeRoom and Open", "Park DeRoom and Open"};
    const LibraryInfo alpha = flow.library(120, QStringLiteral("Alpha"));
    const LibraryInfo beta = flow.library(150, QStringLiteral("Beta"));

    flow.flow->openInFCP(alpha);
    ASSERT_TRUE(flow.catalog->deroomParking);
    const QStringList activityBefore = activity();
    flow.flow->openInFCP(beta);
    EXPECT_EQ(activity(), activityBefore);
    EXPECT_EQ(flow.statuses, QStringList{"0 Quitting Final Cut Pro so DeRoom can be parked…"});

    flow.run(60s);
    EXPECT_EQ(activity().join('\n').toStdString(),
              "deroom-park quit Alpha force=false\nderoom-park moved Alpha\nopen-in-fcp start Alpha " +
                  alpha.path.toStdString() + "\nopen-in-fcp ok Alpha " + alpha.path.toStdString());
    EXPECT_EQ(flow.questions->asked.size(), 2);
    EXPECT_EQ(flow.catalog->status(),
              QStringLiteral(
                  "Opened Alpha. DeRoom stays parked until you put it back (Final Cut ▸ Put DeRoom Back)."));
    EXPECT_FALSE(flow.catalog->deroomParking);
    EXPECT_EQ(flow.units->restarts(), 1);
}

TEST(OpenInFinalCut, PuttingDeRoomBack) {
    Flow flow;
    const QString installed = DeRoomPark::userComponentPath();
    const QString parked =
        QFileInfo(DeRoomPark::recordFile()).absolutePath() + "/" + DeRoomPark::componentName;

    // Nothing parked.
    flow.flow->putDeRoomBack();
    EXPECT_EQ(flow.catalog->status(), QStringLiteral("DeRoom is not parked."));
    EXPECT_TRUE(activity().isEmpty());

    // Parked on the way to an open; Final Cut Pro runs with the library.
    Flow::installDeRoom(installed);
    const QStringList before = test::treeContents(installed);
    flow.questions->answers = {"Park DeRoom and Open"};
    flow.flow->openInFCP(flow.library(120));
    ASSERT_TRUE(flow.runUntil([&] { return flow.catalog->status().startsWith("Opened "); }));
    ASSERT_TRUE(DeRoomPark::isParked());
    const QStringList activityParked = activity();

    flow.flow->putDeRoomBack();
    EXPECT_EQ(flow.catalog->status(), QStringLiteral("Quit Final Cut Pro before putting DeRoom back."));
    EXPECT_EQ(
        flow.questions->told,
        QStringList{"Quit Final Cut Pro first / DeRoom stays parked while Final Cut Pro is open. Putting it "
                    "back now would freeze the next launch of a timeline that still uses it. Nothing was "
                    "moved."});
    EXPECT_TRUE(QFileInfo::exists(parked));
    EXPECT_FALSE(QFileInfo::exists(installed));
    EXPECT_EQ(activity(), activityParked);

    // Once it has quit.
    for (const qint64 pid : flow.finalCut->instances())
        flow.finalCut->instance(pid)->forceQuit();
    flow.flow->putDeRoomBack();
    EXPECT_EQ(flow.catalog->status(),
              QStringLiteral("DeRoom is back in Audio Units. Open Final Cut Pro when you want it."));
    EXPECT_EQ(test::treeContents(installed), before);
    EXPECT_FALSE(DeRoomPark::isParked());
    EXPECT_EQ(activity().mid(activityParked.size()), QStringList{"deroom-restore ok"});
    EXPECT_EQ(flow.units->restarts(), 2);
    EXPECT_TRUE(errors().isEmpty());

    // A record whose parked copy is gone stays, and says so.
    test::writeFile(DeRoomPark::recordFile(), DeRoomPark::encode({installed + "-elsewhere", parked}));
    flow.flow->putDeRoomBack();
    const QString missing = QStringLiteral("The parked DeRoom file is missing, so it was not put back.");
    EXPECT_EQ(flow.catalog->status(), missing);
    EXPECT_EQ(activity().last(), "deroom-restore failed " + missing);
    EXPECT_EQ(errors(), QStringList{"ERROR deroom: DeRoom could not be put back: " + missing});
    EXPECT_TRUE(DeRoomPark::isParked());
}

TEST(OpenInFinalCut, NothingReachesTheErrorLogWhileHeadless) {
    Flow flow(false);
    ErrorLog::setHeadless(true);
    LibraryInfo library = flow.library(std::nullopt);
    flow.flow->openInFCP(library); // Final Cut Pro is not installed
    library.path = flow.folder + "/Empty/Acme Promo.fcpbundle";
    QDir().mkpath(library.path);
    flow.flow->openInFCP(library); // no library database
    test::writeFile(DeRoomPark::recordFile(), "{");
    flow.flow->putDeRoomBack(); // an unreadable record
    EXPECT_EQ(activity().size(), 3);
    EXPECT_FALSE(QFileInfo::exists(ErrorLog::url()));
}

// The program that stands for Final Cut Pro, started as a real process from the application
// folder TOVLIN_FCP_APP names.
TEST(OpenInFinalCut, ARealOpenStartsTheApplicationWithTheLibrary) {
    Flow flow(false);
    // Real time: the program answers in it.
    test::ScopedScaledClock realTime(1);
    const QString app = test::SocketFinalCut::installApp(flow.folder + "/Applications", "11.1", {});
    ASSERT_FALSE(app.isEmpty());
    test::ScopedSocketFinalCut scope(app);
    const LibraryInfo library = flow.library(std::nullopt);

    flow.flow->openInFCP(library);
    ASSERT_TRUE(test::waitUntil(
        [&] { return flow.catalog->status() != QStringLiteral("Opening Acme Promo in Final Cut Pro…"); }));
    EXPECT_EQ(flow.catalog->status(), QStringLiteral("Opened Acme Promo in Final Cut Pro."));
    qint64 pid = 0;
    EXPECT_TRUE(test::waitUntil([&] {
        const QList<qint64> running = platform::services().finalCut->running();
        pid = running.value(0);
        if (!pid)
            return false;
        const std::optional<QJsonObject> reply = test::SocketFinalCut::request(pid, {{"op", "log"}}, 30s);
        return reply && reply->value("log").toArray().contains(QJsonValue("open " + library.path));
    }));
}
