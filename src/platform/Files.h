#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QFile;
class QIODevice;

namespace quorvel {

// Folder of the running program, always ending with a separator, so that a file name can be appended
// directly ("…/bin/" + "config.ini").
QString ExecutableFolder();

bool FileExists(const QString& path);
bool DirectoryExists(const QString& path);
// True when path is a folder in which this process may create files.
bool DirectoryWritable(const QString& path);

// The user's folder for settings, ending with a separator: $XDG_CONFIG_HOME, or ~/.config when that
// variable is unset, empty or not an absolute path.
QString UserConfigFolder();

// What stands at a path, links followed.
enum class PathKind {
    Missing,
    RegularFile,
    Folder,
    Other, // a device, a FIFO or a socket: nothing a proposal or a report can be read from or saved as
};
PathKind KindOfPath(const QString& path);

// Opens `file` (its name set) for reading when it names a regular file, links followed. A device, a
// FIFO or a socket is refused without waiting on it: opening a FIFO waits for a writer, and a device
// can be read for ever. Returns an empty text on success, otherwise the reason ("not a regular file"
// or the system's message).
QString OpenRegularFileForReading(QFile& file);

// The file a path leads to on this machine: its device and inode, links followed. Two names of one
// file (a link, a hard link, another spelling of the path) have the same identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
// None when nothing is there.
std::optional<FileIdentity> IdentityOfFile(const QString& path);

// The absolute path of the file a path leads to with every link resolved, also for a file that does
// not exist yet: its folder is resolved, and a link that leads nowhere is followed to where it points.
QString RealFilePath(const QString& path);

// The files of a numbered set that stand in the folder of its first file: each name made by `nameOf`
// for some number from 1 up ("r001.wmf", "r002.wmf" …, or "p-001.png" …), whatever their count;
// another spelling of a number ("r0002.wmf") is not one of them. Number → name, in number order.
std::map<int, QString> NumberedFiles(const std::function<QString(int)>& nameOf);

// The part of a path after its last separator ("/a/b/prop.xml" → "prop.xml").
QString ExtractFileName(const QString& path);

// Copies source to target byte for byte, replacing a target that exists. The target is written to a
// temporary file beside it and renamed into place, so a failed copy leaves an existing target as it
// was. Returns false on any failure (missing source, unwritable folder, full disk).
bool CopyFileReplacing(const QString& source, const QString& target);

// Creates the folder with every missing parent. True when the folder exists afterwards.
bool ForceDirectories(const QString& path);

// Creates a new, empty file with a unique name in folder (the system's temporary folder when empty)
// and returns its full path. The caller owns the file and removes it. Throws Exception on failure.
QString TemporaryFileName(const QString& folder = {}, const QString& prefix = QStringLiteral("qv"));

// Throws Exception "Cannot write file "<path>": <reason>", the one wording of every failed save.
[[noreturn]] void ThrowWriteError(const QString& path, const QString& reason);

// The system calls an atomic replacement makes. The program uses the real ones; tests substitute
// calls that fail (a full disk after N bytes, a failing sync, close or rename) to prove that no
// failure ever reaches the target file.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual long Write(int fd, const char* data, std::size_t size); // as write(2)
    virtual int Sync(int fd);                                       // as fsync(2)
    // Starts writing the range to disk without waiting (sync_file_range(2) with
    // SYNC_FILE_RANGE_WRITE); a hint only, so its failure is not an error: Sync reports any.
    virtual void StartWriteBack(int fd, std::int64_t offset, std::int64_t length);
    virtual int SyncFileSystem(int fd);                   // as syncfs(2)
    virtual int Close(int fd);                            // as close(2)
    virtual int Rename(const char* from, const char* to); // as rename(2)
};
FileSystemCalls& SystemFileCalls();

// What a replacement does with a symbolic link that stands at the name it writes.
enum class LinkAtName {
    // The file the link leads to is replaced and the link stays: saving a file that was opened
    // through a link, so that every name of the file sees the save.
    Follow,
    // The link itself is replaced by the new file and what it led to is not touched: a new output
    // that takes a name, whatever stood there.
    Replace,
};

// Why the file at `path` cannot be replaced with `links`, or an empty text: a folder has the name, or
// something that is not a regular file (a device, a FIFO, a socket) stands there and would be
// renamed over. A link replaced with LinkAtName::Replace counts as the link, not as what it leads to.
QString ReplacementRefusal(const QString& path, LinkAtName links);

// Replaces the file at path atomically and durably: the new content goes to a temporary file in the
// same folder; every write is checked, the file is synced to disk and closed, renamed over the old
// file, and the folder is synced. Any failure removes the temporary file, leaves the old file as it
// was, and is thrown as Exception with the system's message (a writer's own exception passes through).
// Writes are unbuffered, so a full disk is seen at the write that hits it, never later. A name held
// by a folder or by anything but a regular file (ReplacementRefusal) is refused before anything is
// written. The temporary file is removed when the process is interrupted (InterruptCleanup.h).
void ReplaceFileAtomically(const QString& path, std::string_view bytes, LinkAtName links,
                           FileSystemCalls& calls = SystemFileCalls());
