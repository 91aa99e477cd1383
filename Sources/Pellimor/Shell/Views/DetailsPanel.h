#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QFrame>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

class QFormLayout;
class QLabel;
class QStackedWidget;
class QWidget;

namespace pellimor {

// The details column at the right of the main window, in plain form: the facts of the
// selected row's library (and, in the Projects tab, which project is focused), or "No
// Selection" when the selection maps to no library. Its close button closes the column.
// Presenting the facts it already shows changes nothing, so the window can present on every
// redraw.
//
// Main thread only.
class DetailsPanel final : public QFrame {
    Q_OBJECT
public:
    explicit DetailsPanel(QWidget* parent = nullptr);

    void present(const std::optional<LibraryInfo>& library, bool online,
                 const std::optional<QString>& focusedProject);

    // What the panel shows now, as text (for tests and accessibility).
    QString shownText() const;

Q_SIGNALS:
    void closeRequested();

private:
    QStackedWidget* m_pages = nullptr;
    QWidget* m_none = nullptr;
    QWidget* m_details = nullptr;
    QLabel* m_title = nullptr;
    QFormLayout* m_facts = nullptr;
    QList<std::pair<QString, QString>> m_shown; // the facts in m_facts: name and value
};

} // namespace pellimor
