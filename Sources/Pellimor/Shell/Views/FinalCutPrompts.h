#pragma once

#include "FinalCut/FinalCutQuestions.h"

#include <functional>

namespace pellimor {

class Prompts;

// Final Cut Pro control's questions, put to the user through a window's prompts: an alert
// becomes a question with its style, its buttons in their order, its default and its cancel
// button. `prompts` is asked at every question, so a test that replaces the window's prompts
// answers these too. Main thread only.
class FinalCutPrompts final : public FinalCutQuestions {
public:
    explicit FinalCutPrompts(std::function<Prompts&()> prompts) : m_prompts(std::move(prompts)) {}

    std::optional<QString> ask(const FinalCutAlert& alert) override;
    void tell(const QString& message, const QString& information) override;

private:
    std::function<Prompts&()> m_prompts;
};

} // namespace pellimor