void ReplaceFileAtomically(const QString& path, const std::function<void(QIODevice&)>& writer,
                           LinkAtName links, FileSystemCalls& calls = SystemFileCalls());
// A link at the name is followed.
inline void ReplaceFileAtomically(const QString& path, std::string_view bytes,
                                  FileSystemCalls& calls = SystemFileCalls()) {
    ReplaceFileAtomically(path, bytes, LinkAtName::Follow, calls);
}
inline void ReplaceFileAtomically(const QString& path, const std::function<void(QIODevice&)>& writer,
                                  FileSystemCalls& calls = SystemFileCalls()) {
    ReplaceFileAtomically(path, writer, LinkAtName::Follow, calls);
}

// A file written piece by piece that takes its name only when it is complete, with the guarantees
// of ReplaceFileAtomically: the pieces go to a temporary file beside the target, every write is
// checked, and Commit syncs the file, renames it over the old one and syncs the folder. A writer
// destroyed without Commit (the export failed) removes the temporary file and leaves the old file
// as it was. So a large output is never held in memory whole. The name is checked when the writer
// is made (ReplacementRefusal), before anything is written.
class AtomicFileWriter {
public:
    AtomicFileWriter(const QString& path, LinkAtName links, FileSystemCalls& calls = SystemFileCalls());
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Appends the bytes; throws the failure to write the file (a full disk) at the write that hits it.
    void Write(std::string_view bytes);
    // The file as a device, for writers that take one; a failed write there is thrown by Commit.
    QIODevice& Device();
    // Puts the file in place. The writer is spent afterwards, whether it succeeded or not.
    void Commit();

private:
    struct Open;
    QString path_;
    QString target_;
    FileSystemCalls& calls_;
    std::unique_ptr<Open> open_;
};

// Replaces several files together: every one of them gets its new content or none does, and the
// earlier file of each name stays as it was when anything fails. The new files are written, with
// every write checked but none synced, into a hidden staging folder beside the first target; Commit
// makes all of them durable with one sync of their file system, sets the earlier files of those names
// aside in the staging folder, moves the new ones into place and syncs each folder they went to once.
// A failure at any step moves everything back and is thrown as Exception naming the file; the staging
// folder and whatever is left in it go with the set, also when the process is interrupted. Links at
// the names are treated as `links` says (a target a followed link leads to on another file system
// cannot be replaced). Files of the set's earlier version that the new one no longer has can be
// removed in the same step (Remove).
class FileSetReplacement {
public:
    // The staging folder is made beside `firstTarget`; a missing or unwritable folder is thrown as
    // the failure to write that file.
    FileSetReplacement(const QString& firstTarget, LinkAtName links,
                       FileSystemCalls& calls = SystemFileCalls());
    explicit FileSetReplacement(const QString& firstTarget, FileSystemCalls& calls = SystemFileCalls())
        : FileSetReplacement(firstTarget, LinkAtName::Follow, calls) {}
    ~FileSetReplacement();
    FileSetReplacement(const FileSetReplacement&) = delete;
    FileSetReplacement& operator=(const FileSetReplacement&) = delete;

    // Writes the new content of `target` into the staging folder. A target that is a folder or
    // anything but a regular file (ReplacementRefusal) is refused at once.
    void Add(const QString& target, std::string_view bytes);
    void Add(const QString& target, const std::function<void(QIODevice&)>& writer);
    // The file at `target` (the name itself: a link is removed, not what it leads to) goes when the
    // set is put into place, and comes back when that fails. Anything but a regular file or a link
    // is refused at once.
    void Remove(const QString& target);

    // Puts every file added into place. The set is spent afterwards, whether it succeeded or not.
    void Commit();

private:
    struct Entry {
        QString name;        // as the caller gave it, for messages
        QString target;      // the file really replaced (a link followed with LinkAtName::Follow)
        QByteArray staged;   // the new content; empty for a file that is only removed
        QByteArray setAside; // where the earlier file of the target's name waits, when there was one
        bool moved = false;
    };
    // Moves back what Commit moved so far; an earlier file that cannot be put back keeps the staging
    // folder it lies in.
    void Undo();
    [[noreturn]] void Fail(const QString& name, const QString& reason);

    FileSystemCalls& calls_;
    LinkAtName links_;
    QByteArray staging_;
    std::unique_ptr<class TemporaryPath> stagingRegistration_;
    int stagingFd_ = -1;
    std::vector<Entry> entries_;
    bool spent_ = false;
    bool keepStaging_ = false; // an earlier file could not be put back and still lies there
};

} // namespace quorvel
