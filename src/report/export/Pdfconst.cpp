#include "report/export/Pdfconst.h"

#include "platform/CodePage.h"

#include <QStringDecoder>

#include <algorithm>

namespace quorvel {

const char* const BaseFamilies[5] = {"Courier", "Helvetica", "Times", "Symbol", "ZapfDingbats"};

const char* GlyphNameOf(char16_t unicode) {
    const TUniGlyph* end = UniGlyphs + UniGlyphCount;
    const TUniGlyph* found = std::lower_bound(UniGlyphs, end, unicode,
                                              [](const TUniGlyph& g, char16_t u) { return g.Unicode < u; });
    return found != end && found->Unicode == unicode ? found->Name : nullptr;
}

int CodePageOfCharset(int charset) {
    switch (charset) {
    case 128:
        return 932;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437; // the OEM code page of a western system
    default:
        return 1252;
    }
}

std::optional<std::array<char16_t, 256>> CodePageToUnicode(int codePage) {
    std::array<char16_t, 256> table{};
    if (codePage == 1252) {
        for (int b = 0; b < 256; ++b)
            table[static_cast<std::size_t>(b)] = Cp1252ToUnicode(static_cast<unsigned char>(b));
        return table;
    }
    // Multi-byte code pages (932, 936, 950) have no one-byte table: their conversion fails.
    if (codePage >= 932 && codePage <= 950) return std::nullopt;
    const QByteArray name =
        codePage == 437 ? QByteArray("IBM437") : QByteArray("windows-") + QByteArray::number(codePage);
    for (int b = 0; b < 256; ++b) {
        QStringDecoder decoder(name.constData());
        if (!decoder.isValid()) return std::nullopt;
        const char byte = static_cast<char>(b);
        const QString text = decoder(QByteArrayView(&byte, 1));
        if (decoder.hasError() || text.size() != 1)
            table[static_cast<std::size_t>(b)] = 0;
        else
            table[static_cast<std::size_t>(b)] = text.at(0).unicode();
    }
    return table;
}

} // namespace quorvel
