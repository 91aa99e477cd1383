#include "Shell/Views/ManualWindow.h"

#include "Manual/Views/ManualView.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace pellimor {

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(QStringLiteral("Tovlin Manual"));
    setMinimumSize(960, 520);
    resize(1080, 800);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new ManualView(this);
    layout->addWidget(m_view);
}

void ManualWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // A closed window keeps nothing of what it showed. An answer still being written goes to
    // the old view, which is gone by then, and is dropped.
    ManualView* fresh = new ManualView(this);
    delete layout()->replaceWidget(m_view, fresh);
    m_view->hide();
    m_view->deleteLater();
    m_view = fresh;
}

} // namespace pellimor
