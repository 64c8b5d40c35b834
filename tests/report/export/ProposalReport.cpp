#include "report/export/ProposalReport.h"

#include "platform/MetafileEnumerator.h"
#include "report/engine/DataSetComponent.h"
#include "store/StoreField.h"

#include <QPainter>

namespace quorvel::testing {

namespace {

template <class T>
T& Place(TReportForm& form, TQRCustomBand& band, const QString& name, double left, double top, double width,
         double height) {
    T& control = CreateComponent<T>(form);
    control.SetName(name);
    control.SetParent(&band);
    control.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
    control.Size().SetNativeValue(TQRPrintableSize::iTop, top);
    control.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
    control.Size().SetNativeValue(TQRPrintableSize::iHeight, height);
    return control;
}

TQRBand& AddBand(TReportForm& form, TQuickRep& report, TQRBandType type, const QString& name, double height) {
    TQRBand& band = CreateComponent<TQRBand>(form);
    band.SetName(name);
    band.SetBandType(type);
    band.SetParent(&report);
    band.Size().SetNativeValue(TQRBandSize::iHeight, height);
    return band;
}

// Four coloured quarters, so that a picture drawn mirrored or shifted shows.
QImage Emblem() {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, 20, 10, QColor(200, 0, 0));
    painter.fillRect(20, 0, 20, 10, QColor(0, 0, 160));
    painter.fillRect(0, 10, 20, 10, QColor(0, 120, 0));
    painter.fillRect(20, 10, 20, 10, QColor(40, 40, 40));
    return image;
}

TFont Arial(int size, TFontStyles style = {}) {
    return TFont(QStringLiteral("Arial"), size, style);
}

} // namespace

