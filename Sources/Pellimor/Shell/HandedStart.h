#pragma once

#include "Shell/SingleInstance.h"

namespace pellimor {

class Catalog;

// A later start's request carried out by the running window, the way the window's own first
// appearance acts on its arguments (StartupPlan::decideStartup): "--resume" resumes the paused
// scan, "--scan" with paths scans them (relative ones from the request's working folder),
// and neither asks only for the window to come forward. Unlike a first appearance it never
// asks "Refresh the scan?" or refreshes the watched folders, and while a scan is under way it
// starts nothing: what a later start asked for is then refused, not dropped in silence.
// Main thread only.
namespace HandedStart {

SingleInstance::Outcome carryOut(Catalog& catalog, const SingleInstance::Request& request);

} // namespace HandedStart

} // namespace pellimor
