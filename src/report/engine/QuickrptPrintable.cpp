#include "report/engine/QuickrptPrintable.h"

#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptReport.h"
#include "report/pagestore/QrprntrPrinter.h"

namespace quorvel {

TQRPrintable::TQRPrintable(TComponent* owner)
    : TQRStyledControl(owner)
    , size_(std::make_unique<TQRPrintableSize>(*this)) {
    SetBounds(0, 0, 10, 10);
}

TQRPrintable::~TQRPrintable() {
    BeforeDestruction();
}

TQRCustomBand* TQRPrintable::ParentBand() const noexcept {
    return parentBand_;
}

void TQRPrintable::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    AlignIt();
}

void TQRPrintable::SetAlignToBand(bool alignToBand) {
    alignToBand_ = alignToBand;
    AlignIt();
}

bool TQRPrintable::IsEnabled() const {
    return Enabled() || !Visible();
}

void TQRPrintable::AlignIt() {
    const TQRCustomBand* band = ParentBand();
    if (!alignToBand_ || !band || IsLoading()) return;
    int left = Left();
    switch (alignment_) {
    case TAlignment::taLeftJustify:
        left = 0;
        break;
    case TAlignment::taRightJustify:
        left = band->Width() - Width();
        break;
    case TAlignment::taCenter:
        left = (band->Width() - Width()) / 2;
        break;
    }
    if (left != Left()) SetLeft(left);
}

void TQRPrintable::Prepare() {
    qrPrinter_ = parentReport_ ? parentReport_->PageStore() : nullptr;
    printing_ = true;
    printFinished_ = true;
}

void TQRPrintable::Print(int, int) {}

void TQRPrintable::QRNotification(TComponent&, TQRNotifyOperation operation) {
    if (operation == TQRNotifyOperation::qrBandSizeChange) AlignIt();
}

void TQRPrintable::UnPrepare() {
    printing_ = false;
    qrPrinter_ = nullptr;
}

void TQRPrintable::GetExpandedHeight(double&) {}

void TQRPrintable::GetFieldString(QString&) {}

TRect TQRPrintable::PageBox(const TQRPrinter& store, int ofsX, int ofsY) const {
    const double left = size_->NativeValue(TQRPrintableSize::iLeft) + ofsX;
    const double top = size_->NativeValue(TQRPrintableSize::iTop) + ofsY;
    return {store.XPos(left), store.YPos(top),
            store.XPos(left + size_->NativeValue(TQRPrintableSize::iWidth)),
            store.YPos(top + size_->NativeValue(TQRPrintableSize::iHeight))};
}

TExportGraphic TQRPrintable::ExportGraphic() const {
    TExportGraphic graphic;
    graphic.Kind = TExportGraphicKind::egOther;
    graphic.Name = Name();
    graphic.Width = Width();
    graphic.Height = Height();
    return graphic;
}

void TQRPrintable::SetBounds(int left, int top, int width, int height) {
    TControl::SetBounds(left, top, width, height);
    if (!size_ || size_->Updating()) return;
    if (IsLoading()) {
        // The bounds streamed with the layout; Size, read with them, wins where it is set.
        if (left != 0) loadedLeft_ = left;
        if (top != 0) loadedTop_ = top;
        if (width != 0) loadedWidth_ = width;
        if (height != 0) loadedHeight_ = height;
        return;
    }
    size_->SetPixels();
    size_->SetLeft(left);
    size_->SetTop(top);
    size_->SetWidth(width);
    size_->SetHeight(height);
    size_->RestoreUnit();
    AlignIt();
}

void TQRPrintable::SetParent(TComponent* parent) {
    TControl::SetParent(parent);
    parentBand_ = dynamic_cast<TQRCustomBand*>(parent);
    if (TQRCustomBand* band = parentBand_) {
        parentReport_ = band->ParentReport();
        if (parentReport_) size_->SetUnits(parentReport_->Units());
    } else if (auto* report = dynamic_cast<TCustomQuickRep*>(parent)) {
        parentReport_ = report;
        size_->SetUnits(report->Units());
    } else if (!parent) {
        parentReport_ = nullptr;
    }
}

void TQRPrintable::Loaded() {
    TControl::Loaded();
    const auto apply = [&](int index, int remembered) {
        if (remembered == 0 || size_->NativeValue(index) != 0) return;
        size_->SetNativeValue(index, size_->SaveUnit(remembered, TQRUnit::Pixels, size_->Horizontal(index)));
    };
    apply(TQRPrintableSize::iLeft, loadedLeft_);
    apply(TQRPrintableSize::iTop, loadedTop_);
    apply(TQRPrintableSize::iWidth, loadedWidth_);
    apply(TQRPrintableSize::iHeight, loadedHeight_);
    size_->Loaded();
    AlignIt();
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
