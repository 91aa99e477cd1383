// The single-instance rules in-process: where the socket lives and what it is called, the lock
// taken, taken over from a dead holder or found held, and a request handed to a listening
// holder and answered.

#include "Shell/SingleInstance.h"

#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QThread>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using namespace pellimor;
using namespace pellimor::SingleInstance;
using test::ScopedEnvironment;
using test::TestEnv;

namespace {

mode_t modeOf(const QString& path) {
    struct stat facts {};
    return ::lstat(QFile::encodeName(path).constData(), &facts) == 0 ? facts.st_mode : 0;
}

bool makeFolder(const QString& path, mode_t mode) {
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Short waits: these holders either answer at once or never.
const Timing kQuick{500, 10000, 20};

// A holder listening on its own thread's event loop, answering every request with `outcome`
// and keeping the last request it was handed.
class ListeningHolder {
public:
    ListeningHolder(const QString& socketPath, Outcome outcome) {
        std::promise<bool> listening;
        std::future<bool> listened = listening.get_future();
        m_thread.reset(QThread::create([this, socketPath, outcome, &listening] {
            Server server([this, outcome](const Request& request, const Server::Answer& answer) {
                {
                    const std::lock_guard lock(m_mutex);
                    m_request = request;
                }
                answer(outcome);
            });
            QEventLoop loop;
            m_loop = &loop;
            listening.set_value(server.listen(socketPath).ok());
            loop.exec();
        }));
        m_thread->start();
        m_listening = listened.get();
    }
    ~ListeningHolder() {
        if (m_loop)
            QMetaObject::invokeMethod(m_loop, "quit", Qt::QueuedConnection);
        m_thread->wait();
    }

    bool listening() const { return m_listening; }
    std::optional<Request> request() {
        const std::lock_guard lock(m_mutex);
        return m_request;
    }

private:
    std::unique_ptr<QThread> m_thread;
    QEventLoop* m_loop = nullptr;
    bool m_listening = false;
    std::mutex m_mutex;
    std::optional<Request> m_request;
};

} // namespace

TEST(SingleInstanceTest, theSocketLivesInAFolderOfThisUsersAlone) {
    const QString root = TestEnv::freshDir(QStringLiteral("runtime"));
    const QString temp = QDir(root).filePath(QStringLiteral("tmp"));
    const QString fallback = QDir(temp).filePath(QStringLiteral("tovlin-%1").arg(::geteuid()));
    const QString privateRuntime = QDir(root).filePath(QStringLiteral("private"));
    const QString openRuntime = QDir(root).filePath(QStringLiteral("open"));
    ASSERT_TRUE(makeFolder(temp, 0755));
    ASSERT_TRUE(makeFolder(privateRuntime, 0700));
    ASSERT_TRUE(makeFolder(openRuntime, 0755));
    ScopedEnvironment tmpdir("TMPDIR", temp);

    struct Case {
        const char* what;
        std::optional<QString> runtime;  // XDG_RUNTIME_DIR
        std::function<void()> prepare;   // what stands at the fallback's place
        std::optional<QString> expected; // nothing: refused
    };
    const auto clearFallback = [&] {
        QFile::remove(fallback);
        QDir(fallback).removeRecursively();
    };
    const QList<Case> cases = {
        {"the runtime folder", privateRuntime, clearFallback, privateRuntime},
        {"no runtime folder: one of its own, made private", std::nullopt, clearFallback, fallback},
        {"a runtime folder open to others", openRuntime, clearFallback, fallback},
        {"a relative runtime folder", QStringLiteral("private"), clearFallback, fallback},
        {"its own folder made before, still private", std::nullopt,
         [&] {
             clearFallback();
             makeFolder(fallback, 0700);
         },
         fallback},
        {"its own folder opened to others", std::nullopt,
         [&] {
             clearFallback();
             makeFolder(fallback, 0777);
         },
         std::nullopt},
        {"a link in its own folder's place", std::nullopt,
         [&] {
             clearFallback();
             QFile::link(privateRuntime, fallback);
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnvironment runtime("XDG_RUNTIME_DIR", c.runtime);
        c.prepare();
        const Result<QString> folder = runtimeFolder();
        if (!c.expected) {
            ASSERT_FALSE(folder.ok()) << folder->toStdString();
            EXPECT_TRUE(folder.error().contains(fallback)) << folder.error().toStdString();
            continue;
        }
        ASSERT_TRUE(folder.ok()) << folder.error().toStdString();
        EXPECT_EQ(*folder, *c.expected);
        EXPECT_EQ(modeOf(*folder) & 0777, 0700u);
        const Result<QString> socket = socketPath(QStringLiteral("/data"));
        ASSERT_TRUE(socket.ok());
        EXPECT_EQ(QFileInfo(*socket).path(), *c.expected);
    }
}

TEST(SingleInstanceTest, oneDataFolderGivesOneSocketNameHoweverItIsSpelled) {
    const QString root = TestEnv::freshDir(QStringLiteral("names"));
    const QString data = QDir(root).filePath(QStringLiteral("data"));
    const QString other = QDir(root).filePath(QStringLiteral("other"));
    const QString linked = QDir(root).filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QDir().mkpath(data));
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_TRUE(QFile::link(data, linked));

    const QString name = socketName(data);
    EXPECT_TRUE(name.startsWith(QStringLiteral("tovlin-"))) << name.toStdString();
    EXPECT_EQ(name.size(), 7 + 24);
    for (const QString& spelling : {data + "/", other + "/../data", linked})
        EXPECT_EQ(socketName(spelling), name) << spelling.toStdString();
    EXPECT_NE(socketName(other), name);
    // A folder not made yet: by its path.
    const QString missing = QDir(root).filePath(QStringLiteral("missing"));
    EXPECT_EQ(socketName(missing + "/"), socketName(missing));
    EXPECT_NE(socketName(missing), name);
}

TEST(SingleInstanceTest, theLockIsTakenTakenOverFromTheDeadAndFoundHeldByTheLiving) {
    const QString root = TestEnv::freshDir(QStringLiteral("lock"));
    const QString runtime = QDir(root).filePath(QStringLiteral("run"));
    ASSERT_TRUE(makeFolder(runtime, 0700));
    ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime);
    const Request request{{QStringLiteral("tovlin"), QStringLiteral("--scan"), QStringLiteral("/films")},
                          QStringLiteral("/work")};

    // A free folder, made on the way.
    const QString data = QDir(root).filePath(QStringLiteral("data"));
    {
        Claim first = claim(data, request, kQuick);
        ASSERT_EQ(first.kind, Claim::Kind::holder);
        EXPECT_FALSE(ending(first, data).has_value());
        qint64 pid = 0;
        QString host, application;
        ASSERT_TRUE(first.lock->getLockInfo(&pid, &host, &application));
        EXPECT_EQ(pid, QCoreApplication::applicationPid());
    }
    EXPECT_FALSE(QFile::exists(lockFilePath(data))) << "released with the claim";

    // A lock file a process that has died left behind: this lock file's own form, naming it.
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    QByteArray form;
    {
        QLockFile sample(QDir(root).filePath(QStringLiteral("sample.lock")));
        ASSERT_TRUE(sample.tryLock(0));
        QFile file(QDir(root).filePath(QStringLiteral("sample.lock")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        form = file.readAll();
    }
    form = QByteArray::number(deadPid) + form.mid(form.indexOf('\n'));
    {
        QFile stale(lockFilePath(data));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(form);
    }
    {
        Claim takenOver = claim(data, request, kQuick);
        EXPECT_EQ(takenOver.kind, Claim::Kind::holder);
    }

    // Held by a living process that does not listen: it is named, and nothing else happens.
    QLockFile held(lockFilePath(data));
    ASSERT_TRUE(held.tryLock(0));
    const Claim refused = claim(data, request, kQuick);
    ASSERT_EQ(refused.kind, Claim::Kind::unreachable);
    EXPECT_EQ(refused.holderPid, QCoreApplication::applicationPid());
    EXPECT_TRUE(refused.holderHost.isEmpty());
    const std::optional<Ending> end = ending(refused, data);
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(end->status, 1);
    EXPECT_TRUE(end->standardError);
    EXPECT_EQ(end->line,
              QStringLiteral("The catalogue in “%1” is in use by process %2, which did not answer; "
                             "nothing was changed.")
                  .arg(data)
                  .arg(QCoreApplication::applicationPid()));
}

TEST(SingleInstanceTest, aRequestIsHandedToTheListeningHolderAndItsAnswerPrinted) {
    const QString root = TestEnv::freshDir(QStringLiteral("hand"));
    const QString runtime = QDir(root).filePath(QStringLiteral("run"));
    ASSERT_TRUE(makeFolder(runtime, 0700));
    ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime);
    const QString data = QDir(root).filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    const Result<QString> socket = socketPath(data);
    ASSERT_TRUE(socket.ok());
    // Something a dead holder left at the socket's place: the new holder listens there instead.
    {
        QFile left(*socket);
        ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    }

    QLockFile held(lockFilePath(data));
    ASSERT_TRUE(held.tryLock(0));
    const Request request{{QStringLiteral("tovlin"), QStringLiteral("--scan"), QStringLiteral("Films"),
                           QStringLiteral("“Jobs” 2025")},
                          QStringLiteral("/work/folder")};

    struct Case {
        Outcome outcome;
        int status;
        bool standardError;
        QString line;
    };
    const QList<Case> cases = {
        {Outcome::broughtForward, 0, false,
         "Tovlin is already running for this catalogue; its window was brought forward."},
        {Outcome::scanStarted, 0, false,
         "Tovlin is already running for this catalogue; the scan was handed to it."},
        {Outcome::resumed, 0, false,
         "Tovlin is already running for this catalogue; it resumed the paused scan."},
        {Outcome::resumedInstead, 1, true,
         "Tovlin is already running for this catalogue; it resumed the paused scan, so the folders given "
         "were "
         "not scanned."},
        {Outcome::nothingToResume, 1, true,
         "Tovlin is already running for this catalogue, and it has no paused scan to resume."},
        {Outcome::busy, 1, true,
         "Tovlin is already running for this catalogue and a scan is under way there, so nothing was "
         "started; "
         "run the command again when that scan has finished."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        ListeningHolder holder(*socket, c.outcome);
        ASSERT_TRUE(holder.listening());
        const Claim handed = claim(data, request, kQuick);
        ASSERT_EQ(handed.kind, Claim::Kind::handedOver);
        EXPECT_EQ(handed.outcome, c.outcome);
        EXPECT_EQ(holder.request(), request);
        const std::optional<Ending> end = ending(handed, data);
        ASSERT_TRUE(end.has_value());
        EXPECT_EQ(end->status, c.status);
        EXPECT_EQ(end->standardError, c.standardError);
        EXPECT_EQ(end->line, c.line);
    }
}

TEST(SingleInstanceTest, onlyAWholeRequestIsTaken) {
    const Request request{{QStringLiteral("tovlin"), QStringLiteral("--scan"), QStringLiteral("a\nb")},
                          QStringLiteral("/w")};
    const QByteArray line = request.encoded();
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_EQ(Request::decoded(line), request);
    for (const char* bad : {"", "[]", "{\"arguments\":\"tovlin\",\"workingFolder\":\"/w\"}",
                            "{\"arguments\":[\"tovlin\",3],\"workingFolder\":\"/w\"}",
                            "{\"arguments\":[\"tovlin\"]}", "{\"arguments\":[\"tovlin\"],\"workingFolder\":"})
        EXPECT_EQ(Request::decoded(bad), std::nullopt) << bad;
}
