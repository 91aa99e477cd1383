#include "Manual/Views/ReportProblemView.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Manual/ProblemReport.h"
#include "Platform/MailComposer.h"
#include "Platform/Services.h"
#include "Support/Graphemes.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pellimor {

namespace {

constexpr int kMargin = 20;
constexpr int kSpacing = 12;
constexpr int kNoteHeight = 72;
constexpr int kReportMinimumHeight = 220;

// Points before the font scale, as the window's text styles use them.
constexpr qreal kHeadlinePoints = 13;
constexpr qreal kBodyPoints = 13;
constexpr qreal kCalloutPoints = 12;

const QString kSwitchLabel =
    QStringLiteral("Hide the names of this Mac, drives, libraries, folders and files");
const QString kSwitchTip =
    QStringLiteral("Swaps them for stand-ins like <drive-1>. The report still shows what went wrong.");
const QString kFootnote = QStringLiteral(
    "Nothing leaves this Mac until you send the email yourself. The report has what you wrote, the facts "
    "above "
    "and Tovlin's error log. Names are swapped for stand-ins only in the log; what you write under "
    "\u201CWhat happened?\u201D is sent as you wrote it.");

// A text box on a rounded, faintly filled panel; the box itself draws no background of its own,
// so the panel follows the window's look.
class RoundedPanel final : public QWidget {
public:
    RoundedPanel(QPlainTextEdit* content, int innerMargin, QWidget* parent) : QWidget(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
        content->setFrameShape(QFrame::NoFrame);
        content->viewport()->setAutoFillBackground(false);
        content->setAutoFillBackground(false);
        content->document()->setDocumentMargin(innerMargin);
        QPalette palette = content->palette();
        palette.setColor(QPalette::Base, Qt::transparent);
        content->setPalette(palette);
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(path, namedColor(NamedColor::quaternary, DarkLook::isDark(this)));
    }
};

QColor secondaryText(const QWidget* widget) {
    return namedColor(NamedColor::secondary, DarkLook::isDark(widget));
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

} // namespace

ReportProblemView::ReportProblemView(const Catalog& catalog, QWidget* parent)
    : QWidget(parent), m_catalog(catalog) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kSpacing);

    m_heading = new QLabel(QStringLiteral("What happened?"), this);
    layout->addWidget(m_heading);

    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setAccessibleName(QStringLiteral("What happened?"));
    m_note->setTabChangesFocus(true);
    auto* notePanel = new RoundedPanel(m_note, 4, this);
    notePanel->setFixedHeight(kNoteHeight);
    layout->addWidget(notePanel);

    m_hideNames = new QCheckBox(kSwitchLabel, this);
    m_hideNames->setObjectName(QStringLiteral("hideNames"));
    m_hideNames->setChecked(true);
    m_hideNames->setToolTip(kSwitchTip);
    layout->addWidget(m_hideNames);

    auto* sentRow = new QHBoxLayout;
    m_sentHeading = new QLabel(QStringLiteral("Exactly what will be sent"), this);
    m_length = new QLabel(this);
    m_length->setObjectName(QStringLiteral("length"));
    sentRow->addWidget(m_sentHeading);
    sentRow->addStretch(1);
    sentRow->addWidget(m_length);
    layout->addLayout(sentRow);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("report"));
    m_report->setAccessibleName(QStringLiteral("Exactly what will be sent"));
    m_report->setReadOnly(true);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_report->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_report->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* reportPanel = new RoundedPanel(m_report, 8, this);
    reportPanel->setMinimumHeight(kReportMinimumHeight);
    layout->addWidget(reportPanel, 1);

    m_footnote = new QLabel(kFootnote, this);
    m_footnote->setWordWrap(true);
    layout->addWidget(m_footnote);

    auto* buttons = new QHBoxLayout;
    m_showLog = new QPushButton(QStringLiteral("Show Log File"), this);
    m_showLog->setObjectName(QStringLiteral("showLog"));
    m_showLog->setToolTip(QStringLiteral("Show Tovlin's error log in Finder"));
    m_showLog->setAutoDefault(false);
    m_copy = new QPushButton(QStringLiteral("Copy"), this);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_copy->setAutoDefault(false);
    m_email = new QPushButton(QStringLiteral("Email Report\u2026"), this);
    m_email->setObjectName(QStringLiteral("email"));
    m_email->setDefault(true);
    buttons->addWidget(m_showLog);
    buttons->addStretch(1);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_email);
    layout->addLayout(buttons);

    // Return sends, as the default button does in a dialog; in the note box it starts a new
    // line instead, because the box takes the key first.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, m_email, &QPushButton::click);
    }

    connect(m_note, &QPlainTextEdit::textChanged, this, [this] {
        setCopied(false);
        showReport();
    });
    connect(m_hideNames, &QCheckBox::toggled, this, [this] {
        refresh();
        setCopied(false);
    });
    connect(m_showLog, &QPushButton::clicked, this, [] { ErrorLog::reveal(); });
    connect(m_copy, &QPushButton::clicked, this, [this] { copy(); });
    connect(m_email, &QPushButton::clicked, this, [this] { email(report()); });

    applyLook();
    UiFont::watchComfortableText(this, [this] { applyLook(); });
    showReport();
}

