#pragma once

#include "Browser/ProjectFocus.h"
#include "Catalogue/Records/LibraryInfo.h"

#include <QFrame>
#include <QString>
#include <optional>

class QStackedWidget;
class QWidget;

namespace pellimor {

class Catalog;
class LibraryDetail;

// The details column at the right of the main window: the selected row's library in full
// (LibraryDetail, with the focused project picked out in the Projects tab), or "No Selection"
// when the selection maps to no library. Its close button closes the column. Presenting what
// it already shows changes nothing, so the window can present on every redraw.
//
// Main thread only; the catalogue must outlive it.
class DetailsPanel final : public QFrame {
    Q_OBJECT
public:
    explicit DetailsPanel(Catalog& catalog, QWidget* parent = nullptr);

    void present(const std::optional<LibraryInfo>& library, const std::optional<ProjectFocus>& focus);

    // The library's details, whose hooks and section maker the window installs.
    LibraryDetail* detail() const { return m_detail; }

    // What the panel shows now, as text (for tests and accessibility).
    QString shownText() const;

Q_SIGNALS:
    void closeRequested();

private:
    QStackedWidget* m_pages = nullptr;
    QWidget* m_none = nullptr;
    LibraryDetail* m_detail = nullptr;
};

} // namespace pellimor
