#include "Plugins/Views/LibraryPlugins.h"

#include "Catalogue/Store/Catalog.h"
#include "Plugins/PackHealth.h"
#include "Plugins/PluginPanel.h"
#include "Plugins/StatusIcon.h"
#include "Plugins/Views/PluginTones.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/PlainLabel.h"
#include "Widgets/UiFont.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace pellimor {

namespace {

constexpr int kSpacing = 6;     // between the section's parts
constexpr int kRowSpacing = 3;  // between a pack's line and its details
constexpr int kLineSpacing = 6; // between the parts of a pack's line
constexpr int kLinePadY = 4;    // above and below a pack's line
constexpr int kChevronFrame = 12;
constexpr int kDetailIndent = 18;
constexpr int kDetailBelow = 4;
constexpr int kDetailLineSpacing = 2;
constexpr int kPlacesMinGap = 4;

QPixmap symbol(const QString& name, qreal points, const QColor& colour, qreal ratio) {
    const int side = int(std::lround(UiFont::pixels(points) * UiFont::scale()));
    return Icons::tinted(name, QSize(side, side), colour, ratio);
}

// A pack's line: the whole rectangle takes the click; its parts only show.
class PackLine final : public QAbstractButton {
public:
    explicit PackLine(QWidget* parent) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
};

} // namespace

LibraryPlugins::LibraryPlugins(Catalog& catalog, LibraryInfo library, QWidget* parent)
    : QWidget(parent), m_catalog(catalog), m_library(std::move(library)) {
    setObjectName(QStringLiteral("libraryPlugins"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    connect(&m_catalog, &Catalog::changed, this, &LibraryPlugins::redrawLater);
    redraw();
}

void LibraryPlugins::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        redrawLater();
}

void LibraryPlugins::redrawLater() {
    if (std::exchange(m_redrawQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_redrawQueued)
                redraw();
        },
        Qt::QueuedConnection);
}

void LibraryPlugins::redraw() {
    m_redrawQueued = false;
    const bool dark = DarkLook::isDark(this);
    const PluginPanel::Content content = PluginPanel::content(m_library, packHealth);

    // The old body may be on the call stack (a press that led here): it goes on a later turn.
    if (m_body) {
        m_body->hide();
        m_body->deleteLater();
    }
    m_packButtons.clear();
    m_packIds.clear();
    m_toggle = nullptr;
    m_lines.clear();

    m_body = new QWidget(this);
    auto* column = new QVBoxLayout(m_body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kSpacing);
    const QColor textColour = palette().color(QPalette::WindowText);
    QLabel* title = plainLabel(PluginPanel::title(), 13, QFont::DemiBold, textColour, m_body);
    title->setObjectName(QStringLiteral("pluginsTitle"));
    column->addWidget(title);
    m_lines.append(title->text());

    const PluginPanel::Line summary = PluginPanel::summary(content);
    QLabel* summaryLabel = plainLabel(summary.text, 10, std::nullopt, toneColour(summary.tone, dark), m_body);
    summaryLabel->setObjectName(QStringLiteral("pluginsSummary"));
    summaryLabel->setWordWrap(true);
    column->addWidget(summaryLabel);
    m_lines.append(summary.text);

    if (!content.notRead && !content.rows.isEmpty()) {
        const qsizetype shown = PluginPanel::shownRows(content.rows.size(), m_showAll);
        for (qsizetype i = 0; i < shown; ++i)
            column->addWidget(packRow(content.rows[i], dark, m_body));
        if (const std::optional<QString> toggle = PluginPanel::toggleTitle(content.rows.size(), m_showAll)) {
            m_toggle = new QPushButton(*toggle, m_body);
            m_toggle->setObjectName(QStringLiteral("pluginsShowAll"));
            m_toggle->setFlat(true);
            m_toggle->setCursor(Qt::PointingHandCursor);
            m_toggle->setFont(uiFont(10));
            QPalette palette = m_toggle->palette();
            palette.setColor(QPalette::ButtonText, namedColor(NamedColor::accent, dark));
            m_toggle->setPalette(palette);
            m_toggle->setStyleSheet(
                QStringLiteral("QPushButton { border: none; padding: 0; text-align: left; }"));
            connect(m_toggle, &QPushButton::clicked, this, [this] {
                m_showAll = !m_showAll;
                redraw();
            });
            column->addWidget(m_toggle, 0, Qt::AlignLeft);
            m_lines.append(*toggle);
        }
    }
    layout()->addWidget(m_body);
}

