#pragma once

#include "Platform/AccessibilityElement.h"

#include <QString>
#include <QtGlobal>
#include <optional>

namespace pellimor {

// Finds Final Cut Pro's library update prompt among its windows through the Accessibility
// service. It only reads the window trees; what to press is the caller's decision. A window is
// the prompt when it holds a button titled "Update", one titled "Cancel" and static text that
// says the library "must be updated". Keeps no state; an attribute that cannot be read counts
// as absent, so an application without trust, one that quit, or a window that closed during
// the walk yields nothing. Main thread only.
namespace AX {

struct UpdateDialog {
    platform::AccessibilityElementPtr update;
    platform::AccessibilityElementPtr cancel;
    // The static texts of the window, joined with single spaces, in the order they were met.
    QString text;
};

// The walk's bounds, which keep one search short enough to repeat every two seconds.
inline constexpr int maxExamined = 400;
inline constexpr int maxOpenedDepth = 5; // elements deeper are examined, not opened

// The first prompt among the windows of the application running as `pid`.
std::optional<UpdateDialog> findUpdateDialog(qint64 pid);

// The prompt in one window's tree, depth first from the last child: at most maxExamined
// elements, children opened down to maxOpenedDepth below the window. A later "Update" or
// "Cancel" replaces an earlier one.
std::optional<UpdateDialog> search(const platform::AccessibilityElementPtr& window);

} // namespace AX

} // namespace pellimor
