#pragma once
// Large buffers written once into fresh memory fault in far faster in 2 MiB
// pages than in 4 KiB ones; where the system offers transparent huge pages,
// the buffers that are megabytes long are advised to use them.
#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace dulo {

constexpr size_t kHugePageSize = size_t(2) << 20;

// Advises huge pages for the whole huge pages inside [start, start + bytes).
// Advice only: without it, or where it fails, nothing changes.
inline void AdviseHugePages(void* start, size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const uintptr_t begin = reinterpret_cast<uintptr_t>(start);
    const uintptr_t first = (begin + kHugePageSize - 1) & ~uintptr_t(kHugePageSize - 1);
    const uintptr_t end = (begin + bytes) & ~uintptr_t(kHugePageSize - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)start;
    (void)bytes;
#endif
}

}  // namespace dulo
