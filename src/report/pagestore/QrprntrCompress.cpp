#include "report/pagestore/QrprntrCompress.h"

#include "platform/Exceptions.h"
#include "report/pagestore/QrprntrStream.h"

#include <algorithm>

namespace quorvel {

namespace {
constexpr std::array<quint8, 8> BitMask = {1, 2, 4, 8, 16, 32, 64, 128};
constexpr qsizetype kIoBlockSize = 10240;
} // namespace

TQRCompress::TQRCompress(TQRStream& stream, TQRCompressMode mode, qint64 inputLimit)
    : stream_(stream)
    , mode_(mode)
    , inputLimit_(inputLimit) {
    InitializeSplay();
    bitPosition_ = mode == TQRCompressMode::Coding ? 0 : 7;
    if (mode == TQRCompressMode::Coding) io_.reserve(kIoBlockSize);
}

TQRCompress::~TQRCompress() {
    if (closed_) return;
    try {
        Close();
    } catch (const Exception&) {
        // A destructor cannot report; callers that need to know call Close themselves.
    }
}

void TQRCompress::InitializeSplay() {
    for (DownIndex i = 1; i <= 512; ++i)
        up_[i] = static_cast<UpIndex>((i - 1) / 2);
    for (DownIndex i = 0; i <= 255; ++i) {
        left_[i] = static_cast<DownIndex>(2 * i + 1);
        right_[i] = static_cast<DownIndex>(2 * i + 2);
    }
}

// Moves the leaf of c towards the root: each step swaps the subtree of a node's grandparent that
// does not hold it with the node itself, roughly halving the path of a frequent byte.
void TQRCompress::Splay(CodeType c) {
    DownIndex a = static_cast<DownIndex>(c + 256);
    do {
        const DownIndex p = up_[a];
        if (p != 0) {
            const UpIndex g = up_[p];
            DownIndex b = left_[g];
            if (b == p) {
                b = right_[g];
                right_[g] = a;
            } else {
                left_[g] = a;
            }
            if (left_[p] == a)
                left_[p] = b;
            else
                right_[p] = b;
            up_[a] = g;
            up_[b] = static_cast<UpIndex>(p);
            a = g;
        } else {
            a = p;
        }
    } while (a != 0);
}

void TQRCompress::PutByte(quint8 b) {
    io_.append(static_cast<char>(b));
    if (io_.size() >= kIoBlockSize) {
        stream_.Write(io_.constData(), io_.size());
        io_.clear();
    }
}

quint8 TQRCompress::GetByte() {
    if (ioPosition_ >= io_.size()) {
        const qint64 wanted = std::min<qint64>(kIoBlockSize, inputLimit_ - consumed_);
        io_.resize(static_cast<qsizetype>(std::max<qint64>(wanted, 0)));
        const qint64 n = wanted > 0 ? stream_.Read(io_.data(), wanted) : 0;
        if (n <= 0) throw EQRError(QStringLiteral("Compressed page data ends too early"));
        io_.resize(static_cast<qsizetype>(n));
        ioPosition_ = 0;
        consumed_ += n;
    }
    return static_cast<quint8>(io_[ioPosition_++]);
}

void TQRCompress::Compress(quint8 c) {
    // The path is found leaf to root and emitted root first.
    std::array<bool, 513> path;
    int length = 0;
    DownIndex a = static_cast<DownIndex>(c + 256);
    do {
        const UpIndex p = up_[a];
        path[length++] = right_[p] == a;
        a = p;
    } while (a != 0);
    while (length > 0) {
        if (path[--length]) buffer_ |= BitMask[bitPosition_];
        if (bitPosition_ == 7) {
            PutByte(buffer_);
            bitPosition_ = 0;
            buffer_ = 0;
        } else {
            ++bitPosition_;
        }
    }
    Splay(c);
}

quint8 TQRCompress::Expand() {
    DownIndex node = 0;
    while (node < 256) {
        if (bitPosition_ == 7) {
            buffer_ = GetByte();
            bitPosition_ = 0;
        } else {
            ++bitPosition_;
        }
        node = (buffer_ & BitMask[bitPosition_]) != 0 ? right_[node] : left_[node];
    }
    const auto c = static_cast<CodeType>(node - 256);
    Splay(c);
    return static_cast<quint8>(c);
}

void TQRCompress::Close() {
    if (closed_) return;
    closed_ = true;
    if (mode_ == TQRCompressMode::Coding) {
        if (bitPosition_ != 0) io_.append(static_cast<char>(buffer_));
        if (!io_.isEmpty()) stream_.Write(io_.constData(), io_.size());
        io_.clear();
    } else if (ioPosition_ < io_.size()) {
        stream_.Seek(-(io_.size() - ioPosition_), TSeekOrigin::soCurrent);
    }
}

} // namespace quorvel
