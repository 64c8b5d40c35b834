#include "report/export/QrexportXls.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FormatSettings.h"
#include "platform/NumberParse.h"
#include "report/engine/QuickrptReport.h"
#include "report/export/QrexportCells.h"
#include "report/expr/QrexprText.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QCoreApplication>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace quorvel {

namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kBlank = 1;
constexpr std::uint16_t kInteger = 2;
constexpr std::uint16_t kNumber = 3;
constexpr std::uint16_t kLabel = 4;
constexpr std::uint16_t kBoolean = 5;
constexpr std::uint16_t kEof = 10;

// Where the dimensions record's values lie: after the 10-byte beginning-of-file record and the
// dimensions record's own header.
constexpr qsizetype kDimensionsData = 10 + 4;

constexpr int kMaxRow = std::numeric_limits<std::uint16_t>::max();
constexpr int kMaxLabel = 255;

} // namespace

TQRXLSFilter::TQRXLSFilter(const QString& fileName)
    : TQRAbstractExportFilter(fileName) {
    SetColumnTolerance(1.0);
}

QString TQRXLSFilter::GetDescription() const {
    return QStringLiteral("Excel file format");
}
QString TQRXLSFilter::GetExtension() const {
    return QStringLiteral("XLS");
}
QString TQRXLSFilter::GetFilterName() const {
    return QStringLiteral("Excel spreadsheet");
}
bool TQRXLSFilter::GetStreaming() const {
    return true;
}

void TQRXLSFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    if (concatenating_ && reportNumber_ > 0) return;
    lastSheetRow_ = -1;
    TQRAbstractExportFilter::Start(paperWidth, paperHeight, font);
}

void TQRXLSFilter::Finish() {
    ++reportNumber_;
    if (!concatenating_) TQRAbstractExportFilter::Finish();
}

void TQRXLSFilter::EndConcat() {
    if (Started()) TQRAbstractExportFilter::Finish();
}

void TQRXLSFilter::WriteU16(std::uint16_t value) {
    sheet_.U16LE(value);
}

void TQRXLSFilter::WriteRecordHeader(std::uint16_t recordType, std::uint16_t length) {
    WriteU16(recordType);
    WriteU16(length);
}

void TQRXLSFilter::CreateStream(const QString& fileName) {
    TQRAbstractExportFilter::CreateStream(fileName);
    // The sheet is gathered here and handed to the output when it is complete, with the dimensions
    // record filled in then.
    sheet_ = ByteWriter();
    columnsUsed_ = 0;
    WriteRecordHeader(kBof, 6);
    for (std::uint16_t value : {0, 16, 0})
        WriteU16(value);
    WriteRecordHeader(kDimensions, 10);
    for (int value : {0, GetLinecount(), 0, ColCount(), 0})
        WriteU16(std::uint16_t(value));
    globalRow_ = 0;
}

void TQRXLSFilter::CloseStream() {
    if (sheet_.Size() > 0) {
        // First row, the row after the last, first column, the column after the last.
        sheet_.PutU16LE(kDimensionsData + 2, std::uint16_t(std::max(0, lastSheetRow_)));
        sheet_.PutU16LE(kDimensionsData + 6, std::uint16_t(columnsUsed_));
        WriteRecordHeader(kEof, 0);
        WriteToStream(sheet_.View());
        sheet_ = ByteWriter();
    }
    TQRAbstractExportFilter::CloseStream();
}

