#include "AllocationMeter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> base{0};
std::atomic<std::size_t> limit{std::numeric_limits<std::size_t>::max()};

void* Allocate(std::size_t size, std::size_t alignment) {
    const std::size_t start = base.load(std::memory_order_relaxed);
    const std::size_t now = inUse.load(std::memory_order_relaxed);
    if (now + size > start && now + size - start > limit.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    void* p = alignment <= alignof(std::max_align_t)
                  ? std::malloc(size == 0 ? 1 : size)
                  : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (p == nullptr) throw std::bad_alloc();
    const std::size_t after =
        inUse.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    std::size_t highest = peak.load(std::memory_order_relaxed);
    while (after > highest && !peak.compare_exchange_weak(highest, after, std::memory_order_relaxed)) {
    }
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr) return;
    inUse.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size, 0);
}
void* operator new[](std::size_t size) {
    return Allocate(size, 0);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return Allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return Allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}

namespace quorvel::testing {

AllocationMeter::AllocationMeter(std::size_t bytes) {
    const std::size_t now = inUse.load();
    base.store(now);
    peak.store(now);
    limit.store(bytes);
}

AllocationMeter::~AllocationMeter() {
    limit.store(std::numeric_limits<std::size_t>::max());
}

std::size_t AllocationMeter::Peak() const noexcept {
    const std::size_t highest = peak.load(), start = base.load();
    return highest > start ? highest - start : 0;
}

} // namespace quorvel::testing
