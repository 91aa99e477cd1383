#include "MissingFiles/Views/MissingDetailPanel.h"

#include "Browser/Views/ToneColor.h"
#include "MissingFiles/Views/RoundedFill.h"
#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/PlainLabel.h"
#include "Widgets/UiFont.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyleOptionViewItem>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

namespace pellimor {

namespace {

using MissingSheet::PathLine;

constexpr int kPadding = 8;   // inside the fill
constexpr int kLineGap = 5;   // between the lines
constexpr int kRowGap = 6;    // between the parts of a path line
constexpr double kLabel = 44; // the path line's label column, in points before the font scale
constexpr qreal kText = 10;   // the panel's text

const QString kQuickLookTip =
    QStringLiteral("Open the found file to see or play it, so you can tell it is the right one.");

QColor colourOf(CellTone tone, const QWidget* widget) {
    QStyleOptionViewItem option;
    option.palette = widget->palette();
    return toneColor(tone, DarkLook::isDark(widget), option);
}

// A path, selectable, that wraps anywhere: paths have few blanks to break at, and a label only
// breaks at words.
class WrappedPath final : public QTextEdit {
public:
    WrappedPath(const QString& path, QWidget* parent) : QTextEdit(parent) {
        setObjectName(QStringLiteral("path"));
        setReadOnly(true);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setFocusPolicy(Qt::ClickFocus);
        viewport()->setAutoFillBackground(false);
        setAutoFillBackground(false);
        document()->setDocumentMargin(0);
        setFont(uiFont(kText));
        setPlainText(path);
        setAccessibleName(path);
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override {
        const std::unique_ptr<QTextDocument> laid(document()->clone());
        laid->setDefaultFont(font());
        laid->setTextWidth(std::max(1, width));
        return int(std::ceil(laid->size().height()));
    }
    QSize sizeHint() const override {
        const int width = std::max(this->width(), fontMetrics().averageCharWidth() * 20);
        return {width, heightForWidth(width)};
    }
    QSize minimumSizeHint() const override {
        return {fontMetrics().averageCharWidth() * 8, heightForWidth(std::max(1, width()))};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QTextEdit::resizeEvent(event);
        // Another width may take another number of lines.
        if (heightForWidth(width()) != height())
            updateGeometry();
    }
};

// The panel's controls, in the size of the sheet's other buttons, only as wide as their titles.
QPushButton* smallButton(const QString& title, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

QLabel* symbol(const QString& name, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(parent);
    const int side = int(std::round(UiFont::pixels(kText * UiFont::scale()) * 1.15));
    label->setPixmap(Icons::tinted(name, QSize(side, side), colour, parent->devicePixelRatioF()));
    label->setFixedSize(side, side);
    label->setObjectName(name);
    return label;
}

} // namespace

MissingDetailPanel::MissingDetailPanel(Actions actions, QWidget* parent)
    : QWidget(parent), m_actions(std::move(actions)) {
    setObjectName(QStringLiteral("detailPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack);

    auto* hintFill = new RoundedFill(0.25, m_stack);
    auto* inside = new QVBoxLayout(hintFill);
    m_hint = plainLabel(QString(), 12, std::nullopt,
                        namedColor(NamedColor::secondary, DarkLook::isDark(this)), hintFill);
    m_hint->setObjectName(QStringLiteral("detailHint"));
    m_hint->setWordWrap(true);
    m_hint->setAlignment(Qt::AlignCenter);
    inside->addWidget(m_hint);
    m_stack->addWidget(hintFill);

    auto* fill = new RoundedFill(0.40, m_stack);
    fill->setObjectName(QStringLiteral("detailFill"));
    auto* around = new QVBoxLayout(fill);
    around->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(fill);
    m_scroll->setObjectName(QStringLiteral("detailScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The fill shows through.
    m_scroll->viewport()->setAutoFillBackground(false);
    around->addWidget(m_scroll);
    m_stack->addWidget(fill);
    m_stack->setCurrentIndex(0);
}

void MissingDetailPanel::present(const std::optional<MissingSheet::Detail>& detail, const QString& hint) {
    m_hint->setText(hint);
    const bool other = detail != m_detail;
    const bool sameRow = detail && m_detail && detail->id == m_detail->id;
    m_detail = detail;
    m_stack->setCurrentIndex(detail ? 1 : 0);
    if (!detail || !other)
        return;
    // The same row with a pick changed keeps its place in a long list of found files.
    const int scrolled = sameRow ? m_scroll->verticalScrollBar()->value() : 0;
    build();
    m_scroll->verticalScrollBar()->setValue(scrolled);
}

void MissingDetailPanel::refont() {
    m_hint->setFont(uiFont(12));
    if (m_detail)
        build();
}

void MissingDetailPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) && m_detail)
        QTimer::singleShot(0, this, [this] {
            if (m_detail)
                build();
        });
}

void MissingDetailPanel::build() {
    const MissingSheet::Detail& detail = *m_detail;
    const QColor secondary = namedColor(NamedColor::secondary, DarkLook::isDark(this));
    const QColor text = palette().color(QPalette::WindowText);
    const QColor green = colourOf(CellTone::green, this);

    // Made inside the viewport, so its parts see the window's look as they are made.
    auto* content = new QWidget(m_scroll->viewport());
    content->setObjectName(QStringLiteral("detailContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kLineGap);

    QLabel* heading = plainLabel(detail.heading, 12, QFont::DemiBold, text, content);
    heading->setObjectName(QStringLiteral("detailHeading"));
    heading->setWordWrap(true);
    heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(heading);

    const QString id = detail.id;
    const int labelWidth = int(std::lround(UiFont::pixels(kLabel * UiFont::scale())));
    const auto pathLine = [&](const PathLine& line) {
        auto* row = new QWidget(content);
        row->setObjectName(QStringLiteral("pathLine"));
        row->setProperty("path", line.path);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(kRowGap);
        QLabel* label = plainLabel(line.label, kText, std::nullopt, secondary, row);
        label->setFixedWidth(labelWidth);
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        layout->addWidget(label, 0, Qt::AlignTop);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        texts->addWidget(new WrappedPath(line.path, row));
        if (line.facts) {
            QLabel* facts = plainLabel(*line.facts, kText, std::nullopt, secondary, row);
            facts->setObjectName(QStringLiteral("facts"));
            texts->addWidget(facts);
        }
        layout->addLayout(texts, 1);
        if (!line.actions)
            return row;

        layout->addSpacing(4);
        const QString path = line.path;
        if (line.mark != PathLine::Mark::none) {
            const QString said = line.mark == PathLine::Mark::chosenByYou ? QStringLiteral("Chosen by you")
                                                                          : QStringLiteral("Will be used");
            layout->addWidget(symbol(QStringLiteral("checkmark.circle.fill"), green, row), 0, Qt::AlignTop);
            QLabel* mark = plainLabel(said, kText, std::nullopt, green, row);
            mark->setObjectName(QStringLiteral("mark"));
            layout->addWidget(mark, 0, Qt::AlignTop);
        }
        if (line.undo) {
            QPushButton* undo = smallButton(QStringLiteral("Undo"), QStringLiteral("undo"), row);
            connect(undo, &QPushButton::clicked, this, [this, id] {
                if (m_actions.pick)
                    m_actions.pick(id, std::nullopt);
            });
            layout->addWidget(undo, 0, Qt::AlignTop);
        }
        if (line.useThisOne) {
            QPushButton* use = smallButton(QStringLiteral("Use This One"), QStringLiteral("useThisOne"), row);
            use->setToolTip(line.useTip);
            connect(use, &QPushButton::clicked, this, [this, id, path] {
                if (m_actions.pick)
                    m_actions.pick(id, path);
            });
            layout->addWidget(use, 0, Qt::AlignTop);
        }
        QPushButton* look = smallButton(QStringLiteral("Quick Look"), QStringLiteral("quickLook"), row);
        look->setToolTip(kQuickLookTip);
        connect(look, &QPushButton::clicked, this, [this, path] {
            if (m_actions.quickLook)
                m_actions.quickLook(path);
        });
        layout->addWidget(look, 0, Qt::AlignTop);
        QPushButton* reveal =
            smallButton(QStringLiteral("Show in Finder"), QStringLiteral("showInFinder"), row);
        connect(reveal, &QPushButton::clicked, this, [this, path] {
            if (m_actions.reveal)
                m_actions.reveal(path);
        });
        layout->addWidget(reveal, 0, Qt::AlignTop);
        return row;
    };

    column->addWidget(pathLine(detail.wasAt));
    if (detail.match) {
        auto* row = new QHBoxLayout;
        row->setSpacing(kRowGap);
        const QColor colour = colourOf(detail.match->tone, this);
        row->addWidget(symbol(detail.match->symbol, colour, content), 0, Qt::AlignTop);
        QLabel* said = plainLabel(detail.match->text, kText, std::nullopt, colour, content);
        said->setObjectName(QStringLiteral("matchLine"));
        said->setWordWrap(true);
        row->addWidget(said, 1);
        column->addLayout(row);
    }
    for (const PathLine& line : detail.found)
        column->addWidget(pathLine(line));
    for (const QString& lead : detail.leads) {
        QLabel* said = plainLabel(lead, kText, std::nullopt, secondary, content);
        said->setObjectName(QStringLiteral("lead"));
        said->setWordWrap(true);
        column->addWidget(said);
    }
    if (detail.notFound) {
        QLabel* said = plainLabel(QString::fromUtf8(MissingSheet::kNotFoundInPlaces), kText, std::nullopt,
                                  colourOf(CellTone::orange, this), content);
        said->setObjectName(QStringLiteral("notFound"));
        column->addWidget(said);
    }
    column->addStretch(1);
    // What was shown goes once the event loop is back: a press on one of its buttons may be what
    // asked for the new lines.
    if (QWidget* old = m_scroll->takeWidget())
        old->deleteLater();
    m_scroll->setWidget(content);
    // A scroll area fills what it holds; the panel's own fill shows through instead.
    content->setAutoFillBackground(false);
}

} // namespace pellimor
