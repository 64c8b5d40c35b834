#include "platform/HugePageHeap.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVEL_SANITIZED_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVEL_SANITIZED_ALLOCATOR 1
#endif

namespace quorvel {

namespace {

// True unless the system has transparent huge pages switched off (or has none).
[[maybe_unused]] bool HugePagesOffered() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    if (!std::getline(setting, line)) return false;
    return line.find("[never]") == std::string::npos;
}

} // namespace

void UseHugePagesForTheHeap() {
#if defined(__GLIBC__) && !defined(QUORVEL_SANITIZED_ALLOCATOR)
    if (!HugePagesOffered()) return;
    constexpr std::size_t kHugePage = 2 << 20;
    constexpr std::size_t kGrowth = 128 << 20; // address space only: pages come as they are touched
    // Every growth of the heap asks for this much more; blocks up to 32 MiB come from the heap and
    // freed memory is kept, so that it is used again without being faulted in again.
    if (mallopt(M_TOP_PAD, static_cast<int>(kGrowth)) == 0 || mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kGrowth)) == 0)
        return;
    // A block larger than what the heap has free makes it grow now, by the block and the padding.
    auto* const before = static_cast<char*>(sbrk(0));
    void* const probe = std::malloc(4 << 20);
    asm volatile("" : : "r"(probe) : "memory"); // the block is wanted: the call is not to be left out
    auto* const after = static_cast<char*>(sbrk(0));
    std::free(probe);
    if (before == reinterpret_cast<char*>(-1) || after <= before) return; // the heap could not grow
    const auto start = (reinterpret_cast<std::uintptr_t>(before) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(after) & ~(kHugePage - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#endif
}

} // namespace quorvel
