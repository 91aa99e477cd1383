#pragma once

#include "Platform/Services.h"
#include "Platform/Trash.h"

#include <QDir>
#include <QHash>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// A Trash that records every call and does what the Trash in force before it would do (the
// system's, unless another is given), except where the test says otherwise: a path can be made
// to fail with a description of the test's choosing, and calls can be held until the test
// releases them, so a test looks at what a window shows while an item is on its way.
// Safe from any thread: a held call blocks its own thread (the worker of a run), never the
// test's, which watches held() from its event loop.
//
//   auto trash = std::make_shared<FakeTrash>();
//   platform::ScopedServices scope(FakeTrash::services(trash));
//   trash->fail(path, "Invalid cross-device link");
class FakeTrash final : public platform::Trash {
public:
    explicit FakeTrash(std::shared_ptr<platform::Trash> inner = platform::services().trash)
        : m_inner(std::move(inner)) {}

    ~FakeTrash() override { releaseAll(); }

    // Every call on `path` (either kind) fails with `description` and touches nothing.
    void fail(const QString& path, const QString& description) {
        std::lock_guard lock(m_mutex);
        m_failures.insert(QDir::cleanPath(path), description);
    }

    // While on, each call waits, once recorded, until released. Turning it off releases
    // nothing that already waits.
    void hold(bool on) {
        std::lock_guard lock(m_mutex);
        m_holding = on;
    }
    // The calls waiting now.
    int held() const {
        std::lock_guard lock(m_mutex);
        return m_waiting - m_released;
    }
    // Lets the longest-waiting call go on.
    void release() {
        std::lock_guard lock(m_mutex);
        if (m_waiting > m_released)
            ++m_released;
        m_changed.notify_all();
    }
    void releaseAll() {
        std::lock_guard lock(m_mutex);
        m_released = m_waiting;
        m_changed.notify_all();
    }

    // "moveToTrash <path>" and "remove <path>", in the order the calls came.
    QStringList calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

    Result<void> moveToTrash(const platform::TrashItem& item) override {
        if (const std::optional<QString> failure = enter(QStringLiteral("moveToTrash "), item.path))
            return Failure{*failure};
        return m_inner->moveToTrash(item);
    }

    Result<void> remove(const platform::TrashItem& item) override {
        if (const std::optional<QString> failure = enter(QStringLiteral("remove "), item.path))
            return Failure{*failure};
        return m_inner->remove(item);
    }

    // Services with only this Trash set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeTrash> trash) {
        platform::Services s;
        s.trash = std::move(trash);
        return s;
    }

private:
    // Records the call, waits while held, and gives the failure scripted for the path.
    std::optional<QString> enter(const QString& verb, const QString& path) {
        std::unique_lock lock(m_mutex);
        m_calls.append(verb + path);
        if (m_holding) {
            // Released in the order the calls came.
            const int ticket = ++m_waiting;
            m_changed.wait(lock, [&] { return m_released >= ticket; });
        }
        const auto failure = m_failures.constFind(QDir::cleanPath(path));
        if (failure != m_failures.constEnd())
            return *failure;
        return std::nullopt;
    }

    const std::shared_ptr<platform::Trash> m_inner;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QHash<QString, QString> m_failures;
    QStringList m_calls;
    bool m_holding = false;
    int m_waiting = 0;  // calls that were held, ever
    int m_released = 0; // of them, those let go
};

} // namespace pellimor::test
