#include "report/support/QrctrlsTestSupport.h"

#include "platform/Rounding.h"
#include "store/StoreField.h"

namespace quorvel::testing {

ControlsFixture::ControlsFixture()
    : items(Add<TDataSetComponent>(QStringLiteral("CDSItens")))
    , detail(AddBand(TQRBandType::rbDetail, QStringLiteral("DetailBand1"), 70)) {
    table.Name = QStringLiteral("CDSItens");
    table.AddField(QStringLiteral("numitem"), TFieldType::Integer);
    table.AddField(QStringLiteral("descr"), TFieldType::String, 1000);
    table.AddField(QStringLiteral("valor"), TFieldType::Float);
    table.AddField(QStringLiteral("obs"), TFieldType::Memo);
    table.AddField(QStringLiteral("quando"), TFieldType::DateTime);
    table.CreateDataSet();
    table.FieldByName(QStringLiteral("valor")).SetDisplayFormat(QStringLiteral(",0.00"));
    items.SetTable(&table);
    report.SetDataSet(&items);
}

void ControlsFixture::AddItem(int number, const QString& description, double value) {
    table.Append();
    table.FieldByName(QStringLiteral("numitem")).SetAsInteger(number);
    table.FieldByName(QStringLiteral("descr")).SetAsQString(description);
    table.FieldByName(QStringLiteral("valor")).SetAsFloat(value);
    table.Post();
}

TQRDBText& ControlsFixture::FieldText(const QString& name, const QString& field, double left, double top,
                                      double width, bool autoSize) {
    TQRDBText& text = Add<TQRDBText>(name);
    text.SetParent(&detail);
    text.SetAutoSize(autoSize);
    text.SetDataSet(&items);
    text.SetDataField(field);
    text.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
    text.Size().SetNativeValue(TQRPrintableSize::iTop, top);
    text.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
    text.Size().SetNativeValue(TQRPrintableSize::iHeight, 45);
    return text;
}

std::vector<PageText> ControlsFixture::Run() {
    table.First();
    report.Prepare();
    return PageTexts(*report.QRPrinter());
}

int Px(double tenths) {
    return RoundHalfEven(tenths * 96.0 / 254.0);
}

std::vector<PageText> OnPage(const std::vector<PageText>& texts, int page) {
    std::vector<PageText> result;
    for (const PageText& text : texts)
        if (text.page == page) result.push_back(text);
    return result;
}

} // namespace quorvel::testing
