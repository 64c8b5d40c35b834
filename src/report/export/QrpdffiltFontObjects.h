#pragma once

#include "report/export/Qrpdffilt.h"
#include "report/export/QrpdffiltFontFile.h"

#include <QByteArray>
#include <QRawFont>

#include <string>

namespace quorvel {

struct TQRPDFDocumentFilter::LoadedFontFile {
    TTrueTypeMetrics Metrics;
    // The file loaded for the widths and for finding the glyphs of the codes shown.
    QRawFont Raw;
};

struct TQRPDFDocumentFilter::FontObjects {
    // The font file read for this font (shared by the fonts of one file); null in the Type 1
    // substitution mode.
    const LoadedFontFile* File = nullptr;
    // The font program written into the document; empty when the font is not embedded.
    QByteArray Embedded;
    // The subset's tag and "+", or empty when the whole file or nothing is embedded.
    std::string SubsetPrefix;

    // The font dictionary, its descriptor, and for an embedded font its program and the program's
    // length; a substituted standard font is one dictionary.
    int ObjectCount(TFontHandling mode) const {
        if (mode == TFontHandling::fhSubstitute) return 1;
        return Embedded.isEmpty() ? 2 : 4;
    }
};

} // namespace quorvel
