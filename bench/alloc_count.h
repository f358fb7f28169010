// Heap allocations counted by interposing malloc, calloc and realloc for the
// whole process (the show, libstdc++'s operator new, Mesa, libopenmpt alike),
// and operator new on its own.
// Linked into whole_show only; whole_show_plain gets zeros, so that heap
// profilers (which interpose malloc themselves) still see every call.
#ifndef MARDUNQIST_BENCH_ALLOC_COUNT_H
#define MARDUNQIST_BENCH_ALLOC_COUNT_H

#include <cstdint>

namespace alloccount {

// False when nothing is counted.
bool active();

// Allocations made by the calling thread so far.
std::uint64_t thisThread();

// Of those, the ones made through operator new: C++ code (the show, LLVM,
// libopenmpt); Mesa's C code calls malloc directly.
std::uint64_t newsThisThread();

// Of those, the ones called straight from this program's own code (the show
// and the benchmark), not from a library.
std::uint64_t ownNewsThisThread();

// Allocations made by every thread so far.
std::uint64_t allThreads();

} // namespace alloccount

#endif
