#pragma once

#include "MissingFiles/MissingSheetDetail.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QScrollArea;
class QStackedWidget;

namespace pellimor {

// The pane under the missing-files table: a hint while no row is selected, else the details of
// the selected row (MissingSheet::Detail) with a path line per found file and its controls. It
// draws what it is given and hands every press to its actions; it keeps no state of the sheet.
//
// Main thread only.
class MissingDetailPanel final : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        // "Use This One" (a path) and "Undo" (none) for the row with this identity.
        std::function<void(const QString& id, const std::optional<QString>& path)> pick;
        std::function<void(const QString& path)> quickLook;
        std::function<void(const QString& path)> reveal; // "Show in Finder"
    };

    MissingDetailPanel(Actions actions, QWidget* parent);

    // The details of a row, or without one the hint (empty while there is nothing to select).
    // The lines are made again only when what they show changed.
    void present(const std::optional<MissingSheet::Detail>& detail, const QString& hint);
    // The fonts changed ("Larger Text").
    void refont();

    const std::optional<MissingSheet::Detail>& shown() const { return m_detail; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void build();

    Actions m_actions;
    std::optional<MissingSheet::Detail> m_detail;
    QStackedWidget* m_stack = nullptr;
    QLabel* m_hint = nullptr;
    QScrollArea* m_scroll = nullptr;
};

} // namespace pellimor
