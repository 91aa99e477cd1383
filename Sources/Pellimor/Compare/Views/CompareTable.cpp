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
                   QList<CellButton> buttons;
                   for (const CompareDelegate::Hit& hit : m_delegate->hits(option, index))
                       buttons.append({int(hit.part), hit.rect, hit.enabled});
                   return buttons;
               });
}

} // namespace pellimor
