// The system's Final Cut Pro services against the fake program, started as a real process
// from an application folder a test builds: finding, listing, opening and quitting it are the
// system's own; its windows and whether it answers come over its socket, on a scaled clock.

#include "Catalogue/Reader/LibraryReader.h"
#include "FinalCut/AX.h"
#include "FinalCut/FinalCutProcess.h"
#include "Platform/FinalCutApp.h"
#include "Support/WorkPool.h"
#include "Tests/Fixtures/LibraryBuilder.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeFinalCut/FakeFinalCutWire.h"
#include "Tests/Support/FakeFinalCut/SocketFinalCut.h"
#include "Tests/Support/ScaledClock.h"
#include "Tests/Support/TestEnv.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QThreadPool>
#include <csignal>
#include <gtest/gtest.h>

using namespace pellimor;
using namespace std::chrono_literals;
using fixtures::LibraryBuilder;
using test::SocketFinalCut::request;

namespace {

QString writeLibrary(const QString& folder, const QString& name, const QString& version) {
    LibraryBuilder library(name);
    library.catalogVersion = fixtures::PlistValue(LibraryBuilder::catalogVersionText(version));
    library.stamp = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    return library.write(folder);
}

std::shared_ptr<platform::FinalCutApp> finalCut() {
    return platform::services().finalCut;
}

// What the instance did so far; empty while it cannot be asked.
QStringList log(qint64 pid) {
    const std::optional<QJsonObject> reply = request(pid, {{"op", "log"}}, 30s);
    QStringList lines;
    if (reply) {
        for (const QJsonValue& line : reply->value("log").toArray())
            lines.append(line.toString());
    }
    return lines;
}

std::optional<QString> openAndWait(const QString& library) {
    QObject context;
    std::optional<std::optional<QString>> outcome;
    finalCut()->open(library, &context, [&](const std::optional<QString>& error) { outcome = error; });
    EXPECT_TRUE(test::waitUntil([&] { return outcome.has_value(); }));
    return outcome.value_or(QStringLiteral("no answer"));
}

// Opens the library in a new instance and waits until it serves its socket; its process id.
qint64 openFirst(const QString& library) {
    EXPECT_EQ(openAndWait(library), std::nullopt);
    qint64 pid = 0;
    EXPECT_TRUE(test::waitUntil([&] {
        const QList<qint64> running = finalCut()->running();
        pid = running.value(0);
        return running.size() == 1 && log(pid).contains(QStringLiteral("open ") + library);
    }));
    return pid;
}

} // namespace

TEST(FakeFinalCutProcess, TheSystemOpensListsAndEndsTheApplicationsOwnProcesses) {
    const QString folder = test::TestEnv::freshDir("fcp-process");
    const QString app = test::SocketFinalCut::installApp(folder, "11.1", {});
    const QString elsewhere = test::SocketFinalCut::installApp(folder + "/Elsewhere", "11.1", {});
    ASSERT_FALSE(app.isEmpty());
    ASSERT_FALSE(elsewhere.isEmpty());
    const QString first = writeLibrary(folder, "One", "11.1");
    const QString second = writeLibrary(folder, "Two", "11.1");
    test::ScopedSocketFinalCut scope(app);
    EXPECT_TRUE(finalCut()->running().isEmpty());

    const qint64 pid = openFirst(first);
    ASSERT_GT(pid, 0);

    // A copy of the same program in another folder is another application.
    qint64 copyPid = 0;
    ASSERT_TRUE(QProcess::startDetached(elsewhere + "/Contents/MacOS/Final Cut Pro", {second}, {}, &copyPid));
    ASSERT_TRUE(test::waitUntil([&] { return log(copyPid).contains("open " + second); }));
    EXPECT_EQ(finalCut()->running(), QList<qint64>{pid});
    EXPECT_FALSE(finalCut()->terminate(copyPid));

    // A second open reaches the running instance: the process it starts hands the library over.
    EXPECT_EQ(openAndWait(second), std::nullopt);
    ASSERT_TRUE(test::waitUntil([&] { return log(pid).contains("open " + second); }));
    ASSERT_TRUE(test::waitUntil([&] { return finalCut()->running() == QList<qint64>{pid}; }));

    EXPECT_TRUE(finalCut()->terminate(pid));
    ASSERT_TRUE(test::waitUntil([&] { return finalCut()->running().isEmpty(); }));
    EXPECT_FALSE(log(copyPid).isEmpty()) << "the copy was left alone";
    ::kill(pid_t(copyPid), SIGKILL);
}

TEST(FakeFinalCutProcess, AForcedQuitEndsOneThatIgnoresQuits) {
    const QString folder = test::TestEnv::freshDir("fcp-force");
    const QString app = test::SocketFinalCut::installApp(folder, "11.1", {{"ignoreQuit", true}});
    const QString library = writeLibrary(folder, "One", "11.1");
    test::ScopedSocketFinalCut scope(app);
    const qint64 pid = openFirst(library);
    ASSERT_GT(pid, 0);

    EXPECT_TRUE(finalCut()->terminate(pid));
    ASSERT_TRUE(test::waitUntil([&] { return log(pid).contains("quit ignored"); }));
    EXPECT_EQ(finalCut()->running(), QList<qint64>{pid});
    EXPECT_TRUE(finalCut()->forceTerminate(pid));
    ASSERT_TRUE(test::waitUntil([&] { return finalCut()->running().isEmpty(); }));
}

