#pragma once

// Whether the segment rule of the toolbar's contrast keeper is in force: in the dark look, the
// unselected segments of the toolbar's segmented control draw light labels (the selected one
// keeps the style's own). The rule is switched on once per process, when the main window
// first shows, and by the self-test that checks it; it is never switched off. The widgets that
// apply it live in Widgets/ToolbarContrast.h. Thread-safe.
namespace pellimor::ToolbarContrast {

// Puts the segment rule in force and answers true, also when it already was.
bool install();

// Whether install() has run in this process.
bool installed();

} // namespace pellimor::ToolbarContrast
