#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QRectF>
#include <QTreeView>
#include <functional>
#include <optional>

namespace pellimor {

// A button painted inside a cell (not a widget): where its icon is drawn, in view coordinates,
// whether it takes clicks, and which of the cell's buttons it is.
struct CellButton {
    int part = 0;
    QRectF rect;
    bool enabled = true;
};

// An outline table whose rows may carry icon buttons painted by its delegate in one column:
// one row selected at a time, alternating row colours, movable and clickable headers. It hands
// on what the user does: a click on an enabled button (pressed and released on it), the row
// menu asked for by a right click or the menu key, and the primary action, a double click or
// Return on a row. A press on a button, enabled or not, never selects the row beneath it, and
// each button's click target reaches `hitMargin` beyond its icon.
//
// Main thread only.
class ButtonTreeView : public QTreeView {
    Q_OBJECT
public:
    // Lays out the buttons of the cell at `index` in `option.rect`, as the delegate paints them.
    using Placer =
        std::function<QList<CellButton>(const QStyleOptionViewItem& option, const QModelIndex& index)>;

    explicit ButtonTreeView(QWidget* parent = nullptr);

    // The column holding the buttons, how far their targets reach, and who places them.
    void setButtons(int column, qreal hitMargin, Placer placer);

    // The buttons of the row at `index` as the view places them now (view coordinates); none
    // while their column is hidden.
    QList<CellButton> hits(const QModelIndex& index);
    // Whether `point` falls within the target of `button`.
    bool hitsButton(const CellButton& button, const QPointF& point) const;

Q_SIGNALS:
    void buttonClicked(const QModelIndex& index, int part);
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
    std::optional<CellButton> hitAt(const QPoint& point);

    int m_column = -1;
    qreal m_hitMargin = 0;
    Placer m_placer;
    struct Press {
        QPersistentModelIndex index;
        int part = 0;
    };
    std::optional<Press> m_pressed;
};

} // namespace pellimor
