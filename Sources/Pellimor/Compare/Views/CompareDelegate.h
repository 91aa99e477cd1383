#pragma once

#include "Widgets/CellLayoutDelegate.h"

namespace pellimor {

class CompareModel;

// Draws the Compare table's cells: the status symbol and coloured label, the online dot
// before a copy's drive, numbers in digits of equal width, dates, the details in the secondary
// colour shortened in the middle, and a copy's two "Open" buttons. The buttons are parts of the
// painted cell, not widgets, placed by CellLayoutDelegate's one layout. Font sizes scale with
// "Larger Text"; paddings and the dot do not.
//
// Main thread only.
class CompareDelegate final : public CellLayoutDelegate {
    Q_OBJECT
public:
    // A button's part (CellButton::part).
    enum class Part { folder, finalCut };

    explicit CompareDelegate(const CompareModel& model, QObject* parent = nullptr);

    static QString tip(Part part);

private:
    void layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                TipRegions* tips, QList<CellButton>* buttons) const override;

    const CompareModel& m_model;
};

} // namespace pellimor
