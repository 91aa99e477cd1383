#pragma once

#include "Widgets/CellLayoutDelegate.h"

namespace pellimor {

class PluginsModel;

// Draws the Plug-ins table's cells: the status symbol (its meaning as the tip) and coloured
// label, the online dot before a library's name, names with the search's terms highlighted
// (semibold for packs), the kind in the secondary colour, numbers in digits of equal width,
// the details cut at the end, and a library row's two "Open" buttons, placed by
// CellLayoutDelegate's one layout. Font sizes scale with "Larger Text"; paddings, gaps and the
// dot do not.
//
// Main thread only.
class PluginsDelegate final : public CellLayoutDelegate {
    Q_OBJECT
public:
    // A button's part (CellButton::part).
    enum Part { folder, finalCut };

    explicit PluginsDelegate(const PluginsModel& model, QObject* parent = nullptr);

private:
    void layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                TipRegions* tips, QList<CellButton>* buttons) const override;

    const PluginsModel& m_model;
};

} // namespace pellimor
