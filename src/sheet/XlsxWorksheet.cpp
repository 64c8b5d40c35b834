#include "sheet/XlsxWorksheet.h"

#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetText.h"
#include "sheet/XmlPartReader.h"

#include "platform/NumberParse.h"

#include <algorithm>
#include <future>
#include <optional>
#include <string_view>
#include <utility>

namespace quorvel {
namespace {

// An element open around the sheet's data: how deep, its name as written and the namespaces it
// declares (prefix, URI), which the second half of a cut part needs to be read as in the whole.
struct OpenElement {
    int depth = 0;
    QString name;
    std::vector<std::pair<QString, QString>> namespaces;
    bool operator==(const OpenElement&) const = default;
};
using ElementChain = std::vector<OpenElement>;

// Deeper than this the elements around the data are not followed, and the part is not cut.
constexpr int kMaxChainDepth = 16;
// Ends the first half of a cut part: an element no worksheet has, whose start shows where the
// reading of that half stands at the cut.
constexpr char kCutMark[] = "<quorvel-cut/>";
constexpr QStringView kCutName = u"quorvel-cut";

OpenElement ElementAt(XmlPartReader& xml) {
    OpenElement element{xml.Depth(), xml.Xml().qualifiedName().toString(), {}};
    for (const QXmlStreamNamespaceDeclaration& d : xml.Xml().namespaceDeclarations())
        element.namespaces.emplace_back(d.prefix().toString(), d.namespaceUri().toString());
    return element;
}

// Keeps the chain of elements open while outside the sheet's data, as the part's tokens go by.
void Follow(ElementChain& chain, XmlPartReader& xml, QXmlStreamReader::TokenType token) {
    if (token == QXmlStreamReader::StartElement) {
        if (xml.Depth() <= kMaxChainDepth) chain.push_back(ElementAt(xml));
    } else if (token == QXmlStreamReader::EndElement) {
        // The depth is that of the parent once an element has ended.
        if (!chain.empty() && chain.back().depth == xml.Depth() + 1) chain.pop_back();
    }
}

// Reads the rows of one worksheet part.
class WorksheetReader {
public:
    WorksheetReader(XmlPartReader& xml, SheetCollector& sheet, const std::vector<QString>& strings)
        : xml_(xml)
        , sheet_(sheet)
        , strings_(strings) {}

    // Follows the elements open around the sheet's data into `chain` while reading.
    void FollowChain(ElementChain& chain) { chain_ = &chain; }

    // Reads to the end of the part; or, given `stop`, up to the start of an element of that name,
    // and then tells whether it got there.
    bool Read(QStringView stop = {}) {
        xml_.SetPlace([this] { return inCell_ ? Where() : QString(); });
        for (;;) {
            const auto token = xml_.Next();
            if (token == QXmlStreamReader::EndDocument) return false;
            const QStringView name = xml_.Xml().name();
            if (token == QXmlStreamReader::StartElement) {
                if (!stop.isEmpty() && name == stop) return true;
                if (chain_ != nullptr && !inData_) Follow(*chain_, xml_, token);
                Start(name);
            } else if (token == QXmlStreamReader::EndElement) {
                End(name);
                if (chain_ != nullptr && !inData_) Follow(*chain_, xml_, token);
            } else if (token == QXmlStreamReader::Characters && target_ != nullptr) {
                sheet_.AppendText(*target_, xml_.Xml().text(), [this] { return Where(); });
            }
        }
    }

