#pragma once

#include <QStyledItemDelegate>

namespace pellimor {

// Draws the missing-files table's cells from the model's roles: each in its font and the
// colour of its tone (the selection's text colour on a selected row), on one line, the file's
// name, the old folder and the found path shortened in the middle so both ends stay readable,
// the other texts at their end. The hover text is the cell's tip.
//
// Main thread only.
class MissingTableDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // One line of the table's 13-point text and its padding, at the font scale in force.
    static int rowHeight();
    // How a column's text is shortened when it does not fit.
    static Qt::TextElideMode elideMode(int column);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace pellimor
