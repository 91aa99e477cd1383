#include "Support/WriteQueue.h"

#include "Support/WorkPool.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QThreadPool>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

using namespace pellimor;

namespace {

using Place = WriteQueue::Place;
constexpr auto kUnsynced = AtomicFile::Durability::unsynced;

// Holds whatever waits on it until opened.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    int reached = 0;

    void wait() {
        std::unique_lock lock(mutex);
        ++reached;
        opened.notify_all();
        opened.wait(lock, [&] { return open; });
    }
    void waitUntilReached(int count = 1) {
        std::unique_lock lock(mutex);
        opened.wait(lock, [&] { return reached >= count; });
    }
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

// What the writes encoded, in the order they did: each write's bytes name themselves.
struct Log {
    std::mutex mutex;
    QStringList made;

    WriteQueue::Bytes bytes(const QString& name, Gate* gate = nullptr) {
        return [this, name, gate]() -> Result<QByteArray> {
            if (gate)
                gate->wait();
            const std::lock_guard lock(mutex);
            made.append(name);
            return name.toUtf8();
        };
    }
    QStringList all() {
        const std::lock_guard lock(mutex);
        return made;
    }
};

void waitForQueue(WriteQueue& queue) {
    bool done = false;
    queue.whenDone([&done] { done = true; });
    ASSERT_TRUE(test::waitUntil([&] { return done; }));
}

} // namespace

TEST(WriteQueue, WritesKeepTheirOrderAndGiveWayToNewerOnesOfTheSameFile) {
    const QString dir = test::TestEnv::freshDir("write-queue-order");
    const QString catalogue = QDir(dir).filePath("catalog.json");
    const QString job = QDir(dir).filePath("scanjob.json");
    WriteQueue queue;
    Log log;
    Gate gate;

    // The first write is held on the disk while the others queue up behind it.
    queue.write(catalogue, log.bytes("catalogue 1", &gate), kUnsynced, Place::inPlace);
    gate.waitUntilReached();
    EXPECT_FALSE(queue.idle());
    queue.write(catalogue, log.bytes("catalogue 2"), kUnsynced, Place::inPlace);
    queue.write(job, log.bytes("job 2"), kUnsynced, Place::last);
    // The newer catalogue takes the older's place, ahead of the job that trails it; the newer
    // job drops the older and goes last.
    queue.write(catalogue, log.bytes("catalogue 3"), kUnsynced, Place::inPlace);
    queue.write(job, log.bytes("job 3"), kUnsynced, Place::last);
    gate.release();
    waitForQueue(queue);

    EXPECT_EQ(log.all(), (QStringList{"catalogue 1", "catalogue 3", "job 3"}));
    EXPECT_EQ(test::readAll(catalogue, "<missing>"), "catalogue 3");
    EXPECT_EQ(test::readAll(job, "<missing>"), "job 3");
    EXPECT_TRUE(queue.idle());
}

TEST(WriteQueue, RemovalsAndWaitsAreNeverOvertaken) {
    const QString dir = test::TestEnv::freshDir("write-queue-remove");
    const QString gone = QDir(dir).filePath("gone.json");
    const QString back = QDir(dir).filePath("back.json");
    const QString kept = QDir(dir).filePath("kept.json");
    WriteQueue queue;
    Log log;
    Gate gate;

    queue.write(QDir(dir).filePath("first.json"), log.bytes("first", &gate), kUnsynced, Place::last);
    gate.waitUntilReached();
    // A removal drops the write before it: the file is never written.
    queue.write(gone, log.bytes("gone"), kUnsynced, Place::inPlace);
    queue.remove(gone);
    // A write after a removal never takes the place of one before it.
    queue.write(back, log.bytes("back 1"), kUnsynced, Place::inPlace);
    queue.remove(back);
    queue.write(back, log.bytes("back 2"), kUnsynced, Place::inPlace);
    // What was queued before a wait is done before it, whatever comes after.
    queue.write(kept, log.bytes("kept 1"), kUnsynced, Place::last);
    bool waited = false;
    QStringList seenByWait;
    queue.whenDone([&] {
        waited = true;
        seenByWait = log.all();
    });
    queue.write(kept, log.bytes("kept 2"), kUnsynced, Place::last);
    gate.release();
    ASSERT_TRUE(test::waitUntil([&] { return waited; }));
    waitForQueue(queue);

    EXPECT_TRUE(seenByWait.contains("kept 1")) << seenByWait.join(", ").toStdString();
    EXPECT_EQ(log.all(), (QStringList{"first", "back 2", "kept 1", "kept 2"}));
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_EQ(test::readAll(back, "<missing>"), "back 2");
    EXPECT_EQ(test::readAll(kept, "<missing>"), "kept 2");
}

TEST(WriteQueue, FailuresAreToldAndTheQueueGoesOn) {
    const QString dir = test::TestEnv::freshDir("write-queue-fail");
    const QString blocker = QDir(dir).filePath("blocker");
    ASSERT_TRUE(AtomicFile::write(blocker, "a file where a folder should be").ok());
    WriteQueue queue;
    Log log;
    std::mutex mutex;
    QStringList errors;
    const auto failed = [&](const QString& error) {
        const std::lock_guard lock(mutex);
        errors.append(error);
    };

    queue.write(blocker + "/inside.json", log.bytes("under a file"), kUnsynced, Place::last, failed);
    queue.write(
        QDir(dir).filePath("bad.json"), [] { return Result<QByteArray>(Failure{"no JSON form"}); }, kUnsynced,
        Place::last, failed);
    queue.write(QDir(dir).filePath("good.json"), log.bytes("good"), kUnsynced, Place::last, failed);
    waitForQueue(queue);

    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.at(0).contains(blocker + "/inside.json")) << errors.at(0).toStdString();
    EXPECT_EQ(errors.at(1), "no JSON form");
    EXPECT_EQ(test::readAll(QDir(dir).filePath("good.json"), "<missing>"), "good");
    EXPECT_EQ(test::readAll(blocker, "<missing>"), "a file where a folder should be");
}

TEST(WriteQueue, FinishWritesEverythingEvenWhenNoPoolThreadIsFree) {
    const QString dir = test::TestEnv::freshDir("write-queue-finish");
    // Every thread of the pool is held, so the queue's own task cannot start.
    Gate busy;
    const int threads = workPool()->maxThreadCount();
    for (int i = 0; i < threads; ++i)
        workPool()->start([&busy] { busy.wait(); });
    busy.waitUntilReached(threads);
    Log log;
    {
        WriteQueue queue;
        for (int i = 1; i <= 3; ++i)
            queue.write(QDir(dir).filePath(QStringLiteral("file-%1.json").arg(i)),
                        log.bytes(QStringLiteral("file %1").arg(i)), kUnsynced, Place::last);
        queue.finish();
        EXPECT_TRUE(queue.idle());
        EXPECT_EQ(log.all(), (QStringList{"file 1", "file 2", "file 3"}));
        queue.write(QDir(dir).filePath("file-4.json"), log.bytes("file 4"), kUnsynced, Place::last);
        // Going away finishes too.
    }
    EXPECT_EQ(test::readAll(QDir(dir).filePath("file-4.json"), "<missing>"), "file 4");
    busy.release();
    workPool()->waitForDone();
}
