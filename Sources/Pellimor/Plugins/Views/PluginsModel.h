#pragma once

#include "Browser/SearchQuery.h"
#include "Plugins/PNode.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>

namespace pellimor {

// The Plug-ins table's rows: the pack rows at the top level, each with its library rows below,
// in the eight columns of PluginColumns. Every cell's text is in the display role (empty where
// a cell shows buttons or nothing) and what the delegate adds by colour or symbol (the status's
// meaning, the online dot, the buttons) in the accessible-text role, so a screen reader reads
// what the eye sees. The last visible column and the numeric ones are aligned to the trailing
// edge, their headers too. It also holds the search whose terms the names highlight.
//
// Main thread only.
class PluginsModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit PluginsModel(QObject* parent = nullptr);

    // New rows. Rows with the same ids in the same places keep their indexes (the view keeps
    // its selection and what is open); anything else resets the model.
    void setRows(const QList<PNode>& rows);
    const QList<PNode>& rows() const { return m_rows; }

    void setQuery(const SearchQuery& query);
    const SearchQuery& query() const { return m_query; }

    // The row at `index`, or null.
    const PNode* node(const QModelIndex& index) const;
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
    static bool sameShape(const QList<PNode>& a, const QList<PNode>& b);
    void allChanged(const QList<int>& roles = {});

    QList<PNode> m_rows;
    SearchQuery m_query;
    QString m_lastVisible;
};

} // namespace pellimor
