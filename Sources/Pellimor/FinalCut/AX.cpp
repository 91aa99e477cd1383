#include "FinalCut/AX.h"

#include "Platform/Accessibility.h"
#include "Platform/Services.h"
#include "Support/TextFold.h"

#include <QStringList>
#include <utility>
#include <vector>

namespace pellimor::AX {

namespace {

// An attribute's text; nothing when it cannot be read or holds something else.
std::optional<QString> text(const std::optional<QVariant>& attribute) {
    if (!attribute || attribute->typeId() != QMetaType::QString)
        return std::nullopt;
    return attribute->toString();
}

} // namespace

std::optional<UpdateDialog> findUpdateDialog(qint64 pid) {
    const std::optional<QList<platform::AccessibilityElementPtr>> windows =
        platform::services().accessibility->windows(pid);
    if (!windows)
        return std::nullopt;
    for (const platform::AccessibilityElementPtr& window : *windows) {
        if (std::optional<UpdateDialog> dialog = search(window))
            return dialog;
    }
    return std::nullopt;
}

std::optional<UpdateDialog> search(const platform::AccessibilityElementPtr& window) {
    if (!window)
        return std::nullopt;
    // An explicit stack: a damaged or hostile tree cannot run the walk out of stack, and the
    // two bounds hold however the tree is shaped.
    std::vector<std::pair<platform::AccessibilityElementPtr, int>> stack{{window, 0}};
    int examined = 0;
    QStringList texts;
    platform::AccessibilityElementPtr update;
    platform::AccessibilityElementPtr cancel;
    while (!stack.empty()) {
        auto [element, depth] = std::move(stack.back());
        stack.pop_back();
        if (examined >= maxExamined)
            break;
        ++examined;
        if (!element)
            continue;
        const QString role = text(element->role()).value_or(QString());
        if (role == QLatin1String("AXStaticText")) {
            if (const std::optional<QString> value = text(element->value()))
                texts.append(*value);
        } else if (role == QLatin1String("AXButton")) {
            const std::optional<QString> title = text(element->title());
            if (title == QLatin1String("Update"))
                update = element;
            else if (title == QLatin1String("Cancel"))
                cancel = element;
        }
        if (depth > maxOpenedDepth)
            continue;
        if (const std::optional<QList<platform::AccessibilityElementPtr>> children = element->children()) {
            for (const platform::AccessibilityElementPtr& child : *children)
                stack.emplace_back(child, depth + 1);
        }
    }
    const QString joined = texts.join(QLatin1Char(' '));
    if (!update || !cancel ||
        !TextFold::localizedCaseInsensitiveContains(joined, QStringLiteral("must be updated")))
        return std::nullopt;
    return UpdateDialog{update, cancel, joined};
}

} // namespace pellimor::AX
