#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetText.h"

#include "platform/CodePage.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <string>
#include <string_view>

namespace quorvel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsUtf8(std::string_view bytes) {
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
}

// The separator the first line that holds anything uses: ";" unless it holds more "," than ";"
// outside quotes (a Brazilian sheet writes its decimal commas inside quotes, or uses ";").
char DetectSeparator(std::string_view text) {
    int semicolons = 0;
    int commas = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (semicolons + commas > 0) break;
        } else if (!quoted && c == ';') {
            ++semicolons;
        } else if (!quoted && c == ',') {
            ++commas;
        }
    }
    return commas > semicolons ? ',' : ';';
}

class CsvParser {
public:
    CsvParser(std::string_view text, bool utf8, SheetCollector& sheet)
        : text_(text)
        , utf8_(utf8)
        , separator_(DetectSeparator(text))
        , sheet_(sheet)
        , maxFieldBytes_(static_cast<std::size_t>(sheet.Limits().maxCellChars) * 4) {}

    void Parse() {
        int row = 0;
        while (at_ < text_.size()) {
            sheet_.BeginRow(++row);
            int column = 0;
            for (;;) {
                const bool lineEnds = Field(row, column);
                ++column;
                if (lineEnds) break;
            }
            sheet_.EndRow();
        }
    }

private:
    // Reads one field and the separator or line end after it; true at the end of the line.
    bool Field(int row, int column) {
        std::string quotedBytes;
        std::string_view bytes;
        if (at_ < text_.size() && text_[at_] == '"') {
            ++at_;
            for (;;) {
                if (at_ >= text_.size())
                    throw ESheetError(QStringLiteral("linha %1: aspas abertas e não fechadas").arg(row));
                const std::size_t quote = text_.find('"', at_);
                if (quote == std::string_view::npos)
                    throw ESheetError(QStringLiteral("linha %1: aspas abertas e não fechadas").arg(row));
                quotedBytes.append(text_.substr(at_, quote - at_));
                CheckSize(quotedBytes.size(), row, column);
                at_ = quote + 1;
                if (at_ < text_.size() && text_[at_] == '"') {
                    quotedBytes.push_back('"');
                    ++at_;
                    continue;
                }
                break;
            }
            // Anything between the closing quote and the separator belongs to the field.
            const std::size_t end = FieldEnd();
            quotedBytes.append(text_.substr(at_, end - at_));
            CheckSize(quotedBytes.size(), row, column);
            at_ = end;
            bytes = quotedBytes;
        } else {
            const std::size_t end = FieldEnd();
            bytes = text_.substr(at_, end - at_);
            CheckSize(bytes.size(), row, column);
            at_ = end;
        }
        if (!bytes.empty()) sheet_.AddText(column, WithoutFormulaGuard(Decode(bytes)));
        if (at_ >= text_.size()) return true;
        const char c = text_[at_++];
        if (c == separator_) {
            if (column + 1 >= sheet_.Limits().maxColumns)
                throw ESheetError(QStringLiteral("linha %1: a planilha passa de %2 colunas")
                                      .arg(row)
                                      .arg(GroupedCount(sheet_.Limits().maxColumns)));
            return false;
        }
        if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
        return true;
    }

    std::size_t FieldEnd() const {
        std::size_t end = at_;
        while (end < text_.size() && text_[end] != separator_ && text_[end] != '\n' && text_[end] != '\r')
            ++end;
        return end;
    }

    void CheckSize(std::size_t bytes, int row, int column) const {
        if (bytes > maxFieldBytes_)
            sheet_.CheckCellLength(sheet_.Limits().maxCellChars + 1,
                                   [&] { return SheetCollector::Place(row, column); });
    }

    // Each field on its own: a byte-order mark at a field's start is a character of the field, not
    // a mark to drop (the file's own mark went before the parsing began).
    QString Decode(std::string_view bytes) const {
        if (!utf8_) return Cp1252ToQString(bytes);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }

    std::string_view text_;
    bool utf8_;
    char separator_;
    SheetCollector& sheet_;
    std::size_t maxFieldBytes_;
    std::size_t at_ = 0;
};

} // namespace

Sheet ReadCsv(std::span<const char> bytes, const SheetLimits& limits) {
    std::string_view text(bytes.data(), bytes.size());
    bool utf8 = text.starts_with(kByteOrderMark);
    if (utf8)
        text.remove_prefix(kByteOrderMark.size());
    else
        utf8 = IsUtf8(text);
    SheetCollector sheet(limits);
    CsvParser(text, utf8, sheet).Parse();
    return sheet.Take();
}

} // namespace quorvel
