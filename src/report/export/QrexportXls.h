#pragma once

#include "platform/ByteWriter.h"
#include "platform/Component.h"
#include "report/export/QrexportGrid.h"

#include <QByteArray>

#include <cstdint>

namespace quorvel {

enum class TCellType : std::uint8_t { CellBlank, CellInteger, CellDouble, CellLabel, CellBoolean };

// Writes the report as one worksheet of a binary spreadsheet file: the page's lines become rows and
// its columns cells, numbers (recognised with the user's separators) as number cells and everything
// else as labels. Rows run on from page to page and, in a concatenated document, from report to
// report. The filter streams: the engine gives it pages without a bottom.
//
// The file is a sequence of records (16-bit type, 16-bit length, data; little-endian): the
// beginning-of-file record, the sheet dimensions, the cells and the end-of-file record.
class TQRXLSFilter : public TQRAbstractExportFilter {
public:
    explicit TQRXLSFilter(const QString& fileName);

    static QString ClassName() { return QStringLiteral("TQRXLSFilter"); }

    QString GetDescription() const override;
    QString GetExtension() const override;
    QString GetFilterName() const override;
    bool GetStreaming() const override;

    // A concatenated document starts once, for its first report, and is finished by EndConcat;
    // each report's Finish only counts the report.
    void Start(int paperWidth, int paperHeight, const TFont& font) override;
    void Finish() override;
    void EndConcat();
    bool Concatenating() const noexcept { return concatenating_; }
    void SetConcatenating(bool concatenating) noexcept { concatenating_ = concatenating; }

    void CreateStream(const QString& fileName) override;
    void CloseStream() override;
    void StorePage() override;

    // One cell at a sheet row and column (from 0). A number or integer text that does not convert is
    // written as a label; a label keeps at most 255 characters.
    virtual void WriteData(TCellType cellType, int row, int column, const QString& text);
    virtual void WriteRecordHeader(std::uint16_t recordType, std::uint16_t length);

    // The row after the last row written, −1 before anything was written.
    int LastSheetRow() const noexcept { return lastSheetRow_; }
    int ReportNumber() const noexcept { return reportNumber_; }

private:
    void WriteU16(std::uint16_t value);

    ByteWriter sheet_;
    int lastSheetRow_ = -1;
    int globalRow_ = 0;
    int reportNumber_ = 0;
    int columnsUsed_ = 0;
    bool concatenating_ = false;
};

// Offers the spreadsheet filter in the preview's save dialog for as long as it exists.
class TQRExcelFilter : public TComponent {
public:
    explicit TQRExcelFilter(TComponent* owner);
    ~TQRExcelFilter() override;

    std::string_view ClassName() const noexcept override { return "TQRExcelFilter"; }
};

} // namespace quorvel
