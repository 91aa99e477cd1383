#pragma once

#include "App/Appearance.h"

#include <QPalette>

class QWidget;

// Applies the colour scheme of the stored setting "appearance" to a window.
//
// Qt 6.4 has no per-window colour-scheme switch, so a forced scheme is painted: the window
// gets an explicit dark or light palette (which its child widgets inherit), and the
// application style becomes Fusion, the one built-in style that draws every control from the
// palette alone, so a dark palette really gives dark controls. "Follow the system" removes the
// window's own palette (it inherits the platform's again) and puts the style the platform
// chose at start-up back. The style is application-wide — Qt styles do not pass from a window
// to its children — while palettes stay per window, so the Settings window keeps the
// platform's colours whatever the setting says.
//
// Main thread only.
namespace pellimor::WindowLook {

// The palette of the dark scheme and of the light scheme, every colour of every group set.
QPalette darkPalette();
QPalette lightPalette();

// Gives `window` and the menus it holds the scheme's palette, or the inherited one for
// ColorScheme::system.
void applyPalette(QWidget* window, Appearance::ColorScheme scheme);

// Fusion for a forced scheme, else the style the platform gave the application at start-up.
void applyApplicationStyle(Appearance::ColorScheme scheme);

} // namespace pellimor::WindowLook
