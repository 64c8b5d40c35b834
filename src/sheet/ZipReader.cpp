#include "sheet/ZipReader.h"

#include "sheet/SheetError.h"
#include "sheet/SheetText.h"

#include <zip.h>

#include <algorithm>

namespace quorvel {
namespace {

QString Megabytes(std::size_t bytes) {
    if (bytes < (std::size_t{1} << 20)) return QStringLiteral("%1 KiB").arg(GroupedCount(bytes >> 10));
    return QStringLiteral("%1 MiB").arg(GroupedCount(bytes >> 20));
}

[[noreturn]] void ThrowOpenError(int code) {
    if (code == ZIP_ER_NOZIP) throw ESheetError(QStringLiteral("o arquivo não é um zip"));
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString reason = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    throw ESheetError(QStringLiteral("o zip está danificado: %1").arg(reason));
}

} // namespace

ZipReader::ZipReader(std::span<const char> bytes, const SheetLimits& limits)
    : limits_(limits) {
    // An empty buffer is an empty archive to libzip; no spreadsheet is empty.
    if (bytes.empty()) throw ESheetError(QStringLiteral("o arquivo está vazio"));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) ThrowOpenError(zip_error_code_zip(&error));
    archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive_ == nullptr) {
        zip_source_free(source);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        ThrowOpenError(code);
    }
    zip_error_fini(&error);
    const zip_int64_t entries = zip_get_num_entries(archive_, 0);
    if (entries < 0 || static_cast<std::size_t>(entries) > limits_.maxZipEntries) {
        zip_discard(archive_);
        throw ESheetError(
            QStringLiteral("o zip tem mais de %1 partes").arg(GroupedCount(limits_.maxZipEntries)));
    }
}

ZipReader::~ZipReader() {
    zip_discard(archive_);
}

bool ZipReader::Has(const QString& name) const {
    return zip_name_locate(archive_, name.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
}

std::unique_ptr<ZipEntry> ZipReader::Open(const QString& name) {
    const zip_int64_t index = zip_name_locate(archive_, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) throw ESheetError(QStringLiteral("falta a parte %1").arg(name));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
        throw ESheetError(QStringLiteral("a parte %1 está danificada").arg(name));
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw ESheetError(QStringLiteral("a parte %1 está protegida por senha").arg(name));
    if (!(stat.valid & ZIP_STAT_COMP_METHOD) ||
        (stat.comp_method != ZIP_CM_STORE && stat.comp_method != ZIP_CM_DEFLATE))
        throw ESheetError(QStringLiteral("a parte %1 usa uma compressão desconhecida").arg(name));
    if (!(stat.valid & ZIP_STAT_SIZE))
        throw ESheetError(QStringLiteral("a parte %1 não diz o seu tamanho").arg(name));
    // Refused before anything is inflated: an entry that says it is larger than what is left.
    if (stat.size > limits_.maxInflatedBytes - inflated_)
        throw ESheetError(QStringLiteral("a parte %1 se expande para %2, além do limite de %3")
                              .arg(name, Megabytes(stat.size), Megabytes(limits_.maxInflatedBytes)));
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr)
        throw ESheetError(QStringLiteral("a parte %1 não pode ser lida: %2")
                              .arg(name, QString::fromLocal8Bit(zip_strerror(archive_))));
    return std::make_unique<ZipEntry>(*this, file, name, static_cast<std::size_t>(stat.size));
}

QByteArray ZipReader::ReadAll(const QString& name, std::size_t maxBytes) {
    return Open(name)->ReadAll(maxBytes);
}

ZipEntry::ZipEntry(ZipReader& reader, zip_file* file, QString name, std::size_t declared)
    : reader_(reader)
    , file_(file)
    , name_(std::move(name))
    , declared_(declared) {}

ZipEntry::~ZipEntry() {
    zip_fclose(file_);
}

std::size_t ZipEntry::Read(char* buffer, std::size_t size) {
    const zip_int64_t got = zip_fread(file_, buffer, size);
    if (got < 0)
        throw ESheetError(QStringLiteral("a parte %1 está danificada: %2")
                              .arg(name_, QString::fromLocal8Bit(zip_file_strerror(file_))));
    const auto count = static_cast<std::size_t>(got);
    read_ += count;
    reader_.inflated_ += count;
    if (read_ > declared_)
        throw ESheetError(QStringLiteral("a parte %1 se expande além dos %2 bytes que declara")
                              .arg(name_, GroupedCount(declared_)));
    if (reader_.inflated_ > reader_.limits_.maxInflatedBytes)
        throw ESheetError(QStringLiteral("o zip se expande além do limite de %1")
                              .arg(Megabytes(reader_.limits_.maxInflatedBytes)));
    return count;
}

QByteArray ZipEntry::ReadAll(std::size_t maxBytes) {
    // Read keeps the entry to its declared size, and ZipReader::Open that to the archive's allowance.
    const std::size_t room = std::min(declared_ - std::min(read_, declared_), maxBytes);
    QByteArray bytes(static_cast<qsizetype>(room), Qt::Uninitialized);
    std::size_t filled = 0;
    while (filled < room) {
        const std::size_t got = Read(bytes.data() + filled, room - filled);
        if (got == 0) break;
        filled += got;
    }
    bytes.truncate(static_cast<qsizetype>(filled));
    char more = 0;
    if (Read(&more, 1) != 0)
        throw ESheetError(QStringLiteral("a parte %1 passa de %2 bytes").arg(name_, GroupedCount(maxBytes)));
    return bytes;
}

} // namespace quorvel
