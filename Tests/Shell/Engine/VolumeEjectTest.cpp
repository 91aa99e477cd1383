// Ejecting a drive: the start-up disk and mounted-volume rules, the decisions after the
// unmount and after the eject, and the eject itself over a scripted ejector — refusals that
// never reach the system, every outcome, one completion per eject, the guard, and several
// ejects at once. Drives are folders under the test's own volumes root.

#include "Shell/VolumeEject.h"

#include "App/ToolbarContrast.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeEjector.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QObject>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>

using namespace pellimor;
using Answer = platform::Ejector::Answer;
using test::FakeEjector;
using VolumeEject::Outcome;

namespace pellimor::VolumeEject {
void PrintTo(const Outcome& outcome, std::ostream* out) {
    static const char* const kinds[] = {"refused", "failed", "ejected", "busy"};
    *out << kinds[static_cast<int>(outcome.kind)] << "(" << outcome.message.toStdString() << ")";
}
} // namespace pellimor::VolumeEject

namespace {

const char* answerName(Answer answer) {
    static const char* const names[] = {"done",         "noConnection", "noDiskObject", "busy",
                                        "notPermitted", "notMounted",   "unsupported",  "other"};
    return names[static_cast<int>(answer)];
}

const QList<Answer> kAnswers = {Answer::done,        Answer::noConnection, Answer::noDiskObject,
                                Answer::busy,        Answer::notPermitted, Answer::notMounted,
                                Answer::unsupported, Answer::other};

const QString kName = QStringLiteral("Studio");
const Outcome kCannot = Outcome::refused(QStringLiteral("Studio can’t be ejected, so it was left mounted."));
const Outcome kCouldNot = Outcome::failed(QStringLiteral("Couldn’t eject Studio. It was left mounted."));
const Outcome kUnmountedOnly = Outcome::failed(
    QStringLiteral("Unmounted Studio. The disk itself did not eject, and it was not forced."));

// A volumes root of the test's own, with drive folders plugged in on demand, and a scripted
// ejector in place of the system's.
class VolumeEjectTest : public ::testing::Test {
protected:
    const QString root = test::TestEnv::freshDir(QStringLiteral("eject-volumes"));
    test::ScopedEnvironment volumesRoot{"TOVLIN_VOLUMES_ROOT", root};
    std::shared_ptr<FakeEjector> ejector = std::make_shared<FakeEjector>();
    platform::ScopedServices scope{FakeEjector::services(ejector)};
    QObject window; // what a completion is guarded by

    QString plug(const QString& name) const {
        const QString mount = QDir(root).filePath(name);
        EXPECT_TRUE(QDir().mkpath(mount));
        return mount;
    }

