#pragma once

class QPalette;
class QWidget;

// The one test of whether something is drawn in the dark look: its palette's window colour is
// darker than its window text. Every view that picks colours by look asks this, so the look a
// window is given (the stored "appearance", or the system's) and the colours drawn in it never
// disagree. Main thread only for widgets; the palette form is thread-safe.
namespace pellimor::DarkLook {

bool isDark(const QPalette& palette);
// By the widget's palette (what it inherits from its window when it sets none of its own).
bool isDark(const QWidget* widget);

} // namespace pellimor::DarkLook
