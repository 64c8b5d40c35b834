#pragma once

#include <QByteArray>
#include <QtEndian>

#include <random>

namespace quorvel::testing {

// A minimal enhanced-metafile serialisation: a header record (signature " EMF" at 40, total size at
// 48), a comment record carrying payload bytes that tell the pages apart, and the end-of-file record.
inline QByteArray MakeEmfBody(int tag, int payloadLength = 64) {
    const int padded = (payloadLength + 3) / 4 * 4;
    const int commentSize = 12 + padded;
    const int total = 88 + commentSize + 20;
    QByteArray b(total, '\0');
    auto put = [&b](int offset, quint32 v) { qToLittleEndian(v, b.data() + offset); };
    put(0, 1);
    put(4, 88);
    put(16, 793); // bounds right, bottom
    put(20, 1122);
    put(32, 21000); // frame in 0.01 mm
    put(36, 29700);
    put(40, 0x464D4520); // " EMF"
    put(44, 0x10000);
    put(48, static_cast<quint32>(total));
    put(52, 3);
    put(72, 794);
    put(76, 1123);
    put(80, 210);
    put(84, 297);
    put(88, 70); // comment
    put(92, static_cast<quint32>(commentSize));
    put(96, static_cast<quint32>(padded));
    std::mt19937 random(static_cast<unsigned>(tag));
    for (int i = 0; i < padded; ++i)
        b[100 + i] = static_cast<char>(random() & 0x3F);
    put(100, static_cast<quint32>(tag));
    const int eof = 88 + commentSize;
    put(eof, 14);
    put(eof + 4, 20);
    put(eof + 12, 16);
    put(eof + 16, 20);
    return b;
}

inline qint32 Int32At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

inline void PutInt32(QByteArray& bytes, qsizetype offset, qint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
}

} // namespace quorvel::testing
