#pragma once

#include "Widgets/RefreshScheduler.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace pellimor {

class BusySpinner;
class Catalog;

// The bar under the main window's content: the program's version, a spinner while a scan
// runs, its progress ("12/40 libraries") once the total is known, the catalogue's status text
// on one line, "Resume" and "Discard" while a scan is paused and none runs, and at the right
// the summary of what the window shows. Its texts are StatusTexts'. It follows the catalogue by
// itself, as a part of the window's refresh scheduler, so a scan's progress is drawn at the
// scheduler's pace, not once per library; the summary is the window's to set.
//
// Main thread only; the catalogue and the scheduler must outlive it.
class StatusLine final : public QWidget {
    Q_OBJECT
public:
    StatusLine(Catalog& catalog, RefreshScheduler& scheduler, QWidget* parent = nullptr);

    // Draws the catalogue's state now.
    void refresh();
    // Its part of the scheduler.
    RefreshScheduler::Part refreshPart() const { return m_part; }

    // The summary at the right (StatusTexts::summary), set by the window as it redraws.
    void setSummary(const QString& summary);

    // The texts shown now, for tests: progress (or empty), status and summary.
    QString progressText() const;
    QString statusText() const;
    QString summary() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    Catalog& m_catalog;
    RefreshScheduler::Part m_part = -1;
    BusySpinner* m_busy = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_resume = nullptr;
    QPushButton* m_discard = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_summary = nullptr;
    QString m_fullStatus;
};

} // namespace pellimor
