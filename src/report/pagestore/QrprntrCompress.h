#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <limits>

namespace quorvel {

class TQRStream;

enum class TQRCompressMode { Coding, Decoding };

// Adaptive splay-tree (splay-prefix) byte coder for page bodies. Every byte is coded by the path
// from the root of a binary tree to its leaf, and the tree is splayed after each byte, so coder and
// decoder stay in step by making the same changes. Bits fill each output byte from its least
// significant end. The coder works at the stream's position; it buffers its bytes and hands them
// over in Close (or the destructor), which also writes a partly filled last byte.
class TQRCompress {
public:
    using CodeType = quint16;  // 0..256: a byte value, or 256 + byte for its leaf
    using UpIndex = quint8;    // 0..255: an inner node
    using DownIndex = quint16; // 0..512: any node

    static constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();

    // In decoding direction the coder takes at most inputLimit bytes from the stream; needing more
    // raises EQRError (a damaged page body).
    TQRCompress(TQRStream& stream, TQRCompressMode mode, qint64 inputLimit = kUnlimited);
    ~TQRCompress();

    TQRCompress(const TQRCompress&) = delete;
    TQRCompress& operator=(const TQRCompress&) = delete;

    void Compress(quint8 c);
    quint8 Expand();

    // Coding: writes the buffered bytes and the partly filled last byte (its free high bits 0).
    // Decoding: gives the bytes read ahead but not used back to the stream. Called once, before the
    // stream is used again; the destructor calls it when the owner did not.
    void Close();

private:
    void InitializeSplay();
    void Splay(CodeType c);
    void PutByte(quint8 b);
    quint8 GetByte();

    TQRStream& stream_;
    TQRCompressMode mode_;
    qint64 inputLimit_;
    qint64 consumed_ = 0;
    bool closed_ = false;

    int bitPosition_ = 0;
    quint8 buffer_ = 0;

    QByteArray io_; // coding: bytes waiting to be written; decoding: bytes read ahead
    qsizetype ioPosition_ = 0;

    std::array<UpIndex, 513> up_{};
    std::array<DownIndex, 256> left_{};
    std::array<DownIndex, 256> right_{};
};

} // namespace quorvel
