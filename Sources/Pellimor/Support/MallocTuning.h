#pragma once

#include <QString>

// How the C library's allocator is set up for this program, once, before anything allocates in
// earnest. glibc hands memory back to the system whenever enough lies free at the top of a
// heap, and reading many library databases one after another frees and takes back the same
// memory over and over; a higher trim threshold keeps it. Measured against glibc as it is and
// against jemalloc and mimalloc (bench/compare-allocators.sh), this made the first scan and the
// media lists' load faster and left the catalogue's save and load as they were, for a few per
// cent more peak memory, where both other allocators made the save and the load slower.
//
// A build configured with -DTOVLIN_ALLOCATOR=glibc leaves glibc as it is.
namespace pellimor::MallocTuning {

// Sets the thresholds. Call first thing in main(); later calls change nothing.
void apply();

// The allocator as apply() left it, for the benchmarks to print.
QString description();

} // namespace pellimor::MallocTuning
