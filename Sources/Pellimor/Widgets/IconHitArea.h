#pragma once

#include <QMarginsF>
#include <QPointF>
#include <QRectF>

// A small icon's click target, enlarged by a margin on every side while the icon keeps its
// place and size in the layout.
namespace pellimor {

// `rect` grown by `margin` on every side.
inline QRectF iconHitArea(const QRectF& rect, qreal margin) {
    return rect.marginsAdded(QMarginsF(margin, margin, margin, margin));
}

// Whether a pointer at `point` falls in the enlarged target. Pointer positions are whole
// pixels, and a pixel belongs to a rectangle when its left (or top) edge does: with a 16-pixel
// icon at x = 40 and margin 3, pixels 37 to 58 hit and 36 and 59 do not.
inline bool inIconHitArea(const QRectF& rect, qreal margin, const QPointF& point) {
    const QRectF area = iconHitArea(rect, margin);
    return point.x() >= area.left() && point.x() < area.right() && point.y() >= area.top() &&
           point.y() < area.bottom();
}

} // namespace pellimor
