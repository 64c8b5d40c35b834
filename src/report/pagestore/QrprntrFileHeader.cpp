#include "report/pagestore/QrprntrFileHeader.h"

#include "platform/ByteReader.h"
#include "platform/Exceptions.h"
#include "report/pagestore/QrprntrStream.h"

#include <QtEndian>

#include <array>
#include <cstring>

namespace quorvel {

namespace {

constexpr char kFillByte = 'H';

template <typename T> void Put(QByteArray& bytes, int offset, T value) {
    qToLittleEndian(value, bytes.data() + offset);
}

} // namespace

QByteArray TQRFileHeader::Encode() const {
    QByteArray bytes(kLength, '\0');
    Put<quint16>(bytes, 0, kSignature);
    Put<quint16>(bytes, 2, kSignatureSize);
    Put<qint32>(bytes, 8, PageCount);
    quint64 raw;
    std::memcpy(&raw, &DateTime, sizeof raw);
    Put<quint64>(bytes, 16, raw);
    bytes[25] = Compressed ? 1 : 0;
    std::memset(bytes.data() + 26, kFillByte, 100);
    return bytes;
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
