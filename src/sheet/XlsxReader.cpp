#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/XlsxSharedStrings.h"
#include "sheet/XlsxWorksheet.h"
#include "sheet/XmlPartReader.h"
#include "sheet/ZipReader.h"

#include <QDir>
#include <QHash>

#include <optional>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

// Lists of parts and relationships are small; anything larger is not a spreadsheet's.
constexpr std::size_t kMaxRelationshipBytes = 1 << 20;

struct Relationship {
    QString type;
    QString target; // the part's name inside the archive
};

// "worksheets/sheet1.xml" from "xl/workbook.xml" is "xl/worksheets/sheet1.xml"; a target starting
// with "/" is taken from the archive's root. A target that leaves the archive is refused, naming the
// list of relationships that holds it.
QString ResolvePart(const QString& source, const QString& target, const QString& list) {
    QString path = target.startsWith(QLatin1Char('/'))
                       ? target.mid(1)
                       : source.section(QLatin1Char('/'), 0, -2, QString::SectionIncludeTrailingSep) + target;
    path = QDir::cleanPath(path);
    if (path.startsWith(QLatin1String("..")) || path.startsWith(QLatin1Char('/')) || path.isEmpty())
        throw ESheetError(QStringLiteral("a parte %1 aponta para fora do arquivo (%2)").arg(list, target));
    return path;
}

// The relationships of `source` ("xl/workbook.xml" → "xl/_rels/workbook.xml.rels"), by id; empty
// when the part has none.
QHash<QString, Relationship> ReadRelationships(ZipReader& zip, const SheetLimits& limits,
                                               const QString& source) {
    const QString folder = source.section(QLatin1Char('/'), 0, -2, QString::SectionIncludeTrailingSep);
    const QString name =
        folder + QStringLiteral("_rels/") + source.section(QLatin1Char('/'), -1) + QStringLiteral(".rels");
    QHash<QString, Relationship> relationships;
    if (!zip.Has(name)) return relationships;
    SheetLimits small = limits;
    small.maxTokenBytes = std::min(limits.maxTokenBytes, kMaxRelationshipBytes);
    XmlPartReader xml(zip.Open(name), small);
    for (;;) {
        const auto token = xml.Next();
        if (token == QXmlStreamReader::EndDocument) break;
        if (token != QXmlStreamReader::StartElement || xml.Xml().name() != u"Relationship") continue;
        const QXmlStreamAttributes attributes = xml.Xml().attributes();
        if (attributes.value(QLatin1String("TargetMode")) == u"External") continue;
        if (relationships.size() >= 10000) xml.Fail(QStringLiteral("relações demais"));
        relationships.insert(
            attributes.value(QLatin1String("Id")).toString(),
            {attributes.value(QLatin1String("Type")).toString(),
             ResolvePart(source, attributes.value(QLatin1String("Target")).toString(), name)});
    }
    return relationships;
}

std::optional<QString> FindByType(const QHash<QString, Relationship>& relationships, QStringView type) {
    for (const Relationship& r : relationships)
        if (r.type.endsWith(type)) return r.target;
    return std::nullopt;
}

// The relationship id of the workbook's first sheet.
QString FirstSheetId(ZipReader& zip, const SheetLimits& limits, const QString& workbook) {
    XmlPartReader xml(zip.Open(workbook), limits);
    for (;;) {
        const auto token = xml.Next();
        if (token == QXmlStreamReader::EndDocument) break;
        if (token != QXmlStreamReader::StartElement || xml.Xml().name() != u"sheet") continue;
        for (const QXmlStreamAttribute& a : xml.Xml().attributes())
            if (a.name() == u"id" && a.namespaceUri().endsWith(u"/relationships"))
                return a.value().toString();
        xml.Fail(QStringLiteral("a planilha não diz onde está"));
    }
    throw ESheetError(QStringLiteral("a pasta de trabalho não tem planilhas"));
}

// A worksheet or shared strings part of a few megabytes is inflated whole and read in two halves
// at once, on two threads, when the machine has them; a smaller one is not worth the second thread,
// and a larger one is read as it is inflated, so that it is never held whole.
constexpr std::size_t kMinBytesInHalves = std::size_t{1} << 20;
constexpr std::size_t kMaxBytesInHalves = std::size_t{32} << 20;

bool ToReadInHalves(const ZipEntry& entry) {
    const std::size_t declared = entry.DeclaredSize();
    return declared >= kMinBytesInHalves && declared <= kMaxBytesInHalves &&
           std::thread::hardware_concurrency() >= 2;
}

std::span<const char> SpanOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

std::vector<QString> ReadSharedStringsPart(ZipReader& zip, const QString& name, SheetCollector& sheet) {
    std::unique_ptr<ZipEntry> entry = zip.Open(name);
    if (!ToReadInHalves(*entry)) {
        XmlPartReader xml(std::move(entry), sheet.Limits());
        return ReadSharedStrings(xml, sheet);
    }
    const QByteArray part = entry->ReadAll(kMaxBytesInHalves);
    const std::size_t cut = FindStringTag(SpanOf(part), part.size() / 2);
    if (cut != std::string_view::npos)
        if (std::optional<std::vector<QString>> strings =
                ReadSharedStringsInHalves(name, SpanOf(part), cut, sheet))
            return std::move(*strings);
    XmlPartReader xml(name, {{SpanOf(part), 0, true}}, sheet.Limits());
    return ReadSharedStrings(xml, sheet);
}

void ReadWorksheetPart(ZipReader& zip, const QString& name, SheetCollector& sheet,
                       const std::vector<QString>& strings) {
    std::unique_ptr<ZipEntry> entry = zip.Open(name);
    if (!ToReadInHalves(*entry)) {
        XmlPartReader xml(std::move(entry), sheet.Limits());
        ReadWorksheet(xml, sheet, strings);
        return;
    }
    const QByteArray part = entry->ReadAll(kMaxBytesInHalves);
    const std::size_t cut = FindRowTag(SpanOf(part), part.size() / 2);
    if (cut != std::string_view::npos && ReadWorksheetInHalves(name, SpanOf(part), cut, sheet, strings))
        return;
    XmlPartReader xml(name, {{SpanOf(part), 0, true}}, sheet.Limits());
    ReadWorksheet(xml, sheet, strings);
}

} // namespace

Sheet ReadXlsx(std::span<const char> bytes, const SheetLimits& limits) {
    ZipReader zip(bytes, limits);
    const std::optional<QString> workbook =
        FindByType(ReadRelationships(zip, limits, QString()), u"/officeDocument");
    if (!workbook) throw ESheetError(QStringLiteral("o arquivo não é uma pasta de trabalho .xlsx"));
    const QHash<QString, Relationship> parts = ReadRelationships(zip, limits, *workbook);
    const QString sheetId = FirstSheetId(zip, limits, *workbook);
    const auto worksheet = parts.constFind(sheetId);
    if (worksheet == parts.constEnd())
        throw ESheetError(QStringLiteral("a planilha '%1' não está entre as partes do arquivo").arg(sheetId));

    SheetCollector sheet(limits);
    std::vector<QString> strings;
    if (const std::optional<QString> shared = FindByType(parts, u"/sharedStrings"))
        strings = ReadSharedStringsPart(zip, *shared, sheet);
    ReadWorksheetPart(zip, worksheet->target, sheet, strings);
    return sheet.Take();
}

} // namespace quorvel
