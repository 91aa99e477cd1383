#pragma once

#include <QWidget>

namespace pellimor {

class Catalog;
class ReportProblemView;

// The problem-report window "Report a Problem": the report view over the program's catalogue.
// At most one exists; the application opens it or brings it forward.
//
// Main thread only. `catalog` must outlive the window.
class ReportWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReportWindow(const Catalog& catalog, QWidget* parent = nullptr);

    ReportProblemView& view() const { return *m_view; }

private:
    ReportProblemView* m_view = nullptr;
};

} // namespace pellimor
