#pragma once

#include "App/ToolbarContrast.h"

class QAbstractButton;
class QWidget;

// Keeps a window's toolbar readable in the dark look. Styles draw toolbar button labels from
// the palette they inherit, which a forced look can leave too dim against the dark bar, so in
// the dark look every titled button of a toolbar is tinted with the window's text colour, and
// in the light look it carries no tint. The "Working drives only" button keeps its own tint.
// With the segment rule in force (App/ToolbarContrast.h), the unselected buttons of a toolbar's
// exclusive group (its segmented control) draw light labels in the dark look instead, and the
// selected one keeps the style's colours.
//
// apply() makes one pass; a ToolbarContrastProbe on the window runs it at the right moments.
// A tint is written only where it differs from the button's current one, so a pass that finds
// everything right changes nothing and causes no repaint. Main thread only.
namespace pellimor::ToolbarContrast {

// Whether `widget` is a QToolBar or lies inside one.
bool inToolbar(const QWidget* widget);
// Whether the button keeps its own tint: its accessible name is exactly "Working drives only".
bool isProtected(const QAbstractButton* button);
// Whether the button is a segment: one of an exclusive group of buttons (or of actions).
bool isSegment(const QAbstractButton* button);

// One pass over the toolbars of `window` (nothing for none); dark or light by
// DarkLook::isDark of the window's palette.
void apply(QWidget* window);

} // namespace pellimor::ToolbarContrast
