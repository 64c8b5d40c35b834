#include "platform/HugePageHeap.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

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

constexpr std::string_view kTunables = "GLIBC_TUNABLES";
constexpr std::string_view kHugePageHeap = "glibc.malloc.hugetlb";

// True unless the system has transparent huge pages switched off (or has none).
bool HugePagesOffered() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    if (!std::getline(setting, line)) return false;
    return line.find("[never]") == std::string::npos;
}

} // namespace

void StartWithHugePageHeap(char** argv) {
#if defined(__GLIBC__) && !defined(QUORVEL_SANITIZED_ALLOCATOR)
    const char* current = std::getenv(kTunables.data());
    const std::string_view tunables = current != nullptr ? current : "";
    // Already set, by the start before this one or by whoever started the program: left as it is.
    if (tunables.find(kHugePageHeap) != std::string_view::npos || !HugePagesOffered()) return;
    std::string value(tunables);
    if (!value.empty()) value += ':';
    value += kHugePageHeap;
    value += "=1";
    // The program's own file by its real name, so that the process keeps its name in process lists.
    std::string program(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size() - 1);
    if (length <= 0) return;
    program.resize(static_cast<std::size_t>(length));
    if (::setenv(kTunables.data(), value.c_str(), 1) != 0) return;
    ::execv(program.c_str(), argv);
    // The program cannot be started again: it goes on as it is; the setting stays, so that nothing
    // started from here tries again.
#else
    (void)argv;
#endif
}

} // namespace quorvel
