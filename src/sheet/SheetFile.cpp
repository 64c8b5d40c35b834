#include "sheet/SheetFile.h"

#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetText.h"
#include "sheet/SheetWriters.h"

#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>

namespace quorvel {
namespace {

SheetFormat FormatOrRefuse(const QString& path) {
    const std::optional<SheetFormat> format = SheetFormatOfName(path);
    if (!format)
        throw ESheetError(QStringLiteral("formato de planilha desconhecido '%1': use .xlsx, .ods ou .csv")
                              .arg(QFileInfo(path).suffix()));
    return *format;
}

} // namespace

std::optional<SheetFormat> SheetFormatOfName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx") return SheetFormat::Xlsx;
    if (suffix == u"ods") return SheetFormat::Ods;
    if (suffix == u"csv") return SheetFormat::Csv;
    return std::nullopt;
}

Sheet ReadSheet(std::span<const char> bytes, SheetFormat format, const SheetLimits& limits) {
    switch (format) {
    case SheetFormat::Xlsx:
        return ReadXlsx(bytes, limits);
    case SheetFormat::Ods:
        return ReadOds(bytes, limits);
    case SheetFormat::Csv:
        return ReadCsv(bytes, limits);
    }
    return {};
}

std::string WriteSheet(const Sheet& sheet, SheetFormat format) {
    switch (format) {
    case SheetFormat::Xlsx:
        return WriteXlsx(sheet);
    case SheetFormat::Ods:
        return WriteOds(sheet);
    case SheetFormat::Csv:
        return WriteCsv(sheet);
    }
    return {};
}

Sheet ReadSheetFile(const QString& path, const SheetLimits& limits) {
    const SheetFormat format = FormatOrRefuse(path);
    const QFileInfo info(path);
    if (!info.exists()) throw ESheetError(QStringLiteral("o arquivo não existe"));
    if (!info.isFile()) throw ESheetError(QStringLiteral("não é um arquivo comum"));
    if (static_cast<std::size_t>(info.size()) > limits.maxFileBytes)
        throw ESheetError(QStringLiteral("o arquivo tem %1 MiB, além do limite de %2 MiB")
                              .arg(GroupedCount(static_cast<std::size_t>(info.size()) >> 20),
                                   GroupedCount(limits.maxFileBytes >> 20)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ESheetError(QStringLiteral("o arquivo não pode ser lido: %1").arg(file.errorString()));
    // Read with a bound, in case the file grew after it was measured.
    const QByteArray bytes = file.read(static_cast<qint64>(limits.maxFileBytes) + 1);
    if (static_cast<std::size_t>(bytes.size()) > limits.maxFileBytes)
        throw ESheetError(QStringLiteral("o arquivo passa do limite de %1 MiB")
                              .arg(GroupedCount(limits.maxFileBytes >> 20)));
    return ReadSheet(std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())), format,
                     limits);
}

void WriteSheetFile(const QString& path, const Sheet& sheet) {
    ReplaceFileAtomically(path, WriteSheet(sheet, FormatOrRefuse(path)));
}

} // namespace quorvel
