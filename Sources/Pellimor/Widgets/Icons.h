#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QStringList>

// The program's icons, named by the symbol names the views use ("star.fill", "externaldrive",
// "arrow.clockwise"). Each name maps once, in one table, to an icon of the desktop's theme
// where the freedesktop.org naming has one, with a small monochrome SVG of our own (compiled
// in from Resources/Icons) when the theme lacks it or there is no theme at all (as on servers
// and in tests). Main thread only.
namespace pellimor::Icons {

// The icon of `symbol`; a null icon for a name the table does not know.
QIcon icon(const QString& symbol);

// The theme name `symbol` asks for ("" when it always uses our own).
QString themeName(const QString& symbol);

// Our own picture of `symbol`: the resource path, ":/icons/<symbol>.svg".
QString fallbackPath(const QString& symbol);

// Every symbol name the table knows, in table order.
QStringList symbols();

// The icon drawn in one colour at `size` logical pixels for a device pixel ratio, for icons
// that carry a state by colour (a yellow star, a secondary-coloured folder). Cached. A null
// pixmap for an unknown name.
QPixmap tinted(const QString& symbol, const QSize& size, const QColor& color, qreal devicePixelRatio = 1.0);

} // namespace pellimor::Icons
