#pragma once

#include "Platform/Services.h"

#include <QString>
#include <QVariantMap>
#include <memory>
#include <mutex>

namespace pellimor::test {

// The program's bundle as a test describes it: its information list (empty: not packaged),
// where it lives and its executable (empty: unknown). Never looks at the disk. The test may
// change the information list later (setInfo), from any thread.
//
//   platform::ScopedServices scope(test::FakeMainBundle::services(
//       std::make_shared<test::FakeMainBundle>(QVariantMap{{"CFBundleShortVersionString", "1.2"}})));
class FakeMainBundle final : public platform::MainBundle {
public:
    explicit FakeMainBundle(QVariantMap info = {}, QString bundlePath = {}, QString executablePath = {})
        : m_info(std::move(info)), m_bundlePath(std::move(bundlePath)),
          m_executablePath(std::move(executablePath)) {}

    QVariantMap infoDictionary() const override {
        std::lock_guard lock(m_mutex);
        return m_info;
    }
    void setInfo(QVariantMap info) {
        std::lock_guard lock(m_mutex);
        m_info = std::move(info);
    }
    QString bundlePath() const override { return m_bundlePath; }
    QString executablePath() const override { return m_executablePath; }

    // Services with only this bundle set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::MainBundle> bundle) {
        platform::Services s;
        s.bundle = std::move(bundle);
        return s;
    }

private:
    mutable std::mutex m_mutex;
    QVariantMap m_info; // guarded by m_mutex
    const QString m_bundlePath;
    const QString m_executablePath;
};

} // namespace pellimor::test
