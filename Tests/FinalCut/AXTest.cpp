// The update prompt search over window trees held in memory: what makes a window the prompt,
// the walk's order, and its two bounds.

#include "FinalCut/AX.h"

#include "Platform/Services.h"
#include "Tests/Support/FakeAccessibility.h"
#include "Tests/Support/FakeAccessibilityElement.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

using namespace pellimor;
using test::FakeAccessibilityElement;
using Element = std::shared_ptr<FakeAccessibilityElement>;

namespace {

const QString promptText = QStringLiteral(
    "The library “Trip” must be updated before it can be opened in this version of Final Cut Pro.");

// A window with the prompt's content `depth` levels below it (the buttons and text one level
// further down), `after` elements examined before it.
struct Prompt {
    Element window =
        FakeAccessibilityElement::make(QStringLiteral("AXWindow"), QStringLiteral("Final Cut Pro"));
    Element group;
    Element update;
    Element cancel;

    explicit Prompt(int depth = 1, const QString& text = promptText) {
        Element parent = window;
        for (int level = 1; level < depth; ++level)
            parent = parent->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup")));
        group = parent->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup")));
        group->add(FakeAccessibilityElement::text(text));
        cancel =
            group->add(FakeAccessibilityElement::make(QStringLiteral("AXButton"), QStringLiteral("Cancel")));
        update =
            group->add(FakeAccessibilityElement::make(QStringLiteral("AXButton"), QStringLiteral("Update")));
    }
};

struct Expected {
    platform::AccessibilityElementPtr update;
    platform::AccessibilityElementPtr cancel;
    QString text;
};

} // namespace

