#pragma once

#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"
#include "Platform/VolumesRoot.h"
#include "Support/WorkPool.h"

#include <QDir>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// Volumes as a test describes them. Facts and capacities are told per folder: a path gets
// those of the longest told folder that holds it (whole components only, "/" holds every
// absolute path). A path no told folder holds gets nothing — the platform's request failed —
// and so does a folder told `std::nullopt`. The mounted volumes follow the volumes root
// (VolumesRoot::mountedVolumes, so tests plug drives in by creating folders) until a list is
// set. Never looks at the disk otherwise. Safe from any thread; counts its calls.
//
// Requests can be held at a gate, so a test decides without any timing when a background
// read gets its answer: a held request waits (on its worker) until release(), then answers
// what the fake was told when the request arrived. Let VolumeGateGuard open the gate however
// the test ends.
class FakeVolumeFacts final : public platform::VolumeFacts {
public:
    void setFacts(const QString& folder, std::optional<Facts> facts) {
        std::lock_guard lock(m_mutex);
        m_facts.insert(clean(folder), std::move(facts));
    }
    void setCapacity(const QString& mount, std::optional<Capacity> capacity) {
        std::lock_guard lock(m_mutex);
        m_capacity.insert(clean(mount), std::move(capacity));
    }
    void setMountedVolumes(std::optional<QStringList> mounts) {
        std::lock_guard lock(m_mutex);
        m_mounted = std::move(mounts);
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_facts.clear();
        m_capacity.clear();
        m_mounted.reset();
    }

    // facts() for `path` waits at the gate.
    void holdFacts(const QString& path) {
        std::lock_guard lock(m_mutex);
        m_heldFacts = clean(path);
    }
    // capacity() requests that arrive while `hold` is on wait at the gate.
    void holdCapacity(bool hold) {
        std::lock_guard lock(m_mutex);
        m_holdCapacity = hold;
    }
    // Requests that have come to the gate and waited there so far.
    int heldRequests() const {
        std::lock_guard lock(m_mutex);
        return m_heldRequests;
    }
    // Opens the gate for good: every held request answers, and none is held again.
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_gate.notify_all();
    }

    // Facts of the start-up volume, "Macintosh HD", local and internal.
    static Facts startupDisk(std::optional<QString> uuid = std::nullopt) {
        return Facts{VolumesRoot::startupVolumeName(), std::move(uuid), true, true};
    }
    // Facts of an external drive with that name.
    static Facts externalDrive(const QString& name, std::optional<QString> uuid = std::nullopt) {
        return Facts{name, std::move(uuid), true, false};
    }
    // Facts of a network share with that name.
    static Facts networkShare(const QString& name) { return Facts{name, std::nullopt, false, false}; }

    std::optional<Facts> facts(const QString& path) const override {
        ++m_factsCalls;
        std::unique_lock lock(m_mutex);
        std::optional<Facts> answer = lookup(m_facts, path);
        if (m_heldFacts && *m_heldFacts == clean(path))
            waitAtGate(lock);
        return answer;
    }

    std::optional<Capacity> capacity(const QString& path) const override {
        ++m_capacityCalls;
        std::unique_lock lock(m_mutex);
        std::optional<Capacity> answer = lookup(m_capacity, path);
        if (m_holdCapacity)
            waitAtGate(lock);
        return answer;
    }

    QStringList mountedVolumes() const override {
        ++m_mountedCalls;
        std::lock_guard lock(m_mutex);
        return m_mounted ? *m_mounted : VolumesRoot::mountedVolumes();
    }

    int factsCalls() const { return m_factsCalls; }
    int capacityCalls() const { return m_capacityCalls; }
    int mountedCalls() const { return m_mountedCalls; }

private:
    void waitAtGate(std::unique_lock<std::mutex>& lock) const {
        if (m_released)
            return;
        ++m_heldRequests;
        m_gate.wait(lock, [this] { return m_released; });
    }

    static QString clean(const QString& path) { return path.isEmpty() ? path : QDir::cleanPath(path); }

    static bool holds(const QString& folder, const QString& path) {
        if (folder == u"/")
            return path.startsWith(u'/');
        return path == folder || (path.startsWith(folder) && path.at(folder.size()) == u'/');
    }

    template <typename T>
    static std::optional<T> lookup(const QMap<QString, std::optional<T>>& table, const QString& path) {
        const QString cleaned = clean(path);
        const std::optional<T>* best = nullptr;
        qsizetype bestLength = -1;
        for (auto it = table.cbegin(); it != table.cend(); ++it) {
            if (it.key().size() > bestLength && holds(it.key(), cleaned)) {
                best = &it.value();
                bestLength = it.key().size();
            }
        }
        return best ? *best : std::nullopt;
    }

    mutable std::mutex m_mutex;
    QMap<QString, std::optional<Facts>> m_facts;
    QMap<QString, std::optional<Capacity>> m_capacity;
    std::optional<QStringList> m_mounted;
    std::optional<QString> m_heldFacts;
    bool m_holdCapacity = false;
    bool m_released = false;
    mutable int m_heldRequests = 0;
    mutable std::condition_variable m_gate;
    mutable std::atomic<int> m_factsCalls{0};
    mutable std::atomic<int> m_capacityCalls{0};
    mutable std::atomic<int> m_mountedCalls{0};
};

// Opens the fake's gate when the scope ends, however the test ends, and waits until the thread
// pool is idle, so no worker is left held and nothing of a held read reaches the next test.
class VolumeGateGuard {
public:
    explicit VolumeGateGuard(std::shared_ptr<FakeVolumeFacts> fake) : m_fake(std::move(fake)) {}
    ~VolumeGateGuard() {
        m_fake->release();
        workPool()->waitForDone();
    }
    VolumeGateGuard(const VolumeGateGuard&) = delete;
    VolumeGateGuard& operator=(const VolumeGateGuard&) = delete;

private:
    std::shared_ptr<FakeVolumeFacts> m_fake;
};

// Puts a FakeVolumeFacts in place of the platform's volumes for the scope's length.
//   test::ScopedFakeVolumes volumes;
//   volumes->setFacts(root + "/Media", FakeVolumeFacts::externalDrive("Media", "UUID-1"));
class ScopedFakeVolumes {
public:
    explicit ScopedFakeVolumes(std::shared_ptr<FakeVolumeFacts> fake = std::make_shared<FakeVolumeFacts>())
        : m_fake(std::move(fake)), m_scope(servicesWith(m_fake)) {}

    FakeVolumeFacts* operator->() const { return m_fake.get(); }
    FakeVolumeFacts& operator*() const { return *m_fake; }
    const std::shared_ptr<FakeVolumeFacts>& fake() const { return m_fake; }

private:
    static platform::Services servicesWith(std::shared_ptr<platform::VolumeFacts> volumes) {
        platform::Services services;
        services.volumes = std::move(volumes);
        return services;
    }
    std::shared_ptr<FakeVolumeFacts> m_fake;
    platform::ScopedServices m_scope;
};

} // namespace pellimor::test
