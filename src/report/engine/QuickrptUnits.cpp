#include "report/engine/QuickrptUnits.h"

#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/Rounding.h"
#include "platform/ScopeExit.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptPrintable.h"
#include "report/engine/QuickrptReport.h"

#include <QLocale>

#include <cmath>

namespace quorvel {

TQRUnit DefaultQRUnit() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? TQRUnit::Inches : TQRUnit::MM;
}

TQRUnitBase::TQRUnitBase(int valueCount)
    : values_(static_cast<std::size_t>(valueCount), 0.0)
    , units_(DefaultQRUnit())
    , savedUnits_(units_)
    , resolution_(ScreenPixelsPerInch()) {}

double TQRUnitBase::LoadUnit(double value, TQRUnit unit, bool horizontal) const {
    switch (unit) {
    case TQRUnit::MM:
        return value / 10.0;
    case TQRUnit::Inches:
        return value / 254.0;
    case TQRUnit::Pixels:
        // One division at the end keeps whole pixel counts exact.
        return value * resolution_ * zoom_ * PixelZoom() / (254.0 * 100.0 * 100.0);
    case TQRUnit::Characters: {
        const double size = std::abs(CharacterPointSize());
        const double cell = horizontal ? 80.0 : 145.3;
        return size == 0 ? 0.0 : value / (cell / size / 2.54) / 10.0;
    }
    case TQRUnit::Native:
        break;
    }
    return value;
}

double TQRUnitBase::SaveUnit(double value, TQRUnit unit, bool horizontal) const {
    switch (unit) {
    case TQRUnit::MM:
        return value * 10.0;
    case TQRUnit::Inches:
        return value * 254.0;
    case TQRUnit::Pixels: {
        const double divisor = static_cast<double>(resolution_) * zoom_ * PixelZoom();
        return divisor == 0 ? 0.0 : value * 254.0 * 100.0 * 100.0 / divisor;
    }
    case TQRUnit::Characters: {
        const double size = std::abs(CharacterPointSize());
        const double cell = horizontal ? 80.0 : 145.3;
        return size == 0 ? 0.0 : value * 10.0 * (cell / size / 2.54);
    }
    case TQRUnit::Native:
        break;
    }
    return value;
}

void TQRUnitBase::Loaded() {
    PushToParent();
}

void TQRUnitBase::ReadValues(std::span<const double> values) {
    if (values.size() != values_.size())
        throw Exception(
            QStringLiteral("Values holds %1 lengths, %2 expected").arg(values.size()).arg(values_.size()));
    for (const double v : values)
        if (!std::isfinite(v)) throw Exception(QStringLiteral("Values holds a length that is not a number"));
    values_.assign(values.begin(), values.end());
    PushToParent();
}

void TQRUnitBase::SetPixels() {
    savedUnits_ = units_;
    SetUnits(TQRUnit::Pixels);
}

void TQRUnitBase::RestoreUnit() {
    SetUnits(savedUnits_);
}

void TQRUnitBase::SetZoom(int percent) {
    zoom_ = percent;
    PushToParent();
}

double TQRUnitBase::Value(int index) const {
    return LoadUnit(NativeValue(index), GetUnits(), Horizontal(index));
}

void TQRUnitBase::SetValue(int index, double value) {
    SetNativeValue(index, SaveUnit(value, GetUnits(), Horizontal(index)));
}

void TQRUnitBase::SetNativeValue(int index, double value) {
    values_.at(static_cast<std::size_t>(index)) = value;
    PushToParent();
}

void TQRUnitBase::PushToParent() {
    if (updating_) return;
    updating_ = true;
    const ScopeExit done([this] { updating_ = false; });
    SetParentSizes();
}

int TQRUnitBase::Pixels(int index) const {
    return RoundHalfEven(LoadUnit(NativeValue(index), TQRUnit::Pixels, Horizontal(index)));
}