void TQRXLSFilter::StorePage() {
    int startRow = 0;
    bool continuation = false;
    if (globalRow_ > 0) {
        startRow = globalRow_;
        continuation = true;
    } else if (concatenating_ && reportNumber_ > 0) {
        startRow = std::max(0, lastSheetRow_);
    }
    const int lines = GetLinecount();
    if (startRow + lines - 1 > kMaxRow)
        throw Exception(QStringLiteral("The spreadsheet cannot hold more than %1 rows").arg(kMaxRow + 1));

    const QChar thousands = QLatin1Char(FormatSettings::Current().ThousandSeparator);
    const bool firstPage = !continuation;
    const TPageCells page(*this);
    const auto cells = page.Cells();
    TQRPrinter* pageStore = ReportQRPrinter();
    int shownProgress = -1;
    std::size_t next = 0;
    for (int line = 1; line <= lines; ++line) {
        // The first page of a long document can take a while: it reports its progress and lets the
        // windows breathe.
        if (firstPage) {
            const int progress = (line - 1) * 100 / lines;
            if (pageStore && progress != shownProgress) {
                pageStore->SetProgress(progress);
                shownProgress = progress;
            }
            // The report asks the event loop at most every few milliseconds: asking once per row
            // would cost more than writing the rows.
            if (TCustomQuickRep* report = Report())
                report->ProcessMessages();
            else if (QCoreApplication::instance())
                QCoreApplication::processEvents();
        }
        const int row = startRow + line - 1;
        for (; next < cells.size() && cells[next].Line == line; ++next) {
            const QString& text = TPageCells::TextOf(cells[next]);
            if (text.isEmpty()) continue;
            const int column = cells[next].Column - 1;
            if (const std::optional<QString> number = NumberCellText(text, thousands))
                WriteData(TCellType::CellDouble, row, column, *number);
            else
                WriteData(TCellType::CellLabel, row, column, text);
        }
    }
    lastSheetRow_ = std::max(lastSheetRow_, startRow + lines);
    globalRow_ = lastSheetRow_;
}

void TQRXLSFilter::WriteData(TCellType cellType, int row, int column, const QString& text) {
    if (row < 0 || row > kMaxRow || column < 0 || column > 255)
        throw Exception(
            QStringLiteral("Spreadsheet cell out of range: row %1, column %2").arg(row).arg(column));
    const auto cellHeader = [&](std::uint16_t type, std::uint16_t length) {
        WriteRecordHeader(type, length);
        WriteU16(std::uint16_t(row));
        WriteU16(std::uint16_t(column));
        sheet_.Zeros(3); // cell attributes
    };
    columnsUsed_ = std::max(columnsUsed_, column + 1);
    switch (cellType) {
    case TCellType::CellBlank:
        cellHeader(kBlank, 7);
        return;
    case TCellType::CellBoolean: {
        const QString t = text.trimmed();
        const bool value =
            t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || ParseWholeInt(t).value_or(0) != 0;
        cellHeader(kBoolean, 9);
        sheet_.U8(value ? 1 : 0);
        sheet_.U8(0); // a truth value, not an error code
        return;
    }
    case TCellType::CellInteger: {
        const std::optional<int> value = ParseWholeInt(QStringView(text).trimmed());
        // Readers take the low 16 bits as an unsigned number: larger or negative values go out as
        // number cells so that they read back unchanged.
        if (value && *value >= 0 && *value <= 0xFFFF) {
            cellHeader(kInteger, 11);
            WriteU16(std::uint16_t(*value));
            WriteU16(0);
            return;
        }
        if (value) {
            WriteData(TCellType::CellDouble, row, column, QString::number(*value));
            return;
        }
        break;
    }
    case TCellType::CellDouble: {
        double value = 0;
        if (!qrexpr_text::TextToFloat(text, value)) break;
        cellHeader(kNumber, 15);
        sheet_.F64LE(value);
        return;
    }
    case TCellType::CellLabel:
        break;
    }
    const std::string bytes = QStringToCp1252(text.left(kMaxLabel));
    cellHeader(kLabel, std::uint16_t(bytes.size() + 8));
    sheet_.U8(std::uint8_t(bytes.size()));
    sheet_.Bytes(bytes);
}

TQRExcelFilter::TQRExcelFilter(TComponent* owner)
    : TComponent(owner) {
    QRExportFilterLibrary().AddFilter(ExportFilterClass<TQRXLSFilter>());
}

TQRExcelFilter::~TQRExcelFilter() {
    QRExportFilterLibrary().RemoveFilter(ExportFilterClass<TQRXLSFilter>());
}

} // namespace quorvel
