#include "platform/Exceptions.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name);
}

// System calls that fail the way a full or broken disk does, or hand out short writes.
class FaultyCalls : public FileSystemCalls {
public:
    long writeBudget = -1; // bytes accepted before writes fail with ENOSPC; -1 = unlimited
    long chunk = 0;        // when positive, every write takes at most this many bytes
    bool interruptOnce = false;
    int failSync = 0;   // errno for the n-th fsync: see syncToFail
    int syncToFail = 1; // 1 = the file, 2 = the folder
    int failClose = 0;
    int failRename = 0;
    int syncs = 0;

    long Write(int fd, const char* data, std::size_t size) override {
        if (interruptOnce) {
            interruptOnce = false;
            errno = EINTR;
            return -1;
        }
        if (chunk > 0) size = std::min<std::size_t>(size, std::size_t(chunk));
        if (writeBudget >= 0) {
            if (writeBudget == 0) {
                errno = ENOSPC;
                return -1;
            }
            size = std::min<std::size_t>(size, std::size_t(writeBudget));
            writeBudget -= long(size);
        }
        return FileSystemCalls::Write(fd, data, size);
    }
    int Sync(int fd) override {
        if (failSync != 0 && ++syncs == syncToFail) {
            errno = failSync;
            return -1;
        }
        return FileSystemCalls::Sync(fd);
    }
    int Close(int fd) override {
        const int result = FileSystemCalls::Close(fd);
        if (failClose == 0) return result;
        errno = failClose;
        return -1;
    }
    int Rename(const char* from, const char* to) override {
        if (failRename == 0) return FileSystemCalls::Rename(from, to);
        errno = failRename;
        return -1;
    }
};

const QByteArray kOld = QByteArray(9000, 'o'); // below any write buffer: the case a late flush lost
const QByteArray kNew = QByteArray(12000, 'n');

QString Reason(const QString& path, FaultyCalls& calls) {
    try {
        ReplaceFileAtomically(path, kNew.toStdString(), calls);
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

TEST(AtomicFile, EveryFailingCallLeavesTheOldFileAndNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("proposta.xml");
    ReplaceFileAtomically(path, kOld.toStdString());
    const QString prefix = QStringLiteral("Cannot write file \"%1\": ").arg(path);

    struct Case {
        const char* what;
        void (*arrange)(FaultyCalls&);
        QString reason;
    };
    const Case cases[] = {
        {"disk full at once", [](FaultyCalls& c) { c.writeBudget = 0; }, std::strerror(ENOSPC)},
        {"disk full after 4096 bytes", [](FaultyCalls& c) { c.writeBudget = 4096; }, std::strerror(ENOSPC)},
        {"disk full on the last byte", [](FaultyCalls& c) { c.writeBudget = 11999; }, std::strerror(ENOSPC)},
        {"sync fails", [](FaultyCalls& c) { c.failSync = EIO; }, std::strerror(EIO)},
        {"close fails", [](FaultyCalls& c) { c.failClose = EDQUOT; }, std::strerror(EDQUOT)},
        {"rename fails", [](FaultyCalls& c) { c.failRename = EXDEV; }, std::strerror(EXDEV)},
    };
    for (const Case& c : cases) {
        FaultyCalls calls;
        c.arrange(calls);
        EXPECT_EQ(Reason(path, calls), prefix + c.reason) << c.what;
        EXPECT_EQ(ReadAll(path), kOld) << c.what;
        EXPECT_EQ(Entries(dir.path()), QStringList{"proposta.xml"}) << c.what;
    }
}

TEST(AtomicFile, AWriterThatIgnoresAFailedWriteIsStillCaught) {
    QTemporaryDir dir;
    const QString path = dir.filePath("proposta.xml");
    ReplaceFileAtomically(path, kOld.toStdString());
    FaultyCalls calls;
    calls.writeBudget = 100;
    EXPECT_THROW(ReplaceFileAtomically(
                     path, [](QIODevice& out) { out.write(kNew); }, calls),
                 Exception);
    EXPECT_EQ(ReadAll(path), kOld);
    EXPECT_EQ(Entries(dir.path()), QStringList{"proposta.xml"});
}

TEST(AtomicFile, ShortAndInterruptedWritesStillWriteEveryByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("proposta.xml");
    FaultyCalls calls;
    calls.chunk = 7;
    calls.interruptOnce = true;
    ReplaceFileAtomically(path, kNew.toStdString(), calls);
    EXPECT_EQ(ReadAll(path), kNew);
    EXPECT_EQ(Entries(dir.path()), QStringList{"proposta.xml"});
}

TEST(AtomicFile, AFolderThatCannotBeSyncedIsReportedAfterTheReplacement) {
    QTemporaryDir dir;
    const QString path = dir.filePath("proposta.xml");
    FaultyCalls calls;
    calls.failSync = EIO;
    calls.syncToFail = 2;
    EXPECT_EQ(Reason(path, calls),
              QStringLiteral("Cannot write file \"%1\": the folder could not be synced: %2")
                  .arg(path, QString::fromLocal8Bit(std::strerror(EIO))));
    EXPECT_EQ(ReadAll(path), kNew) << "the rename had already happened";
}

TEST(AtomicFile, KeepsTheModeOfTheFileAndReplacesTheTargetOfALink) {
    QTemporaryDir dir;
    const QString path = dir.filePath("config.ini");
    ReplaceFileAtomically(path, "a");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ReplaceFileAtomically(path, "b");
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);

    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(path, link));
    ReplaceFileAtomically(link, "c");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadAll(path), QByteArray("c"));
    EXPECT_THROW(ReplaceFileAtomically(QString(), "x"), Exception);
}

// A real tiny filesystem, filled up: what a supplier's full disk does to a save.
TEST(AtomicFile, AFullFilesystemNeverTruncatesTheFile) {
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (geteuid() != 0 || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "needs root and permission to mount a tmpfs";
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount2(at.constData(), MNT_DETACH); }
    } unmount{mountPoint};

    const QString path = dir.filePath("proposta.xml");
    ReplaceFileAtomically(path, kOld.toStdString());
    // Fill every free block but about one page.
    QFile filler(dir.filePath("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(1024, 'f');
    while (filler.write(block) == block.size()) {
    }
    filler.close();
    ASSERT_TRUE(filler.resize(filler.size() - 4096));

    EXPECT_THROW(ReplaceFileAtomically(path, kNew.toStdString()), Exception);
    EXPECT_EQ(ReadAll(path), kOld);
    EXPECT_FALSE(CopyFileReplacing(path, dir.filePath("copy.xml"))) << "a copy that does not fit";
    EXPECT_EQ(Entries(dir.path()), (QStringList{"filler", "proposta.xml"}));

    ASSERT_TRUE(filler.resize(0));
    ReplaceFileAtomically(path, kNew.toStdString());
    EXPECT_EQ(ReadAll(path), kNew);
}

} // namespace
} // namespace quorvel
