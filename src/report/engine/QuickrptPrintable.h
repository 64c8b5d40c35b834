#pragma once

#include "platform/Alignment.h"
#include "platform/Component.h"
#include "report/engine/QuickrptFrame.h"
#include "report/engine/QuickrptTypes.h"
#include "report/engine/QuickrptUnits.h"
#include "report/pagestore/QrprntrGraphic.h"

#include <memory>

namespace quorvel {

class TCustomQuickRep;
class TQRCustomBand;
class TQRPrinter;

// The base of every printable control: something placed on a band (or directly on the report)
// that draws itself on the page when the band prints. Its Size holds the position relative to the
// band's top-left corner and the size, in tenths of a millimetre; the pixel bounds follow Size at
// the zoom and write back into it when they change.
//
// During a generation pass the engine calls Prepare once, Print(OfsX, OfsY) every time the band
// prints (OfsX, OfsY: the band's top-left corner on the page in tenths of a millimetre), and
// UnPrepare at the end, in every case. A control that cannot print all its content on the page
// clears PrintFinished: the band is then continued in the next column or page, where only the
// unfinished controls print again.
class TQRPrintable : public TQRStyledControl {
public:
    explicit TQRPrintable(TComponent* owner);
    ~TQRPrintable() override;

    std::string_view ClassName() const noexcept override { return "TQRPrintable"; }

    TQRPrintableSize& Size() noexcept { return *size_; }
    const TQRPrintableSize& Size() const noexcept { return *size_; }
    TAlignment Alignment() const noexcept { return alignment_; }
    virtual void SetAlignment(TAlignment alignment);
    bool AlignToBand() const noexcept { return alignToBand_; }
    void SetAlignToBand(bool alignToBand);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool transparent) noexcept { transparent_ = transparent; }

    // The report the control belongs to (through its band, or directly), or nullptr.
    TCustomQuickRep* ParentReport() const noexcept { return parentReport_; }
    void SetParentReport(TCustomQuickRep* report) noexcept { parentReport_ = report; }
    // The band the control is placed on, or nullptr for a control placed directly on the report.
    TQRCustomBand* ParentBand() const noexcept;
    // The page store of the running pass, set by Prepare.
    TQRPrinter* QRPrinter() const noexcept { return qrPrinter_; }
    bool IsPrinting() const noexcept { return printing_; }
    bool PrintFinished() const noexcept { return printFinished_; }
    void SetPrintFinished(bool finished) noexcept { printFinished_ = finished; }
    // How far the control has come through its content in the current printing (a text control: the
    // lines it printed). A band continued on new pages whose unfinished controls all stay where they
    // were ends the run with an error, so a control that continues over pages reports it; the base
    // stays at 0.
    virtual int PrintProgress() const noexcept { return 0; }

    // Enabled, or not visible (a hidden control counts as enabled).
    virtual bool IsEnabled() const;
    // With AlignToBand: moves the control to the band's left edge, right edge or centre.
    virtual void AlignIt();
    // Remembers the report's page store and sets the printing flag.
    virtual void Prepare();
    // Draws the control with its Size offset by the band's position (tenths of a millimetre).
    virtual void Print(int ofsX, int ofsY);
    // The control's box on the page in the page store's device pixels, offset by the band's position
    // (tenths of a millimetre).
    TRect PageBox(const TQRPrinter& store, int ofsX, int ofsY) const;
    // qrBandSizeChange re-aligns the control; subclasses add their own reactions.
    virtual void QRNotification(TComponent& sender, TQRNotifyOperation operation);
    virtual void UnPrepare();
    // The height in design pixels the control needs for the current record; the base keeps it.
    virtual void GetExpandedHeight(double& height);
    // The text a data control prints for the current record; the base leaves it.
    virtual void GetFieldString(QString& text);
    // True for a control whose height follows its content (data texts, memos, rich text, data
    // pictures): a band that precalculates its height measures it (GetExpandedHeight).
    virtual bool CountsInExpandedHeight() const noexcept { return false; }
    // True for a control that can be the report's background image (BackImageControl).
    virtual bool CanBePageBackground() const noexcept { return false; }
    // The control as an export filter receives it: the base is a graphic of kind egOther with the
    // control's name and pixel size; shapes and pictures describe what they draw.
    virtual TExportGraphic ExportGraphic() const;

    // Pixel bounds write back into Size (through the Pixels unit) unless Size is setting them.
    void SetBounds(int left, int top, int width, int height) override;
    // Placing the control on a band or report makes it part of that report and takes its unit.
    void SetParent(TComponent* parent) override;
    void Loaded() override;

private:
    std::unique_ptr<TQRPrintableSize> size_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool alignToBand_ = false;
    bool transparent_ = false;
    TCustomQuickRep* parentReport_ = nullptr;
    // The parent when it is a band, kept at placement: every print asks for it.
    TQRCustomBand* parentBand_ = nullptr;
    TQRPrinter* qrPrinter_ = nullptr;
    bool printing_ = false;
    bool printFinished_ = true;
    // Pixel bounds received while loading, applied in Loaded where Size gave 0.
    int loadedLeft_ = 0;
    int loadedTop_ = 0;
    int loadedWidth_ = 0;
    int loadedHeight_ = 0;
};

} // namespace quorvel
