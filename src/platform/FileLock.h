#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace quorvel {

// The process that holds a lock file, as the file records it.
struct LockHolder {
    qint64 pid = 0;
    QString program;
    QString host;
};

// A lock file beside a file that is open for editing ("proposta.xml" gets "proposta.xml.lock"), so
// that a second program window or tool that opens the same file for editing is refused instead of
// silently losing one of the two edits when both write it back. A lock left behind by a process of
// this machine that no longer runs is taken over; a lock is never taken for being old. Destroying
// the object releases the lock.
class FileLock {
public:
    enum class Result {
        Locked,      // this object holds the lock
        InUse,       // another process holds it: see Holder()
        Unavailable, // no lock file can be made there (a read-only folder, for instance)
    };

    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    Result TryLock();
    // Who holds the lock, after TryLock answered InUse (empty fields when the file says nothing).
    const LockHolder& Holder() const noexcept { return holder_; }
    QString LockFileName() const;

    static QString LockFileNameFor(const QString& path);

private:
    std::unique_ptr<QLockFile> lock_;
    LockHolder holder_;
};

} // namespace quorvel
