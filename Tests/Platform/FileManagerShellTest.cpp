// Revealing a file: the file manager's D-Bus call is played by small scripts, so every answer
// it can give (shown, an error, a crash, nothing at all, an answer after the deadline) runs
// without a session bus; the fallback opener is recorded instead of started.

#include "Platform/SystemServices.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace pellimor;
using platform::SystemFileManagerShell;
using Outcome = SystemFileManagerShell::RevealOutcome;

namespace {

// Writes an executable shell script with this body and returns its path.
QString writeScript(const QString& folder, const QString& name, const QString& body) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
}

bool waitUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

const char* name(Outcome outcome) {
    return outcome == Outcome::shown ? "shown" : "fell back";
}

} // namespace

TEST(FileManagerShell, EachRevealHasExactlyOneOutcomeDecidedAfterItReturns) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("reveal"));
    const QString argumentsLog = QDir(folder).filePath(QStringLiteral("arguments.txt"));
    const QString shownFolder = QDir(folder).filePath(QStringLiteral("Wedding Day"));
    const QString path = QDir(shownFolder).filePath(QStringLiteral("Trailer.fcpbundle"));

    constexpr std::chrono::milliseconds kNever{std::chrono::minutes(10)};
    constexpr std::chrono::milliseconds kSoon{50};
    struct Case {
        const char* what;
        QString bus;
        std::chrono::milliseconds deadline;
        Outcome expected;
    };
    const QList<Case> cases = {
        {"the file manager shows it",
         writeScript(folder, "answers", "printf '%s\\n' \"$@\" > '" + argumentsLog + "'\nexit 0"), kNever,
         Outcome::shown},
        {"no file manager on the bus", writeScript(folder, "fails", "exit 1"), kNever, Outcome::fellBack},
        {"the call crashes", writeScript(folder, "crashes", "kill -9 $$"), kNever, Outcome::fellBack},
        {"no program to make the call", QDir(folder).filePath(QStringLiteral("no such program")), kNever,
         Outcome::fellBack},
        {"no answer ever comes", writeScript(folder, "silent", "exec sleep 600"), kSoon, Outcome::fellBack},
        // Told to stop at the deadline, it answers "shown" after all: the fallback stands alone.
        {"the answer comes after the deadline",
         writeScript(folder, "late", "sleep 600 &\ntrap 'kill $!; exit 0' TERM\nwait"), kSoon,
         Outcome::fellBack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QList<std::pair<QString, Outcome>> settled;
        QList<std::pair<QString, QStringList>> started;
        {
            SystemFileManagerShell::Setup setup;
            setup.busProgram = c.bus;
            setup.answerDeadline = c.deadline;
            setup.startDetached = [&](const QString& program, const QStringList& arguments) {
                started.append({program, arguments});
            };
            setup.settled = [&](const QString& revealed, Outcome outcome) {
                settled.append({revealed, outcome});
            };
            // The shell goes before the call ends: the request carries on without it.
            SystemFileManagerShell shell(setup);
            shell.reveal(path);
        }
        // Nothing is decided while reveal() runs: it returned before any answer.
        EXPECT_TRUE(settled.isEmpty());
        EXPECT_TRUE(started.isEmpty());

        ASSERT_TRUE(waitUntil([&] { return !settled.isEmpty(); }));
        ASSERT_EQ(settled.size(), 1);
        EXPECT_EQ(settled.front().first, path);
        EXPECT_STREQ(name(settled.front().second), name(c.expected));
        if (c.expected == Outcome::fellBack)
            EXPECT_EQ(started, (QList<std::pair<QString, QStringList>>{{"xdg-open", {shownFolder}}}));
        else
            EXPECT_TRUE(started.isEmpty());
    }

    // The call names the file manager's method and the item as an encoded file URL.
    QFile log(argumentsLog);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList arguments = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(arguments.contains(QStringLiteral("--session")));
    EXPECT_TRUE(arguments.contains(QStringLiteral("--dest=org.freedesktop.FileManager1")));
    EXPECT_TRUE(arguments.contains(QStringLiteral("org.freedesktop.FileManager1.ShowItems")));
    EXPECT_TRUE(arguments.contains(QStringLiteral("array:string:") +
                                   QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)))
        << arguments.join(u' ').toStdString();
    EXPECT_TRUE(arguments.join(u' ').contains(QStringLiteral("Wedding%20Day")));
}

// Requests in flight together are decided apart, though one shell made them.
TEST(FileManagerShell, RequestsInFlightTogetherAreDecidedApart) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("reveal-two"));
    QList<std::pair<QString, Outcome>> settled;
    QStringList opened;
    SystemFileManagerShell::Setup setup;
    setup.startDetached = [&](const QString&, const QStringList& arguments) { opened += arguments; };
    setup.settled = [&](const QString& revealed, Outcome outcome) { settled.append({revealed, outcome}); };
    // The call for "One" is shown, but only once the call for "Two" has failed.
    const QString flag = QDir(folder).filePath(QStringLiteral("two failed"));
    setup.busProgram = writeScript(folder, QStringLiteral("bus"),
                                   "case \"$*\" in\n"
                                   "*One*) while [ ! -e '" +
                                       flag +
                                       "' ]; do sleep 0.01; done; exit 0 ;;\n"
                                       "*) touch '" +
                                       flag +
                                       "'; exit 1 ;;\n"
                                       "esac");
    SystemFileManagerShell shell(setup);

    shell.reveal(QStringLiteral("/Movies/A/One.fcpbundle"));
    shell.reveal(QStringLiteral("/Movies/B/Two.fcpbundle"));
    ASSERT_TRUE(waitUntil([&] { return settled.size() == 2; }));
    std::sort(settled.begin(), settled.end()); // both calls may end in one turn of the loop
    EXPECT_EQ(settled, (QList<std::pair<QString, Outcome>>{{"/Movies/A/One.fcpbundle", Outcome::shown},
                                                           {"/Movies/B/Two.fcpbundle", Outcome::fellBack}}));
    EXPECT_EQ(opened, QStringList{QStringLiteral("/Movies/B")});
}

TEST(FileManagerShell, aLinkGoesToTheOpenerWhole) {
    QStringList started;
    SystemFileManagerShell::Setup setup;
    setup.startDetached = [&started](const QString& program, const QStringList& arguments) {
        started = QStringList{program} + arguments;
    };
    SystemFileManagerShell shell(setup);
    const QUrl link(QStringLiteral("mailto:support@example.com?subject=A%20%26%20B&body=%28x%29"));
    shell.openUrl(link);
    EXPECT_EQ(started,
              (QStringList{QStringLiteral("xdg-open"),
                           QStringLiteral("mailto:support@example.com?subject=A%20%26%20B&body=%28x%29")}));
}
