#pragma once

#include "report/support/ReportTestSupport.h"

#include "report/controls/Qrctrls.h"
#include "store/StoreTable.h"

#include <QString>
#include <QStringList>

#include <ostream>
#include <vector>

// Layout texts in failure messages as text.
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '\n' << bytes.toStdString();
}

namespace quorvel::testing {

// A report over a store table of items (numitem, descr, valor with display format ",0.00", obs as
// a memo, quando as a date-time) with a detail band of 7 mm. Controls are placed on the detail band
// by tests; lengths are tenths of a millimetre.
struct ControlsFixture : ReportFixture {
    ControlsFixture();

    void AddItem(int number, const QString& description, double value);
    // A control of class T on a band at (left, top) with the given size.
    template <class T>
    T& Place(TQRCustomBand& band, const QString& name, double left, double top, double width, double height) {
        T& control = Add<T>(name);
        control.SetParent(&band);
        control.Size().SetNativeValue(TQRPrintableSize::iLeft, left);
        control.Size().SetNativeValue(TQRPrintableSize::iTop, top);
        control.Size().SetNativeValue(TQRPrintableSize::iWidth, width);
        control.Size().SetNativeValue(TQRPrintableSize::iHeight, height);
        return control;
    }
    // A field text on the detail band; its box is set after the field, so auto size starts from it.
    TQRDBText& FieldText(const QString& name, const QString& field, double left, double top, double width,
                         bool autoSize = true);
    // Generates the report into a page store and returns every text of every page.
    std::vector<PageText> Run();

    TStoreTable table;
    TDataSetComponent& items;
    TQRBand& detail;
};

// Pixels at 96 pixels per inch of a length in tenths of a millimetre, as the page store rounds.
int Px(double tenths);

// The texts of one page.
std::vector<PageText> OnPage(const std::vector<PageText>& texts, int page);

} // namespace quorvel::testing
