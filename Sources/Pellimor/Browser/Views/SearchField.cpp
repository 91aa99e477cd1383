#include "Browser/Views/SearchField.h"

#include "App/AppAction.h"
#include "App/NotificationHub.h"
#include "Widgets/Icons.h"
#include "Widgets/UiFont.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pellimor {

namespace {

constexpr qreal kBodyPoints = 13;
constexpr qreal kNotePoints = 10;
constexpr qreal kIconPoints = 16; // the magnifier, sized like the text beside it
constexpr qreal kCornerRadius = 6;
constexpr qreal kBackingOpacity = 0.06;
constexpr int kRowSpacing = 4;
constexpr int kMarginX = 8, kMarginY = 4;
constexpr int kChoicesSpacing = 8, kChoicesMargin = 12;

const QString& magnifier() {
    static const QString symbol = QStringLiteral("magnifyingglass");
    return symbol;
}

QString allFieldsNote() {
    return QStringLiteral("Turn off All fields to search only the ticked ones.");
}

QString tickedOnlyNote() {
    return QStringLiteral("Only the ticked fields are searched.");
}

} // namespace

// The choices drop below the magnifier as a popup window. A press outside closes it; a press
// on the magnifier itself closes it without reaching the button, which would open it again.
class SearchField::Choices final : public QFrame {
public:
    Choices(SearchField* field, QToolButton* button) : QFrame(field, Qt::Popup), m_button(button) {
        setObjectName(QStringLiteral("searchChoices"));
        setFrameShape(QFrame::StyledPanel);
        // A window of its own, yet drawn in the look of the window it belongs to.
        setAttribute(Qt::WA_WindowPropagation);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint at = event->globalPosition().toPoint();
        const QRect button(m_button->mapToGlobal(QPoint(0, 0)), m_button->size());
        setAttribute(Qt::WA_NoMouseReplay,
                     !rect().contains(event->position().toPoint()) && button.contains(at));
        QFrame::mousePressEvent(event);
    }

private:
    QToolButton* m_button;
};

SearchField::SearchField(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setMinimumWidth(kMinimumWidth);
    setMaximumWidth(kMaximumWidth);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kMarginX, kMarginY, kMarginX, kMarginY);
    row->setSpacing(kRowSpacing);

    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("searchChoicesButton"));
    m_button->setAutoRaise(true);
    m_button->setFocusPolicy(Qt::TabFocus);
    m_button->setAccessibleName(QStringLiteral("Choose what search matches"));
    connect(m_button, &QToolButton::clicked, this, [this] { setChoicesShown(!choicesShown()); });
    row->addWidget(m_button, 0, Qt::AlignVCenter);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("searchText"));
    m_edit->setFrame(false);
    m_edit->setClearButtonEnabled(true);
    m_edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The backing shows through: the field paints no base of its own.
    QPalette clear;
    clear.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(clear);
    connect(m_edit, &QLineEdit::textEdited, this, &SearchField::textEdited);
    row->addWidget(m_edit, 1, Qt::AlignVCenter);

    buildChoices();
    showScope();
    refont();
    UiFont::watchComfortableText(this, [this] { refont(); });

    connect(&NotificationHub::shared(), &NotificationHub::posted, this,
            [this](const QString& name, const std::optional<QString>&) {
                if (name == AppAction::focusSearch())
                    focusField();
            });
}

SearchField::~SearchField() = default;

void SearchField::buildChoices() {
    m_choices = new Choices(this, m_button);
    auto* stack = new QVBoxLayout(m_choices);
    stack->setContentsMargins(kChoicesMargin, kChoicesMargin, kChoicesMargin, kChoicesMargin);
    stack->setSpacing(kChoicesSpacing);

    m_allFields = new QCheckBox(QStringLiteral("All fields"), m_choices);
    m_allFields->setObjectName(QStringLiteral("searchAllFields"));
    connect(m_allFields, &QCheckBox::clicked, this, [this](bool on) {
        m_scope.all = on;
        edited();
    });
    stack->addWidget(m_allFields);

    auto* divider = new QFrame(m_choices);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    stack->addWidget(divider);

    m_areas = new QWidget(m_choices);
    auto* areas = new QVBoxLayout(m_areas);
    areas->setContentsMargins(0, 0, 0, 0);
    areas->setSpacing(kChoicesSpacing);
    for (const SearchArea area : allSearchAreas()) {
        auto* box = new QCheckBox(title(area), m_areas);
        box->setObjectName(QStringLiteral("searchArea.") + rawValue(area));
        connect(box, &QCheckBox::clicked, this, [this, area](bool on) {
            if (on)
                m_scope.areas.insert(area);
            else
                m_scope.areas.remove(area);
            edited();
        });
        areas->addWidget(box);
        m_areaBoxes.insert(area, box);
    }
    stack->addWidget(m_areas);

    m_note = new QLabel(m_choices);
    m_note->setObjectName(QStringLiteral("searchChoicesNote"));
    m_note->setForegroundRole(QPalette::PlaceholderText);
    stack->addWidget(m_note);
}

