#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string_view>

class QIODevice;

namespace quorvel {

// Folder of the running program, always ending with a separator, so that a file name can be appended
// directly ("…/bin/" + "config.ini").
QString ExecutableFolder();

bool FileExists(const QString& path);
bool DirectoryExists(const QString& path);

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

} // namespace quorvel
