#pragma once

#include "MissingFiles/MissingSheet.h"

#include <QAbstractTableModel>
#include <QList>
#include <optional>

namespace pellimor {

// The missing-files table's rows: one per broken link under the drive filter, in the order of
// the list, with the seven columns of MissingSheet::defs(). Each row is judged once
// (MissingSheet::row) and judged again only when its found list, the user's pick for it or the
// end of a search changes it, so a redraw does not look at the disk. Every text a cell shows is
// its display text, its hover text its tip, its colour kToneRole, its font the font role.
//
// Main thread only.
class MissingTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kToneRole = Qt::UserRole + 1; // a CellTone, as an int
    static constexpr int kIdRole = Qt::UserRole + 2;   // MissingFile::id()

    explicit MissingTableModel(QObject* parent = nullptr);

    // Brings the rows up to `state` for `files` (MissingSheet::files of it). True when the rows
    // were replaced (other files), so the view's selection went with them.
    bool refresh(const MissingSheetState& state, const QList<MissingFile>& files);
    // Puts a row judged afresh (a found file may have gone since) in place of the row of the same
    // file, and redraws it when it changed.
    void replaceRow(const MissingSheet::Row& row);
    // The fonts changed ("Larger Text"): every cell is drawn again.
    void refont();

    const QList<MissingSheet::Row>& rows() const { return m_rows; }
    std::optional<MissingSheet::Row> rowAt(int row) const;
    int rowOf(const QString& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<MissingSheet::Row> m_rows;
    QList<std::optional<QString>> m_picks; // the user's pick each row was judged with
    bool m_searched = false;               // a search had completed when the rows were judged
};

} // namespace pellimor
