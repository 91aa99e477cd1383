#pragma once

#include "Compare/Views/CompareDelegate.h"

#include <QPersistentModelIndex>
#include <QTreeView>
#include <optional>

namespace pellimor {

class CompareModel;

// The Compare screen's outline table: group rows that open to their copy rows, one row
// selected at a time, alternating row colours. It owns its delegate and hands on what the user
// does: a click on a copy's enabled "Open" button (pressed and released on it), the row menu
// asked for by a right click or the menu key, and the primary action, a double click or Return
// on a row. A press on a button never selects the row beneath it.
//
// Main thread only.
class CompareTable final : public QTreeView {
    Q_OBJECT
public:
    CompareTable(CompareModel& model, QWidget* parent = nullptr);

    CompareDelegate* delegate() const { return m_delegate; }

    // The buttons of the copy row at `index` as the view places them now (view coordinates).
    QList<CompareDelegate::Hit> hits(const QModelIndex& index);

Q_SIGNALS:
    void buttonClicked(const QModelIndex& index, CompareDelegate::Part part);
    // `index` is the row under the pointer, else the current row; invalid when there is none.
    void menuRequested(const QModelIndex& index, const QPoint& globalPos);
    void primaryAction(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QStyleOptionViewItem optionFor(const QModelIndex& index) const;
    std::optional<CompareDelegate::Hit> hitAt(const QPoint& point);

    CompareModel& m_model;
    CompareDelegate* m_delegate = nullptr;
    struct Press {
        QPersistentModelIndex index;
        CompareDelegate::Part part;
    };
    std::optional<Press> m_pressed;
};

} // namespace pellimor
