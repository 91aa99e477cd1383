#pragma once

#include "Support/WorkPool.h"

#include <QThreadPool>
#include <QtGlobal>
#include <functional>

namespace pellimor {

// Runs `work(begin, end)` over [0, count) cut into `chunks` consecutive pieces, on up to
// `pool`'s thread count of its threads and on the calling thread, and returns when every
// piece is done. The calling thread takes pieces itself, so a busy or exhausted pool only
// makes the work slower, never stuck; helpers that start after the last piece was taken end
// at once without touching `work`. `work` must not throw.
//
// Thread affinity: any thread but the main thread (it waits for pieces in progress on other
// threads), except where the main thread blocks for the whole work anyway: the catalogue's
// load while the program starts, before any window is shown.
void runInChunks(qsizetype count, qsizetype chunks,
                 const std::function<void(qsizetype begin, qsizetype end)>& work,
                 QThreadPool* pool = workPool());

} // namespace pellimor
