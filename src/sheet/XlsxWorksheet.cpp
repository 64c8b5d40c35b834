#include "sheet/XlsxWorksheet.h"

#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetText.h"
#include "sheet/XmlHalves.h"
#include "sheet/XmlPartReader.h"

#include "platform/NumberParse.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace quorvel {
namespace {

// Reads the rows of one worksheet part.
class WorksheetReader : public HalfReader<WorksheetReader> {
public:
    WorksheetReader(XmlPartReader& xml, SheetCollector& sheet, const std::vector<QString>& strings)
        : HalfReader(xml)
        , sheet_(sheet)
        , strings_(strings) {}

    // As HalfReader::Read, with the cell being read named in the messages of the part's faults.
    bool Read(QStringView stop = {}) {
        xml_.SetPlace([this] { return inCell_ ? Where() : QString(); });
        return HalfReader::Read(stop);
    }

    // Inside the sheet's data, between rows: where a part may be cut.
    bool BetweenItems() const noexcept {
        return inData_ && !inRow_ && !inCell_ && !inInline_ && phonetic_ == 0 && target_ == nullptr;
    }
    // The first row read gave its number (or there was none): the rows of the second half of a cut
    // part are numbered as in the whole only so.
    bool StandsAlone() const noexcept { return firstRowNumbered_; }

private:
    friend class HalfReader<WorksheetReader>;

    QString Where() const { return SheetCollector::Place(row_, column_); }

    void Text(QStringView text) {
        if (target_ != nullptr) sheet_.AppendText(*target_, text, [this] { return Where(); });
    }

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

    SheetCollector& sheet_;
    const std::vector<QString>& strings_;
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

} // namespace

void ReadWorksheet(XmlPartReader& xml, SheetCollector& sheet, const std::vector<QString>& strings) {
    WorksheetReader(xml, sheet, strings).Read();
}

std::size_t FindRowTag(std::span<const char> part, std::size_t from) {
    return FindTag(part, from, "row");
}

bool ReadWorksheetInHalves(const QString& name, std::span<const char> part, std::size_t cut,
                           SheetCollector& sheet, const std::vector<QString>& strings) {
    SheetCollector first(sheet.Limits());
    SheetCollector second(sheet.Limits());
    const auto make = [&](XmlPartReader& xml, int half) {
        return WorksheetReader(xml, half == 0 ? first : second, strings);
    };
    if (!ReadInHalves(name, part, cut, sheet.Limits(), u"sheetData", make)) return false;
    try {
        first.Append(std::move(second));
        sheet.Append(std::move(first));
    } catch (const ESheetError&) {
        return false;
    }
    return true;
}

} // namespace quorvel
