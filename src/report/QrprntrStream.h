#pragma once

#include <QByteArray>
#include <QRecursiveMutex>
#include <QString>

#include <memory>

class QFile;
class QIODevice;

namespace quorvel {

class TemporaryPath;

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The stream behind a page list: it keeps its bytes in memory until they grow past the memory
// limit and then moves them to a temporary file, so a long report does not grow the process. The
// second constructor opens an existing saved-report file for reading instead. Every operation holds
// the stream's re-entrant lock; LockStream/UnlockStream let a caller hold it across several.
class TQRStream {
public:
    static constexpr qint64 kCopyBlockSize = 10240;

    explicit TQRStream(qint64 memoryLimit);
    // Opens an existing file read-only (out of memory, limit 0). Raises EQRError when it cannot.
    explicit TQRStream(const QString& fileName);
    ~TQRStream();

    TQRStream(const TQRStream&) = delete;
    TQRStream& operator=(const TQRStream&) = delete;

    // Writes at the position and returns the byte count; raises EQRError when the bytes cannot be
    // written (a file opened for reading, a full disk).
    qint64 Write(const void* buffer, qint64 count);
    // Reads up to count bytes at the position; fewer at the end of the stream.
    qint64 Read(void* buffer, qint64 count);
    // Moves the position and returns it; a position before 0 raises EQRError.
    qint64 Seek(qint64 offset, TSeekOrigin origin);
    qint64 Position();
    qint64 Size();
    // Cuts the stream to size bytes (used to drop a record whose writing failed).
    void SetSize(qint64 size);
    // Copies everything from offset 0 to the target in blocks of kCopyBlockSize bytes; the position
    // ends at the end of the stream.
    void SaveToStream(QIODevice& target);

    void LockStream() { lock_.lock(); }
    void UnlockStream() { lock_.unlock(); }

    bool InMemory();
    qint64 MemoryLimit() const { return memoryLimit_; }
    // The temporary file's name once the stream has moved to it, else empty.
    QString FileName();

    // Makes a new, empty file with a unique name and the prefix "QRP" in the system's temporary
    // directory and returns its name.
    static QString TempFilename();

private:
    void MoveToFile();
    [[noreturn]] void RaiseFileError(const QString& action) const;

    QRecursiveMutex lock_;
    bool inMemory_ = true;
    QByteArray memory_;
    qint64 memoryPosition_ = 0;
    std::unique_ptr<QFile> file_;
    QString tempFileName_;
    std::unique_ptr<TemporaryPath> tempRegistration_;
    qint64 memoryLimit_ = 0;
    bool readOnly_ = false;
};

// Holds a stream's lock for a scope.
class TQRStreamLock {
public:
    explicit TQRStreamLock(TQRStream& stream)
        : stream_(stream) {
        stream_.LockStream();
    }
    ~TQRStreamLock() { stream_.UnlockStream(); }
    TQRStreamLock(const TQRStreamLock&) = delete;
    TQRStreamLock& operator=(const TQRStreamLock&) = delete;

private:
    TQRStream& stream_;
};

} // namespace quorvel
