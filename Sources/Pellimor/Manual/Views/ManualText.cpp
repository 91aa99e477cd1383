#include "Manual/Views/ManualText.h"

#include "Manual/MarkdownHTML.h"
#include "Manual/Render/MarkdownLayout.h"
#include "Platform/Services.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTimer>

namespace pellimor {

namespace {

// The page's inset inside the scrolling area: it scrolls with the text.
constexpr qreal kSideInset = 26;
constexpr qreal kTopInset = 18;

// How long a flashed title or match stays highlighted.
constexpr int kFlashMilliseconds = 900;

std::function<void()>& beepSound() {
    static std::function<void()> beep = [] { QApplication::beep(); };
    return beep;
}

void setInsets(QTextDocument& page) {
    page.setDocumentMargin(0);
    QTextFrame* root = page.rootFrame();
    QTextFrameFormat format = root->frameFormat();
    format.setLeftMargin(kSideInset);
    format.setRightMargin(kSideInset);
    format.setTopMargin(kTopInset);
    format.setBottomMargin(kTopInset);
    root->setFrameFormat(format);
}

} // namespace

ManualText::ManualText(QWidget* parent) : QTextBrowser(parent) {
    setObjectName(QStringLiteral("manualPage"));
    setAccessibleName(QStringLiteral("Manual page"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                            Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    // No background of its own: the window's shows through.
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);

    m_flashTimer = new QTimer(this);
    m_flashTimer->setSingleShot(true);
    m_flashTimer->setInterval(kFlashMilliseconds);
    connect(m_flashTimer, &QTimer::timeout, this, [this] {
        m_flash.reset();
        setExtraSelections({});
    });

    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& /*asQtReadIt*/) {
        // The link as the page carries it: Qt's address has its scheme lower-cased already.
        QString href = m_pressedAnchor;
        if (href.isEmpty())
            href = textCursor().charFormat().anchorHref(); // chosen from the keyboard
        m_pressedAnchor.clear();
        followLink(href);
    });
}

ManualText::~ManualText() {
    // The page goes with this object's members, before the text edit is done with it.
    setDocument(nullptr);
}

std::function<void()> ManualText::setBeep(std::function<void()> beep) {
    return std::exchange(beepSound(), std::move(beep));
}

QString ManualText::notShownText() {
    return QStringLiteral("The manual could not be shown.");
}

void ManualText::update(const Inputs& inputs) {
    const ManualPageState::Steps steps =
        m_state.update({inputs.html, inputs.headings, inputs.jumpTick, inputs.findTick});
    if (steps.reload)
        load(inputs.html, inputs.baseURL);
    if (steps.jump)
        scrollToHeading(inputs.jump);
    if (steps.find)
        findNext(inputs.find);
}

void ManualText::load(const QString& html, const std::optional<QUrl>& baseURL) {
    std::unique_ptr<QTextDocument> page = MarkdownHTML::styled(html, baseURL);
    if (!page) {
        page = std::make_unique<QTextDocument>();
        page->setPlainText(notShownText());
    }
    setInsets(*page);
    m_flash.reset();
    setExtraSelections({});
    setDocument(page.get());
    m_page = std::move(page);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void ManualText::scrollToHeading(const QString& id) {
    const auto title = m_state.headings.constFind(id);
    if (title == m_state.headings.constEnd())
        return;
    const std::optional<TextSpan> span = MarkdownHTML::range(*title, document()->toPlainText());
    if (!span)
        return;
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    // The whole page laid out, so the scroll range reaches the heading.
    layout->documentSize();
    const QTextBlock block = document()->findBlock(int(span->start));
    double top = layout->blockBoundingRect(block).top();
    if (const QTextLayout* lines = block.layout()) {
        const QTextLine line = lines->lineForTextPosition(int(span->start - block.position()));
        if (line.isValid())
            top += line.y();
    }
    verticalScrollBar()->setValue(int(ManualPage::jumpOffset(top)));
    horizontalScrollBar()->setValue(0);
    flash(*span);
}

void ManualText::findNext(const QString& text) {
    if (text.isEmpty())
        return;
    const QTextCursor selection = textCursor();
    const std::optional<TextSpan> found =
        ManualPage::findNext(document()->toPlainText(), text, selection.selectionEnd());
    if (!found) {
        if (beepSound())
            beepSound()();
        return;
    }
    QTextCursor match(document());
    match.setPosition(int(found->start));
    match.setPosition(int(found->start + found->length), QTextCursor::KeepAnchor);
    setTextCursor(match);
    ensureCursorVisible();
    flash(*found);
}

void ManualText::followLink(const QString& href) {
    const ManualPage::LinkAction action = ManualPage::linkAction(href);
    if (const auto* jump = std::get_if<ManualPage::Jump>(&action)) {
        scrollToHeading(jump->id);
    } else if (const auto* open = std::get_if<ManualPage::Open>(&action)) {
        if (const auto shell = platform::services().shell)
            shell->openUrl(open->url);
    }
}

void ManualText::mousePressEvent(QMouseEvent* event) {
    m_pressedAnchor = anchorAt(event->position().toPoint());
    QTextBrowser::mousePressEvent(event);
}

void ManualText::flash(const TextSpan& span) {
    m_flash = span;
    m_flashTimer->start();
    QTextEdit::ExtraSelection highlight;
    highlight.cursor = QTextCursor(document());
    highlight.cursor.setPosition(int(m_flash->start));
    highlight.cursor.setPosition(int(m_flash->start + m_flash->length), QTextCursor::KeepAnchor);
    highlight.format.setBackground(QColor(255, 214, 10));
    highlight.format.setForeground(QColor(Qt::black));
    setExtraSelections({highlight});
}

} // namespace pellimor
