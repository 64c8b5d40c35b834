#pragma once

#include "platform/Metafile.h"

#include <QByteArray>
#include <QtEndian>

namespace quorvel::testing {

// An A4 page picture recorded through the canvas: a title naming the page, a few lines of text and
// a number of frames that grows with the page number, so pages differ in content and in length.
TMetafile RecordPage(int page);
// Its serialisation, recorded once per page number.
QByteArray PageBody(int page);

// A dense page: 200 lines of text and 50 rectangles.
TMetafile RecordDensePage();

inline qint32 Int32At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

inline void PutInt32(QByteArray& bytes, qsizetype offset, qint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
}

} // namespace quorvel::testing
