#pragma once
// Pooled storage for cells. A worksheet table creates and destroys hundreds
// of thousands of small cells; taking them from 2 MiB slabs instead of the
// general heap keeps creation and destruction cheap. A slab goes back to the
// heap as soon as its last cell is freed, so nothing is retained after a
// table is destroyed (beyond one slab per size class).
#include <cstddef>

namespace dulo::CellPool {

constexpr std::size_t kSlabSize = 2 * 1024 * 1024;

// Storage for an object of size bytes, 8-byte aligned (any size; large ones use the heap).
void* Allocate(std::size_t size);
// Frees what Allocate(size) returned; size must be the same.
void Free(void* p, std::size_t size) noexcept;

// Slabs currently held (for tests and benchmarks).
std::size_t SlabCount();

}  // namespace dulo::CellPool
