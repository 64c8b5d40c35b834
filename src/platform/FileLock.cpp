#include "platform/FileLock.h"

#include <QLockFile>

namespace quorvel {

FileLock::FileLock(const QString& path)
    : lock_(std::make_unique<QLockFile>(LockFileNameFor(path))) {
    // A proposal stays open for hours: only a holder that no longer runs makes a lock stale.
    lock_->setStaleLockTime(0);
}

FileLock::~FileLock() = default;

QString FileLock::LockFileNameFor(const QString& path) {
    return path + QStringLiteral(".lock");
}

QString FileLock::LockFileName() const {
    return lock_->fileName();
}

FileLock::Result FileLock::TryLock() {
    if (lock_->isLocked() || lock_->tryLock(0)) return Result::Locked;
    if (lock_->error() != QLockFile::LockFailedError) return Result::Unavailable;
    holder_ = {};
    lock_->getLockInfo(&holder_.pid, &holder_.host, &holder_.program);
    return Result::InUse;
}

} // namespace quorvel
