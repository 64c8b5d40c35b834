#pragma once

#include "platform/Printer.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quorvel {
class TQRPage;
}

namespace quorvel::testing {

// The page of an RTF document as its document-level control words give it, in twips: read by a
// small tokenizer of groups, control words and their numeric parameters, so that the values are
// checked, not the bytes around them. A value the document does not give stays empty.
struct RtfPage {
    std::optional<int> PaperWidth;  // \paperw
    std::optional<int> PaperHeight; // \paperh
    std::optional<int> Left;        // \margl
    std::optional<int> Right;       // \margr
    std::optional<int> Top;         // \margt
    std::optional<int> Bottom;      // \margb
    bool Landscape = false;         // \landscape
};
RtfPage ReadRtfPage(const QByteArray& rtf);

// A page's size and margins in millimetres.
struct PageLengths {
    double Width = 0;
    double Height = 0;
    double Left = 0;
    double Right = 0;
    double Top = 0;
    double Bottom = 0;
};

// The lengths of a page as read, or an error text when they could not be read.
struct PageReading {
    PageLengths Lengths;
    QString Error;
};

// The RTF page in millimetres; an error names the values the document does not give.
PageReading InMillimetres(const RtfPage& page);

// The page of the document's standard page style in a flat office text document (what
// `soffice --convert-to fodt` writes).
PageReading ReadOfficePage(const QString& fodtPath);

// A report page to export, and the page it must read back as.
struct PageCase {
    const char* Name;
    TPrinterOrientation Orientation;
    PageLengths Expected; // millimetres
    // Sets the report page's orientation (the paper follows it) and its margins.
    void ApplyTo(TQRPage& page) const;
};

// Expects every length read within `tolerance` millimetres of the case's.
void ExpectPage(const PageCase& expected, const PageReading& read, double tolerance);

} // namespace quorvel::testing
