#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

namespace quorvel {

// The bytes of one export file, gathered in memory and written in one piece with the platform's
// atomic file replacement when the file is complete: a failed export leaves no half-written file and
// an earlier file of that name as it was. With an empty file name the bytes stay in memory for the
// caller (the filters' memory-stream mode).
class TExportOutput {
public:
    // Checks that the file can be created where it is named, so that an export to an unwritable
    // place fails before the report runs; throws Exception otherwise.
    explicit TExportOutput(QString fileName);

    const QString& FileName() const noexcept { return fileName_; }
    void Write(std::string_view bytes) { bytes_.append(bytes.data(), static_cast<qsizetype>(bytes.size())); }
    // Writes the bytes followed by CR LF.
    void WriteLine(std::string_view bytes);
    qsizetype Size() const noexcept { return bytes_.size(); }
    // Makes room for `bytes` more, so that a large file is not copied as it grows.
    void Reserve(qsizetype bytes) { bytes_.reserve(bytes_.size() + bytes); }
    const QByteArray& Bytes() const noexcept { return bytes_; }

    // Replaces the named file with the gathered bytes; nothing to do in memory mode. Throws
    // Exception when the file cannot be written.
    void Commit();

private:
    QString fileName_;
    QByteArray bytes_;
};

} // namespace quorvel
