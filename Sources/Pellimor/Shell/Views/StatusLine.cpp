#include "Shell/Views/StatusLine.h"

#include "Catalogue/Store/Catalog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace pellimor {

StatusLine::StatusLine(Catalog& catalog, RefreshScheduler& scheduler, QWidget* parent)
    : QWidget(parent), m_catalog(catalog) {
    setObjectName(QStringLiteral("statusLine"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(10);

    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0); // a running scan without a known end
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(60, 10);
    layout->addWidget(m_busy);

    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("statusProgress"));
    layout->addWidget(m_progress);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    m_status->setMinimumWidth(50);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_status, 1);

    m_resume = new QPushButton(QStringLiteral("Resume"), this);
    m_resume->setObjectName(QStringLiteral("statusResume"));
    connect(m_resume, &QPushButton::clicked, this, [this] { m_catalog.resumePausedScan(); });
    layout->addWidget(m_resume);

    m_part = scheduler.addPart(this, [this] { refresh(); });
    for (const auto shown : {&Catalog::statusChanged, &Catalog::progressChanged, &Catalog::isScanningChanged,
                             &Catalog::pausedJobChanged})
        connect(&m_catalog, shown, this, [this, &scheduler] { scheduler.request(m_part); });
    refresh();
}

void StatusLine::refresh() {
    const bool scanning = m_catalog.isScanning();
    m_busy->setVisible(scanning);

    const std::optional<Catalog::Progress>& progress = m_catalog.progress();
    const bool counted = progress && progress->total > 0;
    m_progress->setVisible(counted);
    m_progress->setText(counted ? QStringLiteral("%1/%2 libraries").arg(progress->done).arg(progress->total)
                                : QString());

    m_fullStatus = m_catalog.status();
    m_status->setToolTip(m_fullStatus);
    elide();

    const std::optional<ScanJob>& paused = m_catalog.pausedJob();
    m_resume->setVisible(paused.has_value() && !scanning);
    if (paused && !paused->roots.isEmpty()) {
        const qsizetype index = std::min<qsizetype>(paused->rootIndex, paused->roots.size() - 1);
        m_resume->setToolTip(QStringLiteral("Carry on the interrupted scan of ") +
                             paused->roots.value(index));
    }
}

QString StatusLine::progressText() const {
    return m_progress->isVisibleTo(this) ? m_progress->text() : QString();
}

QString StatusLine::statusText() const {
    return m_fullStatus;
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    elide();
}

void StatusLine::elide() {
    // One line, shortened in the middle, so both the start and the end of a path stay visible.
    const int width = std::max(m_status->width(), 50);
    m_status->setText(m_status->fontMetrics().elidedText(m_fullStatus, Qt::ElideMiddle, width));
}

} // namespace pellimor
