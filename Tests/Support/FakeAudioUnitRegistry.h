#pragma once

#include "Platform/AudioUnitRegistry.h"
#include "Platform/Services.h"

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

namespace pellimor::test {

// An Audio Unit registry that knows the components a test installs, by their three codes, or
// that is unavailable like the system's. Counts the questions and the registrar's restarts, so
// a test can tell whether the registry was asked. Safe from any thread.
//
//   auto units = std::make_shared<FakeAudioUnitRegistry>();
//   units->install("aufx", "ADR2", "Actz");
//   platform::ScopedServices scope(FakeAudioUnitRegistry::services(units));
class FakeAudioUnitRegistry final : public platform::AudioUnitRegistry {
public:
    // Available and empty.
    FakeAudioUnitRegistry() = default;

    static std::shared_ptr<FakeAudioUnitRegistry> unavailable() {
        auto registry = std::make_shared<FakeAudioUnitRegistry>();
        registry->m_available = false;
        return registry;
    }

    void install(const QString& type, const QString& subtype, const QString& manufacturer) {
        std::lock_guard lock(m_mutex);
        m_installed.insert({fourCharCode(type), fourCharCode(subtype), fourCharCode(manufacturer)});
    }

    std::optional<qsizetype> matchCount(Code type, Code subtype, Code manufacturer) const override {
        ++m_calls;
        if (!m_available)
            return std::nullopt;
        std::lock_guard lock(m_mutex);
        return qsizetype(m_installed.count({type, subtype, manufacturer}));
    }

    int calls() const { return m_calls.load(); }

    // Counts the restarts; nothing else happens.
    void restartRegistrar() const override { ++m_restarts; }
    int restarts() const { return m_restarts.load(); }

    // Services with only this registry set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<FakeAudioUnitRegistry> registry) {
        platform::Services s;
        s.audioUnits = std::move(registry);
        return s;
    }

private:
    mutable std::mutex m_mutex;
    std::set<std::tuple<Code, Code, Code>> m_installed;
    std::atomic<bool> m_available{true};
    mutable std::atomic<int> m_calls{0};
    mutable std::atomic<int> m_restarts{0};
};

} // namespace pellimor::test
