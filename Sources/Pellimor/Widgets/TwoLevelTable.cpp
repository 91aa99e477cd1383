#include "Widgets/TwoLevelTable.h"

#include "App/ColumnLayout.h"
#include "Widgets/ColumnAutoFit.h"
#include "Widgets/ColumnChooser.h"
#include "Widgets/ColumnPrefs.h"
#include "Widgets/TwoLevelModel.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <limits>

namespace pellimor::TwoLevelTable {

ColumnAutoFit* setUpColumns(QTreeView& table, TwoLevelModel& model, const QList<ColumnSize>& sizes,
                            const QString& tableName, const QStringList& declared) {
    QHeaderView* header = table.header();
    QList<ColumnAutoFit::Limits> limits;
    for (int column = 0; column < sizes.size(); ++column) {
        header->resizeSection(column, int(sizes[column].ideal));
        limits.append({sizes[column].minimum, std::numeric_limits<double>::max()});
    }
    auto* fit = new ColumnAutoFit(&table);
    fit->setLimits(limits);
    new ColumnChooser(header, tableName, declared, {});

    const auto updateLastVisible = [header, &model, declared] {
        const QJsonObject layout = ColumnPrefs::capture(*header, declared, {});
        model.setLastVisible(ColumnLayout::lastVisible(layout, declared, {}));
    };
    QObject::connect(header, &QHeaderView::sectionMoved, &model, updateLastVisible);
    // A section shown or hidden is resized from or to 0 before the header marks it so: the
    // last visible column is looked for once the change is complete.
    QObject::connect(header, &QHeaderView::sectionResized, &model,
                     [&model, updateLastVisible](int, int oldSize, int newSize) {
                         if (oldSize == 0 || newSize == 0)
                             QMetaObject::invokeMethod(&model, updateLastVisible, Qt::QueuedConnection);
                     });
    updateLastVisible();
    return fit;
}

void keepOpenRows(QTreeView& table, const TwoLevelModel& model, QSet<QString>& open, const bool& updating) {
    QObject::connect(&table, &QTreeView::expanded, &table,
                     [&model, &open, &updating](const QModelIndex& index) {
                         const std::optional<QString> id = model.idOf(index);
                         if (!updating && id)
                             open.insert(*id);
                     });
    QObject::connect(&table, &QTreeView::collapsed, &table,
                     [&model, &open, &updating](const QModelIndex& index) {
                         const std::optional<QString> id = model.idOf(index);
                         if (!updating && id)
                             open.remove(*id);
                     });
}

void restore(QTreeView& table, const TwoLevelModel& model, const QSet<QString>& open,
             const std::optional<QString>& selected) {
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        const std::optional<QString> id = model.idOf(index);
        table.setExpanded(index, id && open.contains(*id));
    }
    const QModelIndex found = selected ? model.indexOf(*selected) : QModelIndex();
    QItemSelectionModel* selection = table.selectionModel();
    if (!found.isValid()) {
        selection->clearSelection();
        return;
    }
    if (!selection->isRowSelected(found.row(), found.parent()) || selection->currentIndex() != found)
        selection->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool select(QTreeView& table, const TwoLevelModel& model, const std::optional<QString>& id) {
    const QModelIndex index = id ? model.indexOf(*id) : QModelIndex();
    if (!index.isValid()) {
        table.selectionModel()->clearSelection();
        table.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return false;
    }
    if (index.parent().isValid())
        table.expand(index.parent());
    table.selectionModel()->setCurrentIndex(index,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

std::optional<QString> selectedId(const QTreeView& table, const TwoLevelModel& model) {
    const QModelIndexList rows = table.selectionModel()->selectedRows();
    return rows.isEmpty() ? std::nullopt : model.idOf(rows.first());
}

} // namespace pellimor::TwoLevelTable
