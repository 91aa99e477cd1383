#include "Widgets/TipRegions.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace pellimor {

void TipRegions::add(const QRectF& area, const QString& text) {
    if (text.isEmpty() || area.isEmpty())
        return;
    m_regions.append({area, text});
}

const TipRegions::Region* TipRegions::regionAt(const QPointF& point) const {
    for (auto it = m_regions.crbegin(); it != m_regions.crend(); ++it) {
        if (it->area.contains(point))
            return &*it;
    }
    return nullptr;
}

QString TipRegions::textAt(const QPointF& point) const {
    const Region* region = regionAt(point);
    return region ? region->text : QString();
}

bool TipRegions::answer(QHelpEvent* event, QWidget* widget) const {
    if (!event || !widget)
        return false;
    const Region* region = regionAt(event->pos());
    if (!region)
        return false;
    // The area keeps the tip only while the pointer is over this part; moving to the next
    // pill brings that pill's tip.
    QToolTip::showText(event->globalPos(), region->text, widget, region->area.toAlignedRect());
    return true;
}

} // namespace pellimor
