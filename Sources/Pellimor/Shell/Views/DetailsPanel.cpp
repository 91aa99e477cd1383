#include "Shell/Views/DetailsPanel.h"

#include "Browser/Views/LibraryDetail.h"
#include "Shell/Views/CentredPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pellimor {

namespace {

QLabel* secondary(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

DetailsPanel::DetailsPanel(Catalog& catalog, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("detailsPanel"));
    setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    // The details pad themselves; only the title bar is inset here.
    layout->setContentsMargins(0, 8, 0, 0);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(12, 0, 12, 0);
    auto* heading = new QLabel(QStringLiteral("Details"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("detailsClose"));
    close->setText(QStringLiteral("✕"));
    close->setAutoRaise(true);
    close->setToolTip(QStringLiteral("Close the details. The selection is cleared; nothing else changes."));
    connect(close, &QToolButton::clicked, this, &DetailsPanel::closeRequested);
    bar->addWidget(heading);
    bar->addStretch();
    bar->addWidget(close);
    layout->addLayout(bar);

    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);

    m_none = new QWidget(m_pages);
    auto* noneLayout = new QVBoxLayout(m_none);
    noneLayout->addStretch();
    QLabel* noneSymbol = CentredPage::symbol(QStringLiteral("sidebar.trailing"), 44, m_none);
    noneSymbol->setObjectName(QStringLiteral("detailsNoneSymbol"));
    noneLayout->addWidget(noneSymbol);
    noneLayout->addSpacing(6);
    auto* noneTitle = CentredPage::label(QStringLiteral("No Selection"), m_none, 15, QFont::Bold);
    noneLayout->addWidget(noneTitle);
    noneLayout->addWidget(secondary(QStringLiteral("Select a library to see details."), m_none));
    noneLayout->addStretch();
    m_pages->addWidget(m_none);

    m_detail = new LibraryDetail(catalog, m_pages);
    m_pages->addWidget(m_detail);
}

void DetailsPanel::present(const std::optional<LibraryInfo>& library,
                           const std::optional<ProjectFocus>& focus) {
    if (!library) {
        m_pages->setCurrentWidget(m_none);
        return;
    }
    m_detail->present(*library, focus);
    m_pages->setCurrentWidget(m_detail);
}

QString DetailsPanel::shownText() const {
    if (m_pages->currentWidget() == m_none)
        return QStringLiteral("No Selection\nSelect a library to see details.");
    return m_detail->shownText();
}

} // namespace pellimor
