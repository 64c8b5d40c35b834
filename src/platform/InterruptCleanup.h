#pragma once

#include <QByteArray>

#include <mutex>

namespace quorvel {

// The temporary files and folders a process makes on its way to a file (the staging file of an
// atomic replacement, the staging folder of a set of files, the page store's overflow file) must not
// outlive it when it is interrupted.
//
// RemoveTemporariesOnInterrupt sets handlers for SIGINT, SIGTERM and SIGHUP. At the first of them
// every temporary registered at that moment is removed and the process ends with 128 + the signal's
// number (130, 143, 129), as a shell reports a process that a signal ended; a second signal ends it
// at once. The removal runs on a thread of its own, outside the signal handler, under the lock of
// LockTemporaries: a temporary being made, renamed into place or removed while the signal comes is
// finished first, so that the process ends with each one either in place or gone. A process that
// never calls it keeps the signals' default actions.
void RemoveTemporariesOnInterrupt();

// Held while a temporary is made, renamed into place or removed. Recursive: a registration under it
// takes it again.
std::unique_lock<std::recursive_mutex> LockTemporaries();

// One registered temporary, for as long as the object lives or until Release. The path is removed
// at an interruption (a folder with the files in it); destroying the registration only forgets it.
class TemporaryPath {
public:
    enum class Kind { File, Folder };

    TemporaryPath(QByteArray path, Kind kind);
    ~TemporaryPath();
    TemporaryPath(const TemporaryPath&) = delete;
    TemporaryPath& operator=(const TemporaryPath&) = delete;

    // The path is no temporary any more: renamed into place, removed, or to be kept.
    void Release() noexcept;

private:
    long id_;
};

} // namespace quorvel
