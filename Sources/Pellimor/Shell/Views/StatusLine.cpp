#include "Shell/Views/StatusLine.h"

#include "Catalogue/Store/Catalog.h"
#include "Shell/StatusTexts.h"
#include "Widgets/BusySpinner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace pellimor {

StatusLine::StatusLine(Catalog& catalog, RefreshScheduler& scheduler, QWidget* parent)
    : QWidget(parent), m_catalog(catalog) {
    setObjectName(QStringLiteral("statusLine"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(10);

    // Read once: the program's version does not change while it runs. Absent, not an empty
    // gap, when the information list lacks either key.
    m_version = new QLabel(StatusTexts::versionLabel(), this);
    m_version->setObjectName(QStringLiteral("statusVersion"));
    m_version->setForegroundRole(QPalette::PlaceholderText);
    m_version->setToolTip(StatusTexts::versionTip());
    m_version->setVisible(!m_version->text().isEmpty());
    layout->addWidget(m_version);

    m_busy = new BusySpinner(this);
    m_busy->setAccessibleName(QStringLiteral("Scanning"));
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
    m_resume->setDefault(true);
    connect(m_resume, &QPushButton::clicked, this, [this] { m_catalog.resumePausedScan(); });
    layout->addWidget(m_resume);
    m_discard = new QPushButton(QStringLiteral("Discard"), this);
    m_discard->setObjectName(QStringLiteral("statusDiscard"));
    m_discard->setToolTip(StatusTexts::discardTip());
    connect(m_discard, &QPushButton::clicked, this, [this] { m_catalog.clearJob(); });
    layout->addWidget(m_discard);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("statusSummary"));
    m_summary->setForegroundRole(QPalette::PlaceholderText);
    // The status text gives way, never the counts around it.
    for (QLabel* whole : {m_version, m_progress, m_summary})
        whole->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    layout->addWidget(m_summary);

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
    const QString counted = progress ? StatusTexts::progressText(progress->done, progress->total) : QString();
    m_progress->setVisible(!counted.isEmpty());
    m_progress->setText(counted);

    m_fullStatus = m_catalog.status();
    m_status->setToolTip(m_fullStatus);
    elide();

    const std::optional<ScanJob>& paused = m_catalog.pausedJob();
    const bool pausedControls = StatusTexts::showsPausedControls(paused.has_value(), scanning);
    m_resume->setVisible(pausedControls);
    m_discard->setVisible(pausedControls);
    if (paused)
        m_resume->setToolTip(StatusTexts::resumeTip(*paused));
}

void StatusLine::setSummary(const QString& summary) {
    if (m_summary->text() != summary)
        m_summary->setText(summary);
}

QString StatusLine::summary() const {
    return m_summary->text();
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
