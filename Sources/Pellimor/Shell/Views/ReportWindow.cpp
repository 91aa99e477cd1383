#include "Shell/Views/ReportWindow.h"

#include "App/Appearance.h"

#include <QLabel>
#include <QVBoxLayout>

namespace pellimor {

ReportWindow::ReportWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("reportWindow"));
    setWindowTitle(QStringLiteral("Report a Problem"));
    resize(Appearance::reportDefaultSize());
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(windowTitle(), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}

} // namespace pellimor
