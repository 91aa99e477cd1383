#include "Shell/Views/MainWindow.h"

#include "App/Appearance.h"

#include <QShowEvent>

namespace pellimor {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Tovlin"));
    resize(Appearance::mainDefaultSize());
}

void MainWindow::setContent(QWidget* content) {
    if (QWidget* old = takeCentralWidget())
        old->deleteLater();
    setCentralWidget(content);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Q_EMIT shown();
}

} // namespace pellimor
