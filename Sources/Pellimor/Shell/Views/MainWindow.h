#pragma once

#include <QMainWindow>

class QShowEvent;
class QToolBar;

namespace pellimor {

// The main window "Tovlin": the menu bar, the content's toolbar and one content widget. The
// application object decides its font, minimum size and colours; the content is made by
// makeMainContent(). The toolbar's labels are kept readable in the dark look
// (ToolbarContrastProbe).
//
// Main thread only.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Puts `content` in the window in place of the previous one, which is deleted with its
    // toolbar; `toolbar` (none for a content without one) goes along the top.
    void setContent(QWidget* content, QToolBar* toolbar = nullptr);

Q_SIGNALS:
    // Each time the window is shown (not when it is only uncovered or restored by the system).
    void shown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QToolBar* m_toolbar = nullptr;
};

} // namespace pellimor
