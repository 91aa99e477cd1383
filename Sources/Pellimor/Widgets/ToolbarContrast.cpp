#include "Widgets/ToolbarContrast.h"

#include "Widgets/DarkLook.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QToolBar>
#include <QToolButton>
#include <QVariant>
#include <algorithm>
#include <iterator>

namespace pellimor::ToolbarContrast {

namespace {

// The tint this code gave a button, so it can tell its own tint from a colour the button's
// owner chose, and take away only its own.
const char* const kTintProperty = "pellimorToolbarTint";

// What a label is drawn with. Disabled labels keep the style's dimmed colour.
constexpr QPalette::ColorRole kTintedRoles[] = {QPalette::ButtonText, QPalette::WindowText};
constexpr QPalette::ColorGroup kTintedGroups[] = {QPalette::Active, QPalette::Inactive};

bool isTinted(QPalette::ColorGroup group, QPalette::ColorRole role) {
    return std::find(std::begin(kTintedGroups), std::end(kTintedGroups), group) != std::end(kTintedGroups) &&
           std::find(std::begin(kTintedRoles), std::end(kTintedRoles), role) != std::end(kTintedRoles);
}

// Gives the button `wanted` as its label colour, or takes the tint away for an invalid colour;
// nothing when that is what it has.
void setTint(QAbstractButton* button, const QColor& wanted) {
    const QColor current = button->property(kTintProperty).value<QColor>();
    if (current == wanted)
        return;
    QPalette palette;
    if (wanted.isValid()) {
        palette = button->palette();
        for (const QPalette::ColorGroup group : kTintedGroups) {
            for (const QPalette::ColorRole role : kTintedRoles)
                palette.setColor(group, role, wanted);
        }
    } else {
        // Every colour the button was given, less the tint; what it never set, it inherits again.
        const QPalette own = button->palette();
        for (int g = 0; g < QPalette::NColorGroups; ++g) {
            const auto group = static_cast<QPalette::ColorGroup>(g);
            for (int r = 0; r < QPalette::NColorRoles; ++r) {
                const auto role = static_cast<QPalette::ColorRole>(r);
                if (!isTinted(group, role) && own.isBrushSet(group, role))
                    palette.setBrush(group, role, own.brush(group, role));
            }
        }
    }
    button->setPalette(palette);
    button->setProperty(kTintProperty, wanted.isValid() ? QVariant(wanted) : QVariant());
}

} // namespace

bool inToolbar(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const QToolBar*>(w))
            return true;
    }
    return false;
}

bool isProtected(const QAbstractButton* button) {
    return button && button->accessibleName() == QLatin1String("Working drives only");
}

bool isSegment(const QAbstractButton* button) {
    if (!button)
        return false;
    if (const QButtonGroup* group = button->group(); group && group->exclusive())
        return true;
    if (const auto* tool = qobject_cast<const QToolButton*>(button)) {
        if (const QAction* action = tool->defaultAction(); action && action->actionGroup())
            return action->actionGroup()->isExclusive();
    }
    return false;
}

void apply(QWidget* window) {
    if (!window)
        return;
    const QPalette& palette = window->palette();
    const bool dark = DarkLook::isDark(palette);
    const bool segmentRule = installed();
    for (const QToolBar* toolbar : window->findChildren<QToolBar*>()) {
        for (QAbstractButton* button : toolbar->findChildren<QAbstractButton*>()) {
            QColor wanted; // none
            if (isSegment(button)) {
                if (segmentRule && dark && !button->isChecked())
                    wanted = palette.color(QPalette::Active, QPalette::HighlightedText);
            } else if (!button->text().isEmpty() && !isProtected(button)) {
                if (dark)
                    wanted = palette.color(QPalette::Active, QPalette::WindowText);
            }
            setTint(button, wanted);
        }
    }
}

} // namespace pellimor::ToolbarContrast
