#pragma once

#include "Widgets/RefreshScheduler.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pellimor {

class Catalog;

// The line under the main window's content, in plain form: a busy bar while a scan runs,
// its progress ("12/40 libraries") once the total is known, the catalogue's status text, and
// while a scan is paused (and none runs) a "Resume" button that carries it on. It follows the
// catalogue by itself, as a part of the window's refresh scheduler: a scan's progress is drawn
// at the scheduler's pace, not once per library.
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

    // The texts shown now, for tests: progress (or empty) and status.
    QString progressText() const;
    QString statusText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    Catalog& m_catalog;
    RefreshScheduler::Part m_part = -1;
    QProgressBar* m_busy = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_resume = nullptr;
    QString m_fullStatus;
};

} // namespace pellimor
