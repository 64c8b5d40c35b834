#pragma once

#include "platform/CanvasTypes.h"
#include "report/QuickrptFrame.h"
#include "report/QuickrptTypes.h"
#include "report/QuickrptUnits.h"
#include "report/expr/Qrexpr.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace quorvel {

class TCustomQuickRep;
class TDataSetComponent;
class TQRController;
class TQRCustomController;
class TQRPrintable;

// A horizontal band of a report. Bands lie directly on a report, are printed by the engine at the
// generation cursor and carry printable controls. While printing, ExtraHeight keeps how far the
// band has grown beyond its Height (tenths of a millimetre) and PrintedRect its place on the page.
class TQRCustomBand : public TQRBasePanel {
public:
    explicit TQRCustomBand(TComponent* owner);
    ~TQRCustomBand() override;

    std::string_view ClassName() const noexcept override { return "TQRCustomBand"; }

    TQRBandType BandType() const noexcept { return bandType_; }
    // The structural rules retype bands (a sub-detail's header becomes rbGroupHeader); only TQRBand
    // publishes the type to layouts.
    void SetBandType(TQRBandType type);
    virtual QString BandTypeName() const { return QRBandTypeName(bandType_); }
    virtual QString BandComponentName() const { return QRBandComponentName(bandType_); }

    TCustomQuickRep* ParentReport() const noexcept { return parentReport_; }
    virtual void SetParentReport(TCustomQuickRep* report);

    TQRBandSize& Size() noexcept { return *size_; }
    const TQRBandSize& Size() const noexcept { return *size_; }

    bool AlignToBottom() const noexcept { return alignToBottom_; }
    void SetAlignToBottom(bool value) noexcept { alignToBottom_ = value; }
    bool TransparentBand() const noexcept { return transparentBand_; }
    void SetTransparentBand(bool value) noexcept { transparentBand_ = value; }
    bool ForceNewColumn() const noexcept { return forceNewColumn_; }
    void SetForceNewColumn(bool value) noexcept { forceNewColumn_ = value; }
    bool ForceNewPage() const noexcept { return forceNewPage_; }
    void SetForceNewPage(bool value) noexcept { forceNewPage_ = value; }
    bool PreCaluculateBandHeight() const noexcept { return preCalculateBandHeight_; }
    void SetPreCaluculateBandHeight(bool value) noexcept { preCalculateBandHeight_ = value; }
    bool KeepOnOnePage() const noexcept { return keepOnOnePage_; }
    void SetKeepOnOnePage(bool value) noexcept { keepOnOnePage_ = value; }
    TQRCustomBand* LinkBand() const noexcept { return linkBand_; }
    // An assignment that would close a cycle through LinkBand is ignored.
    void SetLinkBand(TQRCustomBand* band);

    // The child band: the first rbChild band of the report's band list whose ParentBand is this one.
    TQRCustomBand* GetChild() const;
    bool HasChild() const { return GetChild() != nullptr; }
    // True creates a child band owned by this band's owner; false destroys it, re-pointing the
    // child's own child to this band first.
    void SetHasChild(bool hasChild);

    // The printable controls placed on the band, in control order.
    const std::vector<TQRPrintable*>& Printables() const noexcept { return printables_; }
    // Creates a printable made by factory (owned by the band's owner), places it on the band and
    // puts its left edge right of those already there.
    TQRPrintable& AddPrintable(const std::function<TQRPrintable&(TComponent& owner)>& factory);
    template <class T> T& AddPrintable() {
        return static_cast<T&>(
            AddPrintable([](TComponent& owner) -> TQRPrintable& { return CreateComponent<T>(owner); }));
    }

    TQREvent<void(TQRCustomBand& sender, bool& printBand)> BeforePrint;
    TQREvent<void(TQRCustomBand& sender, bool bandPrinted)> AfterPrint;

    // Generation (see the engine).
    double ExtraHeight() const noexcept { return extraHeight_; }
    void SetExtraHeight(double value) noexcept { extraHeight_ = value; }
    const TRect& PrintedRect() const noexcept { return printedRect_; }
    TQRCustomController* NotifyController() const noexcept { return notifyController_; }
    void SetNotifyController(TQRCustomController* controller) noexcept { notifyController_ = controller; }
    // The band's type as the engine treats it: a child band takes the type of the first band up its
    // ParentBand chain that is not a child band.
    TQRBandType EffectiveBandType() const;

