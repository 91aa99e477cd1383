#pragma once

#include "Platform/AccessibilityElement.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace pellimor::test {

// An element of a window tree held in memory, for tests that build the tree they search:
// each attribute is whatever the test put there (nothing: unreadable), and a press counts and
// answers `pressResult`. Main thread only.
//
//   auto window = FakeAccessibilityElement::make("AXWindow", "Final Cut Pro");
//   window->add(FakeAccessibilityElement::make("AXButton", "Update"));
class FakeAccessibilityElement final : public platform::AccessibilityElement {
public:
    std::optional<QVariant> roleValue;
    std::optional<QVariant> titleValue;
    std::optional<QVariant> valueValue;
    std::optional<QList<platform::AccessibilityElementPtr>> childList =
        QList<platform::AccessibilityElementPtr>();
    int pressResult = 0;
    int presses = 0;

    static std::shared_ptr<FakeAccessibilityElement>
    make(const QString& role, const std::optional<QString>& title = std::nullopt) {
        auto element = std::make_shared<FakeAccessibilityElement>();
        element->roleValue = QVariant(role);
        if (title)
            element->titleValue = QVariant(*title);
        return element;
    }

    static std::shared_ptr<FakeAccessibilityElement> text(const QString& value) {
        auto element = make(QStringLiteral("AXStaticText"));
        element->valueValue = QVariant(value);
        return element;
    }

    // Appends a child and returns it, so trees are built from the top.
    template <typename Element> std::shared_ptr<Element> add(std::shared_ptr<Element> child) {
        if (!childList)
            childList = QList<platform::AccessibilityElementPtr>();
        childList->append(child);
        return child;
    }

    std::optional<QVariant> role() const override { return roleValue; }
    std::optional<QVariant> title() const override { return titleValue; }
    std::optional<QVariant> value() const override { return valueValue; }
    std::optional<QList<platform::AccessibilityElementPtr>> children() const override { return childList; }
    int press() override {
        ++presses;
        return pressResult;
    }
};

} // namespace pellimor::test
