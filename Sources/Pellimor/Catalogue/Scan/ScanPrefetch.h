#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace pellimor {

// The unchanged checks of libraries a walk has found, made while the walk goes on: for each
// library, whether it is readable and, when it is, its change signature. Most libraries of a
// rescan are unchanged, and for them these two answers are all their read needs, so the read
// phase that follows the walk takes them from here instead of asking the disk again.
//
// An answer is what the disk said when it was taken, like the signature a read takes itself:
// a library changed after it is caught by the next scan. Nothing here is seen by anyone but
// the run that made it; a paused or stopped run drops it with everything else it held.
//
// Thread-safe. At most `limit` checks run at once, on the work pool; each check
// stops early once `stop` is requested.
class ScanPrefetch : public std::enable_shared_from_this<ScanPrefetch> {
public:
    ScanPrefetch(qsizetype limit, std::stop_token stop);

    ScanPrefetch(const ScanPrefetch&) = delete;
    ScanPrefetch& operator=(const ScanPrefetch&) = delete;

    // Queues a found library for its check, unless it was queued before or the queue is closed.
    void add(const QString& path);
    // No more checks start: what is queued and not started yet is dropped, running checks
    // finish and keep their answers.
    void close();
    // The signature of a library whose check found it readable, handed out once. None when it
    // was not readable, or its check has not finished (or never ran): the read then makes both
    // checks itself.
    std::optional<QString> take(const QString& path);

private:
    void work();

    const qsizetype m_limit;
    const std::stop_token m_stop;
    std::mutex m_mutex; // guards everything below
    QStringList m_queue;
    qsizetype m_next = 0; // the first queued path not started yet
    qsizetype m_running = 0;
    bool m_closed = false;
    QSet<QString> m_queued;
    QHash<QString, QString> m_signatures;
};

} // namespace pellimor
