#include "platform/FileLock.h"

#include "platform/Files.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <csignal>

namespace quorvel {
namespace {

// What a lock file holds, read without waiting on it; none when there is no lock file.
std::optional<QByteArray> LockFileContent(const QString& name) {
    QFile file(name);
    if (!OpenRegularFileForReading(file).isEmpty()) return std::nullopt;
    return file.read(4096);
}

// How long a lock file that names nobody must have stood before it counts as garbage.
constexpr qint64 kSettleMs = 1000;

bool ProcessRuns(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// What a stale lock file was found to hold, for the message that it was taken over.
QString DescribeStale(const QByteArray& content, const LockHolder& holder, bool readable) {
    if (content.trimmed().isEmpty()) return QStringLiteral("it was empty");
    if (!readable || holder.pid <= 0) {
        QString shown = QString::fromUtf8(content.left(40)).simplified();
        for (QChar& c : shown)
            if (!c.isPrint()) c = QLatin1Char('?');
        return QStringLiteral("it named no process (\"%1\")").arg(shown);
    }
    QString who = QStringLiteral("process %1").arg(holder.pid);
    if (!holder.program.isEmpty()) who += QStringLiteral(" (%1)").arg(holder.program);
    return QStringLiteral("%1 no longer runs").arg(who);
}

} // namespace

FileLock::FileLock(const QString& path)
    : lock_(std::make_unique<QLockFile>(LockFileNameFor(path))) {
    // A proposal stays open for hours: only a holder that no longer runs makes a lock stale.
    lock_->setStaleLockTime(0);
}

FileLock::~FileLock() = default;

QString FileLock::LockFileNameFor(const QString& path) {
    return RealFilePath(path) + QStringLiteral(".lock");
}

QString FileLock::LockFileName() const {
    return lock_->fileName();
}

FileLock::Result FileLock::TryLock() {
    if (lock_->isLocked()) return Result::Locked;
    staleFound_.clear();
    for (int attempt = 0;; ++attempt) {
        const std::optional<QByteArray> found = LockFileContent(LockFileName());
        const auto taken = [&] {
            if (found) {
                LockHolder stale;
                const bool readable = ParseLockContent(*found, stale);
                staleFound_ = DescribeStale(*found, stale, readable);
            }
            return Result::Locked;
        };
        if (lock_->tryLock(0)) return taken();
        if (lock_->error() != QLockFile::LockFailedError) return Result::Unavailable;
        holder_ = {};
        const bool named =
            lock_->getLockInfo(&holder_.pid, &holder_.host, &holder_.program) && holder_.pid > 0;
        const bool thisMachine = holder_.host.isEmpty() || holder_.host == QSysInfo::machineHostName();
        if (named && (!thisMachine || ProcessRuns(holder_.pid))) return Result::InUse;
        // A lock file is written the moment it is made: content that names nobody counts as garbage
        // once the file has stood unchanged a moment, so that a lock being taken right now is not
        // mistaken for it.
        if (!named && attempt == 0) {
            const qint64 age = QFileInfo(LockFileName()).lastModified().msecsTo(QDateTime::currentDateTime());
            if (age >= 0 && age < kSettleMs) {
                QThread::msleep(static_cast<unsigned long>(kSettleMs - age));
                continue;
            }
        }
        // Content that names no live process of this machine holds nothing. Removing it fails while
        // a live holder keeps its lock on the file.
        if (lock_->removeStaleLockFile() && lock_->tryLock(0)) return taken();
        return Result::InUse;
    }
}

bool FileLock::ParseLockContent(const QByteArray& content, LockHolder& holder) {
    const QList<QByteArray> lines = content.split('\n');
    if (lines.size() < 3) return false;
    bool number = false;
    holder.pid = lines[0].toLongLong(&number);
    if (!number) return false;
    holder.program = QString::fromUtf8(lines[1]);
    holder.host = QString::fromUtf8(lines[2]);
    return true;
}

} // namespace quorvel
