// The report model's classes and published properties as layouts read and write them.

#include "report/controls/Qrctrls.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/engine/QuickrptComposite.h"
#include "report/engine/QuickrptControllers.h"
#include "report/engine/QuickrptReport.h"
#include "report/layout/LayoutRegistry.h"
#include "report/layout/ReportForm.h"

namespace quorvel {

namespace {

constexpr const char* bandTypeNames[] = {"rbTitle",        "rbPageHeader",  "rbDetail",      "rbPageFooter",
                                         "rbSummary",      "rbGroupHeader", "rbGroupFooter", "rbSubDetail",
                                         "rbColumnHeader", "rbOverlay",     "rbChild"};
constexpr const char* unitNames[] = {"MM", "Inches", "Pixels", "Characters", "Native"};
constexpr const char* orientationNames[] = {"poPortrait", "poLandscape"};
constexpr const char* printOrderNames[] = {"ColByCol", "RowByRow"};
constexpr const char* alignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr const char* optionNames[] = {"FirstPageHeader", "LastPageFooter", "Compression"};
constexpr const char* formStyleNames[] = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
constexpr const char* windowStateNames[] = {"wsNormal", "wsMinimized", "wsMaximized"};
constexpr const char* zoomStateNames[] = {"qrZoomToFit", "qrZoomToWidth", "qrZoomOther"};
constexpr const char* binNames[] = {"First",       "Upper",         "Lower",    "Middle",  "Manual",
                                    "Envelope",    "EnvManual",     "Auto",     "Tractor", "SmallFormat",
                                    "LargeFormat", "LargeCapacity", "Cassette", "Last"};
constexpr const char* paperNames[] = {"Default",
                                      "Letter",
                                      "LetterSmall",
                                      "Tabloid",
                                      "Ledger",
                                      "Legal",
                                      "Statement",
                                      "Executive",
                                      "A3",
                                      "A4",
                                      "A4Small",
                                      "A5",
                                      "B4",
                                      "B5",
                                      "Folio",
                                      "Quarto",
                                      "qr10X14",
                                      "qr11X17",
                                      "Note",
                                      "Env9",
                                      "Env10",
                                      "Env11",
                                      "Env12",
                                      "Env14",
                                      "CSheet",
                                      "DSheet",
                                      "ESheet",
                                      "EnvDL",
                                      "EnvC5",
                                      "EnvC3",
                                      "EnvC4",
                                      "EnvC6",
                                      "EnvC65",
                                      "EnvB4",
                                      "EnvB5",
                                      "EnvB6",
                                      "EnvItaly",
                                      "EnvMonarch",
                                      "EnvPersonal",
                                      "FanfoldUSStd",
                                      "FanfoldGerStd",
                                      "FanfoldGerLegal",
                                      "B4ISO",
                                      "PostcardJap",
                                      "qr9X11",
                                      "qr10X11",
                                      "qr15X11",
                                      "EnvInvite",
                                      "Reserved1",
                                      "Reserved2",
                                      "LetterExtra",
                                      "LegalExtra",
                                      "TabloidExtra",
                                      "A4Extra",
                                      "LetterTrans",
                                      "A4Trans",
                                      "LetterExtraTrans",
                                      "SuperASuperAA4",
                                      "SuperBSuperBA3",
                                      "LetterPlus",
                                      "A4Plus",
                                      "A5Trans",
                                      "B5Trans",
                                      "A3Extra",
                                      "A5Extra",
                                      "B5Extra",
                                      "A2",
                                      "A3Trans",
                                      "A3ExtraTrans",
                                      "Custom"};
static_assert(std::size(paperNames) == kQRPaperSizeCount);

// Pixel bounds, always written: the design surface's view of Size.
template <class T> void AddBounds(TLayoutClass& cls) {
    const auto bound = [&](const char* name, int (TControl::*get)() const, void (TControl::*set)(int)) {
        const QString property = QLatin1String(name);
        cls.Add({property,
                 [get](const TComponent& c) -> std::optional<TLayoutValue> {
                     return TLayoutValue::Integer((layout_detail::Cast<T>(c).*get)());
                 },
                 [set, property](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                     (layout_detail::Cast<T>(c, property).*set)(v.AsInt(property));
                 }});
    };
    bound("Left", &TControl::Left, &TControl::SetLeft);
    bound("Top", &TControl::Top, &TControl::SetTop);
    bound("Width", &TControl::Width, &TControl::SetWidth);
    bound("Height", &TControl::Height, &TControl::SetHeight);
}

TQRFrame& PanelFrame(TQRBasePanel& panel) {
    return panel.Frame();
}
TQRFrame& PrintableFrame(TQRPrintable& printable) {
    return printable.Frame();
}
TQRUnitBase& BandSize(TQRCustomBand& band) {
    return band.Size();
}
TQRUnitBase& PrintableSize(TQRPrintable& printable) {
    return printable.Size();
}
TQRUnitBase& ReportPage(TCustomQuickRep& report) {
    return report.Page();
}

// The printer choices of a report or a composite report, as "PrinterSettings.…" properties.
template <class T> void AddPrinterSettings(TLayoutClass& cls) {
    using S = TQuickRepPrinterSettings;
    const auto settings = [](const T& r) -> const S& { return r.PrinterSettings(); };
    const auto intSetting = [&](const char* name, int (S::*get)() const, void (S::*set)(int), int def) {
        cls.Integer<T>(
            QStringLiteral("PrinterSettings.") + QLatin1String(name),
            [settings, get](const T& r) { return (settings(r).*get)(); },
            [set](T& r, int v) { (r.PrinterSettings().*set)(v); }, def);
    };
    const auto intField = [&](const char* name, int S::*field, int def) {
        cls.Integer<T>(
            QStringLiteral("PrinterSettings.") + QLatin1String(name),
            [settings, field](const T& r) { return settings(r).*field; },
            [field](T& r, int v) { r.PrinterSettings().*field = v; }, def);
    };
    const auto boolField = [&](const char* name, bool S::*field) {
        cls.Boolean<T>(
            QStringLiteral("PrinterSettings.") + QLatin1String(name),
            [settings, field](const T& r) { return settings(r).*field; },
            [field](T& r, bool v) { r.PrinterSettings().*field = v; }, false);
    };
    intSetting("Copies", &S::Copies, &S::SetCopies, 1);
    cls.Enum<T, TQRBin>(
        QStringLiteral("PrinterSettings.OutputBin"),
        [](const T& r) { return r.PrinterSettings().OutputBin(); },
        [](T& r, TQRBin v) { r.PrinterSettings().SetOutputBin(v); }, TQRBin::Auto, binNames);
    cls.Boolean<T>(
        QStringLiteral("PrinterSettings.Duplex"), [](const T& r) { return r.PrinterSettings().Duplex(); },
        [](T& r, bool v) { r.PrinterSettings().SetDuplex(v); }, false);
    intSetting("FirstPage", &S::FirstPage, &S::SetFirstPage, 0);
    intSetting("LastPage", &S::LastPage, &S::SetLastPage, 0);
    boolField("UseStandardprinter", &S::UseStandardprinter);
    boolField("UseCustomBinCode", &S::UseCustomBinCode);
    intField("CustomBinCode", &S::CustomBinCode, 0);
    intField("ExtendedDuplex", &S::ExtendedDuplex, 0);
    boolField("UseCustomPaperCode", &S::UseCustomPaperCode);
    intField("CustomPaperCode", &S::CustomPaperCode, 0);
    boolField("PrintMetaFile", &S::PrintMetaFile);
    intSetting("MemoryLimit", &S::MemoryLimit, &S::SetMemoryLimit, 250000);
    intField("PrintQuality", &S::PrintQuality, 600);
    intField("Collate", &S::Collate, 0);
    intField("ColorOption", &S::ColorOption, 0);
}

void RegisterReport(TLayoutRegistry& registry) {
    TLayoutClass& base =
        registry.RegisterAbstract(QStringLiteral("TCustomQuickRep"), QStringLiteral("TQRBasePanel"));
    using R = TCustomQuickRep;
    base.Event<R>(QStringLiteral("AfterPrint"), &R::AfterPrint)
        .Event<R>(QStringLiteral("AfterPreview"), &R::AfterPreview)
        .Event<R>(QStringLiteral("BeforePrint"), &R::BeforePrint)
        .StringList<R>(
            QStringLiteral("Description.Strings"), [](const R& r) { return r.Description(); },
            [](R& r, const QStringList& lines) { r.Description() = lines; })
        .Font<R>(
            QString(), [](const R& r) -> const TFont& { return r.Font(); },
            [](R& r, const TFont& font) { r.SetFont(font); }, nullptr, nullptr, TFont());
    base.Add({QStringLiteral("Functions.Strings"),
              [](const TComponent& c) -> std::optional<TLayoutValue> {
                  auto& env = const_cast<R&>(layout_detail::Cast<R>(c)).Functions();
                  const QStringList names = env.Names();
                  if (names == QStringList{"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE"} &&
                      env.Data() == QStringList{"0", "0", "''"})
                      return std::nullopt;
                  return TLayoutValue::StringList(names);
              },
              [](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                  const QString name = QStringLiteral("Functions.Strings");
                  if (v.kind != TLayoutValue::Kind::StringList)
                      throw Exception(QStringLiteral("Invalid value for property %1").arg(name));
                  TQREvEnvironment& env = layout_detail::Cast<R>(c, name).Functions();
                  env.Clear();
                  for (const QString& entry : v.items)
                      env.AddFunction(entry, QStringLiteral("''"));
              }});
    base.Add({QStringLiteral("Functions.DATA"),
              [](const TComponent& c) -> std::optional<TLayoutValue> {
                  auto& env = const_cast<R&>(layout_detail::Cast<R>(c)).Functions();
                  if (env.Names() == QStringList{"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE"} &&
                      env.Data() == QStringList{"0", "0", "''"})
                      return std::nullopt;
                  return TLayoutValue::StringList(env.Data());
              },
              [](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                  const QString name = QStringLiteral("Functions.DATA");
                  if (v.kind != TLayoutValue::Kind::StringList)
                      throw Exception(QStringLiteral("Invalid value for property %1").arg(name));
                  TQREvEnvironment& env = layout_detail::Cast<R>(c, name).Functions();
                  const QStringList names = env.Names();
                  if (names.size() != v.items.size())
                      throw Exception(QStringLiteral("Functions.DATA does not match Functions.Strings"));
                  for (qsizetype i = 0; i < names.size(); ++i)
                      env.Find(names[i])->SetExpression(v.items[i]);
              }});
    base.Event<R>(QStringLiteral("OnEndPage"), &R::OnEndPage)
        .Event<R>(QStringLiteral("OnPreview"), &R::OnPreview)
        .Event<R>(QStringLiteral("OnStartPage"), &R::OnStartPage)
        .Flags<R, TTessalyOptions>(QStringLiteral("Options"), &R::Options, &R::SetOptions,
                                   TTessalyOption::FirstPageHeader | TTessalyOption::LastPageFooter,
                                   optionNames)
        .Integer<R>(
            QStringLiteral("Page.Columns"), [](const R& r) { return r.Page().Columns(); },
            [](R& r, int v) { r.Page().SetColumns(v); }, 1)
        .Enum<R, TPrinterOrientation>(
            QStringLiteral("Page.Orientation"), [](const R& r) { return r.Page().Orientation(); },
            [](R& r, TPrinterOrientation v) { r.Page().SetOrientation(v); }, TPrinterOrientation::poPortrait,
            orientationNames);
    const QString paperSize = QStringLiteral("Page.PaperSize");
    base.Add(
        {paperSize,
         [](const TComponent& c) -> std::optional<TLayoutValue> {
             const auto size = static_cast<std::size_t>(layout_detail::Cast<R>(c).Page().PaperSize());
             return TLayoutValue::Identifier(QLatin1String(paperNames[size]));
         },
         [paperSize](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
             const int ordinal = layout_detail::IndexOfName(paperNames, v.AsIdentifier(paperSize));
             if (ordinal < 0) throw Exception(QStringLiteral("Invalid value for property %1").arg(paperSize));
             layout_detail::Cast<R>(c, paperSize).Page().SetPaperSize(static_cast<TQRPaperSize>(ordinal));
         }});
    base.Enum<R, TQRPrintOrder>(
            QStringLiteral("Page.PrintOrder"), [](const R& r) { return r.Page().PrintOrder(); },
            [](R& r, TQRPrintOrder v) { r.Page().SetPrintOrder(v); }, TQRPrintOrder::ColByCol,
            printOrderNames)
        .Boolean<R>(
            QStringLiteral("Page.Ruler"), [](const R& r) { return r.Page().Ruler(); },
            [](R& r, bool v) { r.Page().SetRuler(v); }, true)
        .Values<R>(QStringLiteral("Page.Values"), &ReportPage);

    AddPrinterSettings<R>(base);

    base.Boolean<R>(QStringLiteral("PrintIfEmpty"), &R::PrintIfEmpty, &R::SetPrintIfEmpty, true)
        .String<R>(QStringLiteral("ReportTitle"), &R::ReportTitle, &R::SetReportTitle);
    const QString units = QStringLiteral("Units");
    base.Add({units,
              [](const TComponent& c) -> std::optional<TLayoutValue> {
                  const auto unit = static_cast<std::size_t>(layout_detail::Cast<R>(c).Units());
                  return TLayoutValue::Identifier(QLatin1String(unitNames[unit]));
              },
              [units](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                  const int ordinal = layout_detail::IndexOfName(unitNames, v.AsIdentifier(units));
                  if (ordinal < 0)
                      throw Exception(QStringLiteral("Invalid value for property %1").arg(units));
                  layout_detail::Cast<R>(c, units).SetUnits(static_cast<TQRUnit>(ordinal));
              }});
    base.Integer<R>(QStringLiteral("Zoom"), &R::Zoom, &R::SetZoom, 100);

    // The report driven by a data set publishes the rest.
    const auto addFull = [&](TLayoutClass& cls) {
        cls.String<R>(QStringLiteral("BackImageControl"), &R::BackImageControl, &R::SetBackImageControl)
            .Event<R>(QStringLiteral("OnApplyPrinterSettings"), &R::OnApplyPrinterSettings)
            .Event<R>(QStringLiteral("OnGetPrinterSettings"), &R::OnGetPrinterSettings)
            .Enum<R, TFormStyle>(
                QStringLiteral("PrevFormStyle"), [](const R& r) { return r.PrevFormStyle; },
                [](R& r, TFormStyle v) { r.PrevFormStyle = v; }, TFormStyle::fsStayOnTop, formStyleNames)
            .Integer<R>(QStringLiteral("PreviewHeight"), &R::PreviewHeight, &R::SetPreviewHeight, 500)
            .Enum<R, TWindowState>(
                QStringLiteral("PreviewInitialState"), [](const R& r) { return r.PreviewInitialState; },
                [](R& r, TWindowState v) { r.PreviewInitialState = v; }, TWindowState::wsNormal,
                windowStateNames)
            .Integer<R>(QStringLiteral("PreviewWidth"), &R::PreviewWidth, &R::SetPreviewWidth, 500)
            .Enum<R, TQRZoomState>(
                QStringLiteral("PrevInitialZoom"), [](const R& r) { return r.PrevInitialZoom; },
                [](R& r, TQRZoomState v) { r.PrevInitialZoom = v; }, TQRZoomState::qrZoomToFit,
                zoomStateNames)
            .Boolean<R>(
                QStringLiteral("PrevShowSearch"), [](const R& r) { return r.PrevShowSearch; },
                [](R& r, bool v) { r.PrevShowSearch = v; }, true)
            .Boolean<R>(
                QStringLiteral("PrevShowThumbs"), [](const R& r) { return r.PrevShowThumbs; },
                [](R& r, bool v) { r.PrevShowThumbs = v; }, true)
            .Boolean<R>(QStringLiteral("ShowProgress"), &R::ShowProgress, &R::SetShowProgress, true)
            .Boolean<R>(QStringLiteral("SnapToGrid"), &R::SnapToGrid, &R::SetSnapToGrid, true);
    };

    TLayoutClass& quickRep =
        registry.Register<TQuickRep>(QStringLiteral("TQuickRep"), QStringLiteral("TCustomQuickRep"));
    quickRep
        .Reference<TQuickRep, TDataSetComponent>(QStringLiteral("DataSet"), &TQuickRep::DataSet,
                                                 &TQuickRep::SetDataSet)
        .Event<TQuickRep>(QStringLiteral("OnNeedData"), &TQuickRep::OnNeedData);
    addFull(quickRep);

    registry.Register<TQuickAbstractRep>(QStringLiteral("TQuickAbstractRep"),
                                         QStringLiteral("TCustomQuickRep"));

    TLayoutClass& labels = registry.Register<TQuickLabelReport>(QStringLiteral("TQuickLabelReport"),
                                                                QStringLiteral("TCustomQuickRep"));
    labels.Integer<TQuickLabelReport>(
        QStringLiteral("LabelSetup.NumberDown"),
        [](const TQuickLabelReport& r) {
            return const_cast<TQuickLabelReport&>(r).LabelSetup().NumberDown();
        },
        [](TQuickLabelReport& r, int v) { r.LabelSetup().SetNumberDown(v); }, 1);
    addFull(labels);
}

// The composite report: its events, options, printer choices with the document's paper and
// orientation (written only when set, since until then the document takes its first report's),
// and its title.
void RegisterComposite(TLayoutRegistry& registry) {
    using C = TQRCompositeReport;
    TLayoutClass& composite =
        registry.Register<C>(QStringLiteral("TQRCompositeReport"), QStringLiteral("TComponent"));
    composite.Event<C>(QStringLiteral("OnAddReports"), &C::OnAddReports)
        .Event<C>(QStringLiteral("OnFinished"), &C::OnFinished)
        .Flags<C, TTessalyOptions>(QStringLiteral("Options"), &C::Options, &C::SetOptions,
                                   TTessalyOption::FirstPageHeader | TTessalyOption::LastPageFooter,
                                   optionNames);
    AddPrinterSettings<C>(composite);
    const QString orientation = QStringLiteral("PrinterSettings.Orientation");
    composite.Add({orientation,
                   [](const TComponent& c) -> std::optional<TLayoutValue> {
                       const TQRCompositePrinterSettings& settings =
                           layout_detail::Cast<C>(c).PrinterSettings();
                       if (!settings.OrientationSet()) return std::nullopt;
                       return TLayoutValue::Identifier(
                           QLatin1String(orientationNames[static_cast<std::size_t>(settings.Orientation())]));
                   },
                   [orientation](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                       const int ordinal =
                           layout_detail::IndexOfName(orientationNames, v.AsIdentifier(orientation));
                       if (ordinal < 0)
                           throw Exception(QStringLiteral("Invalid value for property %1").arg(orientation));
                       layout_detail::Cast<C>(c, orientation)
                           .PrinterSettings()
                           .SetOrientation(static_cast<TPrinterOrientation>(ordinal));
                   }});
    const QString paperSize = QStringLiteral("PrinterSettings.PaperSize");
    composite.Add({paperSize,
                   [](const TComponent& c) -> std::optional<TLayoutValue> {
                       const TQRCompositePrinterSettings& settings =
                           layout_detail::Cast<C>(c).PrinterSettings();
                       if (!settings.PaperSizeSet()) return std::nullopt;
                       return TLayoutValue::Identifier(
                           QLatin1String(paperNames[static_cast<std::size_t>(settings.PaperSize())]));
                   },
                   [paperSize](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                       const int ordinal = layout_detail::IndexOfName(paperNames, v.AsIdentifier(paperSize));
                       if (ordinal < 0)
                           throw Exception(QStringLiteral("Invalid value for property %1").arg(paperSize));
                       layout_detail::Cast<C>(c, paperSize)
                           .PrinterSettings()
                           .SetPaperSize(static_cast<TQRPaperSize>(ordinal));
                   }});
    composite.String<C>(QStringLiteral("ReportTitle"), &C::ReportTitle, &C::SetReportTitle);
}

void RegisterBands(TLayoutRegistry& registry) {
    using B = TQRCustomBand;
    TLayoutClass& band =
        registry.RegisterAbstract(QStringLiteral("TQRCustomBand"), QStringLiteral("TQRBasePanel"));
    band.Event<B>(QStringLiteral("AfterPrint"), &B::AfterPrint)
        .Boolean<B>(QStringLiteral("AlignToBottom"), &B::AlignToBottom, &B::SetAlignToBottom, false)
        .Event<B>(QStringLiteral("BeforePrint"), &B::BeforePrint)
        .Color<B>(QStringLiteral("Color"), &B::Color, &B::SetColor, clWhite)
        .Boolean<B>(QStringLiteral("Enabled"), &B::Enabled, &B::SetEnabled, true)
        .Boolean<B>(QStringLiteral("TransparentBand"), &B::TransparentBand, &B::SetTransparentBand, false)
        .Font<B>(
            QString(), [](const B& b) -> const TFont& { return b.Font(); },
            [](B& b, const TFont& font) { b.SetFont(font); }, [](const B& b) { return b.ParentFont(); },
            [](B& b, bool v) { b.SetParentFont(v); }, TFont())
        .Boolean<B>(QStringLiteral("ForceNewColumn"), &B::ForceNewColumn, &B::SetForceNewColumn, false)
        .Boolean<B>(QStringLiteral("ForceNewPage"), &B::ForceNewPage, &B::SetForceNewPage, false)
        .Reference<B, TQRCustomBand>(QStringLiteral("LinkBand"), &B::LinkBand, &B::SetLinkBand)
        .Values<B>(QStringLiteral("Size.Values"), &BandSize)
        .Boolean<B>(QStringLiteral("PreCaluculateBandHeight"), &B::PreCaluculateBandHeight,
                    &B::SetPreCaluculateBandHeight, false)
        .Boolean<B>(QStringLiteral("KeepOnOnePage"), &B::KeepOnOnePage, &B::SetKeepOnOnePage, false);

    registry.Register<TQRBand>(QStringLiteral("TQRBand"), QStringLiteral("TQRCustomBand"))
        .Enum<TQRBand, TQRBandType>(QStringLiteral("BandType"), &TQRBand::BandType, &TQRBand::SetBandType,
                                    TQRBandType::rbTitle, bandTypeNames);

    registry.Register<TQRChildBand>(QStringLiteral("TQRChildBand"), QStringLiteral("TQRCustomBand"))
        .Reference<TQRChildBand, TQRCustomBand>(QStringLiteral("ParentBand"), &TQRChildBand::ParentBand,
                                                &TQRChildBand::SetParentBand);

    using C = TQRControllerBand;
    registry.RegisterAbstract(QStringLiteral("TQRControllerBand"), QStringLiteral("TQRCustomBand"))
        .Reference<C, TComponent>(QStringLiteral("Master"), &C::Master, &C::SetMaster)
        .Boolean<C>(QStringLiteral("PrintBefore"), &C::PrintBefore, &C::SetPrintBefore, false);

    using D = TQRSubDetail;
    registry.Register<TQRSubDetail>(QStringLiteral("TQRSubDetail"), QStringLiteral("TQRControllerBand"))
        .Reference<D, TDataSetComponent>(QStringLiteral("DataSet"), &D::DataSet, &D::SetDataSet)
        .Reference<D, TQRCustomBand>(QStringLiteral("FooterBand"), &D::FooterBand, &D::SetFooterBand)
        .Reference<D, TQRCustomBand>(QStringLiteral("HeaderBand"), &D::HeaderBand, &D::SetHeaderBand)
        .Event<D>(QStringLiteral("OnNeedData"), &D::OnNeedData)
        .Boolean<D>(QStringLiteral("PrintIfEmpty"), &D::PrintIfEmpty, &D::SetPrintIfEmpty, true);

    registry.Register<TQRLoopBand>(QStringLiteral("TQRLoopBand"), QStringLiteral("TQRControllerBand"))
        .Integer<TQRLoopBand>(QStringLiteral("PrintCount"), &TQRLoopBand::PrintCount,
                              &TQRLoopBand::SetPrintCount, 0);

    registry.Register<TQRStringsBand>(QStringLiteral("TQRStringsBand"), QStringLiteral("TQRControllerBand"))
        .StringList<TQRStringsBand>(QStringLiteral("Items.Strings"), &TQRStringsBand::Items,
                                    &TQRStringsBand::SetItems);

    using G = TQRGroup;
    registry.Register<TQRGroup>(QStringLiteral("TQRGroup"), QStringLiteral("TQRCustomBand"))
        .String<G>(QStringLiteral("Expression"), &G::Expression, &G::SetExpression)
        .Reference<G, TQRCustomBand>(QStringLiteral("FooterBand"), &G::FooterBand, &G::SetFooterBand)
        .Reference<G, TComponent>(QStringLiteral("Master"), &G::Master, &G::SetMaster)
        .Boolean<G>(QStringLiteral("ReprintOnNewPage"), &G::ReprintOnNewPage, &G::SetReprintOnNewPage, false);
}

void RegisterPrintable(TLayoutRegistry& registry) {
    using P = TQRPrintable;
    TLayoutClass& printable =
        registry.RegisterAbstract(QStringLiteral("TQRPrintable"), QStringLiteral("TComponent"));
    AddBounds<P>(printable);
    printable.Frame<P>(QStringLiteral("Frame."), &PrintableFrame)
        .Values<P>(QStringLiteral("Size.Values"), &PrintableSize)
        .Enum<P, TAlignment>(QStringLiteral("Alignment"), &P::Alignment, &P::SetAlignment,
                             TAlignment::taLeftJustify, alignmentNames)
        .Boolean<P>(QStringLiteral("AlignToBand"), &P::AlignToBand, &P::SetAlignToBand, false)
        .Color<P>(QStringLiteral("Color"), &P::Color, &P::SetColor, clWhite)
        .Boolean<P>(QStringLiteral("Enabled"), &P::Enabled, &P::SetEnabled, true)
        .Font<P>(
            QString(), [](const P& p) -> const TFont& { return p.Font(); },
            [](P& p, const TFont& font) { p.SetFont(font); }, [](const P& p) { return p.ParentFont(); },
            [](P& p, bool v) { p.SetParentFont(v); }, TFont())
        .Boolean<P>(QStringLiteral("Transparent"), &P::Transparent, &P::SetTransparent, false);
}

} // namespace

void RegisterQuickrptLayoutClasses(TLayoutRegistry& registry) {
    registry.RegisterAbstract(QStringLiteral("TComponent"))
        .Integer<TComponent>(QStringLiteral("Tag"), &TComponent::Tag, &TComponent::SetTag, 0);
    registry.Register<TReportForm>(QStringLiteral("TReportForm"), QStringLiteral("TComponent"));
    registry.Register<TDataSetComponent>(QStringLiteral("TDataSetComponent"), QStringLiteral("TComponent"));
    TLayoutClass& panel =
        registry.RegisterAbstract(QStringLiteral("TQRBasePanel"), QStringLiteral("TComponent"));
    AddBounds<TQRBasePanel>(panel);
    panel.Frame<TQRBasePanel>(QStringLiteral("Frame."), &PanelFrame);
    RegisterReport(registry);
    RegisterComposite(registry);
    RegisterBands(registry);
    RegisterPrintable(registry);
}

TLayoutRegistry& QRLayoutRegistry() {
    static TLayoutRegistry registry = [] {
        TLayoutRegistry made;
        RegisterQuickrptLayoutClasses(made);
        RegisterQrctrlsLayoutClasses(made);
        return made;
    }();
    return registry;
}

} // namespace quorvel
