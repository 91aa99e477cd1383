#pragma once

#include "Support/TextSpan.h"
#include "Widgets/Pill.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;

namespace pellimor {

struct SizeBar;
class TipRegions;

// The pieces every table cell and panel draws: pills, the online dot, numbers in digits of
// equal width, highlighted text, the favourite star and the size bar. Each function places its
// piece in the area it is given, draws it when `painter` is not null, and adds the piece's
// area and hover tip to `tips` when that is not null; with no painter it only places, which is
// how a delegate answers a tip or a click with the same layout it paints (TipRegions.h).
//
// Font sizes are in points before the font scale (`scale`: 1.3 with "Larger Text", else 1);
// paddings, gaps and dot sizes are logical pixels and do not scale. `dark` picks the dark-look
// colours (DarkLook::isDark of the cell's palette). Painters are left as they were found.
// Main thread only.
namespace CellPainter {

// ---- Texts and symbols ---------------------------------------------------------------------

// `text` on one line in `font` and `colour`, aligned in `area` by the horizontal part of
// `alignment` and centred vertically, shortened by `elide` when it does not fit.
void drawText(QPainter* painter, const QRectF& area, const QString& text, const QFont& font,
              const QColor& colour, Qt::Alignment alignment, Qt::TextElideMode elide = Qt::ElideRight);
// The symbol (Icons.h) tinted in `colour`, filling `box`, sharp at the painter's pixel ratio.
void drawIcon(QPainter* painter, const QString& symbol, const QRectF& box, const QColor& colour);

// ---- Pills ------------------------------------------------------------------------------

constexpr qreal pillPaddingX = 5; // left and right of the label
constexpr qreal pillPaddingY = 1; // above and below

// 10 points × scale, bold.
QFont pillFont(double scale);
// The label's width plus the padding on both sides, by the label's height plus its padding.
QSizeF pillSize(const QString& label, double scale);
// Pills from the left edge of `area`, `gap` apart, centred vertically, each with its own tip;
// answers the width they take (0 for none). Pills beyond the area's right edge are still
// placed (a cell clips them).
qreal drawPills(QPainter* painter, const QRectF& area, const QList<Pill>& pills, qreal gap, double scale,
                TipRegions* tips);

// ---- The online dot ---------------------------------------------------------------------

// "Drive connected" or "Drive not connected".
QString onlineTip(bool online);
// A dot `diameter` across (the views use 6, 7 or 8) centred on `centre`: green when the drive
// is connected, grey at half opacity when not.
void drawOnlineDot(QPainter* painter, const QPointF& centre, qreal diameter, bool online, bool dark,
                   TipRegions* tips);

// ---- Numbers ------------------------------------------------------------------------------

// The font for byte counts and whole numbers in tables: every digit equally wide, so numbers
// in a column line up and a column measured once fits every value of the same length. It is
// DejaVu Sans (whose digits are of one width, and which the program installs) at
// `points × scale`, so widths and screenshots are the same on every machine.
QFont digitFont(qreal points, std::optional<QFont::Weight> weight, double scale);
// A byte count as the file manager writes it ("1.2 GB").
QString bytesText(qint64 bytes);
// A whole number with the locale's digit grouping.
QString wholeNumberText(qint64 number);
// `text` (a number) in `font` (a digitFont) and `color`, aligned in `area`, shortened with an
// ellipsis when it does not fit.
void drawDigits(QPainter* painter, const QRectF& area, const QString& text, Qt::Alignment alignment,
                const QFont& font, const QColor& color);

// ---- Highlighted text -----------------------------------------------------------------------

// `text` on one line in `font` and `color`, left-aligned and centred vertically in `area`,
// shortened at the end with an ellipsis when it does not fit; each span (the search's
// matches) is drawn in black on yellow at 60 % opacity. Spans are clipped to the text (and to
// what stays visible of it); empty, negative and out-of-range spans are passed over, and
// overlapping ones merge.
void drawHighlighted(QPainter* painter, const QRectF& area, const QString& text, const QList<TextSpan>& spans,
                     const QFont& font, const QColor& color, bool dark);

// ---- The favourite star -------------------------------------------------------------------

constexpr qreal starSide = 16;     // the star's frame
constexpr qreal starHitMargin = 3; // its click target reaches this far beyond the frame

// "Remove from Favorites" or "Add to Favorites".
QString starTip(bool favorite);
// The star in its 16 × 16 `frame`: filled yellow for a favourite, an outline in the secondary
// colour otherwise. The tip covers the enlarged click target.
void drawStar(QPainter* painter, const QRectF& frame, bool favorite, bool dark, TipRegions* tips);

// ---- The size bar -----------------------------------------------------------------------

constexpr qreal sizeBarCellHeight = 8;   // in table cells
constexpr qreal sizeBarPanelHeight = 10; // in panels (SizeBarView)

// The bar filling `rect`: a capsule track (grey, darker in the dark look, outlined inside its
// edge in the secondary colour) and, from its leading edge, the filled part in teal, purple and
// orange, clipped to a capsule. Its tip is the bar's tooltip.
void drawSizeBar(QPainter* painter, const QRectF& rect, const SizeBar& bar, bool dark, TipRegions* tips);
// A cell's bar: sizeBarCellHeight high, as wide as `cell` less `inset` on each side, centred
// vertically.
QRectF sizeBarCellRect(const QRectF& cell, qreal inset = 0);

} // namespace CellPainter

} // namespace pellimor
