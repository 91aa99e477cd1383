#include "Manual/Views/ManualView.h"

#include "App/AppSettings.h"
#include "Manual/ManualAI.h"
#include "Manual/ProblemReport.h"
#include "Manual/Views/ManualText.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Widgets/BusySpinner.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace pellimor {

namespace {

// Points before the font scale.
constexpr qreal kHeaderPoints = 12;
constexpr qreal kPanelPoints = 12;
constexpr qreal kNotePoints = 10;
constexpr qreal kMissingTitlePoints = 15;

// The contents list's widths and the page's least width.
constexpr int kContentsMinimum = 150;
constexpr int kContentsIdeal = 220;
constexpr int kContentsMaximum = 250;
constexpr int kPageMinimum = 420;

// The written answer scrolls beyond this height.
constexpr int kAnswerMaximumHeight = 190;

// The larger page of "Larger Text".
constexpr double kComfortableScale = 1.3;

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    return line;
}

// The answer panel's ground: the accent colour, faint.
class TintedPanel final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        QColor tint = namedColor(NamedColor::accent, DarkLook::isDark(this));
        tint.setAlphaF(0.08);
        painter.fillRect(rect(), tint);
    }
};

// A small button whose title, when the row is too narrow for it, ends in "…" on its one line.
class SectionButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

    QSize minimumSizeHint() const override {
        QSize least = QPushButton::minimumSizeHint();
        least.setWidth(
            std::min(least.width(), fontMetrics().horizontalAdvance(QStringLiteral("Mm\u2026")) * 2));
        return least;
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const int room =
            option.rect.width() - 2 * style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this);
        option.text = fontMetrics().elidedText(text(), Qt::ElideRight, std::max(room, 0));
        painter.drawControl(QStyle::CE_PushButton, option);
    }
};

QLabel* label(const QString& name, QWidget* parent) {
    auto* shown = new QLabel(parent);
    shown->setObjectName(name);
    shown->setTextFormat(Qt::PlainText);
    return shown;
}

} // namespace

ManualView::ManualView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("manualView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    buildTopBar();
    buildAnswerPanel();
    buildPageArea();

    m_version = label(QStringLiteral("version"), this);
    m_version->setContentsMargins(12, 4, 12, 4);
    m_version->setText(ManualWindowText::versionLine(ProblemReport::packagedVersion()));

    layout->addWidget(m_answerPanel);
    layout->addWidget(divider(this));
    layout->addWidget(m_pageArea, 1);
    layout->addWidget(divider(this));
    layout->addWidget(m_version);

    // The document and the page's size follow the stored settings at once, in every window.
    if (const auto settings = platform::services().settings) {
        connect(settings.get(), &platform::SettingsStore::changed, this, [this](const QString& key) {
            if (key == AppSettings::Key::manualDoc || key == AppSettings::Key::comfortableText)
                refresh();
        });
    }
    UiFont::watchComfortableText(this, [this] { refont(); });
    refont();
    refresh();
}

void ManualView::buildTopBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);

    // Two joined segments, one per document; a stored value of neither selects none.
    auto* segments = new QWidget(bar);
    segments->setObjectName(QStringLiteral("documentSwitch"));
    auto* segmentRow = new QHBoxLayout(segments);
    segmentRow->setContentsMargins(0, 0, 0, 0);
    segmentRow->setSpacing(0);
    m_segments = new QButtonGroup(this);
    m_segments->setExclusive(false);
    for (const ManualDoc& doc : ManualDoc::all()) {
        auto* segment = new QPushButton(doc.rawValue(), segments);
        segment->setObjectName(QStringLiteral("segment ") + doc.rawValue());
        segment->setCheckable(true);
        segment->setAutoDefault(false);
        m_segments->addButton(segment, int(ManualDoc::all().indexOf(doc)));
        segmentRow->addWidget(segment);
        connect(segment, &QPushButton::clicked, this, [this, doc] {
            AppSettings::setManualDoc(doc.rawValue());
            // Chosen again, the store stays as it was: draw its check marks anew.
            refresh();
        });
    }
    row->addWidget(segments);

    m_question = new QLineEdit(bar);
    m_question->setObjectName(QStringLiteral("question"));
    m_question->setAccessibleName(QStringLiteral("Question"));
    m_question->setPlaceholderText(ManualWindowText::placeholder());
    m_question->setClearButtonEnabled(true);
    row->addWidget(m_question, 1);

    m_ask = new QPushButton(QStringLiteral("Ask"), bar);
    m_ask->setObjectName(QStringLiteral("ask"));
    m_ask->setDefault(true);
    m_ask->setToolTip(ManualWindowText::askTip());
    row->addWidget(m_ask);

    m_find = new QPushButton(QStringLiteral("Find"), bar);
    m_find->setObjectName(QStringLiteral("find"));
    m_find->setAutoDefault(false);
    m_find->setToolTip(ManualWindowText::findTip());
    row->addWidget(m_find);

    auto* findKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    findKey->setContext(Qt::WindowShortcut);
    connect(findKey, &QShortcut::activated, m_find, [this] {
        if (m_find->isEnabled())
            m_find->click();
    });

    connect(m_question, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_panel.question = text;
        refreshPanel();
    });
    connect(m_question, &QLineEdit::returnPressed, this, [this] { ask(); });
    connect(m_ask, &QPushButton::clicked, this, [this] { ask(); });
    connect(m_find, &QPushButton::clicked, this, [this] {
        m_panel.find();
        refreshPage();
    });

    static_cast<QVBoxLayout*>(layout())->addWidget(bar);
}