QString SearchField::noteText(const SearchScope& scope) {
    return scope.all ? allFieldsNote() : tickedOnlyNote();
}

bool SearchField::areasEditable(const SearchScope& scope) {
    return !scope.all;
}

QString SearchField::text() const {
    return m_edit->text();
}

void SearchField::setText(const QString& text) {
    // Only a different text: setting the same one would move the cursor under the user's hands.
    if (m_edit->text() != text)
        m_edit->setText(text);
}

void SearchField::setScope(const SearchScope& scope) {
    if (scope == m_scope)
        return;
    m_scope = scope;
    showScope();
}

QString SearchField::prompt() const {
    return m_edit->placeholderText();
}

void SearchField::setPrompt(const QString& prompt) {
    if (prompt == m_edit->placeholderText())
        return;
    m_edit->setPlaceholderText(prompt);
    m_edit->setAccessibleName(prompt);
}

QWidget* SearchField::choices() const {
    return m_choices;
}

bool SearchField::choicesShown() const {
    return m_choices->isVisible();
}

void SearchField::setChoicesShown(bool shown) {
    if (shown == choicesShown())
        return;
    if (!shown) {
        m_choices->hide();
        return;
    }
    placeChoices();
    m_choices->show();
    m_allFields->setFocus(Qt::PopupFocusReason);
}

void SearchField::placeChoices() {
    m_choices->adjustSize();
    const QSize size = m_choices->size();
    // Centred under the magnifier, kept on its screen sideways.
    const QPoint below = m_button->mapToGlobal(QPoint(m_button->width() / 2, m_button->height()));
    int left = below.x() - size.width() / 2;
    if (const QScreen* screen = m_button->screen()) {
        const QRect room = screen->availableGeometry();
        left = std::clamp(left, room.left(), std::max(room.left(), room.right() + 1 - size.width()));
    }
    m_choices->move(left, below.y());
}

void SearchField::edited() {
    showScope();
    Q_EMIT scopeEdited(m_scope);
}

void SearchField::showScope() {
    // setChecked never reports a click, so showing a scope never writes it back.
    m_allFields->setChecked(m_scope.all);
    for (auto it = m_areaBoxes.cbegin(); it != m_areaBoxes.cend(); ++it)
        it.value()->setChecked(m_scope.areas.contains(it.key()));
    m_areas->setEnabled(areasEditable(m_scope));
    m_note->setText(noteText(m_scope));
}

void SearchField::focusField() {
    setChoicesShown(false);
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void SearchField::refont() {
    const QFont body = uiFont(kBodyPoints);
    m_edit->setFont(body);
    m_allFields->setFont(uiFont(kBodyPoints, QFont::DemiBold));
    for (QCheckBox* box : std::as_const(m_areaBoxes))
        box->setFont(body);
    const QFont small = uiFont(kNotePoints);
    m_note->setFont(small);
    // As wide as the longer of its two texts, so the choices keep their width when it changes.
    const QFontMetrics metrics(small);
    m_note->setMinimumWidth(
        std::max(metrics.horizontalAdvance(allFieldsNote()), metrics.horizontalAdvance(tickedOnlyNote())));

    const int icon = qRound(kIconPoints * UiFont::scale());
    m_button->setIconSize(QSize(icon, icon));
    retintIcon();
    updateGeometry();
    if (choicesShown())
        placeChoices();
}

void SearchField::retintIcon() {
    // Drawn in the primary colour of the look, like the text beside it.
    const QPixmap pixmap = Icons::tinted(magnifier(), m_button->iconSize(),
                                         palette().color(QPalette::WindowText), devicePixelRatioF());
    m_button->setIcon(QIcon(pixmap));
}

QSize SearchField::sizeHint() const {
    return {kIdealWidth, QWidget::sizeHint().height()};
}

QSize SearchField::minimumSizeHint() const {
    return {kMinimumWidth, QWidget::minimumSizeHint().height()};
}

void SearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor backing = palette().color(QPalette::WindowText);
    backing.setAlphaF(float(backing.alphaF() * kBackingOpacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(backing);
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
}

void SearchField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        retintIcon();
        update();
    }
}

} // namespace pellimor