TEST(AX, SearchFindsThePromptByItsButtonsAndTextWithinItsBounds) {
    struct Case {
        const char* name;
        std::function<std::pair<Element, std::optional<Expected>>()> make;
    };
    const Case cases[] = {
        {"a valid prompt",
         [] {
             Prompt p;
             return std::pair{p.window, std::optional<Expected>({p.update, p.cancel, promptText})};
         }},
        {"text without “must be updated”",
         [] {
             Prompt p(1, QStringLiteral("The library “Trip” could not be opened."));
             return std::pair{p.window, std::optional<Expected>()};
         }},
        {"the words in capitals",
         [] {
             Prompt p(1, QStringLiteral("THE LIBRARY MUST BE UPDATED."));
             return std::pair{p.window,
                              std::optional<Expected>(
                                  {p.update, p.cancel, QStringLiteral("THE LIBRARY MUST BE UPDATED.")})};
         }},
        {"“Update” only",
         [] {
             Prompt p;
             p.group->childList->removeAll(p.cancel);
             return std::pair{p.window, std::optional<Expected>()};
         }},
        {"“Cancel” only",
         [] {
             Prompt p;
             p.group->childList->removeAll(p.update);
             return std::pair{p.window, std::optional<Expected>()};
         }},
        // The group at depth 5 is still opened: its buttons at depth 6 are examined.
        {"buttons at depth 6",
         [] {
             Prompt p(5);
             return std::pair{p.window, std::optional<Expected>({p.update, p.cancel, promptText})};
         }},
        {"buttons at depth 7",
         [] {
             Prompt p(6);
             return std::pair{p.window, std::optional<Expected>()};
         }},
        // The window is the first element, the group the 400th: its children lie beyond.
        {"reached only after 400 other elements",
         [] {
             Prompt p;
             const Element filler = p.window->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup")));
             for (int i = 0; i < 397; ++i)
                 filler->add(FakeAccessibilityElement::make(QStringLiteral("AXImage")));
             return std::pair{p.window, std::optional<Expected>()};
         }},
        {"within 400 elements",
         [] {
             Prompt p;
             const Element filler = p.window->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup")));
             for (int i = 0; i < 394; ++i)
                 filler->add(FakeAccessibilityElement::make(QStringLiteral("AXImage")));
             return std::pair{p.window, std::optional<Expected>({p.update, p.cancel, promptText})};
         }},
        {"two sibling “Update” buttons",
         [] {
             Prompt p;
             p.group->add(
                 FakeAccessibilityElement::make(QStringLiteral("AXButton"), QStringLiteral("Update")));
             return std::pair{p.window, std::optional<Expected>({p.update, p.cancel, promptText})};
         }},
        // Texts are met from the last child: the walk's order, not the window's.
        {"texts over several static texts",
         [] {
             Prompt p(1, QStringLiteral("before it can be opened."));
             const Element more = p.window->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup")));
             more->add(FakeAccessibilityElement::text(QStringLiteral("must be updated")));
             more->add(FakeAccessibilityElement::text(QStringLiteral("The library “Trip”")));
             return std::pair{
                 p.window,
                 std::optional<Expected>(
                     {p.update, p.cancel,
                      QStringLiteral("The library “Trip” must be updated before it can be opened.")})};
         }},
        {"unreadable and odd attributes",
         [] {
             Prompt p;
             p.window->roleValue.reset();
             p.window->add(FakeAccessibilityElement::make(QStringLiteral("AXButton")))->titleValue =
                 QVariant(7);
             p.window->add(FakeAccessibilityElement::make(QStringLiteral("AXStaticText")))->valueValue =
                 QVariant(3.5);
             p.window->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup")))->childList.reset();
             p.window->add(Element());
             const Element numericRole = p.window->add(FakeAccessibilityElement::make(QStringLiteral("x")));
             numericRole->roleValue = QVariant(12);
             return std::pair{p.window, std::optional<Expected>({p.update, p.cancel, promptText})};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [window, expected] = c.make();
        const std::optional<AX::UpdateDialog> found = AX::search(window);
        ASSERT_EQ(found.has_value(), expected.has_value());
        if (!found)
            continue;
        EXPECT_EQ(found->update, expected->update);
        EXPECT_EQ(found->cancel, expected->cancel);
        EXPECT_EQ(found->text, expected->text);
    }
}

TEST(AX, SearchSurvivesDeepAndWideTrees) {
    // Thousands of elements and a chain far deeper than any call stack would take: the walk
    // stops at its bounds.
    const Element window = FakeAccessibilityElement::make(QStringLiteral("AXWindow"));
    std::vector<Element> chain{window}; // let go level by level below, not by recursion
    for (int level = 0; level < 100000; ++level)
        chain.push_back(chain.back()->add(FakeAccessibilityElement::make(QStringLiteral("AXGroup"))));
    for (int i = 0; i < 5000; ++i)
        window->add(FakeAccessibilityElement::text(QStringLiteral("must be updated")));
    window->add(FakeAccessibilityElement::make(QStringLiteral("AXButton"), QStringLiteral("Update")));
    window->add(FakeAccessibilityElement::make(QStringLiteral("AXButton"), QStringLiteral("Cancel")));
    const std::optional<AX::UpdateDialog> found = AX::search(window);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->text.count(QStringLiteral("must be updated")), AX::maxExamined - 3);
    for (const Element& level : chain)
        level->childList.reset();
}

TEST(AX, FindUpdateDialogLooksThroughTheApplicationsWindowsInOrder) {
    Prompt first;
    Prompt second;
    const Element plain =
        FakeAccessibilityElement::make(QStringLiteral("AXWindow"), QStringLiteral("Browser"));
    const auto accessibility = test::FakeAccessibility::trusted();
    accessibility->setWindows(10, {plain, second.window});
    accessibility->setWindows(11, {first.window, second.window});
    accessibility->setWindows(12, {});
    platform::Services services;
    services.accessibility = accessibility;
    const platform::ScopedServices scope(services);

    const std::optional<AX::UpdateDialog> inSecond = AX::findUpdateDialog(10);
    ASSERT_TRUE(inSecond);
    EXPECT_EQ(inSecond->update, second.update);
    const std::optional<AX::UpdateDialog> firstWins = AX::findUpdateDialog(11);
    ASSERT_TRUE(firstWins);
    EXPECT_EQ(firstWins->update, first.update);
    EXPECT_FALSE(AX::findUpdateDialog(12).has_value()) << "no windows";
    EXPECT_FALSE(AX::findUpdateDialog(13).has_value()) << "windows that cannot be read";
    accessibility->setTrusted(false);
    EXPECT_FALSE(AX::findUpdateDialog(10).has_value()) << "no trust";
}