TEST(FakeFinalCutProcess, WithoutAnApplicationFolderNothingRunsAndOpenSaysWhy) {
    const QString folder = test::TestEnv::freshDir("fcp-none");
    const QString library = writeLibrary(folder, "One", "11.1");
    test::ScopedSocketFinalCut scope(folder + "/Missing.app");
    if (finalCut()->location())
        GTEST_SKIP() << "this machine has an application at the usual place";
    EXPECT_TRUE(finalCut()->running().isEmpty());
    const std::optional<QString> error = openAndWait(library);
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
}

TEST(FakeFinalCutProcess, ThePromptOverTheSocketUpdatesOrCancels) {
    test::ScopedScaledClock clock(10);
    const QString folder = test::TestEnv::freshDir("fcp-prompt");
    const QString app =
        test::SocketFinalCut::installApp(folder, "11.1", {{"promptDelayMs", 100}, {"updateMs", 300}});
    const QString cancelled = writeLibrary(folder, "Cancelled", "10.4.6");
    const QString updated = writeLibrary(folder, "Updated", "10.4.6");
    const QString cancelledSignature = LibraryReader::signature(cancelled);
    const QString updatedSignature = LibraryReader::signature(updated);
    test::ScopedSocketFinalCut scope(app);

    const qint64 pid = openFirst(cancelled);
    std::optional<AX::UpdateDialog> prompt;
    ASSERT_TRUE(test::waitUntil([&] { return (prompt = AX::findUpdateDialog(pid)).has_value(); }));
    EXPECT_TRUE(prompt->text.contains("“Cancelled”"));
    EXPECT_EQ(prompt->cancel->press(), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !AX::findUpdateDialog(pid); }));

    EXPECT_EQ(openAndWait(updated), std::nullopt);
    ASSERT_TRUE(test::waitUntil([&] {
        prompt = AX::findUpdateDialog(pid);
        return prompt && prompt->text.contains("“Updated”");
    }));
    EXPECT_EQ(prompt->update->press(), 0);
    ASSERT_TRUE(
        test::waitUntil([&] { return LibraryReader::fcpVersion(updated) == QStringLiteral("11.1"); }));
    EXPECT_NE(LibraryReader::signature(updated), updatedSignature);

    // The update of the second came well after the first was cancelled: the first is as it was.
    EXPECT_EQ(LibraryReader::fcpVersion(cancelled), QStringLiteral("10.4.6"));
    EXPECT_EQ(LibraryReader::signature(cancelled), cancelledSignature);
    EXPECT_EQ(prompt->update->press(), test::FakeFinalCutModel::invalidElement) << "the prompt is gone";
}

TEST(FakeFinalCutProcess, AHangingInstanceDoesNotAnswer) {
    for (const bool hang : {true, false}) {
        SCOPED_TRACE(hang ? "hangs" : "answers");
        test::ScopedScaledClock clock(10);
        const QString folder = test::TestEnv::freshDir("fcp-hang");
        const QString app = test::SocketFinalCut::installApp(folder, "11.1", {{"hang", hang}});
        const QString library = writeLibrary(folder, "One", "11.1");
        test::ScopedSocketFinalCut scope(app);
        ASSERT_GT(openFirst(library), 0);
        QObject context;
        std::optional<bool> answered;
        const std::chrono::nanoseconds asked = clock->monotonic();
        std::chrono::nanoseconds at{};
        FinalCutProcess::finalCutAnswers(20s, &context, [&](bool yes) {
            answered = yes;
            at = clock->monotonic();
        });
        ASSERT_TRUE(test::waitUntil([&] { return answered.has_value(); }));
        EXPECT_EQ(*answered, !hang);
        if (hang) {
            EXPECT_GE(at - asked, 25s);
        }
    }
}

TEST(FakeFinalCutProcess, ASocketThatFailsOrTalksNonsenseIsUnreadable) {
    test::ScopedScaledClock clock(10);
    const qint64 pid = 999999999;
    const QStringList replies{
        QStringLiteral("close"),
        QStringLiteral("{\"windows\": [{\"role\": \"AXWindow\", \"chil"), // closes mid-reply
        QStringLiteral("garbage\n"),
        QStringLiteral("[1, 2]\n"),
        QStringLiteral("{\"windows\": 7, \"name\": 3}\n"),
    };
    for (const QString& reply : replies) {
        SCOPED_TRACE(reply.toStdString());
        QLocalServer server;
        QLocalServer::removeServer(test::FakeFinalCutWire::serverName(pid));
        ASSERT_TRUE(server.listen(test::FakeFinalCutWire::serverName(pid)));
        QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
            QLocalSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, reply] {
                socket->readAll();
                if (reply != QLatin1String("close"))
                    socket->write(reply.toUtf8());
                socket->flush();
                socket->disconnectFromServer();
            });
        });
        // The requests block their thread, so the server answers from this one meanwhile.
        std::optional<std::optional<QList<platform::AccessibilityElementPtr>>> windows;
        workPool()->start([&] { windows = test::SocketFinalCut::accessibility()->windows(pid); });
        ASSERT_TRUE(test::waitUntil([&] { return windows.has_value(); }));
        EXPECT_FALSE(windows->has_value());

        const auto app = test::SocketFinalCut::finalCutApp();
        QObject context;
        std::optional<bool> answered;
        app->answers(pid, 20s, &context, [&](bool yes) { answered = yes; });
        ASSERT_TRUE(test::waitUntil([&] { return answered.has_value(); }));
        EXPECT_FALSE(*answered);
    }
    // Nobody there at all.
    EXPECT_FALSE(test::SocketFinalCut::accessibility()->windows(pid).has_value());
}
