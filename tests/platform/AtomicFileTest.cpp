#include "platform/Exceptions.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

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
    int failSync = 0;           // errno for the n-th fsync: see syncToFail
    int syncToFail = 1;         // 1 = the file, 2 = the folder
    int failSyncFileSystem = 0; // errno for syncfs
    int failClose = 0;
    int failRename = 0;              // errno for the renames chosen below (every one when renameToFail is 0)
    int renameToFail = 0;            // 1 = the first rename
    bool renamesKeepFailing = false; // every rename after that one fails too
    int syncs = 0;
    int fileSystemSyncs = 0;
    int renames = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> writeBacks; // (offset, length), in order
    int syncsBeforeLastWriteBack = 0;

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
    void StartWriteBack(int fd, std::int64_t offset, std::int64_t length) override {
        writeBacks.emplace_back(offset, length);
        syncsBeforeLastWriteBack = syncs;
        FileSystemCalls::StartWriteBack(fd, offset, length);
    }
    int Sync(int fd) override {
        if (++syncs == syncToFail && failSync != 0) {
            errno = failSync;
            return -1;
        }
        return FileSystemCalls::Sync(fd);
    }
    int SyncFileSystem(int fd) override {
        ++fileSystemSyncs;
        if (failSyncFileSystem == 0) return FileSystemCalls::SyncFileSystem(fd);
        errno = failSyncFileSystem;
        return -1;
    }
    int Close(int fd) override {
        const int result = FileSystemCalls::Close(fd);
        if (failClose == 0) return result;
        errno = failClose;
        return -1;
    }
    int Rename(const char* from, const char* to) override {
        ++renames;
        const bool fails = failRename != 0 && (renameToFail == 0 || renames == renameToFail ||
                                               (renamesKeepFailing && renames > renameToFail));
        if (!fails) return FileSystemCalls::Rename(from, to);
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

TEST(AtomicFile, AFileWrittenPieceByPieceTakesItsNameOnlyWhenCommitted) {
    QTemporaryDir dir;
    const QString path = dir.filePath("relatorio.pdf");
    ReplaceFileAtomically(path, kOld.toStdString());
    {
        AtomicFileWriter file(path, LinkAtName::Replace);
        file.Write("abc");
        file.Write(kNew.toStdString());
        EXPECT_EQ(ReadAll(path), kOld) << "the pieces wait beside the file";
        EXPECT_EQ(Entries(dir.path()).size(), 2);
    }
    EXPECT_EQ(ReadAll(path), kOld) << "a writer given up leaves the old file";
    EXPECT_EQ(Entries(dir.path()), QStringList{"relatorio.pdf"});

    FaultyCalls calls;
    calls.writeBudget = 5;
    {
        AtomicFileWriter file(path, LinkAtName::Replace, calls);
        file.Write("abc");
        try {
            file.Write(kNew.toStdString());
            ADD_FAILURE() << "a full disk passed unseen";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(),
                      QStringLiteral("Cannot write file \"%1\": %2").arg(path, std::strerror(ENOSPC)));
        }
    }
    EXPECT_EQ(ReadAll(path), kOld);
    EXPECT_EQ(Entries(dir.path()), QStringList{"relatorio.pdf"});

    AtomicFileWriter file(path, LinkAtName::Replace);
    file.Write("abc");
    file.Device().write(kNew);
    file.Commit();
    EXPECT_EQ(ReadAll(path), "abc" + kNew);
    EXPECT_EQ(Entries(dir.path()), QStringList{"relatorio.pdf"});
    EXPECT_THROW(file.Write("more"), Exception) << "a committed file takes no more bytes";
    EXPECT_THROW(file.Commit(), Exception);
    EXPECT_EQ(ReadAll(path), "abc" + kNew);
}

