#pragma once

#include "Platform/Accessibility.h"

#include <atomic>
#include <memory>

namespace pellimor::test {

// An Accessibility service that a test trusts or distrusts at will. It remembers every
// question so tests can tell whether a prompt was asked for. Safe from any thread.
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

    // How often the service was asked, and how often with the permission prompt.
    int questions() const { return m_questions.load(); }
    int prompts() const { return m_prompts.load(); }

private:
    std::atomic<bool> m_trusted;
    mutable std::atomic<int> m_questions{0};
    mutable std::atomic<int> m_prompts{0};
};

} // namespace pellimor::test
