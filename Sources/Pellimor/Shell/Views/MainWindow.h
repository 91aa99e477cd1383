#pragma once

#include <QMainWindow>

class QShowEvent;

namespace pellimor {

// The main window "Tovlin": the menu bar and one content widget. The application object
// decides its font, minimum size and colours; the content is made by makeMainContent().
//
// Main thread only.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // Puts `content` in the window in place of the previous one, which is deleted.
    void setContent(QWidget* content);

Q_SIGNALS:
    // Each time the window is shown (not when it is only uncovered or restored by the system).
    void shown();

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace pellimor
