#include "report/pagestore/QrprntrFileHeader.h"

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"
#include "platform/Exceptions.h"
#include "report/pagestore/QrprntrStream.h"

#include <array>
#include <cstring>

namespace quorvel {

namespace {

constexpr char kFillByte = 'H';

} // namespace

QByteArray TQRFileHeader::Encode() const {
    ByteWriter out;
    out.Reserve(kLength);
    out.U16LE(kSignature);
    out.U16LE(kSignatureSize);
    out.Zeros(4);
    out.I32LE(PageCount);
    out.Zeros(4);
    out.F64LE(DateTime);
    out.Zeros(1);
    out.U8(Compressed ? 1 : 0);
    out.Fill(100, kFillByte);
    out.Zeros(kLength - out.Size());
    return out.Take();
}

TQRFileHeader TQRFileHeader::Decode(QByteArrayView bytes) {
    ByteReader in(std::string_view(bytes.data(), std::size_t(bytes.size())));
    if (bytes.size() < 96 || in.U16LE() != kSignature || in.U16LE() != kSignatureSize)
        throw EQRError(QStringLiteral("Not a saved report file"));
    TQRFileHeader header;
    in.Seek(8);
    header.PageCount = in.I32LE();
    // The packed form has no padding before the date and the compression flag.
    const bool packed = bytes.size() == kPackedLength;
    in.Seek(packed ? 12 : 16);
    header.DateTime = in.F64LE();
    in.Seek(packed ? 21 : 25);
    header.Compressed = in.U8() != 0;
    if (header.PageCount < 0)
        throw EQRError(QStringLiteral("Saved report file is damaged: negative page count"));
    return header;
}

double ToReportDateTime(const QDateTime& local) {
    static const QDate epoch(1899, 12, 30);
    return static_cast<double>(epoch.daysTo(local.date())) + local.time().msecsSinceStartOfDay() / 86400000.0;
}

int ProbeHeaderLength(TQRStream& stream) {
    struct Probe {
        qint64 Offset;
        int HeaderLength;
    };
    static constexpr std::array<Probe, 4> probes = {{{173, 124}, {169, 128}, {145, 96}, {177, 128}}};
    TQRStreamLock lock(stream);
    const qint64 saved = stream.Position();
    int length = TQRFileHeader::kLength;
    for (const Probe& probe : probes) {
        char text[5] = {};
        stream.Seek(probe.Offset, TSeekOrigin::soBeginning);
        if (stream.Read(text, 4) == 4 && std::strcmp(text, "EMF") == 0) {
            length = probe.HeaderLength;
            break;
        }
    }
    stream.Seek(saved, TSeekOrigin::soBeginning);
    return length;
}

} // namespace quorvel
