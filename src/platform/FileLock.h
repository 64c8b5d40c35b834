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
// silently losing one of the two edits when both write it back. The lock is named after the file's
// real path, links resolved, so that every name of one file shares one lock. A lock file whose
// content names no live process of this machine (garbage, nothing, a process that ended) is stale
// and is taken over, and StaleLockFound says what it held; a lock is never taken for being old.
// Destroying the object releases the lock.
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
    // After TryLock answered Locked over a stale lock file: what that file held ("it was empty",
    // "process 123 (quorvel-packet) no longer runs" …); empty when there was none.
    const QString& StaleLockFound() const noexcept { return staleFound_; }
    QString LockFileName() const;

    static QString LockFileNameFor(const QString& path);

private:
    // The holder a lock file's content names: "pid\nprogram\nhost\n…"; false when it names none.
    static bool ParseLockContent(const QByteArray& content, LockHolder& holder);

    std::unique_ptr<QLockFile> lock_;
    LockHolder holder_;
    QString staleFound_;
};

} // namespace quorvel
