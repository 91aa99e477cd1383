#include "Catalogue/Scan/ScanPrefetch.h"

#include "Catalogue/Reader/LibraryReader.h"
#include "Support/WorkPool.h"

#include <QThreadPool>

namespace pellimor {

ScanPrefetch::ScanPrefetch(qsizetype limit, std::stop_token stop)
    : m_limit(std::max<qsizetype>(1, limit)), m_stop(std::move(stop)) {}

void ScanPrefetch::add(const QString& path) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed || m_queued.contains(path))
            return;
        m_queued.insert(path);
        m_queue.append(path);
        if (m_running >= m_limit)
            return; // a running worker takes it next
        ++m_running;
    }
    workPool()->start([self = shared_from_this()] { self->work(); });
}

void ScanPrefetch::close() {
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_queue.clear();
    m_next = 0;
}

std::optional<QString> ScanPrefetch::take(const QString& path) {
    const std::lock_guard lock(m_mutex);
    const auto it = m_signatures.find(path);
    if (it == m_signatures.end())
        return std::nullopt;
    QString signature = std::move(it.value());
    m_signatures.erase(it);
    return signature;
}

void ScanPrefetch::work() {
    for (;;) {
        QString path;
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop.stop_requested() || m_next >= m_queue.size()) {
                --m_running;
                return;
            }
            path = m_queue.at(m_next++);
        }
        if (!LibraryReader::isReadable(path) || m_stop.stop_requested())
            continue;
        QString signature = LibraryReader::signature(path);
        {
            const std::lock_guard lock(m_mutex);
            m_signatures.insert(path, std::move(signature));
        }
        if (workPoolIsBusy()) {
            workPool()->start([self = shared_from_this()] { self->work(); });
            return;
        }
    }
}

} // namespace pellimor
