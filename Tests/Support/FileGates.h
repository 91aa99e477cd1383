#pragma once

// Files that make a reader wait, for tests of what the program does when a file does not
// answer at once:
//
// - NamedPipe: a named pipe where the program expects a file. Opening one for reading waits
//   until something opens it for writing; the program must never do that.
// - HeldOpen: a regular file whose opening is held (with a lease) until the test lets it
//   through: a file that is slow to answer, with which a test holds a read at a known point.
//
// returnsUnaided() runs a call that might block on a pipe and frees it should it do so, so a
// fault shows as a failed test instead of a hang.

#include <QFile>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pellimor::test {

// A named pipe at `path` (its folder must exist; nothing may stand there) for the object's
// lifetime. On destruction it frees a reader still blocked on it, then is removed, so no
// thread of the test process is left waiting on it.
class NamedPipe {
public:
    explicit NamedPipe(QString path) : m_path(std::move(path)) {
        if (::mkfifo(QFile::encodeName(m_path).constData(), 0644) != 0)
            throw std::runtime_error("cannot make a named pipe at " + m_path.toStdString());
    }
    ~NamedPipe() {
        freeReader();
        ::unlink(QFile::encodeName(m_path).constData());
    }
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    const QString& path() const { return m_path; }

    // Opens the pipe for writing, without waiting, and closes it: a reader blocked in its open
    // goes on and reads the end of the data. True when a reader was there to be freed.
    bool freeReader() const {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false; // no reader has it open
        ::close(fd);
        return true;
    }

private:
    QString m_path;
};

// Runs `call` on this thread. Should it still be running after `bound` — far longer than it
// takes unless it blocked on one of `pipes` — a watchdog frees the pipes' readers until it
// returns. True when `call` returned without that help. The bound is a safety net against a
// hang, never a measure of speed.
inline bool returnsUnaided(std::initializer_list<const NamedPipe*> pipes, const std::function<void()>& call,
                           std::chrono::seconds bound = std::chrono::seconds(60)) {
    const std::vector<const NamedPipe*> watched(pipes);
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool helped = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (finished.wait_for(lock, bound, [&] { return done; }))
            return;
        while (!done) {
            for (const NamedPipe* pipe : watched)
                helped = pipe->freeReader() || helped;
            finished.wait_for(lock, std::chrono::milliseconds(20), [&] { return done; });
        }
    });
    call();
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_all();
    watchdog.join();
    return !helped;
}

// Holds every opening of the regular file at `path` by anyone else (this process included)
// until the test lets it through, with a write lease; the lease ends with the object. The
// file must exist and be open nowhere else. Opening it without waiting fails meanwhile, as
// the system answers for a leased file. The system ends a lease by itself once its break time
// has passed (45 seconds by default), so a test that forgets one is slowed, never hung.
class HeldOpen {
public:
    explicit HeldOpen(const QString& path) {
        // The system signals the holder when someone wants the file, by default ending the
        // process; the test polls instead. Ignored for the rest of the run: another gate may
        // still hold its lease when this one has ended.
        std::signal(SIGIO, SIG_IGN);
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0 || ::fcntl(m_fd, F_SETLEASE, F_WRLCK) != 0) {
            release();
            throw std::runtime_error("cannot hold the opening of " + path.toStdString());
        }
    }
    ~HeldOpen() { release(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    // True as soon as someone waits to open the file; it then goes on, and so does every later
    // opening. False when nobody came within a generous time.
    bool waitForReader() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            if (letThrough())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Lets a waiting opener through (and every later one); false when nobody waits.
    bool letThrough() {
        // While an opener waits, the lease reports the kind it must be given up for.
        if (m_fd < 0 || ::fcntl(m_fd, F_GETLEASE) == F_WRLCK)
            return false;
        release();
        return true;
    }

private:
    void release() {
        if (m_fd < 0)
            return;
        ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
        ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
};

} // namespace pellimor::test