void ManualView::buildAnswerPanel() {
    m_answerPanel = new TintedPanel(this);
    m_answerPanel->setObjectName(QStringLiteral("answerPanel"));
    auto* column = new QVBoxLayout(m_answerPanel);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    m_header = label(QStringLiteral("asked"), m_answerPanel);
    m_close = new QPushButton(QStringLiteral("Close"), m_answerPanel);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setAutoDefault(false);
    header->addWidget(m_header, 1, Qt::AlignBaseline);
    header->addWidget(m_close, 0, Qt::AlignBaseline);
    column->addLayout(header);
    connect(m_close, &QPushButton::clicked, this, [this] {
        m_panel.close();
        refreshPanel();
    });

    m_progressRow = new QWidget(m_answerPanel);
    auto* progress = new QHBoxLayout(m_progressRow);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(6);
    m_spinner = new BusySpinner(m_progressRow);
    m_writing = label(QStringLiteral("writing"), m_progressRow);
    m_writing->setText(ManualWindowText::writing());
    progress->addWidget(m_spinner);
    progress->addWidget(m_writing, 1);
    column->addWidget(m_progressRow);

    m_answer = new QTextBrowser(m_answerPanel);
    m_answer->setObjectName(QStringLiteral("answer"));
    m_answer->setAccessibleName(QStringLiteral("Written answer"));
    m_answer->setOpenLinks(false);
    m_answer->setFrameShape(QFrame::NoFrame);
    m_answer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_answer->viewport()->setAutoFillBackground(false);
    QPalette clear = m_answer->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_answer->setPalette(clear);
    m_answer->document()->setDocumentMargin(0);
    column->addWidget(m_answer);

    m_answerNote = label(QStringLiteral("answerNote"), m_answerPanel);
    m_answerNote->setText(ManualWindowText::answerNote());
    m_answerNote->setWordWrap(true);
    column->addWidget(m_answerNote);

    m_sourcesRow = new QWidget(m_answerPanel);
    auto* sources = new QHBoxLayout(m_sourcesRow);
    sources->setContentsMargins(0, 0, 0, 0);
    sources->setSpacing(6);
    m_sourcesLabel = label(QStringLiteral("sourcesLabel"), m_sourcesRow);
    m_sourceButtons = new QWidget(m_sourcesRow);
    auto* buttons = new QHBoxLayout(m_sourceButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(6);
    sources->addWidget(m_sourcesLabel);
    sources->addWidget(m_sourceButtons);
    sources->addStretch(1);
    column->addWidget(m_sourcesRow);

    m_noMatch = label(QStringLiteral("noMatch"), m_answerPanel);
    m_noMatch->setText(ManualWindowText::noMatch());
    m_noMatch->setWordWrap(true);
    column->addWidget(m_noMatch);

    m_aiNote = label(QStringLiteral("aiNote"), m_answerPanel);
    m_aiNote->setWordWrap(true);
    column->addWidget(m_aiNote);
}

void ManualView::buildPageArea() {
    m_pageArea = new QStackedWidget(this);

    m_splitter = new QSplitter(Qt::Horizontal, m_pageArea);
    m_splitter->setChildrenCollapsible(false);
    m_contents = new QListWidget(m_splitter);
    m_contents->setObjectName(QStringLiteral("contents"));
    m_contents->setAccessibleName(QStringLiteral("Contents"));
    m_contents->setFrameShape(QFrame::NoFrame);
    m_contents->setTextElideMode(Qt::ElideRight);
    m_contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_contents->setSpacing(2);
    m_contents->setContentsMargins(6, 6, 0, 6);
    m_contents->setMinimumWidth(kContentsMinimum);
    m_contents->setMaximumWidth(kContentsMaximum);
    m_page = new ManualText(m_splitter);
    m_page->setMinimumWidth(kPageMinimum);
    m_splitter->addWidget(m_contents);
    m_splitter->addWidget(m_page);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kContentsIdeal, 860});
    // A row chosen again scrolls again: every click is a jump.
    connect(m_contents, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { jumpTo(item->data(Qt::UserRole).toString()); });
    connect(m_contents, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { jumpTo(item->data(Qt::UserRole).toString()); });
    m_pageArea->addWidget(m_splitter);

    auto* missing = new QWidget(m_pageArea);
    missing->setObjectName(QStringLiteral("missing"));
    auto* column = new QVBoxLayout(missing);
    column->addStretch(1);
    auto* icon = new QLabel(missing);
    icon->setPixmap(Icons::icon(QStringLiteral("book.closed")).pixmap(QSize(40, 40)));
    icon->setAlignment(Qt::AlignCenter);
    m_missingTitle = label(QStringLiteral("missingTitle"), missing);
    m_missingTitle->setText(ManualWindowText::missingTitle());
    m_missingTitle->setAlignment(Qt::AlignCenter);
    m_missingText = label(QStringLiteral("missingText"), missing);
    m_missingText->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);
    column->addWidget(m_missingTitle);
    column->addWidget(m_missingText);
    column->addStretch(1);
    m_pageArea->addWidget(missing);
}

