#pragma once

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

namespace quorvel {

// The one writer of every binary format, beside ByteReader: appends little- and big-endian integers,
// floats, padding and raw bytes to a byte array, and overwrites a field written before (a size or an
// offset known only once what follows it is written). Metafiles, saved-report headers and records,
// and font subsets are written through it, so that a byte order or size mistake is mended once.
//
// A page picture is tens of thousands of small fields, so each one is stored straight into room the
// array already has; the array doubles when it runs out.
class ByteWriter {
public:
    ByteWriter() = default;
    // Starts with `written` as the bytes written so far (to patch fields of a copied table).
    explicit ByteWriter(QByteArray written)
        : bytes_(std::move(written))
        , data_(bytes_.data())
        , size_(bytes_.size()) {}

    void U8(std::uint8_t value) { *Room(1) = char(value); }
    void U16LE(std::uint16_t value) { Little(Room(2), value); }
    void I16LE(std::int16_t value) { U16LE(std::uint16_t(value)); }
    void U32LE(std::uint32_t value) { Little(Room(4), value); }
    void I32LE(std::int32_t value) { U32LE(std::uint32_t(value)); }
    void U64LE(std::uint64_t value) { Little(Room(8), value); }
    void I64LE(std::int64_t value) { U64LE(std::uint64_t(value)); }
    void F32LE(float value) { U32LE(std::bit_cast<std::uint32_t>(value)); }
    void F64LE(double value) { U64LE(std::bit_cast<std::uint64_t>(value)); }
    void U16BE(std::uint16_t value) { Big(Room(2), value); }
    void I16BE(std::int16_t value) { U16BE(std::uint16_t(value)); }
    void U32BE(std::uint32_t value) { Big(Room(4), value); }

    void Bytes(std::string_view bytes) {
        if (!bytes.empty()) std::memcpy(Room(qsizetype(bytes.size())), bytes.data(), bytes.size());
    }
    void Bytes(const QByteArray& bytes) {
        Bytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }
    void Fill(qsizetype count, char byte) {
        if (count > 0) std::memset(Room(count), byte, std::size_t(count));
    }
    void Zeros(qsizetype count) { Fill(count, '\0'); }
    // Zeros up to the next multiple of `alignment` bytes from the start.
    void PadTo(qsizetype alignment) { Zeros((alignment - size_ % alignment) % alignment); }

    // Overwrite bytes written before, at `offset` from the start.
    void PutU8(qsizetype offset, std::uint8_t value) { *At(offset, 1) = char(value); }
    void PutU16LE(qsizetype offset, std::uint16_t value) { Little(At(offset, 2), value); }
    void PutU32LE(qsizetype offset, std::uint32_t value) { Little(At(offset, 4), value); }
    void PutI32LE(qsizetype offset, std::int32_t value) { PutU32LE(offset, std::uint32_t(value)); }
    void PutU16BE(qsizetype offset, std::uint16_t value) { Big(At(offset, 2), value); }
    void PutU32BE(qsizetype offset, std::uint32_t value) { Big(At(offset, 4), value); }

    qsizetype Size() const noexcept { return size_; }
    void Reserve(qsizetype bytes) {
        if (bytes > bytes_.size()) Resize(bytes);
    }
    // The bytes written so far, valid until the next write.
    std::string_view View() const noexcept { return {data_, std::size_t(size_)}; }
    // The bytes written so far; the writer starts empty again.
    QByteArray Take() {
        bytes_.resize(size_);
        QByteArray out = std::move(bytes_);
        bytes_ = QByteArray();
        data_ = nullptr;
        size_ = 0;
        return out;
    }

private:
    template <class T> static void Little(char* at, T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i)
            at[i] = char(value >> (8 * i) & 0xFF);
    }
    template <class T> static void Big(char* at, T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i)
            at[sizeof(T) - 1 - i] = char(value >> (8 * i) & 0xFF);
    }
    char* Room(qsizetype count) {
        if (bytes_.size() - size_ < count)
            Resize(std::max({qsizetype(256), 2 * bytes_.size(), size_ + count}));
        char* at = data_ + size_;
        size_ += count;
        return at;
    }
    // Only bytes already written can be overwritten.
    char* At(qsizetype offset, qsizetype count) {
        Q_ASSERT(offset >= 0 && count <= size_ - offset);
        return data_ + offset;
    }
    void Resize(qsizetype capacity) {
        bytes_.resize(capacity);
        data_ = bytes_.data();
    }

    QByteArray bytes_; // sized to the room taken so far; the first size_ bytes are written
    char* data_ = nullptr;
    qsizetype size_ = 0;
};

} // namespace quorvel
