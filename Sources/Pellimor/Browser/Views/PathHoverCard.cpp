#include "Browser/Views/PathHoverCard.h"

#include "Platform/Services.h"
#include "Widgets/UiFont.h"

#include <QClipboard>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace pellimor {

PathHoverCard::PathHoverCard(QWidget* view)
    : QFrame(view, Qt::ToolTip | Qt::FramelessWindowHint), m_timing(this, [this] { follow(); }) {
    setObjectName(QStringLiteral("pathHoverCard"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // A tooltip window takes the tooltip palette; the card is a small panel of the window.
    setPalette(view ? view->palette() : palette());
    setBackgroundRole(QPalette::Window);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(kSpacing);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // A path has few blanks to break at, so it wraps anywhere; a label would only break at words.
    m_path = new QTextEdit(this);
    m_path->setObjectName(QStringLiteral("fullPath"));
    m_path->setReadOnly(true);
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_path->setFrameShape(QFrame::NoFrame);
    m_path->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_path->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_path->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_path->setFocusPolicy(Qt::NoFocus);
    m_path->viewport()->setAutoFillBackground(false);
    m_path->document()->setDocumentMargin(0);
    layout->addWidget(m_path);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kSpacing);
    m_open = new QPushButton(QStringLiteral("Open in Finder"), this);
    m_open->setObjectName(QStringLiteral("openInFinder"));
    m_open->setFocusPolicy(Qt::NoFocus);
    m_copy = new QPushButton(QStringLiteral("Copy Path"), this);
    m_copy->setObjectName(QStringLiteral("copyPath"));
    m_copy->setFocusPolicy(Qt::NoFocus);
    buttons->addWidget(m_open);
    buttons->addWidget(m_copy);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_open, &QPushButton::clicked, this, [this] {
        if (!m_target)
            return;
        if (const auto shell = platform::services().shell)
            shell->reveal(m_target->fullPath);
    });
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (!m_target)
            return;
        if (QClipboard* clipboard = QGuiApplication::clipboard()) {
            clipboard->clear();
            clipboard->setText(m_target->fullPath);
        }
        m_timing.copied();
    });
    hide();
}

void PathHoverCard::pointerAt(const std::optional<Target>& target) {
    if (target) {
        if (m_target && m_target->rowId != target->rowId)
            forget();
        const bool entering = !m_overText;
        m_target = target;
        m_overText = true;
        if (entering)
            m_timing.enterText();
    } else if (m_overText) {
        m_overText = false;
        m_timing.leaveText();
    }
}

void PathHoverCard::forget() {
    m_overText = false;
    m_target.reset();
    m_timing.reset();
    hide();
}

void PathHoverCard::enterEvent(QEnterEvent* event) {
    QFrame::enterEvent(event);
    if (isVisible())
        m_timing.enterCard();
}

void PathHoverCard::leaveEvent(QEvent* event) {
    QFrame::leaveEvent(event);
    if (isVisible())
        m_timing.leaveCard();
}

void PathHoverCard::follow() {
    if (!m_timing.isShown() || !m_target) {
        hide();
        m_copy->setText(QStringLiteral("Copy Path"));
        return;
    }
    m_copy->setText(m_timing.isCopied() ? QStringLiteral("Copied") : QStringLiteral("Copy Path"));
    if (!isVisible()) {
        fill();
        show();
    }
}

void PathHoverCard::fill() {
    const QFont font = uiFont(12);
    m_path->setFont(font);
    m_path->document()->setDefaultFont(font);
    m_path->setPlainText(m_target->fullPath);
    m_open->setVisible(m_target->online);
    // The path wraps within the card's width; a short one keeps the card small.
    const int widest = kMaxWidth - 2 * kPadding - 2 * frameWidth();
    const int natural = int(std::ceil(QFontMetricsF(font).horizontalAdvance(m_target->fullPath))) + 2;
    const int textWidth = std::min(widest, natural);
    // The edit would wrap at its own width, which it has only once laid out: wrap at ours.
    m_path->setLineWrapMode(QTextEdit::FixedPixelWidth);
    m_path->setLineWrapColumnOrWidth(textWidth);
    m_path->setFixedSize(textWidth, int(std::ceil(m_path->document()->size().height())));
    adjustSize();
    // Just below the text (QRect::bottom() is its last row of pixels, one above its edge).
    QPoint at(m_target->anchor.left(), m_target->anchor.top() + m_target->anchor.height() + kGap);
    if (const QScreen* screen = QGuiApplication::screenAt(m_target->anchor.center())) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
        if (at.y() + height() > room.bottom())
            at.setY(m_target->anchor.top() - height() - kGap); // no room below: above the text
    }
    move(at);
}

} // namespace pellimor