QString ReportProblemView::report() const {
    return ProblemReport::noteSection(m_note->toPlainText()) + m_details;
}

QString ReportProblemView::lengthText(const QString& report) {
    return QString::number(Graphemes::count(report)) + QStringLiteral(" characters");
}

void ReportProblemView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Shown anew by the program; a window brought back by the window system (un-minimised)
    // keeps what it showed.
    if (!event->spontaneous())
        refresh();
}

void ReportProblemView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyLook();
}

void ReportProblemView::refresh() {
    m_details = ProblemReport::details(m_catalog, m_hideNames->isChecked());
    showReport();
}

void ReportProblemView::showReport() {
    const QString text = report();
    QScrollBar* bar = m_report->verticalScrollBar();
    const int position = bar->value();
    m_report->setPlainText(text);
    bar->setValue(position);
    m_length->setText(lengthText(text));
}

void ReportProblemView::setCopied(bool copied) {
    m_copied = copied;
    m_copy->setText(copied ? QStringLiteral("Copied") : QStringLiteral("Copy"));
}

void ReportProblemView::copy() {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(report(), QClipboard::Clipboard);
    setCopied(true);
}

void ReportProblemView::email(const QString& report) {
    const platform::Services services = platform::services();
    const QString subject = ProblemReport::emailSubject();
    if (services.mail &&
        services.mail->compose({QString::fromUtf16(ProblemReport::supportAddress)}, subject, report))
        return;
    // No way to hand the mail program a long text: it waits on the clipboard, and the message
    // opens with a line that says so.
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(report, QClipboard::Clipboard);
    const std::optional<QUrl> link = ProblemReport::mailLink(subject);
    if (!link || !services.shell)
        return;
    services.shell->openUrl(*link);
}

void ReportProblemView::applyLook() {
    const QFont headline = uiFont(kHeadlinePoints, QFont::DemiBold);
    m_heading->setFont(headline);
    m_sentHeading->setFont(headline);
    m_note->setFont(uiFont(kBodyPoints));
    m_hideNames->setFont(uiFont(kBodyPoints));
    m_footnote->setFont(uiFont(kCalloutPoints));
    m_length->setFont(CellPainter::digitFont(kCalloutPoints, std::nullopt, UiFont::scale()));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(kCalloutPoints * UiFont::scale());
    m_report->setFont(mono);
    const QColor secondary = secondaryText(this);
    if (m_footnote->palette().color(QPalette::WindowText) != secondary) {
        setTextColor(m_footnote, secondary);
        setTextColor(m_length, secondary);
    }
}

} // namespace pellimor
