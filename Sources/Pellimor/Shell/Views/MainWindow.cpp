#include "Shell/Views/MainWindow.h"

#include "App/Appearance.h"
#include "Widgets/ToolbarContrastProbe.h"

#include <QShowEvent>
#include <QToolBar>

namespace pellimor {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Tovlin"));
    resize(Appearance::mainDefaultSize());
    new ToolbarContrastProbe(this);
}

void MainWindow::setContent(QWidget* content, QToolBar* toolbar) {
    if (QWidget* old = takeCentralWidget())
        old->deleteLater();
    if (m_toolbar) {
        removeToolBar(m_toolbar);
        m_toolbar->deleteLater();
    }
    m_toolbar = toolbar;
    if (toolbar) {
        addToolBar(Qt::TopToolBarArea, toolbar);
        toolbar->show();
    }
    setCentralWidget(content);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Q_EMIT shown();
}

} // namespace pellimor
