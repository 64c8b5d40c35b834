#pragma once

#include "report/Quickrpt.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>
#include <vector>

namespace quorvel::testing {

// A form holding one TQuickRep on an A4 portrait page with 10 mm margins, in millimetres.
struct ReportFixture {
    ReportFixture();

    // A TQRBand of that type, height in tenths of a millimetre, named and placed on the report.
    TQRBand& AddBand(TQRBandType type, const QString& name, double height = 100);
    template <class T> T& Add(const QString& name) {
        T& component = CreateComponent<T>(form);
        component.SetName(name);
        return component;
    }
    template <class T> T& AddBandOf(const QString& name, double height = 100) {
        T& band = Add<T>(name);
        band.SetParent(&report);
        band.Size().SetNativeValue(TQRBandSize::iHeight, height);
        return band;
    }
    // The names of the report's bands in band-list order.
    QStringList BandNames() const;

    TReportForm form;
    TQuickRep& report;
};

// A printable for engine tests: prints its lines one line height apart from its own top, each as a
// canvas text at the line's position. Lines that do not fit grow the band (one line at a time) when
// AutoStretch is set; what remains then continues on the next column or page.
class TTestText : public TQRPrintable {
public:
    explicit TTestText(TComponent* owner)
        : TQRPrintable(owner) {}
    std::string_view ClassName() const noexcept override { return "TTestText"; }

    QStringList Lines;
    // When set, gives the lines afresh at every printing that starts from the first line.
    std::function<QStringList()> Source;
    bool AutoStretch = false;
    double LineHeight = 50; // tenths of a millimetre

    void Print(int ofsX, int ofsY) override;
    int PrintProgress() const noexcept override { return next_; }

private:
    int next_ = 0;
};

// Places a TTestText with these lines on a band at (left, top), tenths of a millimetre.
TTestText& AddText(TQRCustomBand& band, const QStringList& lines, double left = 0, double top = 0,
                   double height = 50, double width = 500);

// One text of a page picture as the engine drew it.
struct PageText {
    int page;
    QString text;
    int x;
    int y;
    friend bool operator==(const PageText&, const PageText&) = default;
    friend void PrintTo(const PageText& t, std::ostream* out) {
        *out << "{page " << t.page << " \"" << t.text.toStdString() << "\" at " << t.x << "," << t.y << "}";
    }
};

// Every text of every stored page of a page store, in drawing order.
std::vector<PageText> PageTexts(TQRPrinter& pageStore);
// Only the texts.
QStringList Texts(const std::vector<PageText>& texts);

} // namespace quorvel::testing

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *out << '}';
}
