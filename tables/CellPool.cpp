// Slab allocation for cells: fixed-size slots in 2 MiB slabs found from a
// slot's address by alignment, a free list per slab, and a list per size
// class of slabs with room. A slab is one huge page where the system offers
// them: a large table then costs a few page faults instead of thousands.
#include "tables/CellPool.h"

#include "platform/HugePages.h"
#include "platform/Sanitizers.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#if DULO_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#define DULO_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define DULO_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define DULO_POISON(p, n) ((void)(p), (void)(n))
#define DULO_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

constexpr std::size_t kSlabSize = dulo::CellPool::kSlabSize;
// Cells need no more than 8-byte alignment; a finer granule wastes less of each slot.
constexpr std::size_t kGranule = 8;
constexpr std::size_t kMaxPooled = 256;
constexpr std::size_t kClassCount = kMaxPooled / kGranule;

struct Slab {
    Slab* prev;
    Slab* next;
    void* freeList;
    char* bump;
    char* end;
    std::size_t slotSize;
    std::uint32_t live;
    bool listed;  // in its class's list of slabs with room
};

constexpr std::size_t kHeaderSize = (sizeof(Slab) + 15) / 16 * 16;

struct SizeClass {
    Slab* current = nullptr;  // where allocation happens; never released
    Slab* withRoom = nullptr;  // other slabs that have free slots
};

struct Pool {
    SizeClass classes[kClassCount];
    std::size_t slabs = 0;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

// The host serialises its calls, but nothing stops two of its threads from
// touching cells one after the other; an uncontended spin lock is cheap.
std::atomic_flag g_lock = ATOMIC_FLAG_INIT;

struct Guard {
    Guard() {
        while (g_lock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Guard() { g_lock.clear(std::memory_order_release); }
};

std::size_t ClassOf(std::size_t size) { return (size + kGranule - 1) / kGranule - 1; }

Slab* SlabOf(void* p) {
    return reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(p) & ~(std::uintptr_t(kSlabSize) - 1));
}

void Unlink(SizeClass& c, Slab* s) {
    if (s->prev) s->prev->next = s->next;
    else c.withRoom = s->next;
    if (s->next) s->next->prev = s->prev;
    s->prev = s->next = nullptr;
    s->listed = false;
}

void Link(SizeClass& c, Slab* s) {
    s->prev = nullptr;
    s->next = c.withRoom;
    if (c.withRoom) c.withRoom->prev = s;
    c.withRoom = s;
    s->listed = true;
}

Slab* NewSlab(std::size_t slotSize) {
    void* memory = std::aligned_alloc(kSlabSize, kSlabSize);
    if (!memory) throw std::bad_alloc();
    dulo::AdviseHugePages(memory, kSlabSize);
    Slab* s = static_cast<Slab*>(memory);
    char* base = static_cast<char*>(memory);
    *s = Slab{nullptr, nullptr, nullptr, base + kHeaderSize, base + kSlabSize, slotSize, 0, false};
    DULO_POISON(s->bump, kSlabSize - kHeaderSize);
    ++ThePool().slabs;
    return s;
}

void ReleaseSlab(Slab* s) {
    DULO_UNPOISON(s, kSlabSize);
    std::free(s);
    --ThePool().slabs;
}

bool HasRoom(const Slab* s) { return s->freeList || s->bump + s->slotSize <= s->end; }

}  // namespace

namespace dulo::CellPool {

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    if (size > kMaxPooled) return ::operator new(size);
    Guard guard;
    SizeClass& c = ThePool().classes[ClassOf(size)];
    Slab* s = c.current;
    if (!s || !HasRoom(s)) {
        if (c.withRoom) {
            s = c.withRoom;
            Unlink(c, s);
        } else {
            s = NewSlab((ClassOf(size) + 1) * kGranule);
        }
        // The old current slab is full; it joins the list when a slot frees up.
        c.current = s;
    }
    void* p;
    if (s->freeList) {
        p = s->freeList;
        DULO_UNPOISON(p, s->slotSize);
        s->freeList = *static_cast<void**>(p);
    } else {
        p = s->bump;
        DULO_UNPOISON(p, s->slotSize);
        s->bump += s->slotSize;
    }
    ++s->live;
    return p;
}

void Free(void* p, std::size_t size) noexcept {
    if (!p) return;
    if (size == 0) size = 1;
    if (size > kMaxPooled) {
        ::operator delete(p);
        return;
    }
    Guard guard;
    SizeClass& c = ThePool().classes[ClassOf(size)];
    Slab* s = SlabOf(p);
    *static_cast<void**>(p) = s->freeList;
    s->freeList = p;
    DULO_POISON(p, s->slotSize);
    --s->live;
    if (s == c.current) return;
    if (s->live == 0) {
        if (s->listed) Unlink(c, s);
        ReleaseSlab(s);
    } else if (!s->listed) {
        Link(c, s);
    }
}

std::size_t SlabCount() {
    Guard guard;
    return ThePool().slabs;
}

}  // namespace dulo::CellPool
