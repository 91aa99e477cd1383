#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace pellimor {

class Catalog;

// The line under the main window's content, in plain form: a busy bar while a scan runs,
// its progress ("12/40 libraries") once the total is known, the catalogue's status text, and
// while a scan is paused (and none runs) a "Resume" button that carries it on. It follows the
// catalogue by itself.
//
// Main thread only; the catalogue must outlive it.
class StatusLine final : public QWidget {
    Q_OBJECT
public:
    explicit StatusLine(Catalog& catalog, QWidget* parent = nullptr);

    void refresh();

    // The texts shown now, for tests: progress (or empty) and status.
    QString progressText() const;
    QString statusText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    Catalog& m_catalog;
    QProgressBar* m_busy = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_resume = nullptr;
    QString m_fullStatus;
};

} // namespace pellimor
