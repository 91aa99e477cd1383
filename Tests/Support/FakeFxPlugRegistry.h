#pragma once

#include "Platform/FxPlugRegistry.h"
#include "Platform/Services.h"

#include <QByteArray>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace pellimor::test {

// An FxPlug registry whose tool prints the listing a test gives it, or cannot be started (the
// default, as on this machine). Counts how often the tool was run. Safe from any thread.
//
//   auto registry = std::make_shared<FakeFxPlugRegistry>();
//   registry->setListing("+    com.example.fx(1.0)\t...\t/path/Foo.appex\n");
//   platform::ScopedServices scope(FakeFxPlugRegistry::services(registry));
class FakeFxPlugRegistry final : public platform::FxPlugRegistry {
public:
    // Nothing: the tool cannot be started.
    void setListing(std::optional<QByteArray> listing) {
        std::lock_guard lock(m_mutex);
        m_listing = std::move(listing);
    }

    std::optional<QByteArray> listing() const override {
        ++m_calls;
        std::lock_guard lock(m_mutex);
        return m_listing;
    }

    int calls() const { return m_calls.load(); }

    // Services with only this registry set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeFxPlugRegistry> registry) {
        platform::Services s;
        s.fxplugs = std::move(registry);
        return s;
    }

private:
    mutable std::mutex m_mutex;
    std::optional<QByteArray> m_listing;
    mutable std::atomic<int> m_calls{0};
};

} // namespace pellimor::test
