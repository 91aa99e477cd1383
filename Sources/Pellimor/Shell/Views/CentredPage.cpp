#include "Shell/Views/CentredPage.h"

#include "Widgets/DarkLook.h"
#include "Widgets/Icons.h"
#include "Widgets/NamedColor.h"
#include "Widgets/UiFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>

namespace pellimor::CentredPage {

namespace {

// Redraws a symbol when the palette changes (light and dark switching).
class SymbolLook final : public QObject {
public:
    SymbolLook(QObject* parent, std::function<void()> draw) : QObject(parent), m_draw(std::move(draw)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange)
            m_draw();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_draw;
};

} // namespace

QLabel* label(const QString& text, QWidget* parent, double points, QFont::Weight weight) {
    auto* made = new QLabel(text, parent);
    // From the window's font scale, not from the font the label inherits when it is made: the
    // window's font is set after its pages are built, so a copy taken now would keep the
    // toolkit's default size for good.
    made->setFont(uiFont(points, weight));
    UiFont::watchComfortableText(made, [made, points, weight] { made->setFont(uiFont(points, weight)); });
    made->setAlignment(Qt::AlignCenter);
    made->setWordWrap(true);
    return made;
}

QLabel* symbol(const QString& name, double points, QWidget* parent) {
    auto* made = new QLabel(parent);
    made->setAccessibleName(name);
    made->setAlignment(Qt::AlignCenter);
    const auto draw = [made, name, points] {
        const int side = int(std::lround(UiFont::pixels(points) * UiFont::scale()));
        made->setPixmap(Icons::tinted(name, QSize(side, side),
                                      namedColor(NamedColor::secondary, DarkLook::isDark(made->palette())),
                                      made->devicePixelRatioF()));
    };
    draw();
    UiFont::watchComfortableText(made, draw);
    // Redrawn in the secondary colour of the look in force.
    made->installEventFilter(new SymbolLook(made, draw));
    return made;
}

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    QLabel* made = label(text, parent);
    made->setForegroundRole(QPalette::PlaceholderText);
    made->setMaximumWidth(420);
    return made;
}

void fit(QLabel* label) {
    const QFontMetricsF metrics(label->font());
    double widest = 0;
    for (const QString& line : label->text().split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    label->setMinimumWidth(std::min(int(std::ceil(widest)) + 2, label->maximumWidth()));
}

void large(QPushButton* button) {
    const auto apply = [button] {
        button->setFont(uiFont(13));
        button->setMinimumHeight(int(std::lround(UiFont::pixels(28) * UiFont::scale())));
        const double pad = UiFont::pixels(14) * UiFont::scale();
        button->setMinimumWidth(
            int(std::lround(QFontMetricsF(button->font()).horizontalAdvance(button->text()) + 2 * pad)));
    };
    apply();
    UiFont::watchComfortableText(button, apply);
}

QVBoxLayout* layout(QWidget* page, int spacing) {
    auto* made = new QVBoxLayout(page);
    made->setSpacing(spacing);
    made->addStretch();
    return made;
}

void add(QVBoxLayout* layout, QWidget* widget) {
    // Centred between stretches, not by an alignment: a layout item with an alignment is given
    // the height of its size hint, not its height for the width it gets, so a wrapping label
    // set to a longer text would show a single, clipped line.
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(widget);
    row->addStretch();
    layout->addLayout(row);
}

} // namespace pellimor::CentredPage
