#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

QString SystemMessage(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// An unbuffered device over the temporary file: every write reaches the system at once and its
// failure is remembered, so that a writer that ignores a short write is still caught afterwards.
class CheckedFileDevice final : public QIODevice {
public:
    CheckedFileDevice(int fd, FileSystemCalls& calls)
        : fd_(fd)
        , calls_(calls) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    int Error() const noexcept { return error_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (error_ != 0) return -1;
        qint64 done = 0;
        while (done < size) {
            const long wrote = calls_.Write(fd_, data + done, std::size_t(size - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                error_ = wrote < 0 ? errno : ENOSPC; // a write that takes nothing means no room
                setErrorString(SystemMessage(error_));
                return -1;
            }
            done += wrote;
        }
        return done;
    }

private:
    int fd_;
    FileSystemCalls& calls_;
    int error_ = 0;
};

// A replacement keeps the permissions of the file it replaces.
void KeepMode(const QString& target, int fd) {
    struct stat old {};
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
}

// Runs the writer on the open file and throws the first failed write as the failure to write `path`.
void WriteChecked(int fd, const QString& path, const std::function<void(QIODevice&)>& writer,
                  FileSystemCalls& calls) {
    CheckedFileDevice device(fd, calls);
    writer(device);
    if (device.Error() != 0) ThrowWriteError(path, SystemMessage(device.Error()));
}

std::function<void(QIODevice&)> BytesWriter(const QString& path, std::string_view bytes) {
    return [&path, bytes](QIODevice& out) {
        const auto size = static_cast<qint64>(bytes.size());
        if (out.write(bytes.data(), size) != size) ThrowWriteError(path, out.errorString());
    };
}

// The temporary file beside the target: removed on every path except a successful rename.
class TemporaryFile {
public:
    TemporaryFile(const QString& target, FileSystemCalls& calls)
        : calls_(calls) {
        const QFileInfo info(target);
        const QString stem = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.');
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            name_ = QFile::encodeName(stem + QString::number(QRandomGenerator::global()->generate(), 36) +
                                      QStringLiteral(".tmp"));
            fd_ = ::open(name_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) ThrowWriteError(target, SystemMessage(errno));
        KeepMode(target, fd_);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) calls_.Close(fd_);
        if (!renamed_) ::unlink(name_.constData());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Descriptor() const noexcept { return fd_; }

    // Syncs and closes the file, then renames it over target; returns 0 or the failing call's errno.
    int Commit(const QByteArray& target) {
        if (calls_.Sync(fd_) != 0) return errno;
        const int fd = std::exchange(fd_, -1);
        if (calls_.Close(fd) != 0) return errno;
        if (calls_.Rename(name_.constData(), target.constData()) != 0) return errno;
        renamed_ = true;
        return 0;
    }

private:
    FileSystemCalls& calls_;
    QByteArray name_;
    int fd_ = -1;
    bool renamed_ = false;
};

// The target a save really replaces: a symbolic link is followed so that the link itself stays.
QString ResolvedTarget(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

int SyncFolder(const QString& folder, FileSystemCalls& calls) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = calls.Sync(fd) == 0 || errno == EINVAL ? 0 : errno; // EINVAL: cannot be synced
    ::close(fd);
    return result;
}

// Removes the files in a folder, then the folder. A removal can wait on the disk for as long as the
// file system takes to release the file's blocks (one that discards freed blocks does it there and
// then, a few milliseconds a file), so a set of many files is removed by several threads side by side.
void RemoveFolderOfFiles(const QByteArray& folder) noexcept {
    try {
        const QDir dir(QFile::decodeName(folder));
        std::vector<QByteArray> files;
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
            files.push_back(QFile::encodeName(dir.filePath(name)));
        std::atomic<std::size_t> next{0};
        const auto remove = [&files, &next] {
            for (std::size_t i; (i = next++) < files.size();)
                ::unlink(files[i].constData());
        };
        {
            std::vector<std::jthread> helpers;
            for (std::size_t n = std::min<std::size_t>(7, files.size() / 32); n > 0; --n)
                helpers.emplace_back(remove);
            remove();
        }
        if (::rmdir(folder.constData()) != 0) QDir(QFile::decodeName(folder)).removeRecursively();
    } catch (...) {
        // A thread that cannot be started: whatever is left goes one file at a time.
        QDir(QFile::decodeName(folder)).removeRecursively();
    }
}

} // namespace

long FileSystemCalls::Write(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
int FileSystemCalls::Sync(int fd) {
    return ::fsync(fd);
}
int FileSystemCalls::SyncFileSystem(int fd) {
    return ::syncfs(fd);
}
int FileSystemCalls::Close(int fd) {
    return ::close(fd);
}
int FileSystemCalls::Rename(const char* from, const char* to) {
    return ::rename(from, to);
}

FileSystemCalls& SystemFileCalls() {
    static FileSystemCalls calls; // stateless: the real system calls
    return calls;
}

void ReplaceFileAtomically(const QString& path, std::string_view bytes, FileSystemCalls& calls) {
    ReplaceFileAtomically(path, BytesWriter(path, bytes), calls);
}

void ReplaceFileAtomically(const QString& path, const std::function<void(QIODevice&)>& writer,
                           FileSystemCalls& calls) {
    if (path.isEmpty()) ThrowWriteError(path, QStringLiteral("no file name"));
    if (DirectoryExists(path)) ThrowWriteError(path, QStringLiteral("a folder has that name"));
    const QString target = ResolvedTarget(path);
    TemporaryFile temporary(target, calls);
    WriteChecked(temporary.Descriptor(), path, writer, calls);
    if (const int error = temporary.Commit(QFile::encodeName(target)))
        ThrowWriteError(path, SystemMessage(error));
    if (const int error = SyncFolder(QFileInfo(target).absolutePath(), calls))
        ThrowWriteError(path, QStringLiteral("the folder could not be synced: %1").arg(SystemMessage(error)));
}

FileSetReplacement::FileSetReplacement(const QString& firstTarget, FileSystemCalls& calls)
    : calls_(calls) {
    const QFileInfo first(firstTarget);
    const QString folder = first.absolutePath();
    if (!DirectoryExists(folder)) ThrowWriteError(firstTarget, QStringLiteral("the folder does not exist"));
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/.") + first.fileName()) + ".XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ThrowWriteError(firstTarget, SystemMessage(errno));
    staging_ = pattern;
    // Opened before anything is written, so that the one sync of the file system at the end reports
    // any failure to write back what the set wrote.
    stagingFd_ = ::open(staging_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (stagingFd_ < 0) {
        const int error = errno;
        ::rmdir(staging_.constData());
        ThrowWriteError(firstTarget, SystemMessage(error));
    }
}

FileSetReplacement::~FileSetReplacement() {
    ::close(stagingFd_);
    if (!keepStaging_) RemoveFolderOfFiles(staging_);
}

void FileSetReplacement::Fail(const QString& name, const QString& reason) {
    spent_ = true;
    ThrowWriteError(name, reason);
}

void FileSetReplacement::Add(const QString& target, std::string_view bytes) {
    Add(target, BytesWriter(target, bytes));
}

void FileSetReplacement::Add(const QString& target, const std::function<void(QIODevice&)>& writer) {
    if (spent_) ThrowWriteError(target, QStringLiteral("the set of files was already written"));
    if (target.isEmpty()) Fail(target, QStringLiteral("no file name"));
    const QString resolved = ResolvedTarget(target);
    if (QFileInfo(resolved).isDir()) Fail(target, QStringLiteral("a folder of that name is in the way"));
    Entry entry{
        target, resolved, staging_ + '/' + QByteArray::number(qulonglong(entries_.size())), {}, false};
    const int fd = ::open(entry.staged.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) Fail(target, SystemMessage(errno));
    KeepMode(resolved, fd);
    try {
        WriteChecked(fd, target, writer, calls_);
    } catch (...) {
        calls_.Close(fd);
        spent_ = true;
        throw;
    }
    if (calls_.Close(fd) != 0) Fail(target, SystemMessage(errno));
    entries_.push_back(std::move(entry));
}

void FileSetReplacement::Undo() {
    bool complete = true;
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        const QByteArray target = QFile::encodeName(entry->target);
        if (entry->moved) {
            complete = calls_.Rename(target.constData(), entry->staged.constData()) == 0 && complete;
            entry->moved = false;
        }
        if (!entry->setAside.isEmpty()) {
            if (calls_.Rename(entry->setAside.constData(), target.constData()) == 0)
                entry->setAside.clear();
            else
                complete = false;
        }
    }
    keepStaging_ = !complete;
}

void FileSetReplacement::Commit() {
    if (spent_)
        ThrowWriteError(entries_.empty() ? QString() : entries_.front().name,
                        QStringLiteral("the set of files was already written"));
    spent_ = true;
    if (entries_.empty()) return;
    // One sync of the file system makes every staged file durable before any of them takes a name
    // that counts; syncing them one by one would cost a flush of the disk each.
    if (calls_.SyncFileSystem(stagingFd_) != 0) ThrowWriteError(entries_.front().name, SystemMessage(errno));

    for (Entry& entry : entries_) {
        const QByteArray target = QFile::encodeName(entry.target);
        if (!QFileInfo::exists(entry.target) && !QFileInfo(entry.target).isSymLink()) continue;
        QByteArray setAside = entry.staged + ".old";
        if (calls_.Rename(target.constData(), setAside.constData()) != 0) {
            const int error = errno;
            Undo();
            ThrowWriteError(
                entry.name,
                QStringLiteral("the earlier file cannot be replaced: %1").arg(SystemMessage(error)));
        }
        entry.setAside = std::move(setAside);
    }
    std::set<QString> folders;
    for (Entry& entry : entries_) {
        if (calls_.Rename(entry.staged.constData(), QFile::encodeName(entry.target).constData()) != 0) {
            const int error = errno;
            Undo();
            ThrowWriteError(entry.name, SystemMessage(error));
        }
        entry.moved = true;
        folders.insert(QFileInfo(entry.target).absolutePath());
    }
    // The moves count once the folders that received the files are synced; a folder that cannot be
    // synced takes the whole set back.
    for (const QString& folder : folders) {
        if (const int error = SyncFolder(folder, calls_)) {
            Undo();
            ThrowWriteError(entries_.front().name,
                            QStringLiteral("the folder could not be synced: %1").arg(SystemMessage(error)));
        }
    }
}

} // namespace quorvel
