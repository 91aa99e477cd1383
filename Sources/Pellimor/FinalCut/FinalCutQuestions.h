#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

// One modal alert of Final Cut Pro control: a bold message, the text below it, and its buttons
// in the order they are offered. Return answers with `defaultButton`, Escape and closing with
// `cancelButton` when there is one (else closing gives no answer).
struct FinalCutAlert {
    enum class Style { warning, critical };
    Style style = Style::warning;
    QString message;
    QString information;
    QStringList buttons;
    int defaultButton = 0;
    std::optional<int> cancelButton;
    bool operator==(const FinalCutAlert&) const = default;
};

// The questions Final Cut Pro control puts to the user. The engine never shows a window: the
// application answers these with the main window's prompts, and tests answer them directly.
// Main thread only; a call returns when the user has answered.
class FinalCutQuestions {
public:
    virtual ~FinalCutQuestions() = default;

    // The title of the chosen button, or nothing when the alert was dismissed without one.
    virtual std::optional<QString> ask(const FinalCutAlert& alert) = 0;

    // Tells the user something, with the platform's single default button.
    virtual void tell(const QString& message, const QString& information) = 0;
};

} // namespace pellimor