ProposalReport::ProposalReport(int items)
    : form(nullptr, QStringLiteral("TReportForm"))
    , report(CreateComponent<TQuickRep>(form))
    , itemsSource(CreateComponent<TDataSetComponent>(form))
    , header(AddBand(form, report, TQRBandType::rbPageHeader, QStringLiteral("Cabecalho"), 250))
    , columns(AddBand(form, report, TQRBandType::rbColumnHeader, QStringLiteral("Colunas"), 70))
    , detail(AddBand(form, report, TQRBandType::rbDetail, QStringLiteral("Detalhe"), 60))
    , summary(AddBand(form, report, TQRBandType::rbSummary, QStringLiteral("Resumo"), 150)) {
    form.SetName(QStringLiteral("FormRelatorio"));
    report.SetName(QStringLiteral("QRProposta"));
    report.SetUnits(TQRUnit::MM);
    report.Page().SetOrientation(TPrinterOrientation::poPortrait);
    report.Page().SetPaperSize(TQRPaperSize::A4);
    report.SetShowProgress(false);
    report.SetFont(Arial(10));

    table.Name = QStringLiteral("CDSDigitacao");
    table.AddField(QStringLiteral("numitem"), TFieldType::Integer);
    table.AddField(QStringLiteral("descr"), TFieldType::String, 200);
    table.AddField(QStringLiteral("valor"), TFieldType::Float);
    table.CreateDataSet();
    table.FieldByName(QStringLiteral("valor")).SetDisplayFormat(QStringLiteral(",0.00"));
    for (int n = 1; n <= items; ++n) {
        table.Append();
        table.FieldByName(QStringLiteral("numitem")).SetAsInteger(n);
        table.FieldByName(QStringLiteral("descr"))
            .SetAsQString(QStringLiteral("Caneta esferográfica (azul) nº %1 & cia").arg(n));
        table.FieldByName(QStringLiteral("valor")).SetAsFloat(1234.5 * n);
        table.Post();
    }
    itemsSource.SetName(QStringLiteral("DSDigitacao"));
    itemsSource.SetTable(&table);
    report.SetDataSet(&itemsSource);

    auto& title = Place<TQRLabel>(form, header, QStringLiteral("LbTitulo"), 0, 20, 600, 60);
    title.SetFont(Arial(14, TFontStyle::fsBold));
    title.SetCaption(QStringLiteral("PROPOSTA DE PREÇOS"));
    title.SetAlignment(TAlignment::taCenter);
    title.SetAlignToBand(true);
    auto& pregao = Place<TQRLabel>(form, header, QStringLiteral("LbPregao"), 0, 100, 900, 45);
    pregao.SetCaption(QStringLiteral("Pregão nº 42/2026 {lote único}"));
    auto& page = Place<TQRSysData>(form, header, QStringLiteral("QRSysData1"), 1500, 100, 300, 45);
    page.SetData(TQRSysDataType::qrsPageNumber);
    page.SetText(QStringLiteral("Página:"));
    auto& emblem = Place<TQRImage>(form, header, QStringLiteral("ImgBrasao"), 1600, 10, 160, 80);
    TPicture picture;
    picture.SetBitmap(Emblem());
    emblem.SetPicture(picture);
    emblem.SetStretch(true);
    auto& rule = Place<TQRShape>(form, header, QStringLiteral("Linha"), 0, 180, 1900, 40);
    rule.SetShape(TQRShapeType::qrsHorLine);
    rule.Pen().SetWidth(2);

    columns.SetColor(clSilver);
    columns.Frame().DrawTop = columns.Frame().DrawBottom = true;
    columns.Frame().DrawLeft = columns.Frame().DrawRight = true;
    const auto heading = [&](const QString& name, const QString& caption, double left, TAlignment alignment) {
        auto& label = Place<TQRLabel>(form, columns, name, left, 15, 200, 45);
        label.SetFont(Arial(10, TFontStyle::fsBold));
        label.SetTransparent(true);
        label.SetCaption(caption);
        label.SetAlignment(alignment);
    };
    heading(QStringLiteral("LbItem"), QStringLiteral("Item"), 20, TAlignment::taLeftJustify);
    heading(QStringLiteral("LbDescr"), QStringLiteral("Descrição"), 200, TAlignment::taLeftJustify);
    heading(QStringLiteral("LbValor"), QStringLiteral("Valor total"), 1680, TAlignment::taRightJustify);

    const auto field = [&](const QString& name, const QString& fieldName, double left, double width,
                           TAlignment alignment) {
        auto& text = Place<TQRDBText>(form, detail, name, left, 10, width, 45);
        text.SetDataSet(&itemsSource);
        text.SetDataField(fieldName);
        text.SetAlignment(alignment);
        text.SetTransparent(true);
    };
    field(QStringLiteral("DBItem"), QStringLiteral("numitem"), 20, 150, TAlignment::taLeftJustify);
    field(QStringLiteral("DBDescr"), QStringLiteral("descr"), 200, 1200, TAlignment::taLeftJustify);
    field(QStringLiteral("DBValor"), QStringLiteral("valor"), 1580, 300, TAlignment::taRightJustify);
    auto& under = Place<TQRShape>(form, detail, QStringLiteral("Sublinha"), 0, 55, 1900, 5);
    under.SetShape(TQRShapeType::qrsHorLine);
    under.Pen().SetColor(clGray);

    auto& box = Place<TQRShape>(form, summary, QStringLiteral("Caixa"), 0, 20, 1900, 110);
    box.Brush().SetStyle(TBrushStyle::bsClear);
    auto& total = Place<TQRLabel>(form, summary, QStringLiteral("LbTotal"), 40, 50, 600, 45);
    total.SetCaption(QStringLiteral("Total de itens:"));
    total.SetTransparent(true);
    auto& count = Place<TQRSysData>(form, summary, QStringLiteral("QRSysData2"), 700, 50, 300, 45);
    count.SetData(TQRSysDataType::qrsDetailCount);
    count.SetTransparent(true);
}

std::vector<QImage> ProposalReport::PagePictures() {
    table.First();
    report.Prepare();
    std::vector<QImage> pages;
    TQRPrinter& store = *report.QRPrinter();
    for (int n = 1; n <= store.PageCount(); ++n) {
        const std::unique_ptr<TMetafile> picture = store.GetPage(n);
        if (!picture) continue;
        QImage image(picture->Width(), picture->Height(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        picture->Play(painter, QRectF(0, 0, picture->Width(), picture->Height()));
        pages.push_back(image);
    }
    return pages;
}

QStringList ProposalReport::PageTexts() {
    QStringList texts;
    TQRPrinter& store = *report.QRPrinter();
    for (int n = 1; n <= store.PageCount(); ++n)
        if (const std::unique_ptr<TMetafile> picture = store.GetPage(n))
            for (const TMetafileText& text : MetafileTexts(*picture))
                texts.append(text.Text);
    return texts;
}

} // namespace quorvel::testing
