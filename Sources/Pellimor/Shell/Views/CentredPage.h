#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The window's message pages: a title, a line or two of explanation and perhaps buttons,
// centred in the content area (no libraries yet, nothing matches, a tab that comes later).
namespace pellimor::CentredPage {

// A centred, wrapping label whose font is `points` (uiFont), so it grows with "Larger Text"
// like every other font of the window.
QLabel* label(const QString& text, QWidget* parent, double points = 13, QFont::Weight weight = QFont::Normal);

// A symbol of the icon table drawn at `points` (before the font scale) in the secondary colour;
// its accessible name is the symbol's name.
QLabel* symbol(const QString& name, double points, QWidget* parent);

// An explanation under a title: the secondary colour, at most 420 wide.
QLabel* secondaryLabel(const QString& text, QWidget* parent);

// Lets a wrapping label take the width of its text, up to its maximum width, before it wraps
// (a wrapping label otherwise guesses a narrow width for itself). Call after the text or font
// changed.
void fit(QLabel* label);

// Gives a page's button the large control size: a taller face with room beside its title.
void large(QPushButton* button);

// The layout of `page`, which centres what is added to it vertically; end it with
// addStretch() once everything is added.
QVBoxLayout* layout(QWidget* page, int spacing);

// Adds `widget` centred horizontally.
void add(QVBoxLayout* layout, QWidget* widget);

} // namespace pellimor::CentredPage
