#include "Shell/Views/ReportWindow.h"

#include "App/Appearance.h"
#include "Manual/Views/ReportProblemView.h"

#include <QVBoxLayout>

namespace pellimor {

ReportWindow::ReportWindow(const Catalog& catalog, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("reportWindow"));
    setWindowTitle(QStringLiteral("Report a Problem"));
    setMinimumSize(620, 600);
    resize(Appearance::reportDefaultSize());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new ReportProblemView(catalog, this);
    layout->addWidget(m_view);
}

} // namespace pellimor
