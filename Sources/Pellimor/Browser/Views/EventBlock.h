#pragma once

#include "Browser/ProjectFocus.h"
#include "Catalogue/Records/EventInfo.h"

#include <QWidget>
#include <optional>

namespace pellimor {

class ProjectLine;

// One event in a library's details, on a faint rounded block: its poster frame when one can be
// read, its name, summary and missing links, its keywords, then one ProjectLine per project
// (or "No projects in this event"). Main thread only.
class EventBlock : public QWidget {
    Q_OBJECT
public:
    // `posterDir`: the catalogue's poster folder.
    EventBlock(const EventInfo& event, const QString& posterDir, const std::optional<ProjectFocus>& focus,
               QWidget* parent = nullptr);

    bool showsPoster() const { return m_showsPoster; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_showsPoster = false;
};

} // namespace pellimor