void ManualView::refont() {
    m_header->setFont(uiFont(kHeaderPoints, QFont::DemiBold));
    for (QLabel* panelText : {m_writing, m_sourcesLabel, m_noMatch})
        panelText->setFont(uiFont(kPanelPoints));
    for (QLabel* note : {m_answerNote, m_aiNote, m_version})
        note->setFont(uiFont(kNotePoints));
    m_missingTitle->setFont(uiFont(kMissingTitlePoints, QFont::DemiBold));
    m_answer->setFont(uiFont(kPanelPoints));
    for (QPushButton* small : m_sourceButtons->findChildren<QPushButton*>())
        small->setFont(uiFont(kPanelPoints));
    m_close->setFont(uiFont(kPanelPoints));
    const QColor secondary = namedColor(NamedColor::secondary, DarkLook::isDark(this));
    for (QLabel* quiet : {m_writing, m_sourcesLabel, m_noMatch, m_answerNote, m_aiNote, m_version})
        setTextColour(quiet, secondary);
}

void ManualView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The page's colours are part of its HTML: a new look is a new page.
    if (event->type() == QEvent::PaletteChange) {
        refont();
        refreshPage();
    }
}

void ManualView::ask() {
    if (!m_panel.canAsk())
        return;
    const std::optional<QString> manual = ManualDoc::manual.text();
    if (!manual)
        return;
    AppSettings::setManualDoc(ManualDoc::manual.rawValue());
    const bool askModel = m_panel.begin(*manual);
    refresh();
    if (!askModel)
        return;
    // The answer is written for this question and these sections, even if the panel is closed
    // meanwhile.
    ManualAI::unavailableReasonLater(this, [this, question = m_panel.asked,
                                            matches = m_panel.matches](const std::optional<QString>& reason) {
        if (m_panel.reasonKnown(reason))
            writeAnswer(question, matches, false);
        refreshPanel();
    });
}

void ManualView::writeAnswer(const QString& question, const QList<ManualSection>& matches,
                             bool secondAttempt) {
    ManualAI::answerLater(question, matches, this,
                          [this, question, matches, secondAttempt](const ManualAI::Answer& reply) {
                              if (m_panel.answered(reply, secondAttempt))
                                  writeAnswer(question, matches, true);
                              refreshPanel();
                          });
}

void ManualView::jumpTo(const QString& id) {
    m_panel.jumpTo(id);
    refreshPage();
}

void ManualView::refresh() {
    showDocument();
    refreshPanel();
    refreshPage();
}

