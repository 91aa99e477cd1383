#pragma once

#include <QString>
#include <functional>

// "--selftest-manual": the manual's page checks and, only when they pass, its search checks.
// Laying the page out needs a QGuiApplication: without any application object one is made for
// the run, on the "offscreen" platform unless QT_QPA_PLATFORM names another, so the switch
// needs no display. Main thread only.
namespace pellimor::ManualSelfTests {

// 0 when both passed, else 1. Each self-test prints its own lines through `print`.
int run(const std::function<void(const QString&)>& print);

} // namespace pellimor::ManualSelfTests
