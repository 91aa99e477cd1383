#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QString>

class QAbstractItemView;
class QEvent;

namespace pellimor {

class Catalog;

// The star that marks a library as a favourite or takes the mark away, in front of a library's
// name. It exists twice over: as this widget, for panels, and as a cell's star, which a
// table's delegate paints with CellPainter::drawStar and hands its mouse events to
// handleCellEvent(). Both ask the catalogue whether the path is a favourite, both toggle it
// through Catalog::toggleFavorite, and both redraw when the catalogue reports a change, so
// every star of one library shows the same state and pressing any of them flips them all.
//
// The star is 16 × 16 in the layout, but a press up to 3 pixels beyond it counts: the widget
// watches its parent for presses in that margin, and a cell's star hit-tests the enlarged
// area itself. The hover tip says what a press does ("Add to Favorites", "Remove from
// Favorites"). Main thread only.
class FavoriteStar : public QAbstractButton {
    Q_OBJECT
public:
    FavoriteStar(Catalog& catalog, const QString& path, QWidget* parent = nullptr);
    ~FavoriteStar() override;

    const QString& path() const { return m_path; }
    // What the star shows now.
    bool isFavorite() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // ---- A cell's star ----------------------------------------------------------------

    // Whether a pointer at `point` presses the star drawn in `frame`.
    static bool hits(const QRectF& frame, const QPointF& point);
    // For a delegate's editorEvent: a left press on the star in `frame` is taken (true), and a
    // left release on it toggles the favourite (true); any other event is not the star's (false).
    static bool handleCellEvent(Catalog& catalog, const QString& path, const QRectF& frame, QEvent* event);
    // Redraws `view` whenever the catalogue's favourites change, for as long as both live.
    static void repaintOnChange(Catalog& catalog, QAbstractItemView* view);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void follow();
    void watchParent();
    void pressCatalog();

    QPointer<Catalog> m_catalog;
    QString m_path;
    QPointer<QWidget> m_watched;
    bool m_pressedInMargin = false;
};

} // namespace pellimor
