#include "report/output/QrexportGrid.h"

#include "platform/Rounding.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "report/output/ExportCharacters.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

TQRAbstractExportFilter::~TQRAbstractExportFilter() = default;

void TQRAbstractExportFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    CreateStream(TargetFile());
    entries_.clear();
    reportFont_ = font;
    currentFont_ = font;
    charWidth_ = font.Size() * 254.0 / 72.0;
    charHeight_ = charWidth_;
    paperWidth_ = paperWidth;
    paperHeight_ = paperHeight;
    linecount_ = charHeight_ > 0 ? static_cast<int>(RoundHalfEvenValue(paperHeight_ / charHeight_)) : 0;
    pageProcessed_ = false;
    TQRExportFilter::Start(paperWidth, paperHeight, font);
}

void TQRAbstractExportFilter::TextOut(double x, double y, const TFont& font, TColor bgColor,
                                      TAlignment alignment, const QString& text) {
    (void)bgColor;
    entries_.push_back({WithoutStrayControls(text), x, y, alignment, font});
}

void TQRAbstractExportFilter::NewPage() {
    entries_.clear();
    pageProcessed_ = false;
    currentFont_ = TFont();
}

void TQRAbstractExportFilter::EndPage() {
    ProcessPage();
    entries_.clear();
}

void TQRAbstractExportFilter::ProcessPage() {
    pageProcessed_ = true;
    ConvertToColumns();
    ConvertToLines();
    StorePage();
}

void TQRAbstractExportFilter::StorePage() {}

void TQRAbstractExportFilter::ConvertToColumns() {
    TQRPositions positions(columnTolerance_);
    positions.StartCollecting();
    for (const auto& entry : entries_)
        positions.AddPosition(entry.X);
    positions.NumberPositions();
    colCount_ = 0;
    for (auto& entry : entries_) {
        entry.X = positions.PositionNumber(entry.X);
        colCount_ = std::max(colCount_, static_cast<int>(entry.X));
    }
}

void TQRAbstractExportFilter::ConvertToLines() {
    TQRPositions positions;
    positions.StartCollecting();
    for (const auto& entry : entries_)
        positions.AddPosition(entry.Y);
    positions.NumberPositions();
    linecount_ = 0;
    for (auto& entry : entries_) {
        entry.Y = positions.PositionNumber(entry.Y);
        linecount_ = std::max(linecount_, static_cast<int>(entry.Y));
    }
}

QString TQRAbstractExportFilter::GetText(int line, int column, TFont* font) const {
    for (const auto& entry : entries_) {
        if (static_cast<int>(entry.Y) == line && static_cast<int>(entry.X) == column) {
            if (font) *font = entry.Font;
            return entry.Text;
        }
    }
    return {};
}

void TQRAbstractExportFilter::Finish() {
    entries_.clear();
    CloseStream();
    TQRExportFilter::Finish();
}

void TQRAbstractExportFilter::CreateStream(const QString& fileName) {
    output_ = std::make_unique<TExportOutput>(fileName);
}

void TQRAbstractExportFilter::CloseStream() {
    if (output_) output_->Commit();
}

TExportOutput& TQRAbstractExportFilter::Stream() {
    if (!output_) throw EQRError(QStringLiteral("Export filter not started"));
    return *output_;
}

void TQRAbstractExportFilter::WriteToStream(const QString& text) {
    Stream().Write(QStringToCp1252(text));
}
void TQRAbstractExportFilter::WriteLnToStream(const QString& text) {
    Stream().WriteLine(QStringToCp1252(text));
}
void TQRAbstractExportFilter::WriteToStream(std::string_view bytes) {
    Stream().Write(bytes);
}
void TQRAbstractExportFilter::WriteLnToStream(std::string_view bytes) {
    Stream().WriteLine(bytes);
}

} // namespace quorvel
