#pragma once

class QWidget;

namespace pellimor {

// Makes `window` as tall as its layout needs at its present width, and never shorter than it
// is. A window's minimum height leaves out wrapped lines, so a text that arrives after the
// window is shown (a plan's blockers, a run's message) would squeeze the part that stretches;
// growing only keeps the window from jumping while its content changes. Sheets call it on each
// of their LayoutRequest events. Main thread only.
void growToFit(QWidget* window);

} // namespace pellimor
