#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QRectF>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>

namespace pellimor {

class SidebarModel;
class TipRegions;

// Draws the sidebar's headers and rows, and is where their small buttons live: a drive's
// rescan button and role pill, a watched folder's refresh and remove buttons, and the drive
// sections' "Select all". The buttons are parts of the painted row, not widgets, so they
// survive every reset of the model; one layout function places them for painting, for tips
// and for clicks, and each click target reaches 5 pixels beyond the part on every side
// (iconHitArea). A press on an enabled part is the delegate's (editorEvent), and the release on
// the same part is its click; a press on a collapsible section's header opens or closes it.
// Each part shows its own tip; elsewhere the row's help text is the tip.
//
// Main thread only.
class SidebarDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Part { rescan, role, refresh, remove, selectAll };

    // A button of one row: where it is drawn (view coordinates) and whether it takes clicks.
    struct Hit {
        Part part;
        QRectF rect;
        bool enabled = true;
        // Whether a pointer at `point` is on its enlarged click target.
        bool contains(const QPointF& point) const;
    };

    static constexpr qreal hitMargin = 5;

    explicit SidebarDelegate(const SidebarModel& model, QObject* parent = nullptr);

    // Told of each click on an enabled part, and of each press on a collapsible header.
    std::function<void(const QModelIndex& index, Part part)> onPart;
    std::function<void(const QModelIndex& header)> onHeader;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The buttons of the row at `index` laid out in `option.rect`.
    QList<Hit> hits(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // A press on a part is under way: the view leaves the pointer's moves and its release to
    // the delegate, so they never select rows.
    bool isPressing() const { return m_pressed.has_value(); }

private:
    // Lays out the row once: paints when `painter` is set, records the parts' tips and hits
    // when those are set.
    void layout(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                TipRegions* tips, QList<Hit>* hits) const;

    struct Press {
        QPersistentModelIndex index;
        Part part;
    };

    const SidebarModel& m_model;
    std::optional<Press> m_pressed;
};

} // namespace pellimor
