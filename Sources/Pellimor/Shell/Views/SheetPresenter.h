#pragma once

#include "Browser/SearchQuery.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "FinalCut/UpdateRequest.h"
#include "MissingFiles/MissingRequest.h"

#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace pellimor {

class Catalog;
class Prompts;

// The one way the main window reaches the tools that open over it: one call per sheet, each
// opening its sheet window-modal over `window` and returning at once (no nested event loop:
// the sheet is shown with QDialog::open()); `done` runs on the main thread once the sheet has
// closed, however it was closed, unless `window` went first. The window keeps the request as
// its question in progress until then.
//
// The same seam makes the Compare and Plug-ins tabs' pages and the details' plug-ins section.
//
// Main thread only; the catalogue outlives the sheets.
namespace SheetPresenter {

// Free up space, for a snapshot of one library. Its work is owned by the application and
// finishes a run (deletion log, catalogue updates) after the sheet has closed.
void cleanup(QWidget* window, Catalog& catalog, const LibraryInfo& snapshot, std::function<void()> done);
// Missing files, for a request's libraries; the sheet asks its folder and save choices through
// `prompts`. Its work is owned by the application and ends after the sheet has closed.
void missingFiles(QWidget* window, Catalog& catalog, const MissingRequest& request,
                  std::function<Prompts&()> prompts, std::function<void()> done);
// Update libraries, for a request's libraries; `prompts` answers the sheet's folder chooser. A
// sheet with its own updater for each request; it closes only while no run is going.
void update(QWidget* window, Catalog& catalog, const UpdateRequest& request,
            std::function<Prompts&()> prompts, std::function<void()> done);

// The Compare tab's content, a child of `parent` named "comparePage", and what the window
// calls on every redraw: the catalogue's comparable libraries and the applied search text.
// The page holds a CompareView, made afresh the first time it is presented after another page
// was shown in its place.
struct ComparePage {
    QWidget* widget = nullptr;
    std::function<void(const QList<LibraryInfo>& comparable, const QString& search)> present;
};
ComparePage comparePage(Catalog& catalog, QWidget* parent);

// The Plug-ins tab's content, a child of `parent` named "pluginsPage", and what the window
// calls on every redraw: the libraries the sidebar lets through and the parsed applied search.
// Like the Compare page, its PluginsView is made afresh the first time it is presented after
// another page was shown in its place, so "Only problems", the selection and the sort start
// anew and the column arrangement is read back.
struct PluginsPage {
    QWidget* widget = nullptr;
    std::function<void(const QList<LibraryInfo>& visible, const SearchQuery& query)> present;
};
PluginsPage pluginsPage(Catalog& catalog, QWidget* parent);

// A library's "Third-party plug-ins used" section for the details panel, as a child of `parent`.
QWidget* libraryPlugins(Catalog& catalog, const LibraryInfo& library, QWidget* parent);

} // namespace SheetPresenter

} // namespace pellimor