QWidget* LibraryPlugins::packRow(const PluginPanel::Row& row, bool dark, QWidget* parent) {
    const QString id = row.summary.id();
    const bool open = m_expanded.contains(id);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    const qreal ratio = devicePixelRatioF();

    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kRowSpacing);

    auto* line = new PackLine(box);
    line->setObjectName(QStringLiteral("pluginsPack"));
    line->setToolTip(PluginPanel::rowTip(open));
    const StatusIcon icon = statusIcon(row.health.status);
    line->setAccessibleName(row.summary.pack + QStringLiteral(", ") + row.summary.kind +
                            QStringLiteral(", ") + icon.help);
    auto* parts = new QHBoxLayout(line);
    parts->setContentsMargins(0, kLinePadY, 0, kLinePadY);
    parts->setSpacing(kLineSpacing);
    auto* chevron = new QLabel(line);
    chevron->setFixedWidth(kChevronFrame);
    chevron->setAlignment(Qt::AlignCenter);
    chevron->setPixmap(symbol(open ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"), 10,
                              secondary, ratio));
    auto* status = new QLabel(line);
    status->setPixmap(symbol(icon.symbol, 12, iconColour(icon.colour, dark), ratio));
    // The symbol answers its own tip; a click on it still reaches the line.
    status->setToolTip(icon.help);
    QLabel* name =
        plainLabel(row.summary.pack, 12, std::nullopt, palette().color(QPalette::WindowText), line);
    QLabel* kind = plainLabel(row.summary.kind, 10, std::nullopt, secondary, line);
    const QString places = PluginPanel::placesText(row.summary);
    QLabel* count = plainLabel(places, 10, std::nullopt, secondary, line);
    for (QLabel* part : {chevron, name, kind, count})
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    name->setMinimumWidth(1);
    parts->addWidget(chevron, 0, Qt::AlignVCenter);
    parts->addWidget(status, 0, Qt::AlignVCenter);
    parts->addWidget(name, 0, Qt::AlignVCenter);
    parts->addWidget(kind, 0, Qt::AlignVCenter);
    parts->addSpacing(kPlacesMinGap);
    parts->addStretch(1);
    parts->addWidget(count, 0, Qt::AlignVCenter);
    connect(line, &QAbstractButton::clicked, this, [this, id] {
        if (!m_expanded.remove(id))
            m_expanded.insert(id);
        redraw();
    });
    column->addWidget(line);
    m_packButtons.append(line);
    m_packIds.append(id);
    m_lines.append(row.summary.pack + QStringLiteral(" \u00b7 ") + row.summary.kind +
                   QStringLiteral(" \u00b7 ") + places);

    if (open) {
        auto* details = new QWidget(box);
        details->setObjectName(QStringLiteral("pluginsDetails"));
        auto* lines = new QVBoxLayout(details);
        lines->setContentsMargins(kDetailIndent, 0, 0, kDetailBelow);
        lines->setSpacing(kDetailLineSpacing);
        for (const PluginPanel::Line& detail : PluginPanel::details(row)) {
            QLabel* label = plainLabel(detail.text, 10, std::nullopt, toneColour(detail.tone, dark), details);
            label->setWordWrap(true);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            lines->addWidget(label);
            m_lines.append(detail.text);
        }
        column->addWidget(details);
    }
    return box;
}

QStringList LibraryPlugins::shownLines() const {
    return m_lines;
}

} // namespace pellimor
