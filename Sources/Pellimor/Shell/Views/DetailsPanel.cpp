#include "Shell/Views/DetailsPanel.h"

#include "Catalogue/Records/Fmt.h"
#include "Support/ByteCount.h"

#include <QFormLayout>
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

DetailsPanel::DetailsPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("detailsPanel"));
    setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 12);

    auto* bar = new QHBoxLayout;
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
    auto* noneTitle = new QLabel(QStringLiteral("No Selection"), m_none);
    QFont large = noneTitle->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 15.0 / 13.0);
    noneTitle->setFont(large);
    noneTitle->setAlignment(Qt::AlignCenter);
    noneLayout->addWidget(noneTitle);
    noneLayout->addWidget(secondary(QStringLiteral("Select a library to see details."), m_none));
    noneLayout->addStretch();
    m_pages->addWidget(m_none);

    m_details = new QWidget(m_pages);
    auto* detailLayout = new QVBoxLayout(m_details);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    m_title = new QLabel(m_details);
    m_title->setObjectName(QStringLiteral("detailsTitle"));
    m_title->setFont(large);
    m_title->setWordWrap(true);
    detailLayout->addWidget(m_title);
    m_facts = new QFormLayout;
    m_facts->setLabelAlignment(Qt::AlignRight);
    detailLayout->addLayout(m_facts);
    detailLayout->addStretch();
    m_pages->addWidget(m_details);
}

void DetailsPanel::present(const std::optional<LibraryInfo>& library, bool online,
                           const std::optional<QString>& focusedProject) {
    if (!library) {
        m_pages->setCurrentWidget(m_none);
        return;
    }
    QList<std::pair<QString, QString>> facts;
    const auto fact = [&facts](const QString& name, const QString& value) { facts.append({name, value}); };
    if (focusedProject)
        fact(QStringLiteral("Project"), QString(*focusedProject).replace(u'|', QStringLiteral(" › ")));
    fact(QStringLiteral("Drive"), library->volumeName + (online ? QStringLiteral(" · Connected")
                                                                : QStringLiteral(" · Not connected")));
    fact(QStringLiteral("Path"), library->path);
    fact(QStringLiteral("Size"), ByteCount::file(library->totalSize()));
    fact(QStringLiteral("Reclaimable"), ByteCount::file(library->clearableSize()));
    fact(QStringLiteral("Events"), QString::number(library->events.size()));
    fact(QStringLiteral("Projects"), QString::number(library->projectCount()));
    fact(QStringLiteral("Final Cut Pro"), library->fcpVersion.value_or(QStringLiteral("—")));
    fact(QStringLiteral("Modified"), Fmt::dateOrDash(library->modified.value_or(QDateTime())));
    fact(QStringLiteral("Created"), Fmt::dateOrDash(library->created.value_or(QDateTime())));
    if (library->brokenLinks() > 0)
        fact(QStringLiteral("Missing files"), QString::number(library->brokenLinks()));
    if (library->problem)
        fact(QStringLiteral("Problem"), *library->problem);

    m_title->setText(library->name);
    if (facts != m_shown) {
        while (m_facts->rowCount() > 0)
            m_facts->removeRow(0);
        for (const auto& [name, value] : std::as_const(facts)) {
            auto* label = new QLabel(value, m_details);
            label->setWordWrap(true);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            m_facts->addRow(name, label);
        }
        m_shown = facts;
    }
    m_pages->setCurrentWidget(m_details);
}

QString DetailsPanel::shownText() const {
    if (m_pages->currentWidget() == m_none)
        return QStringLiteral("No Selection\nSelect a library to see details.");
    QStringList lines{m_title->text()};
    for (int row = 0; row < m_facts->rowCount(); ++row) {
        const auto* name = qobject_cast<QLabel*>(m_facts->itemAt(row, QFormLayout::LabelRole)->widget());
        const auto* value = qobject_cast<QLabel*>(m_facts->itemAt(row, QFormLayout::FieldRole)->widget());
        lines.append((name ? name->text() : QString()) + QStringLiteral(": ") +
                     (value ? value->text() : QString()));
    }
    return lines.join(u'\n');
}

} // namespace pellimor
