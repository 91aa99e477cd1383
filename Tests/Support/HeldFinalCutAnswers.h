#pragma once

#include "Tests/Support/FakeFinalCutApp.h"

#include <QCoreApplication>
#include <QThread>
#include <condition_variable>
#include <mutex>

namespace pellimor::test {

// The process side of a FakeFinalCutApp in which Final Cut Pro never runs, and whose answer to
// "is it running?" can be held for the callers on workers (a free-up-space plan asks it), so a
// test decides in which order overlapping work ends. Calls from the main thread are never held.
// Safe from any thread.
//
//   auto answers = std::make_shared<HeldFinalCutAnswers>();
//   finalCut->setProcesses(answers);
//   answers->hold(true);
class HeldFinalCutAnswers final : public FakeFinalCutApp::Processes {
public:
    ~HeldFinalCutAnswers() override { releaseAll(); }

    void hold(bool on) {
        std::lock_guard lock(m_mutex);
        m_holding = on;
    }
    int held() const {
        std::lock_guard lock(m_mutex);
        return m_waiting - m_released;
    }
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

    QList<qint64> running() const override {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            return {};
        std::unique_lock lock(m_mutex);
        if (m_holding) {
            const int ticket = ++m_waiting;
            m_changed.wait(lock, [&] { return m_released >= ticket; });
        }
        return {};
    }
    bool terminate(qint64) override { return false; }
    bool forceTerminate(qint64) override { return false; }
    void open(const QString&, QObject*, platform::FinalCutApp::OpenCompletion) override {}
    void answers(qint64, std::chrono::seconds, QObject*, std::function<void(bool)>) override {}

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_holding = false;
    mutable int m_waiting = 0;
    int m_released = 0;
};

} // namespace pellimor::test
