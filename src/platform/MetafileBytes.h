#pragma once

#include "platform/MetafileFormat.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

// Little-endian output shared by the metafile writer and the conversion to the older format.
namespace quorvel::emf {

// A byte array written a field at a time. A page picture is tens of thousands of small fields, so
// each one is stored straight into room the array already has; the array doubles when it runs out.
class ByteOutput {
public:
    void U8(std::uint8_t value) { *Room(1) = char(value); }
    void U16(std::uint16_t value) {
        char* at = Room(2);
        at[0] = char(value & 0xFF);
        at[1] = char(value >> 8);
    }
    void U32(std::uint32_t value) { Store32(Room(4), value); }
    void I32(std::int32_t value) { U32(std::uint32_t(value)); }
    void F32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        U32(bits);
    }
    void Rect(const RectL& r) {
        I32(r.left);
        I32(r.top);
        I32(r.right);
        I32(r.bottom);
    }
    void Size(const SizeL& s) {
        I32(s.cx);
        I32(s.cy);
    }
    void Bytes(std::string_view bytes) {
        if (!bytes.empty()) std::memcpy(Room(qsizetype(bytes.size())), bytes.data(), bytes.size());
    }
    void Bytes(const QByteArray& bytes) {
        Bytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }
    void Zeros(qsizetype count) {
        if (count > 0) std::memset(Room(count), 0, std::size_t(count));
    }
    void PadTo4() { Zeros((4 - size_ % 4) % 4); }
    // Overwrites four bytes written before (a size known only once a record is complete).
    void PutU32(qsizetype offset, std::uint32_t value) { Store32(data_ + offset, value); }

    qsizetype Size() const noexcept { return size_; }
    void Reserve(qsizetype bytes) {
        if (bytes > bytes_.size()) Resize(bytes);
    }
    // The bytes written so far; the output starts empty again.
    QByteArray Take() {
        bytes_.resize(size_);
        QByteArray out = std::move(bytes_);
        bytes_ = QByteArray();
        data_ = nullptr;
        size_ = 0;
        return out;
    }

private:
    static void Store32(char* at, std::uint32_t value) {
        at[0] = char(value & 0xFF);
        at[1] = char(value >> 8 & 0xFF);
        at[2] = char(value >> 16 & 0xFF);
        at[3] = char(value >> 24);
    }
    char* Room(qsizetype count) {
        if (bytes_.size() - size_ < count)
            Resize(std::max({qsizetype(256), 2 * bytes_.size(), size_ + count}));
        char* at = data_ + size_;
        size_ += count;
        return at;
    }
    void Resize(qsizetype capacity) {
        bytes_.resize(capacity);
        data_ = bytes_.data();
    }

    QByteArray bytes_; // sized to the room taken so far; the first size_ bytes are written
    char* data_ = nullptr;
    qsizetype size_ = 0;
};

inline constexpr std::uint32_t Align4(std::uint32_t n) noexcept {
    return (n + 3) & ~3u;
}

} // namespace quorvel::emf
