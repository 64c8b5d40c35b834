#include "sheet/SheetCollector.h"
#include "sheet/SheetError.h"
#include "sheet/SheetReaders.h"
#include "sheet/SheetText.h"
#include "sheet/XmlPartReader.h"
#include "sheet/ZipReader.h"

#include "platform/NumberParse.h"

#include <QLatin1StringView>

#include <algorithm>
#include <optional>
#include <vector>

namespace quorvel {
namespace {

constexpr QLatin1StringView kOfficeNs("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
constexpr QLatin1StringView kTableNs("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
constexpr QLatin1StringView kTextNs("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
constexpr QLatin1StringView kMimeType("application/vnd.oasis.opendocument.spreadsheet");

// Reads the first table of content.xml. Rows and cells may say that they repeat: an empty one only
// moves the count on, a filled one is copied within the sheet's limits.
class ContentReader {
public:
    ContentReader(XmlPartReader& xml, SheetCollector& sheet)
        : xml_(xml)
        , sheet_(sheet) {}

    void Read() {
        xml_.SetPlace([this] { return inCell_ ? Where() : QString(); });
        for (;;) {
            const auto token = xml_.Next();
            if (token == QXmlStreamReader::EndDocument) return;
            if (token == QXmlStreamReader::StartElement) {
                if (!Start()) return;
            } else if (token == QXmlStreamReader::EndElement) {
                if (!End()) return;
            } else if (token == QXmlStreamReader::Characters && paragraph_ > 0) {
                AppendCharacters(xml_.Xml().text());
            }
        }
    }

private:
    bool Is(QLatin1StringView ns, QStringView local) const {
        // The local name first: it differs far more often, and is shorter.
        return xml_.Xml().name() == local && xml_.Xml().namespaceUri() == ns;
    }

    // A count attribute ("number-rows-repeated"): 1 when absent; refused when not a positive number.
    int Repeat(QLatin1StringView local) const {
        const QStringView text = xml_.Xml().attributes().value(kTableNs, local);
        if (text.isEmpty()) return 1;
        const std::optional<std::int64_t> n = ParseWholeNumber(text, 1, 1 << 30);
        if (!n) xml_.Fail(QStringLiteral("repetição inválida '%1'").arg(text));
        return static_cast<int>(*n);
    }

    QString Where() const { return SheetCollector::Place(row_, column_); }

    void Append(QStringView more) {
        sheet_.CheckCellLength(text_.size() + more.size(), [this] { return Where(); });
        text_ += more;
        blankBefore_ = false;
    }

    // Character data of a paragraph: a run of blanks, tabs and line ends is one blank and none counts
    // at the paragraph's start, as the format says; blanks that count are written as elements
    // (text:s, text:tab, text:line-break).
    void AppendCharacters(QStringView more) {
        QString collapsed;
        collapsed.reserve(more.size());
        for (const QChar c : more) {
            const bool blank = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
            if (blank && blankBefore_) continue;
            collapsed += blank ? QChar(u' ') : c;
            blankBefore_ = blank;
        }
        sheet_.CheckCellLength(text_.size() + collapsed.size(), [this] { return Where(); });
        text_ += collapsed;
    }

    // False once the first table has ended: the rest of the document is not read.
    bool Start() {
        if (!inTable_) {
            if (Is(kTableNs, u"table")) inTable_ = true;
            return true;
        }
        if (inCell_) {
            StartInCell();
            return true;
        }
        if (Is(kTableNs, u"table-row")) {
            rowRepeat_ = Repeat(QLatin1String("number-rows-repeated"));
            ++row_;
            if (row_ <= sheet_.Limits().maxRows) sheet_.BeginRow(row_);
            column_ = 0;
        } else if (Is(kTableNs, u"table-cell") || Is(kTableNs, u"covered-table-cell")) {
            StartCell();
        }
        return true;
    }

    void StartCell() {
        const QXmlStreamAttributes attributes = xml_.Xml().attributes();
        cellRepeat_ = Repeat(QLatin1String("number-columns-repeated"));
        covered_ = Is(kTableNs, u"covered-table-cell");
        inCell_ = true;
        text_.clear();
        hasParagraph_ = false;
        number_.reset();
        fixed_.reset();
        if (covered_) return;
        const QStringView type = attributes.value(kOfficeNs, QLatin1String("value-type"));
        if (type == u"float" || type == u"percentage" || type == u"currency") {
            const QStringView value = attributes.value(kOfficeNs, QLatin1String("value"));
            number_ = ParsePlainNumber(value.trimmed(), '.');
            if (!number_) xml_.Fail(QStringLiteral("%1: número inválido '%2'").arg(Where(), value));
        } else if (type == u"boolean") {
            fixed_ = attributes.value(kOfficeNs, QLatin1String("boolean-value")) == u"true"
                         ? QStringLiteral("VERDADEIRO")
                         : QStringLiteral("FALSO");
        } else if (type == u"date") {
            fixed_ = attributes.value(kOfficeNs, QLatin1String("date-value")).toString();
        } else if (type == u"time") {
            fixed_ = attributes.value(kOfficeNs, QLatin1String("time-value")).toString();
        } else if (type == u"string" &&
                   !attributes.value(kOfficeNs, QLatin1String("string-value")).isNull()) {
            fixed_ = attributes.value(kOfficeNs, QLatin1String("string-value")).toString();
            sheet_.CheckCellLength(fixed_->size(), [this] { return Where(); });
        }
    }

    void StartInCell() {
        // Comments, notes and tables inside a cell are not its text.
        if (covered_ || Is(kOfficeNs, u"annotation") || Is(kTextNs, u"note") || Is(kTextNs, u"ruby-text") ||
            Is(kTableNs, u"table")) {
            xml_.SkipElement();
        } else if (Is(kTextNs, u"p") || Is(kTextNs, u"h")) {
            if (hasParagraph_) Append(u"\n");
            hasParagraph_ = true;
            // Blanks at the start of a paragraph do not count.
            blankBefore_ = true;
            ++paragraph_;
        } else if (paragraph_ > 0 && Is(kTextNs, u"s")) {
            const QStringView count = xml_.Xml().attributes().value(kTextNs, QLatin1String("c"));
            std::int64_t spaces = 1;
            if (!count.isEmpty()) {
                const std::optional<std::int64_t> n = ParseWholeNumber(count, 1, 1 << 30);
                if (!n) xml_.Fail(QStringLiteral("%1: espaços inválidos '%2'").arg(Where(), count));
                spaces = *n;
            }
            sheet_.CheckCellLength(text_.size() + spaces, [this] { return Where(); });
            text_ += QString(static_cast<qsizetype>(spaces), QLatin1Char(' '));
            blankBefore_ = false;
        } else if (paragraph_ > 0 && Is(kTextNs, u"tab")) {
            Append(u"\t");
        } else if (paragraph_ > 0 && Is(kTextNs, u"line-break")) {
            Append(u"\n");
        }
    }

    bool End() {
        if (!inTable_) return true;
        if (inCell_) {
            if (Is(kTextNs, u"p") || Is(kTextNs, u"h")) {
                --paragraph_;
            } else if (Is(kTableNs, u"table-cell") || Is(kTableNs, u"covered-table-cell")) {
                EndCell();
            }
            return true;
        }
        if (Is(kTableNs, u"table-row")) {
            EndRow();
        } else if (Is(kTableNs, u"table")) {
            return false;
        }
        return true;
    }

    void EndCell() {
        inCell_ = false;
        const bool filled = !covered_ && (number_ || (fixed_ && !fixed_->isEmpty()) || !text_.isEmpty());
        if (!filled) {
            column_ = static_cast<int>(std::min<std::int64_t>(std::int64_t{column_} + cellRepeat_, 1 << 30));
            return;
        }
        if (row_ > sheet_.Limits().maxRows)
            throw ESheetError(
                QStringLiteral("a planilha passa de %1 linhas").arg(GroupedCount(sheet_.Limits().maxRows)));
        for (int i = 0; i < cellRepeat_; ++i) {
            if (number_)
                sheet_.AddNumber(column_, *number_);
            else
                sheet_.AddText(column_, fixed_ ? *fixed_ : text_);
            ++column_;
        }
    }

    void EndRow() {
        if (row_ <= sheet_.Limits().maxRows) sheet_.EndRow();
        if (rowRepeat_ > 1) {
            sheet_.RepeatLastRow(rowRepeat_ - 1);
            row_ = static_cast<int>(std::min<std::int64_t>(std::int64_t{row_} + rowRepeat_ - 1, 1 << 30));
        }
    }

    XmlPartReader& xml_;
    SheetCollector& sheet_;
    bool inTable_ = false;
    bool inCell_ = false;
    bool covered_ = false;
    bool hasParagraph_ = false;
    bool blankBefore_ = false;
    int paragraph_ = 0;
    int row_ = 0;
    int column_ = 0;
    int rowRepeat_ = 1;
    int cellRepeat_ = 1;
    QString text_;
    std::optional<double> number_;
    std::optional<QString> fixed_;
};

} // namespace

Sheet ReadOds(std::span<const char> bytes, const SheetLimits& limits) {
    ZipReader zip(bytes, limits);
    if (zip.Has(QStringLiteral("mimetype"))) {
        const QByteArray type = zip.ReadAll(QStringLiteral("mimetype"), 256).trimmed();
        if (type != QByteArrayView(kMimeType.data(), kMimeType.size()))
            throw ESheetError(QStringLiteral("o arquivo não é uma planilha OpenDocument (é %1)")
                                  .arg(QString::fromUtf8(type)));
    }
    if (!zip.Has(QStringLiteral("content.xml")))
        throw ESheetError(QStringLiteral("o arquivo não é uma planilha OpenDocument: falta content.xml"));
    SheetCollector sheet(limits);
    XmlPartReader xml(zip.Open(QStringLiteral("content.xml")), limits);
    ContentReader(xml, sheet).Read();
    return sheet.Take();
}

} // namespace quorvel
