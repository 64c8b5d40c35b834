#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <string_view>

namespace quorvel {

class AtomicFileWriter;

// The bytes of one export file. They go out as they are written, in blocks, into a temporary file
// beside the target that takes the file's name at Commit through the platform's atomic replacement:
// a failed export leaves no half-written file and an earlier file of that name as it was, and a
// large report is never held in memory whole. With an empty file name the bytes stay in memory for
// the caller (the filters' memory-stream mode).
class TExportOutput {
public:
    // Checks that the file can be created where it is named, so that an export to an unwritable
    // place fails before the report runs; throws Exception otherwise.
    explicit TExportOutput(QString fileName);
    ~TExportOutput();
    TExportOutput(const TExportOutput&) = delete;
    TExportOutput& operator=(const TExportOutput&) = delete;

    const QString& FileName() const noexcept { return fileName_; }
    void Write(std::string_view bytes) {
        pending_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
        if (file_ && pending_.size() >= kBlockSize) Flush();
    }
    // Writes the bytes followed by CR LF.
    void WriteLine(std::string_view bytes);
    // Bytes written so far (the offset the next byte lands at).
    qsizetype Size() const noexcept { return flushed_ + pending_.size(); }
    // The bytes of a memory-stream output.
    const QByteArray& Bytes() const noexcept { return pending_; }

    // Puts the named file in place with every byte written; nothing to do in memory mode. Throws
    // Exception when the file cannot be written.
    void Commit();

private:
    static constexpr qsizetype kBlockSize = 64 * 1024;

    void Flush();

    QString fileName_;
    std::unique_ptr<AtomicFileWriter> file_;
    QByteArray pending_; // not yet in the file; all of a memory-stream output
    qsizetype flushed_ = 0;
};

} // namespace quorvel
