#pragma once

#include <QSize>
#include <QString>

// The look the application gives its windows, decided from the stored settings "appearance"
// and "comfortableText" ("Larger Text"). Plain rules; the windows apply them.
namespace pellimor::Appearance {

enum class ColorScheme { system, light, dark };

// "dark" gives the dark scheme, "light" the light one; any other text ("system", "Dark", "")
// leaves the window following the system. The comparison is exact and case-sensitive.
ColorScheme colorScheme(const QString& appearance);

// The font scale every view multiplies its font sizes by: 1.3 with "Larger Text", else 1.0.
double fontScale(bool comfortable);

// The main window's default font size in points: 13 × the font scale (13 or 16.9).
double mainFontPoints(bool comfortable);

// The main window's smallest size: 1250 × 760 with "Larger Text", else 1000 × 640.
QSize mainMinimumSize(bool comfortable);

// The main window's size when it first opens.
QSize mainDefaultSize();

// The report window's size when it first opens.
QSize reportDefaultSize();

// The least height of a list row: 34 with "Larger Text", else 24.
int listRowMinimumHeight(bool comfortable);

} // namespace pellimor::Appearance
