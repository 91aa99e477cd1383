#include "Support/ParallelChunks.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace pellimor {

namespace {

// What the caller and its helpers share. Helpers hold it by a shared pointer, so a helper that
// starts after the caller returned still finds it alive; `work` is only reached through a
// piece, and the caller waits for every piece.
struct Pieces {
    qsizetype count = 0;
    qsizetype chunks = 0;
    const std::function<void(qsizetype, qsizetype)>* work = nullptr;
    std::atomic<qsizetype> next{0};
    std::atomic<qsizetype> done{0};

    // Takes and runs pieces until none is left.
    void drain() {
        while (true) {
            const qsizetype piece = next.fetch_add(1);
            if (piece >= chunks)
                return;
            const qsizetype begin = count * piece / chunks;
            const qsizetype end = count * (piece + 1) / chunks;
            (*work)(begin, end);
            if (done.fetch_add(1) + 1 == chunks)
                done.notify_all();
        }
    }
};

} // namespace

void runInChunks(qsizetype count, qsizetype chunks, const std::function<void(qsizetype, qsizetype)>& work,
                 QThreadPool* pool) {
    if (count <= 0)
        return;
    chunks = std::clamp<qsizetype>(chunks, 1, count);
    if (chunks == 1 || !pool) {
        work(0, count);
        return;
    }
    auto pieces = std::make_shared<Pieces>();
    pieces->count = count;
    pieces->chunks = chunks;
    pieces->work = &work;
    const qsizetype helpers = std::min<qsizetype>(pool->maxThreadCount(), chunks - 1);
    for (qsizetype i = 0; i < helpers; ++i)
        pool->start([pieces] { pieces->drain(); });
    pieces->drain();
    for (qsizetype done = pieces->done.load(); done != chunks; done = pieces->done.load())
        pieces->done.wait(done);
}

} // namespace pellimor
