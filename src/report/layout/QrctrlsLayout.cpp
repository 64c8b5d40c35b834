// The printable controls' classes and stored properties as layouts read and write them.

#include "report/controls/Qrctrls.h"
#include "report/engine/DataSetComponent.h"
#include "report/engine/QuickrptBands.h"
#include "report/layout/LayoutRegistry.h"

namespace quorvel {

namespace {

constexpr const char* biDiModeNames[] = {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                         "bdRightToLeftReadingOnly"};
constexpr const char* sysDataNames[] = {"qrsTime",        "qrsDate",        "qrsDateTime", "qrsPageNumber",
                                        "qrsReportTitle", "qrsDetailCount", "qrsDetailNo"};
constexpr const char* shapeNames[] = {"qrsRectangle",    "qrsCircle",       "qrsVertLine", "qrsHorLine",
                                      "qrsTopAndBottom", "qrsRightAndLeft", "qrsRoundRect"};
constexpr const char* linkTypeNames[] = {"ldHTTPJump", "ldNameJump", "ldNameLabel"};
constexpr const char* calcNames[] = {"qrcSum", "qrcCount", "qrcMax", "qrcMin", "qrcAverage"};
constexpr const char* brushStyleNames[] = {"bsSolid",     "bsClear",     "bsHorizontal", "bsVertical",
                                           "bsFDiagonal", "bsBDiagonal", "bsCross",      "bsDiagCross"};
constexpr const char* penStyleNames[] = {"psSolid",      "psDash",  "psDot",        "psDashDot",
                                         "psDashDotDot", "psClear", "psInsideFrame"};

// The font's point size, written with every text control after its published properties.
void AddFontSize(TLayoutClass& cls) {
    const QString name = QStringLiteral("FontSize");
    cls.Add({name,
             [](const TComponent& c) -> std::optional<TLayoutValue> {
                 return TLayoutValue::Integer(layout_detail::Cast<TQRCustomLabel>(c).WriteFontSize());
             },
             [name](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                 layout_detail::Cast<TQRCustomLabel>(c, name).ReadFontSize(v.AsInt(name));
             }});
}

template <class T> void AddLines(TLayoutClass& cls) {
    cls.StringList<T>(
        QStringLiteral("Lines.Strings"), [](const T& t) { return t.Lines(); },
        [](T& t, const QStringList& lines) { t.SetLines(lines); });
}

void RegisterLabels(TLayoutRegistry& registry) {
    using L = TQRCustomLabel;
    registry.RegisterAbstract(QStringLiteral("TQRCustomLabel"), QStringLiteral("TQRPrintable"))
        .Boolean<L>(QStringLiteral("AutoSize"), &L::AutoSize, &L::SetAutoSize, true)
        .Boolean<L>(QStringLiteral("AutoStretch"), &L::AutoStretch, &L::SetAutoStretch, false)
        .Enum<L, TBiDiMode>(QStringLiteral("BiDiMode"), &L::BiDiMode, &L::SetBiDiMode,
                            TBiDiMode::bdLeftToRight, biDiModeNames)
        .Event<L>(QStringLiteral("OnPrint"), &L::OnPrint)
        .Boolean<L>(QStringLiteral("ParentBiDiMode"), &L::ParentBiDiMode, &L::SetParentBiDiMode, true)
        .Boolean<L>(QStringLiteral("WordWrap"), &L::WordWrap, &L::SetWordWrap, true);

    TLayoutClass& label =
        registry.Register<TQRLabel>(QStringLiteral("TQRLabel"), QStringLiteral("TQRCustomLabel"));
    label.String<TQRLabel>(QStringLiteral("Caption"), &TQRLabel::Caption, &TQRLabel::SetCaption);
    AddFontSize(label);

    using H = TQRHTMLLabel;
    TLayoutClass& htmlLabel =
        registry.Register<TQRHTMLLabel>(QStringLiteral("TQRHTMLLabel"), QStringLiteral("TQRCustomLabel"));
    htmlLabel.String<H>(QStringLiteral("Caption"), &H::Caption, &H::SetCaption)
        .String<H>(QStringLiteral("LinkText"), &H::LinkText, &H::SetLinkText)
        .Enum<H, TQRLinkType>(QStringLiteral("LinkType"), &H::LinkType, &H::SetLinkType,
                              TQRLinkType::ldHTTPJump, linkTypeNames);
    AddFontSize(htmlLabel);

    TLayoutClass& memo =
        registry.Register<TQRMemo>(QStringLiteral("TQRMemo"), QStringLiteral("TQRCustomLabel"));
    AddLines<TQRMemo>(memo);
    AddFontSize(memo);

    using D = TQRDBText;
    TLayoutClass& dbText =
        registry.Register<TQRDBText>(QStringLiteral("TQRDBText"), QStringLiteral("TQRCustomLabel"));
    dbText.Reference<D, TDataSetComponent>(QStringLiteral("DataSet"), &D::DataSet, &D::SetDataSet)
        .String<D>(QStringLiteral("DataField"), &D::DataField, &D::SetDataField)
        .String<D>(QStringLiteral("Mask"), &D::Mask, &D::SetMask);
    AddFontSize(dbText);

    using E = TQRExpr;
    TLayoutClass& expr =
        registry.Register<TQRExpr>(QStringLiteral("TQRExpr"), QStringLiteral("TQRCustomLabel"));
    expr.String<E>(QStringLiteral("Expression"), &E::Expression, &E::SetExpression)
        .String<E>(QStringLiteral("Mask"), &E::Mask, &E::SetMask)
        .Reference<E, TComponent>(QStringLiteral("Master"), &E::Master, &E::SetMaster)
        .Boolean<E>(QStringLiteral("ResetAfterPrint"), &E::ResetAfterPrint, &E::SetResetAfterPrint, false);
    AddFontSize(expr);

    // The calculated field stores its operation and field; its expression is built from them.
    using C = TQRDBCalc;
    TLayoutClass& calc =
        registry.Register<TQRDBCalc>(QStringLiteral("TQRDBCalc"), QStringLiteral("TQRCustomLabel"));
    calc.String<C>(QStringLiteral("DataField"), &C::DataField, &C::SetDataField)
        .Reference<C, TDataSetComponent>(QStringLiteral("DataSource"), &C::DataSource, &C::SetDataSource)
        .Reference<C, TComponent>(QStringLiteral("Master"), &C::Master, &C::SetMaster)
        .Enum<C, TQRCalcOperation>(QStringLiteral("Operation"), &C::Operation, &C::SetOperation,
                                   TQRCalcOperation::qrcSum, calcNames)
        .String<C>(QStringLiteral("PrintMask"), &C::PrintMask, &C::SetPrintMask)
        .Boolean<C>(QStringLiteral("ResetAfterPrint"), &C::ResetAfterPrint, &C::SetResetAfterPrint, false)
        .Reference<C, TQRCustomBand>(QStringLiteral("ResetBand"), &C::ResetBand, &C::SetResetBand);
    AddFontSize(calc);

    using S = TQRSysData;
    TLayoutClass& sysData =
        registry.Register<TQRSysData>(QStringLiteral("TQRSysData"), QStringLiteral("TQRCustomLabel"));
    sysData
        .Enum<S, TQRSysDataType>(QStringLiteral("Data"), &S::Data, &S::SetData, TQRSysDataType::qrsTime,
                                 sysDataNames)
        .String<S>(QStringLiteral("Text"), &S::Text, &S::SetText);
    AddFontSize(sysData);

    using M = TQRExprMemo;
    TLayoutClass& exprMemo =
        registry.Register<TQRExprMemo>(QStringLiteral("TQRExprMemo"), QStringLiteral("TQRCustomLabel"));
    AddLines<M>(exprMemo);
    exprMemo.Boolean<M>(QStringLiteral("RemoveBlankLines"), &M::RemoveBlankLines, &M::SetRemoveBlankLines,
                        false);
    AddFontSize(exprMemo);
}

void RegisterGraphics(TLayoutRegistry& registry) {
    using S = TQRShape;
    registry.Register<TQRShape>(QStringLiteral("TQRShape"), QStringLiteral("TQRPrintable"))
        .Color<S>(
            QStringLiteral("Brush.Color"), [](const S& s) { return s.Brush().Color(); },
            [](S& s, TColor v) { s.Brush().SetColor(v); }, clWhite)
        .Enum<S, TBrushStyle>(
            QStringLiteral("Brush.Style"), [](const S& s) { return s.Brush().Style(); },
            [](S& s, TBrushStyle v) { s.Brush().SetStyle(v); }, TBrushStyle::bsSolid, brushStyleNames)
        .Color<S>(
            QStringLiteral("Pen.Color"), [](const S& s) { return s.Pen().Color(); },
            [](S& s, TColor v) { s.Pen().SetColor(v); }, clBlack)
        .Enum<S, TPenStyle>(
            QStringLiteral("Pen.Style"), [](const S& s) { return s.Pen().Style(); },
            [](S& s, TPenStyle v) { s.Pen().SetStyle(v); }, TPenStyle::psSolid, penStyleNames)
        .Integer<S>(
            QStringLiteral("Pen.Width"), [](const S& s) { return s.Pen().Width(); },
            [](S& s, int v) { s.Pen().SetWidth(v); }, 1)
        .Float<S>(QStringLiteral("RoundFactor"), &S::RoundFactor, &S::SetRoundFactor, 0.25)
        .Enum<S, TQRShapeType>(QStringLiteral("Shape"), &S::Shape, &S::SetShape, TQRShapeType::qrsRectangle,
                               shapeNames)
        .Integer<S>(QStringLiteral("VertAdjust"), &S::VertAdjust, &S::SetVertAdjust, 0);

    using I = TQRImage;
    const QString picture = QStringLiteral("Picture.Data");
    registry.Register<TQRImage>(QStringLiteral("TQRImage"), QStringLiteral("TQRPrintable"))
        .Boolean<I>(QStringLiteral("AutoSize"), &I::AutoSize, &I::SetAutoSize, false)
        .Boolean<I>(QStringLiteral("Center"), &I::Center, &I::SetCenter, false)
        .Add({picture,
              [](const TComponent& c) -> std::optional<TLayoutValue> {
                  const TPicture& p = layout_detail::Cast<I>(c).Picture();
                  if (p.Empty()) return std::nullopt;
                  return TLayoutValue::Binary(p.SaveToData());
              },
              [picture](TComponent& c, const TLayoutValue& v, TLayoutReadContext&) {
                  if (v.kind != TLayoutValue::Kind::Binary)
                      throw Exception(QStringLiteral("Invalid value for property %1").arg(picture));
                  TPicture loaded;
                  loaded.LoadFromData(v.bytes);
                  layout_detail::Cast<I>(c, picture).SetPicture(loaded);
              }})
        .Boolean<I>(QStringLiteral("Stretch"), &I::Stretch, &I::SetStretch, false);

    // Registered beside the fixed image rather than under it: its Center starts set.
    using B = TQRDBImage;
    registry.Register<TQRDBImage>(QStringLiteral("TQRDBImage"), QStringLiteral("TQRPrintable"))
        .Boolean<B>(QStringLiteral("Center"), &B::Center, &B::SetCenter, true)
        .String<B>(QStringLiteral("DataField"), &B::DataField, &B::SetDataField)
        .Reference<B, TDataSetComponent>(QStringLiteral("DataSet"), &B::DataSet, &B::SetDataSet)
        .Boolean<B>(QStringLiteral("Stretch"), &B::Stretch, &B::SetStretch, false);

    using R = TQRRichText;
    registry.Register<TQRRichText>(QStringLiteral("TQRRichText"), QStringLiteral("TQRPrintable"))
        .Boolean<R>(QStringLiteral("AutoStretch"), &R::AutoStretch, &R::SetAutoStretch, false)
        .StringList<R>(QStringLiteral("Lines.Strings"), &R::RichLines, &R::SetRichLines)
        .Reference<R, TComponent>(QStringLiteral("ParentRichEdit"), &R::ParentRichEdit,
                                  &R::SetParentRichEdit);

    using DR = TQRDBRichText;
    registry.Register<TQRDBRichText>(QStringLiteral("TQRDBRichText"), QStringLiteral("TQRPrintable"))
        .Boolean<DR>(QStringLiteral("AutoStretch"), &DR::AutoStretch, &DR::SetAutoStretch, false)
        .String<DR>(QStringLiteral("DataField"), &DR::DataField, &DR::SetDataField)
        .Reference<DR, TDataSetComponent>(QStringLiteral("DataSet"), &DR::DataSet, &DR::SetDataSet)
        .Reference<DR, TComponent>(QStringLiteral("ParentRichEdit"), &DR::ParentRichEdit,
                                   &DR::SetParentRichEdit);
}

} // namespace

void RegisterQrctrlsLayoutClasses(TLayoutRegistry& registry) {
    RegisterLabels(registry);
    RegisterGraphics(registry);
}

} // namespace quorvel
