#pragma once

#include "Compare/Views/CompareDelegate.h"
#include "Widgets/ButtonTreeView.h"

namespace pellimor {

class CompareModel;

// The Compare screen's outline table: group rows that open to their copy rows, with a copy's
// two "Open" buttons painted by its delegate in the "Open" column. What the user does reaches
// the screen through ButtonTreeView's signals; a button's part is a CompareDelegate::Part.
//
// Main thread only.
class CompareTable final : public ButtonTreeView {
    Q_OBJECT
public:
    CompareTable(CompareModel& model, QWidget* parent = nullptr);

    CompareDelegate* delegate() const { return m_delegate; }

private:
    CompareModel& m_model;
    CompareDelegate* m_delegate = nullptr;
};

} // namespace pellimor
