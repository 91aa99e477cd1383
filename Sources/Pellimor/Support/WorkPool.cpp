#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace pellimor {

namespace {

void finishWork() {
    workPool()->waitForDone();
}

} // namespace

QThreadPool* workPool() {
    // Never destroyed: a pool that is a static of its own would be torn down among Qt's own
    // statics at exit, in an order nobody controls, and crashed there. Its work is waited for
    // when the application object goes, as Qt does for its global pool.
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        qAddPostRoutine(finishWork);
        return made;
    }();
    return pool;
}

bool workPoolIsBusy() {
    QThreadPool* const pool = workPool();
    return pool->activeThreadCount() >= pool->maxThreadCount();
}

} // namespace pellimor
