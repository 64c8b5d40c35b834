#include "report/pagestore/QrprntrPaper.h"

#include "platform/Rounding.h"

namespace quorvel {

const std::array<TQRPaperMetrics, kQRPaperSizeCount> cQRPaperSizeMetrics = {{
    {0.0, 0.0, "Default size"},
    {215.9, 279.4, "Letter 8 1/2 x 11 in"},
    {215.9, 279.4, "Letter Small 8 1/2 x 11 in"},
    {279.4, 431.8, "Tabloid 11 x 17 in"},
    {431.8, 279.4, "Ledger 17 x 11 in"},
    {215.9, 355.6, "Legal 8 1/2 x 14 in"},
    {139.7, 215.9, "Statement 5 1/2 x 8 1/2 in"},
    {190.5, 254.0, "Executive 7 1/2 x 10 in"},
    {297.0, 420.0, "A3 297 x 420 mm"},
    {210.0, 297.0, "A4 210 x 297 mm"},
    {210.0, 297.0, "A4 Small 210 x 297 mm"},
    {148.0, 210.0, "A5 148 x 210 mm"},
    {250.0, 354.0, "B4 250 x 354 mm"},
    {182.0, 257.0, "B5 182 x 257 mm"},
    {215.9, 330.2, "Folio 8 1/2 x 13 in"},
    {215.0, 275.0, "Quarto 215 x 275 mm"},
    {254.0, 355.6, "10 x 14 in"},
    {279.4, 431.8, "11 x 17 in"},
    {215.9, 279.4, "Note 8 1/2 x 11 in"},
    {98.43, 225.4, "Envelope #9 3 7/8 x 8 7/8"},
    {104.8, 241.3, "Envelope #10 4 1/8 x 9 1/2"},
    {114.3, 263.5, "Envelope #11 4 1/2 x 10 3/8"},
    {120.7, 279.4, "Envelope #12 4 3/4 x 11"},
    {127.0, 292.1, "Envelope #14 5 x 11 1/2"},
    {431.8, 558.8, "C sheet 17 x 22 in"},
    {558.8, 863.6, "D sheet 22 x 34 in"},
    {863.6, 1117.6, "E sheet 34 x 44 in"},
    {110.0, 220.0, "Envelope DL 110 x 220 mm"},
    {162.0, 229.0, "Envelope C5 162 x 229 mm"},
    {324.0, 458.0, "Envelope C3 324 x 458 mm"},
    {229.0, 324.0, "Envelope C4 229 x 324 mm"},
    {114.0, 162.0, "Envelope C6 114 x 162 mm"},
    {114.0, 229.0, "Envelope C65 114 x 229 mm"},
    {250.0, 353.0, "Envelope B4 (JIS) 250 x 353 mm"},
    {176.0, 250.0, "Envelope B5 (JIS) 176 x 250 mm"},
    {176.0, 125.0, "Envelope B6 176 x 125 mm"},
    {110.0, 230.0, "Envelope 110 x 230 mm"},
    {98.43, 190.5, "Envelope Monarch 3.875 x 7.5 in"},
    {92.01, 165.1, "6 3/4 Envelope 3 5/8 x 6 1/2 in"},
    {377.8, 279.4, "US Std Fanfold 14 7/8 x 11 in"},
    {215.9, 304.8, "German Std Fanfold 8 1/2 x 12 in"},
    {215.9, 330.2, "German Legal Fanfold 8 1/2 x 13 in"},
    {250.0, 353.0, "B4 (ISO) 250 x 353 mm"},
    {100.0, 148.0, "Japanese Postcard 100 x 148 mm"},
    {228.6, 279.4, "9 x 11 in"},
    {254.0, 279.4, "10 x 11 in"},
    {381.0, 279.4, "15 x 11 in"},
    {220.0, 220.0, "Envelope Invite 220 x 220 mm"},
    {100.0, 100.0, "RESERVED--DO NOT USE"},
    {100.0, 100.0, "RESERVED--DO NOT USE"},
    {241.3, 304.8, "Letter Extra 9 1/2 x 12 in"},
    {241.3, 381.0, "Legal Extra 9 1/2 x 15 in"},
    {296.9, 457.2, "Tabloid Extra 11.69 x 18 in"},
    {236.0, 322.0, "A4 Extra 236 x 322 mm"},
    {279.4, 215.9, "Letter Transverse 11 x 8 1/2 in"},
    {297.0, 210.0, "A4 Transverse 297 z 210 mm"},
    {304.8, 241.3, "Letter Extra Transverse 12 x 9 1/2 in"},
    {227.0, 356.0, "SuperASuperAA4 227 x 356 mm"},
    {305.0, 487.0, "SuperBSuperBA3 305 x 487 mm"},
    {215.9, 322.3, "Letter Plus 8.5 x 12.69 in"},
    {210.0, 330.0, "A4 Plus 210 x 330 mm"},
    {210.0, 148.0, "A5 Transverse 210 x 148 mm"},
    {257.0, 182.0, "B5 (JIS) Transverse 257 x 182 mm"},
    {322.0, 445.0, "A3 Extra 322 x 445 mm"},
    {174.0, 235.0, "A5 Extra 174 x 235 mm"},
    {201.0, 276.0, "B5 (ISO) Extra 201 x 276 mm"},
    {420.0, 594.0, "A2 420 x 594 mm"},
    {420.0, 297.0, "A3 Transverse 420 z 297 mm"},
    {445.0, 322.0, "A3 Extra Transverse 445 z 322 mm"},
    {0.0, 0.0, "Custom Size"},
}};

namespace {

constexpr int CustomPaperCode = 256;

const TQRPaperMetrics& Metrics(TQRPaperSize size) noexcept {
    return cQRPaperSizeMetrics[static_cast<std::size_t>(Ordinal(size))];
}

} // namespace

int QRPaperTranslate(TQRPaperSize size) noexcept {
    return size == TQRPaperSize::Custom ? CustomPaperCode : Ordinal(size);
}

TQRPaperSize QRPaperFromCode(int code) noexcept {
    if (code == CustomPaperCode) return TQRPaperSize::Custom;
    if (code > 0 && code < Ordinal(TQRPaperSize::Custom)) return static_cast<TQRPaperSize>(code);
    return TQRPaperSize::Default;
}

QString QRPaperName(TQRPaperSize size) {
    return QString::fromLatin1(Metrics(size).Name);
}

int QRPaperTableWidth(TQRPaperSize size) noexcept {
    return RoundHalfEven(Metrics(size).Width * 10.0);
}

int QRPaperTableLength(TQRPaperSize size) noexcept {
    return RoundHalfEven(Metrics(size).Length * 10.0);
}

TQRPaperSize PaperSizeFromOrdinal(int ordinal) noexcept {
    if (ordinal < 0 || ordinal >= kQRPaperSizeCount) return TQRPaperSize::Default;
    return static_cast<TQRPaperSize>(ordinal);
}

} // namespace quorvel
