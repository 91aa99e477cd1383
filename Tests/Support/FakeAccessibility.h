#pragma once

#include "Platform/Accessibility.h"

#include <QHash>
#include <QList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// An Accessibility service that a test trusts or distrusts at will. It remembers every
// question so tests can tell whether a prompt was asked for, and shows the windows a test
// gives it per process id (unreadable for any other process, and for all while distrusted),
// or asks a function of the test for them. Safe from any thread.
class FakeAccessibility final : public platform::Accessibility {
public:
    explicit FakeAccessibility(bool trusted = false) : m_trusted(trusted) {}

    static std::shared_ptr<FakeAccessibility> trusted() { return std::make_shared<FakeAccessibility>(true); }
    static std::shared_ptr<FakeAccessibility> notTrusted() {
        return std::make_shared<FakeAccessibility>(false);
    }

    void setTrusted(bool trusted) { m_trusted = trusted; }

    bool isProcessTrusted(bool prompt) const override {
        ++m_questions;
        if (prompt)
            ++m_prompts;
        return m_trusted.load();
    }

    bool openSettings() const override {
        ++m_settingsOpened;
        return true;
    }

    std::optional<QList<platform::AccessibilityElementPtr>> windows(qint64 pid) const override {
        if (!m_trusted)
            return std::nullopt;
        std::unique_lock lock(m_mutex);
        if (const auto source = m_source) {
            lock.unlock(); // the source may read a model that calls back here
            return source(pid);
        }
        const auto found = m_windows.constFind(pid);
        if (found == m_windows.cend())
            return std::nullopt;
        return *found;
    }

    void setWindows(qint64 pid, QList<platform::AccessibilityElementPtr> windows) {
        std::lock_guard lock(m_mutex);
        m_windows.insert(pid, std::move(windows));
    }
    // Every windows() question goes to `source` (nothing: back to setWindows).
    void
    setWindowSource(std::function<std::optional<QList<platform::AccessibilityElementPtr>>(qint64)> source) {
        std::lock_guard lock(m_mutex);
        m_source = std::move(source);
    }

    int settingsOpened() const { return m_settingsOpened.load(); }

    // How often the service was asked, and how often with the permission prompt.
    int questions() const { return m_questions.load(); }
    int prompts() const { return m_prompts.load(); }

private:
    std::atomic<bool> m_trusted;
    mutable std::atomic<int> m_questions{0};
    mutable std::atomic<int> m_prompts{0};
    mutable std::atomic<int> m_settingsOpened{0};
    mutable std::mutex m_mutex;
    QHash<qint64, QList<platform::AccessibilityElementPtr>> m_windows;
    std::function<std::optional<QList<platform::AccessibilityElementPtr>>(qint64)> m_source;
};

} // namespace pellimor::test
