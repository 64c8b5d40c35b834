#include "report/support/ReportTestSupport.h"

#include "platform/Canvas.h"
#include "platform/MetafileEnumerator.h"
#include "report/pagestore/QrprntrFilter.h"

namespace quorvel::testing {

ReportFixture::ReportFixture()
    : form(nullptr, QStringLiteral("TReportForm"))
    , report(CreateComponent<TQuickRep>(form)) {
    form.SetName(QStringLiteral("Form1"));
    report.SetName(QStringLiteral("QuickRep1"));
    report.SetUnits(TQRUnit::MM);
    report.Page().SetOrientation(TPrinterOrientation::poPortrait);
    report.Page().SetPaperSize(TQRPaperSize::A4);
}

TQRBand& ReportFixture::AddBand(TQRBandType type, const QString& name, double height) {
    TQRBand& band = Add<TQRBand>(name);
    band.SetBandType(type);
    band.SetParent(&report);
    band.Size().SetNativeValue(TQRBandSize::iHeight, height);
    return band;
}

QStringList ReportFixture::BandNames() const {
    QStringList names;
    for (const TQRCustomBand* band : report.BandList())
        names.append(band->Name());
    return names;
}

void TTestText::Print(int ofsX, int ofsY) {
    TQRPrinter& store = *QRPrinter();
    // A text put on the report itself, not on a band, has no band to stretch.
    TQRCustomBand* band = ParentBand();
    const double left = Size().NativeValue(TQRPrintableSize::iLeft) + ofsX;
    const double top = Size().NativeValue(TQRPrintableSize::iTop) + ofsY;
    double bottom = top + Size().NativeValue(TQRPrintableSize::iHeight) + 1;
    if (PrintFinished()) {
        next_ = 0;
        if (Source) Lines = Source();
    }
    double y = top;
    bool expanded = false;
    while (next_ < Lines.size()) {
        if (y + LineHeight > bottom) {
            if (!AutoStretch || band == nullptr || !band->CanExpand(LineHeight)) break;
            double extra = band->ExtraHeight();
            band->ExpandBand(extra, expanded, LineHeight);
            bottom = top + Size().NativeValue(TQRPrintableSize::iHeight) + band->ExtraHeight() + 1;
            if (y + LineHeight > bottom) break;
        }
        if (ParentReport()->DrawToCanvas() && !Lines[next_].isEmpty())
            store.Canvas().TextOut(store.XPos(left), store.YPos(y), Lines[next_]);
        if (TQRExportFilter* filter = ParentReport()->ExportFilter())
            filter->TextOut(left, y, Font(), Color(), Alignment(), Lines[next_]);
        y += LineHeight;
        ++next_;
    }
    SetPrintFinished(!(next_ < Lines.size() && AutoStretch));
}

TTestText& AddText(TQRCustomBand& band, const QStringList& lines, double left, double top, double height,
                   double width) {
    TComponent& owner = *band.Owner();
    TTestText& text = CreateComponent<TTestText>(owner);
    text.SetParent(&band);
    text.Lines = lines;
    text.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
    text.Size().SetNativeValue(TQRPrintableSize::iTop, top);
    text.Size().SetNativeValue(TQRPrintableSize::iHeight, height);
    text.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
    return text;
}

std::vector<PageText> PageTexts(TQRPrinter& pageStore) {
    std::vector<PageText> result;
    for (int page = 1; page <= pageStore.PageCount(); ++page) {
        std::unique_ptr<TMetafile> picture = pageStore.GetPage(page);
        if (!picture) continue;
        for (const TMetafileText& text : MetafileTexts(*picture))
            result.push_back({page, text.Text, text.Reference.x(), text.Reference.y()});
    }
    return result;
}

QStringList Texts(const std::vector<PageText>& texts) {
    QStringList result;
    for (const PageText& text : texts)
        result.append(text.text);
    return result;
}

} // namespace quorvel::testing
