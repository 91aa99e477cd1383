#include "FinalCut/FinalCutProcess.h"

#include "Platform/Clock.h"
#include "Platform/FinalCutApp.h"
#include "Platform/Services.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace pellimor {

namespace {

// One quit in progress: the looks left and where the answer goes.
struct QuitWatch : std::enable_shared_from_this<QuitWatch> {
    QPointer<QObject> context;
    std::function<void(bool)> done;
    std::chrono::milliseconds pause;
    int looksLeft = 0;

    void waitAndLook() {
        if (!context)
            return;
        platform::services().clock->after(pause, context.data(),
                                          [self = shared_from_this()] { self->look(); });
    }

    void look() {
        --looksLeft;
        if (platform::services().finalCut->running().isEmpty())
            return done(true);
        if (looksLeft <= 0)
            return done(false);
        waitAndLook();
    }
};

// Looks after each pause until no instance runs, and answers whether none does.
void watchUntilNoneRuns(int looks, std::chrono::milliseconds pause, QObject* context,
                        std::function<void(bool)> done) {
    auto watch = std::make_shared<QuitWatch>();
    watch->context = context;
    watch->done = std::move(done);
    watch->pause = pause;
    watch->looksLeft = looks;
    watch->waitAndLook();
}

} // namespace

void FinalCutProcess::quitFinalCut(bool force, QObject* context, std::function<void(bool)> done) {
    quitFinalCut(force, force ? forcedQuitLooks : quitLooks, force ? forcedQuitPause : quitPause, context,
                 std::move(done));
}

void FinalCutProcess::quitFinalCut(bool force, int looks, std::chrono::milliseconds pause, QObject* context,
                                   std::function<void(bool)> done) {
    const std::shared_ptr<platform::FinalCutApp> app = platform::services().finalCut;
    const QList<qint64> instances = app->running();
    if (instances.isEmpty())
        return done(true);
    // The requests go out once; the looks only watch what comes of them.
    for (const qint64 pid : instances) {
        if (force)
            app->forceTerminate(pid);
        else
            app->terminate(pid);
    }
    watchUntilNoneRuns(looks, pause, context, std::move(done));
}

void FinalCutProcess::quitInstance(qint64 pid, int looks, std::chrono::milliseconds pause, QObject* context,
                                   std::function<void(bool)> done) {
    const std::shared_ptr<platform::FinalCutApp> app = platform::services().finalCut;
    if (app->running().isEmpty())
        return done(true);
    app->terminate(pid);
    watchUntilNoneRuns(looks, pause, context, std::move(done));
}

void FinalCutProcess::finalCutAnswers(std::chrono::seconds within, QObject* context,
                                      std::function<void(bool)> done) {
    const std::shared_ptr<platform::FinalCutApp> app = platform::services().finalCut;
    const QList<qint64> instances = app->running();
    if (instances.isEmpty())
        return done(true);
    app->answers(instances.first(), within, context, std::move(done));
}

} // namespace pellimor
