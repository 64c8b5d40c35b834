#pragma once

#include "sheet/SheetLimits.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>
#include <span>

struct zip;
struct zip_file;

namespace quorvel {

class ZipEntry;

// A zip archive held in memory, read through libzip under the readers' limits: every entry's
// declared size is checked before it is inflated and its bytes are counted while it is, against
// one allowance for the whole archive, so that a zip bomb ends in an error after a bounded amount of
// work. Only stored and deflated entries without encryption are read.
class ZipReader {
public:
    // `bytes` must outlive the reader. Throws ESheetError when the bytes are not a zip archive.
    ZipReader(std::span<const char> bytes, const SheetLimits& limits);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Entry names are compared without letter case, as the package formats name their parts.
    bool Has(const QString& name) const;
    // Opens an entry for reading; throws when it is missing or cannot be read.
    std::unique_ptr<ZipEntry> Open(const QString& name);
    // A whole entry of at most `maxBytes` bytes (a list of parts, a type name).
    QByteArray ReadAll(const QString& name, std::size_t maxBytes);

private:
    friend class ZipEntry;
    zip* archive_ = nullptr;
    const SheetLimits& limits_;
    std::size_t inflated_ = 0;
};

// One entry being inflated.
class ZipEntry {
public:
    ~ZipEntry();
    ZipEntry(const ZipEntry&) = delete;
    ZipEntry& operator=(const ZipEntry&) = delete;

    // Reads up to `size` bytes; 0 at the end of the entry. Throws when the entry turns out longer
    // than it said, passes the archive's allowance, or is damaged.
    std::size_t Read(char* buffer, std::size_t size);
    // The rest of the entry, of at most `maxBytes` bytes.
    QByteArray ReadAll(std::size_t maxBytes);
    const QString& Name() const noexcept { return name_; }
    // The size the archive gives for the entry inflated, which Read holds it to.
    std::size_t DeclaredSize() const noexcept { return declared_; }

    // Made by ZipReader::Open, which checked the entry and opened `file`; takes it over.
    ZipEntry(ZipReader& reader, zip_file* file, QString name, std::size_t declared);

private:
    ZipReader& reader_;
    zip_file* file_;
    QString name_;
    std::size_t declared_;
    std::size_t read_ = 0;
};

} // namespace quorvel
