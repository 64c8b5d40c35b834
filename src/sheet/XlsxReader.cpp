#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetText.h"
#include "sheet/XmlPartReader.h"
#include "sheet/ZipReader.h"

#include "platform/NumberParse.h"

#include <QDir>
#include <QHash>

#include <optional>
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

// Appends text to a cell being read, within a cell's limit; `where` names the cell when it is refused.
template <class Where>
void AppendText(QString& text, QStringView more, const SheetCollector& sheet, Where&& where) {
    sheet.CheckCellLength(text.size() + more.size(), where);
    text += more;
}

std::vector<QString> ReadSharedStrings(ZipReader& zip, SheetCollector& sheet, const QString& part) {
    std::vector<QString> strings;
    XmlPartReader xml(zip.Open(part), sheet.Limits());
    QString text;
    bool inItem = false;
    int phonetic = 0; // inside a reading aid, whose text is not the cell's
    bool inText = false;
    for (;;) {
        const auto token = xml.Next();
        if (token == QXmlStreamReader::EndDocument) break;
        const QStringView name = xml.Xml().name();
        if (token == QXmlStreamReader::StartElement) {
            if (name == u"si") {
                inItem = true;
                text.clear();
            } else if (name == u"rPh") {
                ++phonetic;
            } else if (name == u"t") {
                inText = inItem && phonetic == 0;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (name == u"si") {
                if (strings.size() >= sheet.Limits().maxCells)
                    xml.Fail(QStringLiteral("a planilha passa de %1 textos compartilhados")
                                 .arg(GroupedCount(sheet.Limits().maxCells)));
                sheet.ChargeText(static_cast<std::size_t>(text.size()), [&] {
                    return QStringLiteral("texto compartilhado %1").arg(strings.size());
                });
                strings.push_back(text);
                inItem = false;
            } else if (name == u"rPh") {
                --phonetic;
            } else if (name == u"t") {
                inText = false;
            }
        } else if (token == QXmlStreamReader::Characters && inText) {
            AppendText(text, xml.Xml().text(), sheet,
                       [&] { return QStringLiteral("texto compartilhado %1").arg(strings.size()); });
        }
    }
    return strings;
}

// Reads the rows of one worksheet part.
class WorksheetReader {
public:
    WorksheetReader(XmlPartReader& xml, SheetCollector& sheet, const std::vector<QString>& strings)
        : xml_(xml)
        , sheet_(sheet)
        , strings_(strings) {}

    void Read() {
        xml_.SetPlace([this] { return inCell_ ? Where() : QString(); });
        for (;;) {
            const auto token = xml_.Next();
            if (token == QXmlStreamReader::EndDocument) return;
            const QStringView name = xml_.Xml().name();
            if (token == QXmlStreamReader::StartElement) {
                Start(name);
            } else if (token == QXmlStreamReader::EndElement) {
                End(name);
            } else if (token == QXmlStreamReader::Characters && target_ != nullptr) {
                AppendText(*target_, xml_.Xml().text(), sheet_, [this] { return Where(); });
            }
        }
    }

private:
    QString Where() const { return SheetCollector::Place(row_, column_); }

    void Start(QStringView name) {
        if (name == u"sheetData") {
            inData_ = true;
        } else if (!inData_) {
            return;
        } else if (name == u"row") {
            const QStringView r = xml_.Xml().attributes().value(QLatin1String("r"));
            int number = row_ + 1;
            if (!r.isEmpty()) {
                const std::optional<std::int64_t> n = ParseWholeNumber(r, 1, sheet_.Limits().maxRows);
                if (!n) xml_.Fail(QStringLiteral("número de linha inválido '%1'").arg(r));
                number = static_cast<int>(*n);
            }
            sheet_.BeginRow(number);
            row_ = number;
            column_ = -1;
            inRow_ = true;
        } else if (name == u"c") {
            if (!inRow_) xml_.Fail(QStringLiteral("célula fora de uma linha"));
            const QXmlStreamAttributes attributes = xml_.Xml().attributes();
            const QStringView r = attributes.value(QLatin1String("r"));
            int column = column_ + 1;
            if (!r.isEmpty()) {
                int rowOfReference = 0;
                column = ColumnOfReference(r, sheet_.Limits().maxColumns, rowOfReference);
                if (column < 0) xml_.Fail(QStringLiteral("referência de célula inválida '%1'").arg(r));
            }
            column_ = column;
            inCell_ = true;
            type_ = TypeOf(attributes.value(QLatin1String("t")));
            // Emptied keeping their room: most cells hold a value of the same size as the last.
            value_.resize(0);
            inline_.resize(0);
        } else if (name == u"v") {
            target_ = &value_;
        } else if (name == u"is") {
            inInline_ = true;
        } else if (name == u"rPh") {
            ++phonetic_;
        } else if (name == u"t" && inInline_ && phonetic_ == 0) {
            target_ = &inline_;
        } else if (name == u"f") {
            xml_.SkipElement();
        }
    }

    void End(QStringView name) {
        if (name == u"sheetData") {
            inData_ = false;
        } else if (!inData_) {
            return;
        } else if (name == u"v" || name == u"t") {
            target_ = nullptr;
        } else if (name == u"is") {
            inInline_ = false;
        } else if (name == u"rPh") {
            --phonetic_;
        } else if (name == u"c") {
            inCell_ = false;
            AddCell();
        } else if (name == u"row") {
            sheet_.EndRow();
            inRow_ = false;
        }
    }

    enum class CellType { Number, Shared, Inline, Formula, Boolean, Unknown };
    CellType TypeOf(QStringView t) {
        if (t.isEmpty() || t == u"n") return CellType::Number;
        if (t == u"s") return CellType::Shared;
        if (t == u"inlineStr") return CellType::Inline;
        // A formula's text result, an error value and a date are kept as the texts they are.
        if (t == u"str" || t == u"e" || t == u"d") return CellType::Formula;
        if (t == u"b") return CellType::Boolean;
        unknownType_ = t.toString();
        return CellType::Unknown;
    }

    void AddCell() {
        switch (type_) {
        case CellType::Shared: {
            if (value_.isEmpty()) return;
            const std::optional<std::int64_t> index = ParseWholeNumber(value_, 0);
            if (!index || static_cast<std::uint64_t>(*index) >= strings_.size())
                throw ESheetError(
                    QStringLiteral("%1: o texto compartilhado '%2' não existe (a planilha tem %3)")
                        .arg(Where(), value_, GroupedCount(strings_.size())));
            sheet_.AddText(column_, strings_[static_cast<std::size_t>(*index)]);
            return;
        }
        case CellType::Inline:
            sheet_.AddText(column_, inline_);
            return;
        case CellType::Formula:
            sheet_.AddText(column_, value_);
            return;
        case CellType::Boolean:
            if (!value_.isEmpty())
                sheet_.AddText(column_,
                               value_ == u"1" ? QStringLiteral("VERDADEIRO") : QStringLiteral("FALSO"));
            return;
        case CellType::Number: {
            const QStringView trimmed = QStringView(value_).trimmed();
            if (trimmed.isEmpty()) return;
            const std::optional<double> number = ParsePlainNumber(trimmed, '.');
            if (!number) throw ESheetError(QStringLiteral("%1: número inválido '%2'").arg(Where(), trimmed));
            sheet_.AddNumber(column_, *number);
            return;
        }
        case CellType::Unknown:
            throw ESheetError(
                QStringLiteral("%1: tipo de célula desconhecido '%2'").arg(Where(), unknownType_));
        }
    }

    XmlPartReader& xml_;
    SheetCollector& sheet_;
    const std::vector<QString>& strings_;
    bool inData_ = false;
    bool inInline_ = false;
    bool inRow_ = false;
    bool inCell_ = false;
    int phonetic_ = 0;
    int row_ = 0;
    int column_ = -1;
    CellType type_ = CellType::Number;
    QString unknownType_;
    QString value_;
    QString inline_;
    QString* target_ = nullptr;
};

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
        strings = ReadSharedStrings(zip, sheet, *shared);
    XmlPartReader xml(zip.Open(worksheet->target), limits);
    WorksheetReader(xml, sheet, strings).Read();
    return sheet.Take();
}

} // namespace quorvel
