#pragma once

class QWidget;

namespace pellimor {

class Catalog;

// The main window's content for the catalogue: for now a plain placeholder that says what
// the catalogue holds; the tabs, sidebar and tables take its place.
QWidget* makeMainContent(Catalog& catalog);

} // namespace pellimor