TEST(AtomicFile, ALargeFileIsWrittenBackInStepsWhileItIsMade) {
    QTemporaryDir dir;
    const QString path = dir.filePath("relatorio.pdf");
    const QByteArray page(300'000, 'p');
    FaultyCalls calls;
    calls.chunk = 65'536; // short writes still count every byte once
    AtomicFileWriter file(path, LinkAtName::Replace, calls);
    for (int i = 0; i < 50; ++i)
        file.Write(std::string_view(page.constData(), std::size_t(page.size())));
    file.Commit();
    EXPECT_EQ(ReadAll(path), page.repeated(50));

    // The ranges follow one another from the start, each a few megabytes, all before the sync.
    ASSERT_EQ(calls.writeBacks.size(), 3U);
    std::int64_t next = 0;
    for (const auto& [offset, length] : calls.writeBacks) {
        EXPECT_EQ(offset, next);
        EXPECT_GE(length, 4 << 20);
        EXPECT_LT(length, (4 << 20) + page.size());
        next = offset + length;
    }
    EXPECT_EQ(calls.syncsBeforeLastWriteBack, 0);
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
    // A set of files whose second one does not fit leaves the first as it was too.
    EXPECT_THROW(
        {
            FileSetReplacement set(path);
            set.Add(path, "small");
            set.Add(dir.filePath("pagina002.wmf"), kNew.toStdString());
            set.Commit();
        },
        Exception);
    EXPECT_EQ(ReadAll(path), kOld);
    EXPECT_EQ(Entries(dir.path()), (QStringList{"filler", "proposta.xml"}));

    ASSERT_TRUE(filler.resize(0));
    ReplaceFileAtomically(path, kNew.toStdString());
    EXPECT_EQ(ReadAll(path), kNew);
}

// Writes a.wmf, b.wmf and c.wmf as one set; returns the failure's message or "<no error>".
QString ReplaceSet(const QTemporaryDir& dir, FaultyCalls& calls) {
    try {
        FileSetReplacement set(dir.filePath("a.wmf"), calls);
        for (const char* name : {"a.wmf", "b.wmf", "c.wmf"})
            set.Add(dir.filePath(name), kNew.toStdString());
        set.Commit();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

// a.wmf and b.wmf are there from an earlier run, c.wmf is new: the renames are a and b set aside
// (1, 2), then a, b and c moved into place (3, 4, 5).
TEST(FileSet, EveryFailingCallLeavesTheEarlierFilesAndNoNewOne) {
    QTemporaryDir dir;
    const QString message = QStringLiteral("Cannot write file \"%1\": %2");
    const QString a = dir.filePath("a.wmf");
    const QString b = dir.filePath("b.wmf");
    const QString c = dir.filePath("c.wmf");
    const auto sys = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    const QString eio = sys(EIO);
    struct Case {
        const char* what;
        void (*arrange)(FaultyCalls&);
        QString reason;
    };
    const Case cases[] = {
        {"disk full in the second file", [](FaultyCalls& f) { f.writeBudget = 15000; },
         message.arg(b, sys(ENOSPC))},
        {"close fails", [](FaultyCalls& f) { f.failClose = EDQUOT; }, message.arg(a, sys(EDQUOT))},
        {"the file system cannot be synced", [](FaultyCalls& f) { f.failSyncFileSystem = EIO; },
         message.arg(a, eio)},
        {"an earlier file cannot be set aside",
         [](FaultyCalls& f) {
             f.failRename = EACCES;
             f.renameToFail = 2;
         },
         message.arg(b, QStringLiteral("the earlier file cannot be replaced: ") + sys(EACCES))},
        {"the last new file cannot be moved in",
         [](FaultyCalls& f) {
             f.failRename = EXDEV;
             f.renameToFail = 5;
         },
         message.arg(c, sys(EXDEV))},
        {"the folder cannot be synced after the moves",
         [](FaultyCalls& f) {
             f.failSync = EIO;
             f.syncToFail = 1;
         },
         message.arg(a, QStringLiteral("the folder could not be synced: ") + eio)},
    };
    for (const Case& k : cases) {
        ReplaceFileAtomically(a, kOld.toStdString());
        ReplaceFileAtomically(b, kOld.toStdString());
        FaultyCalls calls;
        k.arrange(calls);
        EXPECT_EQ(ReplaceSet(dir, calls), k.reason) << k.what;
        EXPECT_EQ(ReadAll(a), kOld) << k.what;
        EXPECT_EQ(ReadAll(b), kOld) << k.what;
        EXPECT_EQ(Entries(dir.path()), (QStringList{"a.wmf", "b.wmf"})) << k.what;
    }

    // When a move fails and the earlier files cannot be put back either, they stay where they were
    // set aside instead of going with the staging folder.
    FaultyCalls stuck;
    stuck.failRename = EIO;
    stuck.renameToFail = 3;
    stuck.renamesKeepFailing = true;
    EXPECT_EQ(ReplaceSet(dir, stuck), message.arg(a, eio));
    const QStringList left = Entries(dir.path());
    ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
    const QDir staging(dir.filePath(left.front()));
    int earlier = 0;
    for (const QString& name : staging.entryList(QDir::Files))
        earlier += ReadAll(staging.filePath(name)) == kOld ? 1 : 0;
    EXPECT_EQ(earlier, 2);
}

TEST(FileSet, ReplacesTheWholeSetWithOneSyncOfTheFileSystemAndOneOfTheFolder) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.wmf");
    ReplaceFileAtomically(a, kOld.toStdString());
    ASSERT_EQ(::chmod(QFile::encodeName(a).constData(), 0640), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    ReplaceFileAtomically(dir.filePath("real/b.wmf"), kOld.toStdString());
    ASSERT_TRUE(QFile::link(dir.filePath("real/b.wmf"), dir.filePath("b.wmf")));

    FaultyCalls calls;
    EXPECT_EQ(ReplaceSet(dir, calls), QStringLiteral("<no error>"));
    EXPECT_EQ(calls.fileSystemSyncs, 1);
    EXPECT_EQ(calls.syncs, 2) << "the folder of a and c, and the folder the link leads to";
    for (const char* name : {"a.wmf", "real/b.wmf", "c.wmf"})
        EXPECT_EQ(ReadAll(dir.filePath(name)), kNew) << name;
    EXPECT_TRUE(QFileInfo(dir.filePath("b.wmf")).isSymLink());
    struct stat mode {};
    ASSERT_EQ(::stat(QFile::encodeName(a).constData(), &mode), 0);
    EXPECT_EQ(mode.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.path()), (QStringList{"a.wmf", "b.wmf", "c.wmf", "real"}));

    // A large set replacing as many earlier files leaves the new ones and nothing of the old.
    QTemporaryDir many;
    const auto page = [&many](int n) {
        return many.filePath(QStringLiteral("p%1.emf").arg(n, 3, 10, QLatin1Char('0')));
    };
    for (int n = 1; n <= 200; ++n) {
        QFile earlier(page(n));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write(kOld);
    }
    {
        FileSetReplacement pages(page(1));
        for (int n = 1; n <= 200; ++n)
            pages.Add(page(n), QByteArray::number(n).toStdString());
        pages.Commit();
    }
    const QStringList left = Entries(many.path());
    ASSERT_EQ(left.size(), 200) << left.first().toStdString();
    for (int n = 1; n <= 200; ++n)
        ASSERT_EQ(ReadAll(page(n)), QByteArray::number(n)) << n;

    // A folder in the way is refused before its content is written, and the set is spent.
    ASSERT_TRUE(QDir(dir.path()).mkdir("d.wmf"));
    FileSetReplacement blocked(a);
    blocked.Add(a, "x");
    EXPECT_THROW(blocked.Add(dir.filePath("d.wmf"), "y"), Exception);
    EXPECT_THROW(blocked.Commit(), Exception);
    EXPECT_EQ(ReadAll(a), kNew);

    // A set in a folder that does not exist fails as the first file's write.
    try {
        FileSetReplacement missing(dir.filePath("sem/m001.wmf"));
        ADD_FAILURE() << "a set without its folder";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains("m001.wmf")) << e.Message().toStdString();
    }
}

// A 6-page set replaced by a 4-page one left pages 5 and 6 beside the new four.
TEST(FileSet, FilesTheNewSetNoLongerHasGoInTheSameStepAndComeBackWhenItFails) {
    QTemporaryDir dir;
    const auto page = [&dir](int n) {
        return dir.filePath(QStringLiteral("g%1.emf").arg(n, 3, 10, QLatin1Char('0')));
    };
    const QString elsewhere = dir.filePath("elsewhere.emf");
    const auto earlierSet = [&] {
        for (int n = 1; n <= 5; ++n)
            ReplaceFileAtomically(page(n), "old " + std::to_string(n));
        QFile::remove(page(6));
        ASSERT_TRUE(QFile::link(elsewhere, page(6)));
    };
    ReplaceFileAtomically(elsewhere, "elsewhere");
    earlierSet();
    const auto replaceWithFour = [&](FileSystemCalls& calls) {
        FileSetReplacement set(page(1), LinkAtName::Replace, calls);
        for (int n = 1; n <= 4; ++n)
            set.Add(page(n), "new " + std::to_string(n));
        set.Remove(page(5));
        set.Remove(page(6));
        set.Commit();
    };

    // Every failing rename of the step puts the earlier set back whole.
    for (int failing = 1; failing <= 10; ++failing) {
        SCOPED_TRACE(failing);
        FaultyCalls calls;
        calls.failRename = EIO;
        calls.renameToFail = failing;
        EXPECT_THROW(replaceWithFour(calls), Exception);
        for (int n = 1; n <= 5; ++n)
            EXPECT_EQ(ReadAll(page(n)), QByteArray("old ") + QByteArray::number(n)) << n;
        EXPECT_TRUE(QFileInfo(page(6)).isSymLink());
        EXPECT_EQ(Entries(dir.path()).size(), 7) << Entries(dir.path()).join(' ').toStdString();
    }
    FaultyCalls calls;
    replaceWithFour(calls);
    EXPECT_EQ(Entries(dir.path()),
              (QStringList{"elsewhere.emf", "g001.emf", "g002.emf", "g003.emf", "g004.emf"}));
    EXPECT_EQ(ReadAll(page(4)), QByteArray("new 4"));
    EXPECT_EQ(ReadAll(elsewhere), QByteArray("elsewhere")) << "a link removed, not what it led to";

    // Only a file or a link is removed: a folder of the name is refused at once.
    ASSERT_TRUE(QDir(dir.path()).mkdir("g005.emf"));
    FileSetReplacement set(page(1), LinkAtName::Replace);
    EXPECT_THROW(set.Remove(page(5)), Exception);
}

} // namespace
} // namespace quorvel
