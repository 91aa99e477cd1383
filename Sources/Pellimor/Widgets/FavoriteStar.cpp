#include "Widgets/FavoriteStar.h"

#include "Catalogue/Store/Catalog.h"
#include "Widgets/CellPainter.h"
#include "Widgets/DarkLook.h"
#include "Widgets/IconHitArea.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>

namespace pellimor {

FavoriteStar::FavoriteStar(Catalog& catalog, const QString& path, QWidget* parent)
    : QAbstractButton(parent), m_catalog(&catalog), m_path(path) {
    setFixedSize(sizeHint());
    connect(&catalog, &Catalog::favoritesChanged, this, &FavoriteStar::follow);
    connect(this, &QAbstractButton::clicked, this, &FavoriteStar::pressCatalog);
    follow();
    watchParent();
}

FavoriteStar::~FavoriteStar() = default;

bool FavoriteStar::isFavorite() const {
    return m_catalog && m_catalog->isFavorite(m_path);
}

QSize FavoriteStar::sizeHint() const {
    const int side = int(CellPainter::starSide);
    return {side, side};
}

void FavoriteStar::follow() {
    const QString tip = CellPainter::starTip(isFavorite());
    if (toolTip() != tip)
        setToolTip(tip);
    // A screen reader says what pressing it does, as the eye reads the star's state.
    setAccessibleName(tip);
    update();
}

void FavoriteStar::pressCatalog() {
    if (m_catalog)
        m_catalog->toggleFavorite(m_path);
}

void FavoriteStar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QSizeF side(CellPainter::starSide, CellPainter::starSide);
    const QRectF frame(QPointF(width() - side.width(), height() - side.height()) / 2, side);
    CellPainter::drawStar(&painter, frame, isFavorite(), DarkLook::isDark(this), nullptr);
}

bool FavoriteStar::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange)
        watchParent();
    return QAbstractButton::event(event);
}

void FavoriteStar::watchParent() {
    if (m_watched == parentWidget())
        return;
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = parentWidget();
    if (m_watched)
        m_watched->installEventFilter(this);
}

// Presses in the margin around the star reach the parent (directly, or passed on by a label
// that takes no clicks); the star claims those within its enlarged target.
bool FavoriteStar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_watched || !isVisible() || !isEnabled())
        return QAbstractButton::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return QAbstractButton::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return QAbstractButton::eventFilter(watched, event);
    const bool inArea = inIconHitArea(QRectF(geometry()), CellPainter::starHitMargin, mouse->position());
    if (type == QEvent::MouseButtonRelease) {
        if (!m_pressedInMargin)
            return QAbstractButton::eventFilter(watched, event);
        m_pressedInMargin = false;
        setDown(false);
        if (inArea)
            click();
        return true;
    }
    if (!inArea)
        return QAbstractButton::eventFilter(watched, event);
    m_pressedInMargin = true;
    setDown(true);
    return true;
}

bool FavoriteStar::hits(const QRectF& frame, const QPointF& point) {
    return inIconHitArea(frame, CellPainter::starHitMargin, point);
}

bool FavoriteStar::handleCellEvent(Catalog& catalog, const QString& path, const QRectF& frame,
                                   QEvent* event) {
    if (!event)
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !hits(frame, mouse->position()))
        return false;
    if (type == QEvent::MouseButtonRelease)
        catalog.toggleFavorite(path);
    return true;
}

void FavoriteStar::repaintOnChange(Catalog& catalog, QAbstractItemView* view) {
    if (!view)
        return;
    QObject::connect(&catalog, &Catalog::favoritesChanged, view, [view] { view->viewport()->update(); });
}

} // namespace pellimor
