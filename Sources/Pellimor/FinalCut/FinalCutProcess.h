#pragma once

#include <QtGlobal>
#include <chrono>
#include <functional>

class QObject;

namespace pellimor {

// The running Final Cut Pro, as the open flow needs it: making it quit before something may
// change under it, and telling whether it still answers. Both wait on the program's clock and
// never block the main thread; each call keeps its own state, so several may run at once.
// Main thread only; `done` runs on the main thread, once, and never after `context` is gone.
struct FinalCutProcess {
    // Asks every running instance to quit (or forces it with `force`), once, then looks again
    // after each pause — 30 pauses of 0.5 s, or 40 of 0.25 s with force — until none runs.
    // True as soon as none runs (at once, with nothing sent, when none ran); false when one
    // still runs at the last look.
    static void quitFinalCut(bool force, QObject* context, std::function<void(bool gone)> done);
    // The same with the caller's own patience: `looks` looks, each after a pause of `pause`.
    static void quitFinalCut(bool force, int looks, std::chrono::milliseconds pause, QObject* context,
                             std::function<void(bool gone)> done);

    // Asks the one instance `pid` to quit (a normal quit), once, and sends nothing to any other;
    // then looks after each of `looks` pauses of `pause` until no instance runs at all. True as
    // soon as none runs (at once, with nothing sent, when none ran); false when one still runs
    // at the last look, the one asked or another.
    static void quitInstance(qint64 pid, int looks, std::chrono::milliseconds pause, QObject* context,
                             std::function<void(bool gone)> done);

    // Whether Final Cut Pro answers a request within `within`: true at once when none runs,
    // else the platform's answer for the first instance.
    static void finalCutAnswers(std::chrono::seconds within, QObject* context,
                                std::function<void(bool answered)> done);

    static constexpr int quitLooks = 30;
    static constexpr std::chrono::milliseconds quitPause{500};
    static constexpr int forcedQuitLooks = 40;
    static constexpr std::chrono::milliseconds forcedQuitPause{250};
};

} // namespace pellimor
