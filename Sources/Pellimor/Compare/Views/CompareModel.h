#pragma once

#include "Compare/CNode.h"
#include "Widgets/TwoLevelModel.h"

namespace pellimor {

// The Compare table's rows: the group rows at the top level, each with its copy rows below,
// in the eight columns of CompareColumns. Every cell's text is in the display role (an empty
// text where a cell shows buttons or nothing) and what the delegate adds by colour or symbol
// (the online dot, the status symbol) in the accessible-text role, so a screen reader reads
// what the eye sees. The rows, their indexes and the columns' alignment are TwoLevelModel's.
//
// Main thread only.
class CompareModel final : public TwoLevelRows<CNode> {
    Q_OBJECT
public:
    explicit CompareModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};

} // namespace pellimor
