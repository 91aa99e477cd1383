#pragma once

class QThreadPool;

namespace pellimor {

// The pool Tovlin's own background work runs on: scans, reads, searches, posters, media lists.
// Qt's raster painting splits large fills over QThreadPool::globalInstance() and waits for
// those pieces on the main thread, so work that holds threads for long must not fill that pool:
// a scan occupying every thread of it would freeze the window until a read finished, and a
// test that holds every thread would hang the first paint. Safe from any thread; lives until
// the program exits, like the global pool.
QThreadPool* workPool();

// Every thread of the pool is at work. A task that goes on through many items (a walk, a queue
// of checks or reads) asks between items and, while this holds, hands the rest of its work to
// the pool again and returns, so that work asked for meanwhile takes its turn instead of waiting
// for the whole queue.
bool workPoolIsBusy();

} // namespace pellimor
