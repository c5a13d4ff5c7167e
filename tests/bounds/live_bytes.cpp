#include "live_bytes.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace telvia::testing {
namespace {

// Blocks are counted at their usable size: what the allocator really gave.
std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

void counted(void* block)
{
    const std::size_t now = live.fetch_add(malloc_usable_size(block)) + malloc_usable_size(block);
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

void* allocate(std::size_t size, std::size_t alignment)
{
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    void* block = alignment <= alignof(std::max_align_t) ? std::malloc(size == 0 ? 1 : size)
                                                          : std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    counted(block);
    return block;
}

void release(void* block) noexcept
{
    if (block != nullptr) {
        live.fetch_sub(malloc_usable_size(block));
        std::free(block);
    }
}

}  // namespace

std::size_t liveBytes() { return live.load(); }
std::size_t peakBytes() { return peak.load(); }
void resetPeak() { peak.store(live.load()); }

}  // namespace telvia::testing

using telvia::testing::allocate;
using telvia::testing::release;

void* operator new(std::size_t size) { return allocate(size, alignof(std::max_align_t)); }
void* operator new[](std::size_t size) { return allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t alignment) { return allocate(size, static_cast<std::size_t>(alignment)); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return allocate(size, static_cast<std::size_t>(alignment)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size, alignof(std::max_align_t));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
