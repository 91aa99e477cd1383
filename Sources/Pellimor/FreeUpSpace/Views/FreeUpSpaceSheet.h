#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class QWidget;

namespace pellimor {

class CleanupController;

// The sheet in which the user frees space in one library: which kinds of rebuildable media to
// remove and from which events, what that would free and what stays, and the two ways to do it
// (to the Trash, or for good after a second press). It only draws its controller's state and
// hands the user's presses to it; the controller outlives it and finishes a run after it
// closed. Window-modal over its parent, shown with open(); "Close" and Escape close it.
// Main thread only.
class FreeUpSpaceSheet final : public QDialog {
    Q_OBJECT
public:
    FreeUpSpaceSheet(CleanupController& controller, QWidget* parent);

    // The work it draws; nothing once that has gone.
    CleanupController* controller() const;

protected:
    bool event(QEvent* event) override;

private:
    void build();
    int points(double length) const; // × the font scale, in pixels
    void sync();
    void syncEvents();
    void syncPreview();
    void syncBlockers(const QStringList& blockers, bool scroll);

    QPointer<CleanupController> m_controller;
    double m_scale = 1.0;

    QLabel* m_title = nullptr;
    QList<QCheckBox*> m_kindBoxes; // in kind order
    QWidget* m_eventRows = nullptr;
    QVBoxLayout* m_eventLayout = nullptr;
    QList<QCheckBox*> m_eventBoxes;
    QList<QLabel*> m_eventSizes;
    QStringList m_eventNames; // the rows built, by name

    QWidget* m_checking = nullptr;
    QLabel* m_summary = nullptr;
    QWidget* m_blockersInPlace = nullptr;
    QScrollArea* m_blockersScroll = nullptr;
    QWidget* m_blockersScrolled = nullptr;
    QStringList m_blockersShown;
    bool m_blockersScrolling = false;

    QWidget* m_progressBox = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_progressText = nullptr;
    QPushButton* m_stop = nullptr;
    QFrame* m_permanentBox = nullptr;
    QLabel* m_result = nullptr;

    QPushButton* m_askPermanent = nullptr;
    QPushButton* m_cancelPermanent = nullptr;
    QPushButton* m_deletePermanently = nullptr;
    QPushButton* m_moveToTrash = nullptr;
};

} // namespace pellimor
