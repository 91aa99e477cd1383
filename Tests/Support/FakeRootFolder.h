#pragma once

#include "Platform/RootFolder.h"
#include "Platform/Services.h"

#include <QString>
#include <atomic>
#include <memory>

namespace pellimor::test {

// A system-wide root at a folder of the test's own (TestEnv::freshDir), so a test installs
// system-wide things by writing below it. Counts how often it was asked, so a test can tell
// whether the code under test looked at the disk. Safe from any thread.
//
//   auto root = std::make_shared<FakeRootFolder>(TestEnv::freshDir("root"));
//   platform::ScopedServices scope(FakeRootFolder::services(root));
class FakeRootFolder final : public platform::RootFolder {
public:
    explicit FakeRootFolder(QString path) : m_path(std::move(path)) {}

    QString path() const override {
        ++m_calls;
        return m_path;
    }

    int calls() const { return m_calls.load(); }

    // Services with only this root set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeRootFolder> root) {
        platform::Services s;
        s.rootFolder = std::move(root);
        return s;
    }

private:
    const QString m_path;
    mutable std::atomic<int> m_calls{0};
};

} // namespace pellimor::test
