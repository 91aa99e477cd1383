#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

// The window's message pages: a title, a line or two of explanation and perhaps buttons,
// centred in the content area (no libraries yet, nothing matches, a tab that comes later).
namespace pellimor::CentredPage {

// A centred, wrapping label whose font is `points` at the window's base size of 13, so it
// grows with "Larger Text" like every other font of the window.
QLabel* label(const QString& text, QWidget* parent, double points = 13, QFont::Weight weight = QFont::Normal);

// An explanation under a title: the secondary colour, at most 420 wide.
QLabel* secondaryLabel(const QString& text, QWidget* parent);

// The layout of `page`, which centres what is added to it vertically; end it with
// addStretch() once everything is added.
QVBoxLayout* layout(QWidget* page, int spacing);

// Adds `widget` centred horizontally.
void add(QVBoxLayout* layout, QWidget* widget);

} // namespace pellimor::CentredPage
