#pragma once

#include <QWidget>

namespace pellimor {

// The problem-report window "Report a Problem". At most one exists; the application opens it
// or brings it forward. The report comes with the problem-report work; until then it shows
// its title.
//
// Main thread only.
class ReportWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReportWindow(QWidget* parent = nullptr);
};

} // namespace pellimor
