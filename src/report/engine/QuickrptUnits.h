#pragma once

#include "platform/Printer.h"
#include "report/engine/QuickrptTypes.h"
#include "report/pagestore/QrprntrPaper.h"

#include <span>
#include <vector>

namespace quorvel {

class TCustomQuickRep;
class TQRCustomBand;
class TQRPrintable;

// The unit a new report object starts in: Inches where the system locale measures in the US
// system, MM elsewhere.
TQRUnit DefaultQRUnit();

// A set of lengths kept in tenths of a millimetre, read and written through the properties in a
// unit of choice at a zoom. The lengths are streamed as one float list ("Values") in the order of
// their index. Every change pushes the lengths into the owning control's pixel bounds
// (SetParentSizes), except while the control itself is writing its bounds back.
class TQRUnitBase {
public:
    explicit TQRUnitBase(int valueCount);
    virtual ~TQRUnitBase() = default;
    TQRUnitBase(const TQRUnitBase&) = delete;
    TQRUnitBase& operator=(const TQRUnitBase&) = delete;

    // A stored value x read in a unit, and a value in a unit turned back into tenths of a millimetre.
    virtual double LoadUnit(double value, TQRUnit unit, bool horizontal) const;
    virtual double SaveUnit(double value, TQRUnit unit, bool horizontal) const;
    virtual TQRUnit GetUnits() const { return units_; }
    virtual void Loaded();
    // Takes the streamed list; a list of the wrong length raises Exception.
    virtual void ReadValues(std::span<const double> values);
    virtual void SetParentSizes() {}
    virtual void SetUnits(TQRUnit unit) { units_ = unit; }
    virtual std::vector<double> WriteValues() const { return values_; }

    TQRUnit Units() const { return GetUnits(); }
    // Switches to Pixels for a moment; RestoreUnit goes back to the unit saved here.
    void SetPixels();
    void RestoreUnit();

    int Zoom() const noexcept { return zoom_; }
    void SetZoom(int percent);
    // The screen's pixels per inch when the object was made.
    int Resolution() const noexcept { return resolution_; }

    int ValueCount() const noexcept { return static_cast<int>(values_.size()); }
    // A length in the current unit.
    double Value(int index) const;
    void SetValue(int index, double value);
    // A length in tenths of a millimetre.
    double NativeValue(int index) const { return values_.at(static_cast<std::size_t>(index)); }
    void SetNativeValue(int index, double value);
    // A length in pixels at the zoom, rounded half to even.
    int Pixels(int index) const;
    // Whether a length is horizontal (for the Characters unit).
    virtual bool Horizontal(int index) const = 0;

    // True while the owner's pixel bounds are being set from these values.
    bool Updating() const noexcept { return updating_; }

protected:
    // S of the Characters unit: the absolute point size of the report's font.
    virtual double CharacterPointSize() const { return 10.0; }
    // A further zoom percent applied to Pixels (a printable's band zoom).
    virtual int PixelZoom() const { return 100; }
    // Runs SetParentSizes with the update guard set.
    void PushToParent();
    // Sets a length without telling the owner (while the owner is still being made).
    void InitNativeValue(int index, double value) { values_.at(static_cast<std::size_t>(index)) = value; }
    void SetUpdating(bool updating) noexcept { updating_ = updating; }

private:
    std::vector<double> values_;
    TQRUnit units_;
    TQRUnit savedUnits_;
    int zoom_ = 100;
    int resolution_;
    bool updating_ = false;
};

// The page description of a report: paper, orientation, margins and columns.
class TQRPage final : public TQRUnitBase {
public:
    enum Index { iBottomMargin, iLength, iTopMargin, iWidth, iLeftMargin, iRightMargin, iColumnSpace };

    explicit TQRPage(TCustomQuickRep* report);

    TCustomQuickRep* Report() const noexcept { return report_; }

    double BottomMargin() const { return Value(iBottomMargin); }
    void SetBottomMargin(double value) { SetValue(iBottomMargin, value); }
    double Length() const { return Value(iLength); }
    // Ignored unless the paper size is Custom.
    void SetLength(double value);
    double TopMargin() const { return Value(iTopMargin); }
    void SetTopMargin(double value) { SetValue(iTopMargin, value); }
    double Width() const { return Value(iWidth); }
    // Ignored unless the paper size is Custom.
    void SetWidth(double value);
    double LeftMargin() const { return Value(iLeftMargin); }
    void SetLeftMargin(double value) { SetValue(iLeftMargin, value); }
    double RightMargin() const { return Value(iRightMargin); }
    void SetRightMargin(double value) { SetValue(iRightMargin, value); }
    double ColumnSpace() const { return Value(iColumnSpace); }
    void SetColumnSpace(double value) { SetValue(iColumnSpace, value); }

    int Columns() const noexcept { return columns_; }
    // A value ≤ 0 or equal to the current one is ignored.
    void SetColumns(int columns);
    TPrinterOrientation Orientation() const noexcept { return orientation_; }
    // Re-applies the current paper size in the new orientation.
    void SetOrientation(TPrinterOrientation orientation);
    TQRPaperSize PaperSize() const noexcept { return paperSize_; }
    // A size of the table writes Width and Length (swapped in landscape); Default and Custom keep them.
    void SetPaperSize(TQRPaperSize size);
    bool Ruler() const noexcept { return ruler_; }
    void SetRuler(bool ruler) noexcept { ruler_ = ruler; }
    TQRPrintOrder PrintOrder() const noexcept { return printOrder_; }
    void SetPrintOrder(TQRPrintOrder order);

    bool Horizontal(int index) const override;
    void SetParentSizes() override;

protected:
    double CharacterPointSize() const override;

private:
    TCustomQuickRep* report_;
    int columns_ = 1;
    TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
    TQRPaperSize paperSize_;
    bool ruler_ = true;
    TQRPrintOrder printOrder_ = TQRPrintOrder::ColByCol;
};

// Height and width of one band.
class TQRBandSize final : public TQRUnitBase {
public:
    enum Index { iHeight, iWidth };

    explicit TQRBandSize(TQRCustomBand& band);

    double Height() const { return Value(iHeight); }
    void SetHeight(double value) { SetValue(iHeight, value); }
    double Width() const { return Value(iWidth); }
    void SetWidth(double value) { SetValue(iWidth, value); }

    bool Horizontal(int index) const override { return index == iWidth; }
    void SetParentSizes() override;

protected:
    double CharacterPointSize() const override;

private:
    TQRCustomBand& band_;
};

// Position (relative to the band's top-left corner) and size of one printable control.
class TQRPrintableSize final : public TQRUnitBase {
public:
    enum Index { iHeight, iLeft, iTop, iWidth };

    explicit TQRPrintableSize(TQRPrintable& printable);

    double Height() const { return Value(iHeight); }
    void SetHeight(double value) { SetValue(iHeight, value); }
    double Left() const { return Value(iLeft); }
    void SetLeft(double value) { SetValue(iLeft, value); }
    double Top() const { return Value(iTop); }
    void SetTop(double value) { SetValue(iTop, value); }
    double Width() const { return Value(iWidth); }
    void SetWidth(double value) { SetValue(iWidth, value); }

    bool Horizontal(int index) const override { return index == iLeft || index == iWidth; }
    void SetParentSizes() override;

protected:
    double CharacterPointSize() const override;
    int PixelZoom() const override;

private:
    TQRPrintable& printable_;
};

} // namespace quorvel