    // Inside the sheet's data, between rows: where a part may be cut.
    bool BetweenRows() const noexcept {
        return inData_ && !inRow_ && !inCell_ && !inInline_ && phonetic_ == 0 && target_ == nullptr;
    }
    // The first row read gave its number (or there was none): the rows of the second half of a cut
    // part are numbered as in the whole only so.
    bool FirstRowNumbered() const noexcept { return firstRowNumbered_; }

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
            if (!seenRow_) {
                seenRow_ = true;
                firstRowNumbered_ = !r.isEmpty();
            }
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
    ElementChain* chain_ = nullptr;
    bool inData_ = false;
    bool inInline_ = false;
    bool inRow_ = false;
    bool inCell_ = false;
    bool seenRow_ = false;
    bool firstRowNumbered_ = true;
    int phonetic_ = 0;
    int row_ = 0;
    int column_ = -1;
    CellType type_ = CellType::Number;
    QString unknownType_;
    QString value_;
    QString inline_;
    QString* target_ = nullptr;
};

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// A row tag starts at `at`: "<row" or "<prefix:row", followed by a blank, ">" or "/".
bool RowTagAt(std::string_view text, std::size_t at, std::size_t& start) {
    // `at` is where "row" is; it must end the tag's name.
    const std::size_t after = at + 3;
    if (after >= text.size()) return false;
    const char next = text[after];
    if (next != ' ' && next != '\t' && next != '\r' && next != '\n' && next != '>' && next != '/')
        return false;
    if (at == 0) return false;
    if (text[at - 1] == '<') {
        start = at - 1;
        return true;
    }
    if (text[at - 1] != ':') return false;
    std::size_t p = at - 1;
    while (p > 0 && IsNameChar(text[p - 1]))
        --p;
    if (p == 0 || p == at - 1 || text[p - 1] != '<') return false;
    start = p - 1;
    return true;
}

// The elements open around the first sheetData of the part, that element included, as written;
// none when the part is not in UTF-8 (the second half is read without the XML declaration) or has
// no sheetData within the depth followed. Reads only the part's head.
std::optional<ElementChain> ChainAroundData(const QString& name, std::span<const char> part,
                                            const SheetLimits& limits) {
    // Text in UTF-16 or UTF-32 starts with a byte-order mark or holds zero bytes among its first.
    const std::string_view start(part.data(), std::min<std::size_t>(part.size(), 4));
    if (start.find('\0') != std::string_view::npos || start.starts_with("\xFE\xFF") ||
        start.starts_with("\xFF\xFE"))
        return std::nullopt;
    XmlPartReader xml(name, {{part, 0, true}}, limits);
    ElementChain chain;
    try {
        for (;;) {
            const auto token = xml.Next();
            if (token == QXmlStreamReader::EndDocument) return std::nullopt;
            if (token == QXmlStreamReader::StartDocument) {
                const QStringView encoding = xml.Xml().documentEncoding();
                const QStringView version = xml.Xml().documentVersion();
                if ((!encoding.isEmpty() && encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0) ||
                    (!version.isEmpty() && version != u"1.0"))
                    return std::nullopt;
            }
            Follow(chain, xml, token);
            if (token == QXmlStreamReader::StartElement && xml.Xml().name() == u"sheetData")
                return xml.Depth() <= kMaxChainDepth ? std::optional(chain) : std::nullopt;
        }
    } catch (const ESheetError&) {
        return std::nullopt;
    }
}

// The start tags of the chain, with the namespaces they declare, as the second half's beginning.
QByteArray StartTags(const ElementChain& chain) {
    QString tags;
    for (const OpenElement& element : chain) {
        tags += QLatin1Char('<') + element.name;
        for (const auto& [prefix, uri] : element.namespaces)
            tags += (prefix.isEmpty() ? QStringLiteral(" xmlns") : QStringLiteral(" xmlns:") + prefix) +
                    QStringLiteral("=\"") + uri.toHtmlEscaped() + QLatin1Char('"');
        tags += QLatin1Char('>');
    }
    return tags.toUtf8();
}

// The limit on a token counts the blocks fed while the parser waits for it, and the blocks of the
// halves end at the cut where those of the whole do not: a token near the cut may wait for up to a
// block more in the whole. A half whose tokens all kept two blocks below the limit stands for the
// whole; one that came closer is read in one pass.
bool FarFromTokenLimit(const XmlPartReader& xml, const SheetLimits& limits) {
    return xml.LongestToken() + 2 * XmlPartReader::kBlock <= limits.maxTokenBytes;
}

// The first half, up to the cut, followed by the mark: read without fault, it must reach the mark
// between two rows of the data, inside the same elements as the part's head, and end there.
bool ReadFirstHalf(const QString& name, std::span<const char> half, const ElementChain& head,
                   SheetCollector& sheet, const std::vector<QString>& strings) {
    const std::span<const char> mark(kCutMark, sizeof kCutMark - 1);
    XmlPartReader xml(name, {{half, 0, true}, {mark, 0, false}}, sheet.Limits());
    WorksheetReader reader(xml, sheet, strings);
    ElementChain chain;
    reader.FollowChain(chain);
    if (!reader.Read(kCutName)) return false;
    if (xml.Xml().qualifiedName() != kCutName || !reader.BetweenRows() || chain != head ||
        xml.Depth() != static_cast<int>(head.size()) + 1 || !FarFromTokenLimit(xml, sheet.Limits()))
        return false;
    return xml.Next() == QXmlStreamReader::EndElement && xml.AtEndOfInput();
}

// The second half, from the cut, after the start tags of the elements around the data.
bool ReadSecondHalf(const QString& name, const QByteArray& tags, std::span<const char> half, std::size_t cut,
                    SheetCollector& sheet, const std::vector<QString>& strings) {
    XmlPartReader xml(
        name, {{{tags.constData(), static_cast<std::size_t>(tags.size())}, 0, false}, {half, cut, true}},
        sheet.Limits());
    WorksheetReader reader(xml, sheet, strings);
    reader.Read();
    return reader.FirstRowNumbered() && FarFromTokenLimit(xml, sheet.Limits());
}

} // namespace

void ReadWorksheet(XmlPartReader& xml, SheetCollector& sheet, const std::vector<QString>& strings) {
    WorksheetReader(xml, sheet, strings).Read();
}

std::size_t FindRowTag(std::span<const char> part, std::size_t from) {
    const std::string_view text(part.data(), part.size());
    std::size_t start = 0;
    for (std::size_t at = text.find("row", std::min(from, text.size())); at != std::string_view::npos;
         at = text.find("row", at + 1))
        if (RowTagAt(text, at, start) && start >= from) return start;
    for (std::size_t at = text.rfind("row", std::min(from, text.size()));
         at != std::string_view::npos && at > 0; at = text.rfind("row", at - 1))
        if (RowTagAt(text, at, start) && start < from) return start;
    return std::string_view::npos;
}

bool ReadWorksheetInHalves(const QString& name, std::span<const char> part, std::size_t cut,
                           SheetCollector& sheet, const std::vector<QString>& strings) {
    if (cut == 0 || cut >= part.size()) return false;
    const SheetLimits& limits = sheet.Limits();
    const std::optional<ElementChain> head = ChainAroundData(name, part, limits);
    if (!head) return false;
    const QByteArray tags = StartTags(*head);
    SheetCollector first(limits);
    SheetCollector second(limits);
    // A fault of either half is not reported from here: the reading in one pass names it.
    std::future<bool> firstHalf = std::async(std::launch::async, [&] {
        try {
            return ReadFirstHalf(name, part.first(cut), *head, first, strings);
        } catch (const ESheetError&) {
            return false;
        }
    });
    bool secondRead = false;
    try {
        secondRead = ReadSecondHalf(name, tags, part.subspan(cut), cut, second, strings);
    } catch (const ESheetError&) {
        secondRead = false;
    }
    if (!firstHalf.get() || !secondRead) return false;
    try {
        first.Append(std::move(second));
        sheet.Append(std::move(first));
    } catch (const ESheetError&) {
        return false;
    }
    return true;
}

} // namespace quorvel