    // Ejects and waits for the completion; the outcomes it heard (one, when all is well).
    QList<Outcome> ejectAndWait(const QString& mount, const QString& name = kName) {
        auto heard = std::make_shared<QList<Outcome>>();
        VolumeEject::eject(
            mount, name, [heard](const Outcome& outcome) { heard->append(outcome); }, &window);
        EXPECT_TRUE(test::waitUntil([&] { return !heard->isEmpty(); }));
        test::spin(20); // a second completion would come now
        return *heard;
    }
};

TEST_F(VolumeEjectTest, startupDiskIsTheRootTheDataVolumeAndWhatLiesOnTheRootsDevice) {
    const QString drive = plug(QStringLiteral("Studio"));
    struct Case {
        QString path;
        bool startup;
    };
    const Case cases[] = {
        {QStringLiteral("/"), true},
        {QStringLiteral("/."), true},
        {QStringLiteral("/System/Volumes/Data"), true},
        {QStringLiteral("//System/Volumes/Data/"), true},
        {drive, false},                                 // a drive, plugged in
        {QDir(root).filePath("Unplugged"), false},      // a drive, not there
        {QStringLiteral("/proc"), false},               // another file system
        {QStringLiteral("/no/such/folder/here"), false} // cannot be examined
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(VolumeEject::startupMount(c.path), c.startup);
    }
}

TEST_F(VolumeEjectTest, mountedMeansTheRootOrAVolumeDirectlyUnderTheVolumesRoot) {
    const QString drive = plug(QStringLiteral("Studio"));
    EXPECT_TRUE(VolumeEject::isMounted(QStringLiteral("/")));
    EXPECT_TRUE(VolumeEject::isMounted(drive));
    EXPECT_TRUE(VolumeEject::isMounted(drive + QStringLiteral("/")));
    EXPECT_FALSE(VolumeEject::isMounted(QDir(drive).filePath(QStringLiteral("Projects"))));
    EXPECT_FALSE(VolumeEject::isMounted(QDir(root).filePath(QStringLiteral("Archive"))));
    EXPECT_FALSE(VolumeEject::isMounted(root));
    ASSERT_TRUE(QDir(drive).removeRecursively());
    EXPECT_FALSE(VolumeEject::isMounted(drive));
}

TEST_F(VolumeEjectTest, afterTheUnmountStillMountedDecidesBeforeTheAnswer) {
    struct Case {
        Answer answer;
        std::optional<Outcome> whileMounted; // none: eject next
        std::optional<Outcome> onceGone;
    };
    const Case cases[] = {
        {Answer::done, std::nullopt, std::nullopt},
        {Answer::noConnection, kCouldNot, kCouldNot}, // nothing was tried
        {Answer::noDiskObject, kCannot, kCannot},
        {Answer::busy, Outcome::busy(), Outcome::ejected()},
        {Answer::notPermitted, kCannot, Outcome::ejected()},
        {Answer::notMounted, kCouldNot, Outcome::ejected()},
        {Answer::unsupported, kCouldNot, Outcome::ejected()},
        {Answer::other, kCouldNot, Outcome::ejected()},
    };
    ASSERT_EQ(std::size(cases), size_t(kAnswers.size()));
    for (const Case& c : cases) {
        SCOPED_TRACE(answerName(c.answer));
        EXPECT_EQ(VolumeEject::afterUnmount(true, c.answer, kName), c.whileMounted);
        EXPECT_EQ(VolumeEject::afterUnmount(false, c.answer, kName), c.onceGone);
    }
}

TEST_F(VolumeEjectTest, afterTheEjectStillMountedDecidesBeforeTheAnswer) {
    for (const Answer answer : kAnswers) {
        SCOPED_TRACE(answerName(answer));
        EXPECT_EQ(VolumeEject::afterEject(true, answer, kName),
                  answer == Answer::busy ? Outcome::busy() : kCouldNot);
        const bool gone =
            answer == Answer::done || answer == Answer::unsupported || answer == Answer::notMounted;
        EXPECT_EQ(VolumeEject::afterEject(false, answer, kName), gone ? Outcome::ejected() : kUnmountedOnly);
    }
}

TEST_F(VolumeEjectTest, outcomesAreEqualByCaseAndText) {
    EXPECT_EQ(Outcome::refused(QStringLiteral("a")), Outcome::refused(QStringLiteral("a")));
    EXPECT_NE(Outcome::refused(QStringLiteral("a")), Outcome::refused(QStringLiteral("b")));
    EXPECT_NE(Outcome::refused(QStringLiteral("a")), Outcome::failed(QStringLiteral("a")));
    EXPECT_EQ(Outcome::busy(), Outcome::busy());
    EXPECT_NE(Outcome::busy(), Outcome::ejected());
}

TEST_F(VolumeEjectTest, theStartupDiskAndAnAbsentDriveAreRefusedAtOnceWithoutAskingTheSystem) {
    struct Case {
        QString mount;
        QString name;
        Outcome outcome;
    };
    const Case cases[] = {
        {QStringLiteral("/"), QStringLiteral("Macintosh HD"),
         Outcome::refused(QStringLiteral("Macintosh HD is the startup disk, so it was left mounted."))},
        {QStringLiteral("/System/Volumes/Data"), QStringLiteral("Data"),
         Outcome::refused(QStringLiteral("Data is the startup disk, so it was left mounted."))},
        // Unplugged between the confirmation and the eject.
        {QDir(root).filePath(QStringLiteral("Gone")), QStringLiteral("Gone"),
         Outcome::refused(QStringLiteral("Gone is not mounted."))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount.toStdString());
        QList<Outcome> heard;
        VolumeEject::eject(
            c.mount, c.name, [&](const Outcome& outcome) { heard.append(outcome); }, &window);
        EXPECT_EQ(heard, QList<Outcome>{c.outcome}); // before any turn of the event loop
    }
    EXPECT_TRUE(ejector->calls().isEmpty());
}

TEST_F(VolumeEjectTest, everyScriptedRoadEndsInItsOneOutcome) {
    using Vanish = FakeEjector::Vanish;
    struct Case {
        const char* name;
        FakeEjector::Script script;
        QList<Outcome> outcome;
        QStringList calls; // after the mount path
        bool mountedAfter;
    };
    const Case cases[] = {
        {"unmounted, and the drive cannot be ejected",
         {Answer::done, Answer::unsupported, Vanish::onUnmount},
         {Outcome::ejected()},
         {"unmount", "eject"},
         false},
        {"unmounted and ejected",
         {Answer::done, Answer::done, Vanish::onEject},
         {Outcome::ejected()},
         {"unmount", "eject"},
         false},
        {"in use", {Answer::busy, Answer::done, Vanish::never}, {Outcome::busy()}, {"unmount"}, true},
        {"not allowed", {Answer::notPermitted, Answer::done, Vanish::never}, {kCannot}, {"unmount"}, true},
        {"other failure", {Answer::other, Answer::done, Vanish::never}, {kCouldNot}, {"unmount"}, true},
        {"gone despite a dissent",
         {Answer::busy, Answer::done, Vanish::onUnmount},
         {Outcome::ejected()},
         {"unmount"},
         false},
        {"no disk service",
         {Answer::noConnection, Answer::done, Vanish::never},
         {kCouldNot},
         {"unmount"},
         true},
        {"unknown to the disk service",
         {Answer::noDiskObject, Answer::done, Vanish::never},
         {kCannot},
         {"unmount"},
         true},
        {"unmount said done, volume stayed",
         {Answer::done, Answer::done, Vanish::never},
         {kCouldNot},
         {"unmount", "eject"},
         true},
        {"the eject found it in use",
         {Answer::done, Answer::busy, Vanish::never},
         {Outcome::busy()},
         {"unmount", "eject"},
         true},
        {"unmounted, the disk refused",
         {Answer::done, Answer::other, Vanish::onUnmount},
         {kUnmountedOnly},
         {"unmount", "eject"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString mount = plug(kName);
        ejector = std::make_shared<FakeEjector>();
        platform::ScopedServices inner(FakeEjector::services(ejector));
        ejector->script(mount, c.script);

        EXPECT_EQ(ejectAndWait(mount), c.outcome);
        QStringList expectedCalls;
        for (const QString& call : c.calls)
            expectedCalls.append(call + u' ' + mount);
        EXPECT_EQ(ejector->calls(), expectedCalls);
        EXPECT_EQ(VolumeEject::isMounted(mount), c.mountedAfter);
        QDir(mount).removeRecursively();
    }
}

TEST_F(VolumeEjectTest, theCompletionComesLaterOnceAndNotAtAllAfterTheWindowClosed) {
    const QString mount = plug(kName);
    ejector->script(mount, {Answer::done, Answer::unsupported, FakeEjector::Vanish::onUnmount});
    ejector->hold(true);

    int heard = 0;
    auto closing = std::make_unique<QObject>();
    VolumeEject::eject(
        mount, kName, [&](const Outcome&) { ++heard; }, closing.get());
    EXPECT_EQ(heard, 0);
    ASSERT_EQ(ejector->held(), 1);

    // The window closes while the system is still at it: its answers touch nothing.
    closing.reset();
    ejector->release(0);
    test::spin(20);
    EXPECT_EQ(heard, 0);
    EXPECT_EQ(ejector->held(), 0) << "nothing more is asked for a closed window";
}

TEST_F(VolumeEjectTest, severalEjectsRunAtOnceAndEachHearsItsOwnAnswer) {
    const QString studio = plug(QStringLiteral("Studio"));
    const QString archive = plug(QStringLiteral("Archive"));
    ejector->script(studio, {Answer::busy, Answer::done, FakeEjector::Vanish::never});
    ejector->script(archive, {Answer::done, Answer::unsupported, FakeEjector::Vanish::onUnmount});
    ejector->hold(true);

    QList<std::pair<QString, Outcome>> heard;
    for (const auto& [mount, name] :
         {std::pair{studio, QStringLiteral("Studio")}, std::pair{archive, QStringLiteral("Archive")}})
        VolumeEject::eject(
            mount, name,
            [&heard, name](const Outcome& o) {
                heard.append({name, o});
            },
            &window);
    ASSERT_EQ(ejector->held(), 2);

    // Archive answers first, then its eject step; Studio's unmount answers last.
    ejector->release(1);
    ASSERT_EQ(ejector->held(), 2);
    ejector->release(1);
    ejector->release(0);
    ASSERT_TRUE(test::waitUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard.value(0), std::pair(QStringLiteral("Archive"), Outcome::ejected()));
    EXPECT_EQ(heard.value(1), std::pair(QStringLiteral("Studio"), Outcome::busy()));
}

TEST_F(VolumeEjectTest, selfTestPassesUnderAnyVolumesRootAndPutsTheSegmentRuleInForce) {
    for (const std::optional<QString>& volumes : {std::optional<QString>(root), std::optional<QString>()}) {
        SCOPED_TRACE(volumes.value_or(QStringLiteral("(the system's)")).toStdString());
        test::ScopedEnvironment variable("TOVLIN_VOLUMES_ROOT", volumes);
        EXPECT_TRUE(VolumeEject::selfTest());
        EXPECT_TRUE(ToolbarContrast::installed());
    }
    EXPECT_TRUE(ejector->calls().isEmpty());
}

} // namespace