    void Print();
    void MakeSpace();
    double ExpandedHeight();
    double StretchHeight(bool withLinks) const;
    bool CanExpand(double value) const;
    bool ExpandBand(double& extra, bool& expanded, double value);
    void AdvancePaper();
    // How far the cursor moves past the band: its height and growth, rounded to tenths of a millimetre.
    int AdvancedHeight() const;

    // A pixel height change writes the new Height; a move recomputes the band geometry.
    void SetBounds(int left, int top, int width, int height) override;
    // Bands lie on reports: a band given another band as parent goes on that band's report.
    void SetParent(TComponent* parent) override;
    void SetZoom(int percent) override;
    void Loaded() override;
    // The child band as the running pass prints it, found once when the pass starts.
    void TakePrintChild() { printChild_ = GetChild(); }

protected:
    void ChildPlaced(TComponent& child) override;
    void ChildRemoved(TComponent& child) override;
    void SetBandTypeQuietly(TQRBandType type) noexcept { bandType_ = type; }
    void Notification(TComponent& component, TOperation operation) override;
    // Every structural change rebuilds the report's band list and geometry.
    void StructureChanged();
    void PrintStretchedLines();
    // A continuation that makes no progress ends the run with an error naming the record.
    [[noreturn]] void ThrowCannotContinue(const TQRPrintable* stuck) const;

private:
    friend class TCustomQuickRep;

    TQRBandType bandType_ = TQRBandType::rbTitle;
    TCustomQuickRep* parentReport_ = nullptr;
    std::unique_ptr<TQRBandSize> size_;
    bool alignToBottom_ = false;
    bool transparentBand_ = false;
    bool forceNewColumn_ = false;
    bool forceNewPage_ = false;
    bool preCalculateBandHeight_ = false;
    bool keepOnOnePage_ = false;
    TQRCustomBand* linkBand_ = nullptr;
    double extraHeight_ = 0;
    TRect printedRect_;
    TQRCustomController* notifyController_ = nullptr;
    int loadedHeight_ = 40;
    std::vector<TQRPrintable*> printables_;
    TQRCustomBand* printChild_ = nullptr;
};

// A band whose type is set freely.
class TQRBand : public TQRCustomBand {
public:
    explicit TQRBand(TComponent* owner)
        : TQRCustomBand(owner) {}
    std::string_view ClassName() const noexcept override { return "TQRBand"; }
};

// A band printed right after its ParentBand.
class TQRChildBand : public TQRCustomBand {
public:
    explicit TQRChildBand(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRChildBand"; }

    TQRCustomBand* ParentBand() const noexcept { return parentBand_; }
    // An assignment that would close a cycle through child bands is ignored.
    void SetParentBand(TQRCustomBand* band);

    // While a page-footer child prints it takes the page-footer type; the band list stays as it is.
    void SetPrintingType(TQRBandType type) { SetBandTypeQuietly(type); }

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    TQRCustomBand* parentBand_ = nullptr;
};

// A band that owns a controller and so repeats: a sub-detail, a loop or a strings band.
class TQRControllerBand : public TQRCustomBand {
public:
    explicit TQRControllerBand(TComponent* owner);
    ~TQRControllerBand() override;
    std::string_view ClassName() const noexcept override { return "TQRControllerBand"; }

    TQRCustomController& Controller() const noexcept { return *controller_; }
    // A report, a controller band (not one whose Master chain leads back here) or nullptr.
    TComponent* Master() const noexcept;
    virtual void SetMaster(TComponent* master);
    bool PrintBefore() const;
    void SetPrintBefore(bool value);

