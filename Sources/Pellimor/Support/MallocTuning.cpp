#include "Support/MallocTuning.h"

#include <atomic>
#include <malloc.h>

namespace pellimor::MallocTuning {

namespace {

#ifdef TOVLIN_MALLOC_THRESHOLDS
// Freed memory stays with the process until this much lies free at the top of a heap.
constexpr int kTrimThreshold = 256 * 1024 * 1024;
// Blocks this large and larger get mappings of their own, as the largest (the catalogue's
// file and its text, whole media lists) always did; smaller ones come from the heaps. Fixed,
// so it no longer moves with what was freed last. 32 MiB is the most glibc takes.
constexpr int kMmapThreshold = 32 * 1024 * 1024;
#endif

std::atomic<bool> applied{false};

} // namespace

void apply() {
#ifdef TOVLIN_MALLOC_THRESHOLDS
    if (applied.exchange(true))
        return;
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
#endif
}

QString description() {
#ifdef TOVLIN_MALLOC_THRESHOLDS
    if (applied.load())
        return QStringLiteral("glibc malloc, trim threshold %1 MiB and mmap threshold %2 MiB set at start-up")
            .arg(kTrimThreshold / (1024 * 1024))
            .arg(kMmapThreshold / (1024 * 1024));
#endif
    return QStringLiteral("glibc malloc");
}

} // namespace pellimor::MallocTuning
