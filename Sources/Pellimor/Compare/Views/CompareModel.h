#pragma once

#include "Compare/CNode.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>

namespace pellimor {

// The Compare table's rows: the group rows at the top level, each with its copy rows below,
// in the eight columns of CompareColumns. Every cell's text is in the display role (an empty
// text where a cell shows buttons or nothing) and what the delegate adds by colour or symbol
// (the online dot, the status symbol) in the accessible-text role, so a screen reader reads
// what the eye sees. The last visible column and the numeric ones are aligned to the trailing
// edge, their headers too.
//
// Main thread only.
class CompareModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CompareModel(QObject* parent = nullptr);

    // New rows. Rows with the same ids in the same places keep their indexes (the view keeps
    // its selection and what is open); anything else resets the model.
    void setRows(const QList<CNode>& rows);
    const QList<CNode>& rows() const { return m_rows; }

    // The row at `index`, or null.
    const CNode* node(const QModelIndex& index) const;
    // The index of the row with `id` in `column`, or an invalid one.
    QModelIndex indexOf(const QString& id, int column = 0) const;

    // The identifier of the last visible column ("open", "details", ...).
    void setLastVisible(const QString& id);
    const QString& lastVisible() const { return m_lastVisible; }
    // Leading or trailing, by the column's kind and whether it is the last visible one.
    Qt::Alignment alignment(int column) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static bool sameShape(const QList<CNode>& a, const QList<CNode>& b);

    QList<CNode> m_rows;
    QString m_lastVisible;
};

} // namespace pellimor
