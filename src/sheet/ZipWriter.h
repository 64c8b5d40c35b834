#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

struct zip;
struct zip_source;

namespace quorvel {

// Makes a zip archive in memory through libzip, entries in the order added.
class ZipWriter {
public:
    enum class Compression { Stored, Deflated };

    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void Add(const QString& name, QByteArray bytes, Compression compression = Compression::Deflated);
    // The archive's bytes; the writer is spent afterwards.
    std::string Finish();

private:
    zip_source* buffer_ = nullptr;
    zip* archive_ = nullptr;
    // The entries' bytes, kept until the archive is written (libzip reads them at the end).
    std::vector<QByteArray> contents_;
};

} // namespace quorvel
