#include "Compare/Views/CompareTable.h"

#include "Compare/CompareColumns.h"
#include "Compare/Views/CompareModel.h"

namespace pellimor {

CompareTable::CompareTable(CompareModel& model, QWidget* parent) : ButtonTreeView(parent), m_model(model) {
    setObjectName(QStringLiteral("compareTable"));
    setModel(&m_model);
    m_delegate = new CompareDelegate(m_model, this);
    setItemDelegate(m_delegate);
    setButtons(CompareColumns::open, CompareDelegate::hitMargin,
               [this](const QStyleOptionViewItem& option, const QModelIndex& index) {
                   return m_delegate->buttons(option, index);
               });
}

} // namespace pellimor
