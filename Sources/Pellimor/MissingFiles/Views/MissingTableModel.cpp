#include "MissingFiles/Views/MissingTableModel.h"

#include "Widgets/UiFont.h"

namespace pellimor {

namespace {

using MissingSheet::Column;

std::optional<QString> pickOf(const MissingSheetState& state, const MissingFile& file) {
    const auto pick = state.picked.constFind(file.id());
    return pick == state.picked.cend() ? std::nullopt : std::optional(*pick);
}

bool sameFiles(const QList<MissingSheet::Row>& rows, const QList<MissingFile>& files) {
    if (rows.size() != files.size())
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows.at(i).file != files.at(i))
            return false;
    return true;
}

// The names and the drive in the table's standard text; where the file was, and what was found
// for it, smaller.
qreal points(int column) {
    return column >= int(Column::wasAt) ? 12 : 13;
}

} // namespace

MissingTableModel::MissingTableModel(QObject* parent) : QAbstractTableModel(parent) {}

bool MissingTableModel::refresh(const MissingSheetState& state, const QList<MissingFile>& files) {
    const bool searched = state.searchedIn.has_value();
    if (!sameFiles(m_rows, files)) {
        beginResetModel();
        m_rows.clear();
        m_picks.clear();
        for (const MissingFile& file : files) {
            m_rows.append(MissingSheet::row(state, file));
            m_picks.append(pickOf(state, file));
        }
        m_searched = searched;
        endResetModel();
        return true;
    }
    // A completed search decides "Not found" for every row; otherwise only rows whose list or
    // pick changed are judged again.
    const bool all = searched != m_searched;
    m_searched = searched;
    int first = -1;
    int last = -1;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        MissingSheet::Row& row = m_rows[i];
        const std::optional<QString> pick = pickOf(state, row.file);
        if (!all && pick == m_picks.at(i) && MissingSheet::foundList(state, row.file) == row.list)
            continue;
        row = MissingSheet::row(state, row.file);
        m_picks[i] = pick;
        if (first < 0)
            first = int(i);
        last = int(i);
    }
    if (first >= 0)
        Q_EMIT dataChanged(index(first, 0), index(last, MissingSheet::columnCount - 1));
    return false;
}

void MissingTableModel::replaceRow(const MissingSheet::Row& row) {
    const int at = rowOf(row.file.id());
    if (at < 0 || m_rows.at(at) == row)
        return;
    m_rows[at] = row;
    Q_EMIT dataChanged(index(at, 0), index(at, MissingSheet::columnCount - 1));
}

void MissingTableModel::refont() {
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, MissingSheet::columnCount - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, MissingSheet::columnCount - 1);
}

std::optional<MissingSheet::Row> MissingTableModel::rowAt(int row) const {
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    return m_rows.at(row);
}

int MissingTableModel::rowOf(const QString& id) const {
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).file.id() == id)
            return int(i);
    return -1;
}

int MissingTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MissingTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : MissingSheet::columnCount;
}

QVariant MissingTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= MissingSheet::columnCount)
        return {};
    const MissingSheet::Row& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return MissingSheet::cell(row, Column(index.column())).text;
    case Qt::ToolTipRole: {
        const QString tip = MissingSheet::cell(row, Column(index.column())).tip;
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case kToneRole:
        return int(MissingSheet::cell(row, Column(index.column())).tone);
    case kIdRole:
        return row.file.id();
    case Qt::FontRole:
        return UiFont::font(points(index.column()));
    default:
        return {};
    }
}

QVariant MissingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= MissingSheet::columnCount)
        return {};
    if (role == Qt::DisplayRole)
        return MissingSheet::defs().at(section).title;
    return {};
}

} // namespace pellimor
