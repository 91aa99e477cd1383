#pragma once

#include "Catalogue/Records/ProjectInfo.h"

#include <QWidget>

namespace pellimor {

// One project in an event's block of a library's details: its icon and name over its details,
// the name bold on a faint accent tint when it is the focused project. Main thread only.
class ProjectLine : public QWidget {
    Q_OBJECT
public:
    ProjectLine(const ProjectInfo& project, bool focused, QWidget* parent = nullptr);

    const QString& name() const { return m_name; }
    bool isFocused() const { return m_focused; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    bool m_focused;
};

} // namespace pellimor
