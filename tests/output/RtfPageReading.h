#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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

// Twips in millimetres.
double TwipsToMillimetres(int twips);

// The page of the document's standard page style in a flat office text document (what
// `soffice --convert-to fodt` writes), in millimetres, or an error text.
struct OfficePage {
    double Width = 0;
    double Height = 0;
    double Left = 0;
    double Right = 0;
    double Top = 0;
    double Bottom = 0;
    QString Error;
};
OfficePage ReadOfficePage(const QString& fodtPath);

} // namespace quorvel::testing