    void SetParentReport(TCustomQuickRep* report) override;
    void SetName(const QString& name) override;

protected:
    void InstallController(std::unique_ptr<TQRCustomController> controller);
    virtual void CreateLocalVar() {}
    virtual void RemoveLocalVar();
    virtual QString LocalVarExpression() const { return QString(); }
    void Notification(TComponent& component, TOperation operation) override;

private:
    std::unique_ptr<TQRCustomController> controller_;
};

class TQRSubDetail;

// A sub-detail's header and footer switches.
class TQRSubDetailGroupBands {
public:
    explicit TQRSubDetailGroupBands(TQRSubDetail& owner)
        : owner_(owner) {}
    bool HasHeader() const;
    void SetHasHeader(bool value);
    bool HasFooter() const;
    void SetHasFooter(bool value);

private:
    TQRSubDetail& owner_;
};

// Repeats once per record of its own data set, for every record of its master.
class TQRSubDetail : public TQRControllerBand {
public:
    explicit TQRSubDetail(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRSubDetail"; }
    QString BandComponentName() const override { return QStringLiteral("SubDetailBand"); }

    TQRController& DataController() const;
    TQRSubDetailGroupBands& Bands() noexcept { return bands_; }
    TDataSetComponent* DataSet() const;
    void SetDataSet(TDataSetComponent* dataSet);
    TQRCustomBand* HeaderBand() const;
    // The band becomes an rbGroupHeader band.
    void SetHeaderBand(TQRCustomBand* band);
    TQRCustomBand* FooterBand() const;
    // The band becomes an rbGroupFooter band.
    void SetFooterBand(TQRCustomBand* band);
    bool PrintIfEmpty() const;
    void SetPrintIfEmpty(bool value);

    TQREvent<void(TComponent& sender, bool& moreData)> OnNeedData;

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    TQRSubDetailGroupBands bands_;
};

// Repeats PrintCount times; its repetition number is the Functions entry named after the band.
class TQRLoopBand : public TQRControllerBand {
public:
    explicit TQRLoopBand(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRLoopBand"; }
    QString BandTypeName() const override { return QStringLiteral("LoopBand"); }
    QString BandComponentName() const override { return QStringLiteral("Loop Band"); }

    int PrintCount() const;
    void SetPrintCount(int count);

protected:
    void CreateLocalVar() override;
    QString LocalVarExpression() const override;
};

// Repeats once per line of Items; the current line is the Functions entry named after the band.
class TQRStringsBand : public TQRControllerBand {
public:
    explicit TQRStringsBand(TComponent* owner);
    std::string_view ClassName() const noexcept override { return "TQRStringsBand"; }
    QString BandTypeName() const override { return QStringLiteral("StringsBand"); }
    QString BandComponentName() const override { return QStringLiteral("Strings Band"); }

    const QStringList& Items() const;
    void SetItems(const QStringList& items);

protected:
    void CreateLocalVar() override;
    QString LocalVarExpression() const override { return QStringLiteral("''"); }
};

// A group header band: printed whenever the value of Expression changes from one record of its
// master to the next; its FooterBand closes the group.
class TQRGroup : public TQRCustomBand {
public:
    explicit TQRGroup(TComponent* owner);
    ~TQRGroup() override;
    std::string_view ClassName() const noexcept override { return "TQRGroup"; }

    const QString& Expression() const noexcept { return expression_; }
    void SetExpression(const QString& expression) { expression_ = expression; }
    TQRCustomBand* FooterBand() const noexcept { return footerBand_; }
    // The band becomes an rbGroupFooter band.
    void SetFooterBand(TQRCustomBand* band);
    // A report or a controller band.
    TComponent* Master() const noexcept { return master_; }
    void SetMaster(TComponent* master);
    bool ReprintOnNewPage() const noexcept { return reprintOnNewPage_; }
    void SetReprintOnNewPage(bool value) noexcept { reprintOnNewPage_ = value; }

    void SetParentReport(TCustomQuickRep* report) override;

    // Generation.
    void Prepare();
    void Unprepare();
    void Check();
    void NewPageCheck();
    void PrintGroupHeader();
    void PrintGroupFooter();
    bool GroupBreak() const noexcept { return groupBreak_; }
    void SetGroupBreak(bool value) noexcept { groupBreak_ = value; }
    bool HasValue() const noexcept { return hasValue_; }
    void SetHasValue(bool value) noexcept { hasValue_ = value; }
    bool Open() const noexcept { return open_; }
    // Evaluates the expression and stores it as the last value, marking a break.
    void TakeValue();

protected:
    void Notification(TComponent& component, TOperation operation) override;

private:
    QString expression_;
    TQRCustomBand* footerBand_ = nullptr;
    TComponent* master_ = nullptr;
    bool reprintOnNewPage_ = false;
    std::unique_ptr<TQREvaluator> evaluator_;
    TQREvResult lastValue_;
    bool hasValue_ = false;
    bool groupBreak_ = false;
    bool open_ = false;
    int headerPage_ = 1;
};

} // namespace quorvel
