#include "Shell/Views/ManualWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pellimor {

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(QStringLiteral("Tovlin Manual"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(windowTitle(), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}

} // namespace pellimor
