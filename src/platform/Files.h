#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

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
    virtual int SyncFileSystem(int fd);                             // as syncfs(2)
    virtual int Close(int fd);                                      // as close(2)
    virtual int Rename(const char* from, const char* to);           // as rename(2)
};
FileSystemCalls& SystemFileCalls();

// Replaces the file at path atomically and durably: the new content goes to a temporary file in the
// same folder; every write is checked, the file is synced to disk and closed, renamed over the old
// file, and the folder is synced. Any failure removes the temporary file, leaves the old file as it
// was, and is thrown as Exception with the system's message (a writer's own exception passes through).
// Writes are unbuffered, so a full disk is seen at the write that hits it, never later.
// A symbolic link is followed: its target is replaced and the link stays.
void ReplaceFileAtomically(const QString& path, std::string_view bytes,
                           FileSystemCalls& calls = SystemFileCalls());
void ReplaceFileAtomically(const QString& path, const std::function<void(QIODevice&)>& writer,
                           FileSystemCalls& calls = SystemFileCalls());

// Replaces several files together: every one of them gets its new content or none does, and the
// earlier file of each name stays as it was when anything fails. The new files are written, with
// every write checked but none synced, into a hidden staging folder beside the first target; Commit
// makes all of them durable with one sync of their file system, sets the earlier files of those names
// aside in the staging folder, moves the new ones into place and syncs each folder they went to once.
// A failure at any step moves everything back and is thrown as Exception naming the file; the staging
// folder and whatever is left in it go with the set. Links are followed as ReplaceFileAtomically
// follows them; a target a link leads to another file system cannot be replaced.
class FileSetReplacement {
public:
    // The staging folder is made beside `firstTarget`; a missing or unwritable folder is thrown as
    // the failure to write that file.
    explicit FileSetReplacement(const QString& firstTarget, FileSystemCalls& calls = SystemFileCalls());
    ~FileSetReplacement();
    FileSetReplacement(const FileSetReplacement&) = delete;
    FileSetReplacement& operator=(const FileSetReplacement&) = delete;

    // Writes the new content of `target` into the staging folder. A target that is a folder is
    // refused at once.
    void Add(const QString& target, std::string_view bytes);
    void Add(const QString& target, const std::function<void(QIODevice&)>& writer);

    // Puts every file added into place. The set is spent afterwards, whether it succeeded or not.
    void Commit();

private:
    struct Entry {
        QString name;   // as the caller gave it, for messages
        QString target; // the file really replaced (a link followed)
        QByteArray staged;
        QByteArray setAside; // where the earlier file of the target's name waits, when there was one
        bool moved = false;
    };
    // Moves back what Commit moved so far; an earlier file that cannot be put back keeps the staging
    // folder it lies in.
    void Undo();
    [[noreturn]] void Fail(const QString& name, const QString& reason);

    FileSystemCalls& calls_;
    QByteArray staging_;
    int stagingFd_ = -1;
    std::vector<Entry> entries_;
    bool spent_ = false;
    bool keepStaging_ = false; // an earlier file could not be put back and still lies there
};

} // namespace quorvel
