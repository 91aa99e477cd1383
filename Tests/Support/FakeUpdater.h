#pragma once

#include "Platform/Services.h"
#include "Platform/Updater.h"

#include <memory>

namespace pellimor::test {

// An update framework that only counts what it is asked: how often it was started and how
// many checks the user asked for. Available unless made otherwise. Main thread only.
//
//   platform::ScopedServices scope(test::FakeUpdater::services(updater, bundle));
class FakeUpdater final : public platform::Updater {
public:
    explicit FakeUpdater(bool available = true) : m_available(available) {}

    bool isAvailable() const override { return m_available; }
    void start() override { ++starts; }
    void checkNow() override { ++checks; }

    int starts = 0;
    int checks = 0;

    // Services with only this updater and `bundle` set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::Updater> updater,
                                       std::shared_ptr<platform::MainBundle> bundle) {
        platform::Services s;
        s.updater = std::move(updater);
        s.bundle = std::move(bundle);
        return s;
    }

private:
    const bool m_available;
};

} // namespace pellimor::test
