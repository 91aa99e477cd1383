#include "Shell/Views/FinalCutPrompts.h"

#include "Widgets/Prompts.h"

namespace pellimor {

std::optional<QString> FinalCutPrompts::ask(const FinalCutAlert& alert) {
    QList<Prompts::Action> actions;
    for (int i = 0; i < alert.buttons.size(); ++i) {
        Prompts::Action action;
        action.title = alert.buttons.at(i);
        action.cancel = alert.cancelButton == i;
        action.isDefault = alert.defaultButton == i;
        actions.append(action);
    }
    const Prompts::Style style =
        alert.style == FinalCutAlert::Style::critical ? Prompts::Style::critical : Prompts::Style::warning;
    return m_prompts().confirm(alert.message, alert.information, actions, style);
}

void FinalCutPrompts::tell(const QString& message, const QString& information) {
    m_prompts().tell(message, information);
}

} // namespace pellimor