void ManualView::showDocument() {
    const ManualShown shown = ManualShown::of(AppSettings::manualDoc());
    for (QAbstractButton* segment : m_segments->buttons()) {
        const bool chosen = m_segments->id(segment) == shown.segment;
        segment->setChecked(chosen);
        // The chosen segment in the accent colour, as a switch shows its choice.
        QPalette palette;
        if (chosen) {
            palette = segment->palette();
            palette.setColor(QPalette::Button, namedColor(NamedColor::accent, DarkLook::isDark(this)));
            palette.setColor(QPalette::ButtonText, Qt::white);
        }
        segment->setPalette(palette);
    }
    if (!m_document || !(m_document->doc == shown.doc)) {
        Document document{shown.doc, shown.doc.text(), {}};
        if (document.text)
            document.rendered = MarkdownHTML::render(*document.text);
        m_document = std::move(document);
    }
    if (m_listed != m_document->rendered.contents) {
        m_listed = m_document->rendered.contents;
        m_contents->clear();
        for (const MarkdownHTML::ContentsEntry& entry : m_listed) {
            auto* item = new QListWidgetItem(entry.title, m_contents);
            item->setData(Qt::UserRole, entry.id);
            item->setToolTip(entry.title);
        }
    }
    m_missingText->setText(ManualWindowText::missingText(shown.doc));
    m_pageArea->setCurrentIndex(m_document->text ? 0 : 1);
}

void ManualView::refreshPanel() {
    const ManualPanel& panel = m_panel;
    m_ask->setEnabled(panel.canAsk());
    m_find->setEnabled(panel.canFind());

    const ManualPanel::State state = panel.state();
    m_answerPanel->setVisible(state != ManualPanel::State::hidden);
    if (state == ManualPanel::State::hidden)
        return;
    m_header->setText(ManualWindowText::quoted(panel.asked));
    m_progressRow->setVisible(state == ManualPanel::State::thinking);

    const bool answered = state == ManualPanel::State::answer;
    if (answered && m_answerShown != panel.answer) {
        m_answerShown = panel.answer;
        m_answer->document()->setMarkdown(
            ManualWindowText::inlineMarkdown(panel.answer),
            QTextDocument::MarkdownFeatures(QTextDocument::MarkdownDialectCommonMark |
                                            QTextDocument::MarkdownNoHTML));
        if (m_answer->toPlainText().trimmed().isEmpty())
            m_answer->setPlainText(panel.answer);
        const int height = int(m_answer->document()->size().height()) + 4;
        m_answer->setFixedHeight(std::min(height, kAnswerMaximumHeight));
    }
    m_answer->setVisible(answered);
    m_answerNote->setVisible(answered);

    const bool hasMatches = !panel.matches.isEmpty();
    m_sourcesRow->setVisible(hasMatches);
    m_noMatch->setVisible(!hasMatches);
    m_sourcesLabel->setText(panel.sourcesLabel());
    if (m_buttonsFor != panel.matches) {
        m_buttonsFor = panel.matches;
        for (QPushButton* old : m_sourceButtons->findChildren<QPushButton*>())
            old->deleteLater();
        for (const ManualSection& section : panel.matches) {
            auto* button = new SectionButton(section.title, m_sourceButtons);
            button->setObjectName(QStringLiteral("section ") + section.id);
            button->setToolTip(ManualWindowText::sectionTip());
            button->setAutoDefault(false);
            button->setFont(uiFont(kPanelPoints));
            m_sourceButtons->layout()->addWidget(button);
            connect(button, &QPushButton::clicked, this, [this, id = section.id] { jumpTo(id); });
        }
    }
    m_aiNote->setVisible(panel.showsNote());
    m_aiNote->setText(panel.aiNote.value_or(QString()));
}

void ManualView::refreshPage() {
    if (!m_document || !m_document->text)
        return;
    const double scale = AppSettings::comfortable() ? kComfortableScale : 1.0;
    ManualText::Inputs inputs;
    inputs.html = MarkdownHTML::page(m_document->rendered.body, scale, DarkLook::isDark(this));
    inputs.baseURL = m_document->doc.baseURL();
    inputs.headings = m_document->rendered.headings;
    inputs.jump = m_panel.jump;
    inputs.jumpTick = m_panel.jumpTick;
    inputs.find = m_panel.question;
    inputs.findTick = m_panel.findTick;
    m_page->update(inputs);
}

} // namespace pellimor
