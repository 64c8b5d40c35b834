#include "platform/Files.h"

#include "platform/InterruptCleanup.h"
#include "platform/ScopeExit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
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

// Every this many bytes written, the disk is asked to start writing them, so that a large file is
// written back while it is still being made and the sync before the rename has little left to wait
// for.
constexpr std::int64_t kWriteBackStep = 4 << 20;

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
        written_ += done;
        if (written_ - writtenBack_ >= kWriteBackStep) {
            calls_.StartWriteBack(fd_, writtenBack_, written_ - writtenBack_);
            writtenBack_ = written_;
        }
        return done;
    }

private:
    int fd_;
    FileSystemCalls& calls_;
    int error_ = 0;
    std::int64_t written_ = 0;
    std::int64_t writtenBack_ = 0; // the bytes before this were handed to StartWriteBack
};

// A replacement keeps the permissions of the regular file it replaces (a link replaced as itself
// has none worth keeping).
void KeepMode(const QString& target, int fd) {
    struct stat old {};
    if (::lstat(QFile::encodeName(target).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
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

// The temporary file beside the target: removed on every path except a successful rename, also when
// the process is interrupted.
class TemporaryFile {
public:
    TemporaryFile(const QString& target, FileSystemCalls& calls)
        : calls_(calls) {
        const QFileInfo info(target);
        const QString stem = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.');
        const auto lock = LockTemporaries();
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            name_ = QFile::encodeName(stem + QString::number(QRandomGenerator::global()->generate(), 36) +
                                      QStringLiteral(".tmp"));
            registration_.emplace(name_, TemporaryPath::Kind::File);
            fd_ = ::open(name_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0) registration_.reset();
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) ThrowWriteError(target, SystemMessage(errno));
        KeepMode(target, fd_);
    }
    ~TemporaryFile() {
        if (fd_ >= 0) calls_.Close(fd_);
        const auto lock = LockTemporaries();
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
        const auto lock = LockTemporaries();
        if (calls_.Rename(name_.constData(), target.constData()) != 0) return errno;
        renamed_ = true;
        registration_.reset();
        return 0;
    }

private:
    FileSystemCalls& calls_;
    QByteArray name_;
    std::optional<TemporaryPath> registration_;
    int fd_ = -1;
    bool renamed_ = false;
};

// The file a save really replaces: with LinkAtName::Follow a symbolic link is followed so that the
// link itself stays; with LinkAtName::Replace the name itself.
QString ResolvedTarget(const QString& path, LinkAtName links) {
    const QFileInfo info(path);
    return links == LinkAtName::Follow && info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
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
void FileSystemCalls::StartWriteBack(int fd, std::int64_t offset, std::int64_t length) {
    ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
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

QString ReplacementRefusal(const QString& path, LinkAtName links) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) return {}; // nothing there: the file is made
    if (S_ISLNK(st.st_mode)) {
        if (links == LinkAtName::Replace) return {};
        if (::stat(name.constData(), &st) != 0) return {}; // a link that leads nowhere yet
    }
    if (S_ISDIR(st.st_mode)) return QStringLiteral("a folder has that name");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file (a device, a FIFO or a socket)");
    return {};
}

void ReplaceFileAtomically(const QString& path, std::string_view bytes, LinkAtName links,
                           FileSystemCalls& calls) {
    ReplaceFileAtomically(path, BytesWriter(path, bytes), links, calls);
}

void ReplaceFileAtomically(const QString& path, const std::function<void(QIODevice&)>& writer,
                           LinkAtName links, FileSystemCalls& calls) {
    AtomicFileWriter file(path, links, calls);
    writer(file.Device());
    file.Commit();
}

struct AtomicFileWriter::Open {
    Open(const QString& target, FileSystemCalls& calls)
        : temporary(target, calls)
        , device(temporary.Descriptor(), calls) {}
    TemporaryFile temporary;
    CheckedFileDevice device;
};

AtomicFileWriter::AtomicFileWriter(const QString& path, LinkAtName links, FileSystemCalls& calls)
    : path_(path)
    , calls_(calls) {
    if (path.isEmpty()) ThrowWriteError(path, QStringLiteral("no file name"));
    if (const QString refusal = ReplacementRefusal(path, links); !refusal.isEmpty())
        ThrowWriteError(path, refusal);
    target_ = ResolvedTarget(path, links);
    open_ = std::make_unique<Open>(target_, calls);
}

AtomicFileWriter::~AtomicFileWriter() = default;

QIODevice& AtomicFileWriter::Device() {
    if (!open_) ThrowWriteError(path_, QStringLiteral("the file was already written"));
    return open_->device;
}

void AtomicFileWriter::Write(std::string_view bytes) {
    QIODevice& device = Device();
    const auto size = static_cast<qint64>(bytes.size());
    if (size > 0 && device.write(bytes.data(), size) != size) ThrowWriteError(path_, device.errorString());
}

void AtomicFileWriter::Commit() {
    const std::unique_ptr<Open> open = std::move(open_);
    if (!open) ThrowWriteError(path_, QStringLiteral("the file was already written"));
    if (open->device.Error() != 0) ThrowWriteError(path_, SystemMessage(open->device.Error()));
    if (const int error = open->temporary.Commit(QFile::encodeName(target_)))
        ThrowWriteError(path_, SystemMessage(error));
    if (const int error = SyncFolder(QFileInfo(target_).absolutePath(), calls_))
        ThrowWriteError(path_,
                        QStringLiteral("the folder could not be synced: %1").arg(SystemMessage(error)));
}

FileSetReplacement::FileSetReplacement(const QString& firstTarget, LinkAtName links, FileSystemCalls& calls)
    : calls_(calls)
    , links_(links) {
    const QFileInfo first(firstTarget);
    const QString folder = first.absolutePath();
    if (!DirectoryExists(folder)) ThrowWriteError(firstTarget, QStringLiteral("the folder does not exist"));
    const QString stem = folder + QStringLiteral("/.") + first.fileName() + QLatin1Char('.');
    // Registered before it is made, so that an interruption never finds it made and unknown.
    const auto lock = LockTemporaries();
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        staging_ = QFile::encodeName(stem + QString::number(QRandomGenerator::global()->generate(), 36));
        stagingRegistration_ = std::make_unique<TemporaryPath>(staging_, TemporaryPath::Kind::Folder);
        error = ::mkdir(staging_.constData(), 0700) == 0 ? 0 : errno;
    }
    if (error != 0) {
        stagingRegistration_.reset();
        ThrowWriteError(firstTarget, SystemMessage(error));
    }
    // Opened before anything is written, so that the one sync of the file system at the end reports
    // any failure to write back what the set wrote.
    stagingFd_ = ::open(staging_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (stagingFd_ < 0) {
        error = errno;
        ::rmdir(staging_.constData());
        stagingRegistration_.reset();
        ThrowWriteError(firstTarget, SystemMessage(error));
    }
}

FileSetReplacement::~FileSetReplacement() {
    ::close(stagingFd_);
    const auto lock = LockTemporaries();
    // A folder that still holds an earlier file it could not put back stays, and is no temporary.
    if (!keepStaging_) RemoveFolderOfFiles(staging_);
    stagingRegistration_.reset();
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
    if (const QString refusal = ReplacementRefusal(target, links_); !refusal.isEmpty()) Fail(target, refusal);
    const QString resolved = ResolvedTarget(target, links_);
    Entry entry{
        target, resolved, staging_ + '/' + QByteArray::number(qulonglong(entries_.size())), {}, false};
    // Made in the staging folder while an interruption's cleanup waits, so that it removes the folder
    // whole.
    int fd = -1;
    {
        const auto lock = LockTemporaries();
        fd = ::open(entry.staged.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) Fail(target, SystemMessage(errno));
    KeepMode(resolved, fd);
    {
        const ScopeFail closeOnFailure([&] {
            calls_.Close(fd);
            spent_ = true;
        });
        WriteChecked(fd, target, writer, calls_);
    }
    if (calls_.Close(fd) != 0) Fail(target, SystemMessage(errno));
    entries_.push_back(std::move(entry));
}

void FileSetReplacement::Remove(const QString& target) {
    if (spent_) ThrowWriteError(target, QStringLiteral("the set of files was already written"));
    if (target.isEmpty()) Fail(target, QStringLiteral("no file name"));
    if (const QString refusal = ReplacementRefusal(target, LinkAtName::Replace); !refusal.isEmpty())
        Fail(target, refusal);
    entries_.push_back(Entry{target, QFileInfo(target).absoluteFilePath(), {}, {}, false});
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

    // An interruption waits until the set is in place or back as it was.
    const auto lock = LockTemporaries();
    for (Entry& entry : entries_) {
        const QByteArray target = QFile::encodeName(entry.target);
        if (!QFileInfo::exists(entry.target) && !QFileInfo(entry.target).isSymLink()) continue;
        QByteArray setAside =
            staging_ + '/' + QByteArray::number(qulonglong(&entry - entries_.data())) + ".old";
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
        folders.insert(QFileInfo(entry.target).absolutePath());
        if (entry.staged.isEmpty()) continue; // only removed: it waits in the staging folder
        if (calls_.Rename(entry.staged.constData(), QFile::encodeName(entry.target).constData()) != 0) {
            const int error = errno;
            Undo();
            ThrowWriteError(entry.name, SystemMessage(error));
        }
        entry.moved = true;
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