TQRPage::TQRPage(TCustomQuickRep* report)
    : TQRUnitBase(7)
    , report_(report) {
    // A metric page is A4 with 10 mm margins, a US page Letter with half-inch margins.
    const bool metric = GetUnits() != TQRUnit::Inches;
    const double margin = metric ? 100.0 : 127.0;
    paperSize_ = metric ? TQRPaperSize::A4 : TQRPaperSize::Letter;
    const TQRPaperMetrics& paper = cQRPaperSizeMetrics[static_cast<std::size_t>(paperSize_)];
    for (int index : {iBottomMargin, iTopMargin, iLeftMargin, iRightMargin})
        InitNativeValue(index, margin);
    InitNativeValue(iWidth, paper.Width * 10.0);
    InitNativeValue(iLength, paper.Length * 10.0);
}

bool TQRPage::Horizontal(int index) const {
    return index == iWidth || index == iLeftMargin || index == iRightMargin || index == iColumnSpace;
}

void TQRPage::SetLength(double value) {
    if (paperSize_ == TQRPaperSize::Custom) SetValue(iLength, value);
}

void TQRPage::SetWidth(double value) {
    if (paperSize_ == TQRPaperSize::Custom) SetValue(iWidth, value);
}

void TQRPage::SetColumns(int columns) {
    if (columns <= 0 || columns == columns_) return;
    columns_ = columns;
    if (report_) report_->SetBandValues();
}

void TQRPage::SetOrientation(TPrinterOrientation orientation) {
    orientation_ = orientation;
    SetPaperSize(paperSize_);
}

void TQRPage::SetPaperSize(TQRPaperSize size) {
    if (size != TQRPaperSize::Default && size != TQRPaperSize::Custom) {
        const TQRPaperMetrics& paper = cQRPaperSizeMetrics[static_cast<std::size_t>(size)];
        const bool portrait = orientation_ == TPrinterOrientation::poPortrait;
        const TQRUnit unit = GetUnits();
        SetUnits(TQRUnit::MM);
        paperSize_ = TQRPaperSize::Custom;
        SetWidth(portrait ? paper.Width : paper.Length);
        SetLength(portrait ? paper.Length : paper.Width);
        SetUnits(unit);
        if (report_) report_->SetBandValues();
    }
    paperSize_ = size;
}

void TQRPage::SetPrintOrder(TQRPrintOrder order) {
    printOrder_ = order;
    if (report_) report_->SetBandValues();
}

double TQRPage::CharacterPointSize() const {
    return report_ ? report_->Font().Size() : 10.0;
}

void TQRPage::SetParentSizes() {
    if (!report_ || report_->IsLoading()) return;
    report_->SetBounds(report_->Left(), report_->Top(), Pixels(iWidth), Pixels(iLength));
}

TQRBandSize::TQRBandSize(TQRCustomBand& band)
    : TQRUnitBase(2)
    , band_(band) {}

double TQRBandSize::CharacterPointSize() const {
    return band_.ParentReport() ? band_.ParentReport()->Font().Size() : band_.Font().Size();
}

void TQRBandSize::SetParentSizes() {
    band_.SetBounds(band_.Left(), band_.Top(), Pixels(iWidth), Pixels(iHeight));
}

TQRPrintableSize::TQRPrintableSize(TQRPrintable& printable)
    : TQRUnitBase(4)
    , printable_(printable) {}

double TQRPrintableSize::CharacterPointSize() const {
    return printable_.ParentReport() ? printable_.ParentReport()->Font().Size() : printable_.Font().Size();
}

int TQRPrintableSize::PixelZoom() const {
    const TQRCustomBand* band = printable_.ParentBand();
    return band ? band->Zoom() : 100;
}

void TQRPrintableSize::SetParentSizes() {
    printable_.SetBounds(Pixels(iLeft), Pixels(iTop), Pixels(iWidth), Pixels(iHeight));
}

} // namespace quorvel
