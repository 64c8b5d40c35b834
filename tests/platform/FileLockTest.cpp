#include "platform/FileLock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace quorvel {
namespace {

TEST(FileLock, SecondEditorIsToldWhoHoldsTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("proposta.xml"));
    {
        FileLock first(file);
        ASSERT_EQ(first.TryLock(), FileLock::Result::Locked);
        EXPECT_EQ(first.TryLock(), FileLock::Result::Locked);
        EXPECT_EQ(first.LockFileName(), file + QStringLiteral(".lock"));
        EXPECT_TRUE(QFileInfo::exists(file + QStringLiteral(".lock")));

        FileLock second(file);
        ASSERT_EQ(second.TryLock(), FileLock::Result::InUse);
        EXPECT_EQ(second.Holder().pid, QCoreApplication::applicationPid());
        EXPECT_EQ(second.Holder().host, QSysInfo::machineHostName());
        EXPECT_FALSE(second.Holder().program.isEmpty());
    }
    // Released with its holder, and free for the next one.
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".lock")));
    FileLock next(file);
    EXPECT_EQ(next.TryLock(), FileLock::Result::Locked);
}

TEST(FileLock, LockOfAProcessThatEndedIsTakenOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("proposta.xml"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileLock lock(file);
        _exit(lock.TryLock() == FileLock::Result::Locked ? 0 : 1); // ends without releasing it
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFileInfo::exists(file + QStringLiteral(".lock")));

    FileLock lock(file);
    ASSERT_EQ(lock.TryLock(), FileLock::Result::Locked);
    EXPECT_EQ(lock.StaleLockFound(), QStringLiteral("process %1 (test_platform) no longer runs").arg(child));
    FileLock other(file);
    ASSERT_EQ(other.TryLock(), FileLock::Result::InUse);
    EXPECT_EQ(other.Holder().pid, QCoreApplication::applicationPid());
    EXPECT_EQ(other.StaleLockFound(), QString());
}

TEST(FileLock, NoLockWhereNoFileCanBeMade) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    FileLock lock(dir.filePath(QStringLiteral("sem/pasta/proposta.xml")));
    EXPECT_EQ(lock.TryLock(), FileLock::Result::Unavailable);
}

// Content that names nobody makes a lock stale only when no live holder keeps its lock on the file:
// a lock whose file was overwritten while its holder runs is not taken.
TEST(FileLock, ALiveHolderKeepsItsLockWhateverItsFileSays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("proposta.xml"));
    FileLock held(file);
    ASSERT_EQ(held.TryLock(), FileLock::Result::Locked);
    {
        QFile overwritten(held.LockFileName());
        ASSERT_TRUE(overwritten.open(QIODevice::WriteOnly | QIODevice::Truncate));
        overwritten.write("garbage");
        ASSERT_TRUE(overwritten.flush());
        ASSERT_TRUE(overwritten.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                            QFileDevice::FileModificationTime));
    }
    FileLock other(file);
    EXPECT_EQ(other.TryLock(), FileLock::Result::InUse);
    EXPECT_TRUE(QFileInfo::exists(held.LockFileName()));
}

} // namespace
} // namespace quorvel
