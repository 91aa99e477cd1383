#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QString>
#include <optional>

namespace pellimor {

// The plumbing of an outline table two levels deep: top rows, each with its kid rows below, in
// a fixed set of columns. A kid row's index carries its top row's position + 1, a top row's
// carries 0. The last visible column and the numeric ones are aligned to the trailing edge,
// their headers too; the headers show the columns' titles.
//
// What the rows are and what their cells say is the subclass's (TwoLevelRows below holds the
// rows).
//
// Main thread only.
class TwoLevelModel : public QAbstractItemModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        QString id;           // the key of the column's stored layout
        bool numeric = false; // aligned to the trailing edge
    };

    // The columns of a table's column descriptors (anything with a title, an id and numeric).
    template <typename Def> static QList<Column> columnsOf(const QList<Def>& defs) {
        QList<Column> columns;
        columns.reserve(defs.size());
        for (const Def& def : defs)
            columns.append({def.title, def.id, def.numeric});
        return columns;
    }

    // The identifier of the last visible column ("open", "details", ...); the last declared
    // one to start with.
    void setLastVisible(const QString& id);
    const QString& lastVisible() const { return m_lastVisible; }
    // Leading or trailing, by the column's kind and whether it is the last visible one.
    Qt::Alignment alignment(int column) const;

    // The id of the row at `index`, or none.
    virtual std::optional<QString> idOf(const QModelIndex& index) const = 0;
    // The index of the row with `id` in `column`, or an invalid one.
    virtual QModelIndex indexOf(const QString& id, int column = 0) const = 0;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    TwoLevelModel(QList<Column> columns, QObject* parent);

    virtual qsizetype topCount() const = 0;
    // `top` is within topCount().
    virtual qsizetype kidCount(qsizetype top) const = 0;

    // The top row a kid row's index is under, or -1 for a top row's index.
    static qsizetype topOf(const QModelIndex& index) { return qsizetype(index.internalId()) - 1; }
    QModelIndex kidIndex(qsizetype top, int kid, int column) const {
        return createIndex(kid, column, quintptr(top) + 1);
    }
    // Every cell of every row changed (in `roles`, or in all of them).
    void allChanged(const QList<int>& roles = {});

private:
    QList<Column> m_columns;
    QString m_lastVisible;
};

// The rows of a TwoLevelModel: `Node` is a plain value with a QString `id`, its kid rows in
// `kids` (a QList<Node>, empty on kid rows) and an equality over every field.
template <typename Node> class TwoLevelRows : public TwoLevelModel {
public:
    // New rows. Rows with the same ids in the same places keep their indexes (the view keeps
    // its selection and what is open); anything else resets the model.
    void setRows(const QList<Node>& rows) {
        if (rows == m_rows)
            return;
        if (!sameShape(rows, m_rows)) {
            beginResetModel();
            m_rows = rows;
            endResetModel();
            return;
        }
        m_rows = rows;
        allChanged();
    }
    const QList<Node>& rows() const { return m_rows; }

    // The row at `index`, or null.
    const Node* node(const QModelIndex& index) const {
        if (!index.isValid() || index.model() != this)
            return nullptr;
        const qsizetype top = topOf(index);
        if (top < 0)
            return index.row() < m_rows.size() ? &m_rows[index.row()] : nullptr;
        if (top >= m_rows.size() || index.row() >= m_rows[top].kids.size())
            return nullptr;
        return &m_rows[top].kids[index.row()];
    }

    std::optional<QString> idOf(const QModelIndex& index) const override {
        const Node* row = node(index);
        return row ? std::optional<QString>(row->id) : std::nullopt;
    }

    QModelIndex indexOf(const QString& id, int column = 0) const override {
        for (int top = 0; top < m_rows.size(); ++top) {
            if (m_rows[top].id == id)
                return index(top, column);
            const QList<Node>& kids = m_rows[top].kids;
            for (int kid = 0; kid < kids.size(); ++kid) {
                if (kids[kid].id == id)
                    return kidIndex(top, kid, column);
            }
        }
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!node(index))
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

protected:
    using TwoLevelModel::TwoLevelModel;

    qsizetype topCount() const override { return m_rows.size(); }
    qsizetype kidCount(qsizetype top) const override { return m_rows[top].kids.size(); }

private:
    static bool sameShape(const QList<Node>& a, const QList<Node>& b) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i].id != b[i].id || a[i].kids.size() != b[i].kids.size())
                return false;
            for (qsizetype k = 0; k < a[i].kids.size(); ++k) {
                if (a[i].kids[k].id != b[i].kids[k].id)
                    return false;
            }
        }
        return true;
    }

    QList<Node> m_rows;
};

} // namespace pellimor
