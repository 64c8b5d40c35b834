#include "platform/InterruptCleanup.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <map>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace quorvel {
namespace {

// Signals reach a process as a whole, so what their handling needs is the process's own: the
// registered temporaries and the pipe on which the handler wakes the cleanup thread.
struct Registry {
    std::recursive_mutex mutex;
    std::map<long, std::pair<QByteArray, TemporaryPath::Kind>> paths;
    long next = 1;
};

Registry& TheRegistry() {
    // Never destroyed: the cleanup thread may still need it while the process is ending.
    static Registry* const registry = new Registry;
    return *registry;
}

std::atomic<int> signalPipe{-1};
std::atomic<int> signalsSeen{0};

// Only what may run in a signal handler: the first signal wakes the cleanup thread, a second one, or
// a handler that cannot wake it, ends the process at once.
void OnSignal(int signal) {
    if (signalsSeen.fetch_add(1) > 0) _exit(128 + signal);
    const auto number = static_cast<unsigned char>(signal);
    const int fd = signalPipe.load();
    if (fd < 0 || ::write(fd, &number, 1) != 1) _exit(128 + signal);
}

[[noreturn]] void CleanUpAfterSignal(int readEnd) {
    unsigned char number = 0;
    while (::read(readEnd, &number, 1) != 1) {
        if (errno != EINTR) _exit(1);
    }
    Registry& registry = TheRegistry();
    // Held until the process ends: what is being made or moved now is finished first, nothing new
    // is begun.
    registry.mutex.lock();
    for (const auto& [id, entry] : registry.paths) {
        if (entry.second == TemporaryPath::Kind::Folder)
            QDir(QFile::decodeName(entry.first)).removeRecursively();
        else
            ::unlink(entry.first.constData());
    }
    _exit(128 + number);
}

} // namespace

void RemoveTemporariesOnInterrupt() {
    static std::once_flag once;
    std::call_once(once, [] {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        signalPipe.store(fds[1]);
        std::thread(CleanUpAfterSignal, fds[0]).detach();
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        // Calls the signal interrupts go on: the process runs on until the cleanup thread ends it.
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    });
}

std::unique_lock<std::recursive_mutex> LockTemporaries() {
    return std::unique_lock(TheRegistry().mutex);
}

TemporaryPath::TemporaryPath(QByteArray path, Kind kind) {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    id_ = registry.next++;
    registry.paths.emplace(id_, std::pair(std::move(path), kind));
}

TemporaryPath::~TemporaryPath() {
    Release();
}

void TemporaryPath::Release() noexcept {
    if (id_ == 0) return;
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.paths.erase(id_);
    id_ = 0;
}

} // namespace quorvel
