#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

namespace quorvel {

class TQRStream;

// The header of a saved-report file, in the 128-byte layout (little-endian):
//   0 u16 3 | 2 u16 40 | 4 reserved | 8 i32 page count | 12 reserved | 16 f64 local date and time
//   (days since 30 December 1899) | 24 reserved | 25 u8 1 coded, 0 plain | 26 100 × "H" | 126 reserved
// Page records follow it, the first at offset 128.
struct TQRFileHeader {
    static constexpr int kLength = 128;
    static constexpr int kPackedLength = 124; // the same fields without alignment gaps
    static constexpr quint16 kSignature = 3;
    static constexpr quint16 kSignatureSize = 40;

    qint32 PageCount = 0;
    double DateTime = 0;
    bool Compressed = false;

    QByteArray Encode() const;
    // Reads a header of the given length (128, 124 or 96 bytes); raises EQRError when the bytes
    // are not a saved-report header.
    static TQRFileHeader Decode(QByteArrayView bytes);
};

// Days since 30 December 1899 with the time of day as the fraction.
double ToReportDateTime(const QDateTime& local);

// Finds the header length of a saved report by looking for the page picture's signature where the
// first page body puts it after each known header layout: 124 bytes when found at 173, else 128 at
// 169, else 96 at 145, else 128 at 177; 128 when found nowhere (also for coded pages). The stream's
// position is restored.
int ProbeHeaderLength(TQRStream& stream);

} // namespace quorvel
