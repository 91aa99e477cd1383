#include "Support/WriteQueue.h"

#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QThreadPool>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <unistd.h>

namespace pellimor {

namespace {

enum class Kind { write, remove, notify };

struct Item {
    Kind kind = Kind::write;
    QString path;
    WriteQueue::Bytes bytes;
    AtomicFile::Durability durability = AtomicFile::Durability::synced;
    WriteQueue::Failed failed;
    std::function<void()> done;
};

void perform(Item& item) {
    switch (item.kind) {
    case Kind::write: {
        const Result<QByteArray> bytes = item.bytes();
        QString error;
        if (!bytes.ok())
            error = bytes.error();
        else if (const Result<void> written = AtomicFile::write(item.path, bytes.value(), item.durability);
                 !written.ok())
            error = written.error();
        if (!error.isEmpty() && item.failed)
            item.failed(error);
        break;
    }
    case Kind::remove:
        if (::unlink(QFile::encodeName(item.path).constData()) != 0 && errno != ENOENT && item.failed)
            item.failed(QStringLiteral("Couldn\u2019t remove %1: %2")
                            .arg(item.path, QString::fromLocal8Bit(std::strerror(errno))));
        break;
    case Kind::notify:
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, std::move(item.done), Qt::QueuedConnection);
        break;
    }
}

} // namespace

struct WriteQueue::State : std::enable_shared_from_this<State> {
    mutable std::mutex mutex;
    std::condition_variable settled; // `executing` fell
    std::deque<Item> items;          // none of them started
    bool executing = false;          // someone is doing the items: a pool task or finish()
    bool taskStarted = false;        // a pool task is on its way and has not looked yet

    // Does the items until none is left; the caller has claimed `executing` under `lock`.
    void execute(std::unique_lock<std::mutex>& lock) {
        while (!items.empty()) {
            Item item = std::move(items.front());
            items.pop_front();
            lock.unlock();
            perform(item);
            item = Item();
            lock.lock();
        }
        executing = false;
        settled.notify_all();
    }

    // Called with the lock held, after an item was queued.
    void wake() {
        if (executing || taskStarted)
            return;
        taskStarted = true;
        workPool()->start([self = shared_from_this()] {
            std::unique_lock lock(self->mutex);
            self->taskStarted = false;
            // finish() may have done everything meanwhile, or be doing it now.
            if (self->executing || self->items.empty())
                return;
            self->executing = true;
            self->execute(lock);
        });
    }

    // Drops the items of `path` that would be done after the latest notification.
    void dropPending(const QString& path) {
        for (auto it = items.end(); it != items.begin();) {
            --it;
            if (it->kind == Kind::notify)
                return;
            if (it->path == path)
                it = items.erase(it);
        }
    }
};

WriteQueue::WriteQueue() : m_state(std::make_shared<State>()) {}

WriteQueue::~WriteQueue() {
    finish();
}

void WriteQueue::write(const QString& path, Bytes bytes, AtomicFile::Durability durability, Place place,
                       Failed failed) {
    const std::lock_guard lock(m_state->mutex);
    if (place == Place::inPlace) {
        // Only the latest item of the file may take the bytes: one before a removal of it
        // would bring back what was removed.
        for (auto it = m_state->items.rbegin(); it != m_state->items.rend(); ++it) {
            if (it->path != path || it->kind == Kind::notify)
                continue;
            if (it->kind == Kind::write) {
                it->bytes = std::move(bytes);
                it->durability = durability;
                it->failed = std::move(failed);
                return;
            }
            break;
        }
    } else {
        m_state->dropPending(path);
    }
    m_state->items.push_back(Item{Kind::write, path, std::move(bytes), durability, std::move(failed), {}});
    m_state->wake();
}

void WriteQueue::remove(const QString& path, Failed failed) {
    const std::lock_guard lock(m_state->mutex);
    m_state->dropPending(path);
    m_state->items.push_back(Item{Kind::remove, path, {}, {}, std::move(failed), {}});
    m_state->wake();
}

void WriteQueue::whenDone(std::function<void()> done) {
    const std::lock_guard lock(m_state->mutex);
    m_state->items.push_back(Item{Kind::notify, {}, {}, {}, {}, std::move(done)});
    m_state->wake();
}

bool WriteQueue::idle() const {
    const std::lock_guard lock(m_state->mutex);
    return !m_state->executing && m_state->items.empty();
}

void WriteQueue::finish() {
    std::unique_lock lock(m_state->mutex);
    m_state->settled.wait(lock, [&] { return !m_state->executing; });
    if (m_state->items.empty())
        return;
    m_state->executing = true;
    m_state->execute(lock);
}

} // namespace pellimor
