#pragma once

#include "platform/Exceptions.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace quorvel {

// A read that would pass the end of the bytes. Offset is where the read began, counted from the start
// of the outermost reader, so that messages and logs can say where a file is damaged.
class EByteRangeError : public Exception {
public:
    EByteRangeError(std::size_t offset, std::size_t wanted, std::size_t available);
    std::size_t Offset() const noexcept { return offset_; }

private:
    std::size_t offset_;
};

// A cursor over bytes that refuses to read past their end. Every binary reader of untrusted input
// (datapackets, pictures, saved reports, font tables) goes through it, so bounds are checked in one
// place. It refers to the bytes and never owns them.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) noexcept
        : bytes_(bytes) {}
    explicit ByteReader(std::string_view bytes) noexcept
        : bytes_(std::as_bytes(std::span(bytes.data(), bytes.size()))) {}
    explicit ByteReader(const QByteArray& bytes) noexcept
        : ByteReader(std::string_view(bytes.constData(), std::size_t(bytes.size()))) {}

    std::size_t Offset() const noexcept { return offset_; }
    std::size_t Size() const noexcept { return bytes_.size(); }
    std::size_t Remaining() const noexcept { return bytes_.size() - offset_; }
    bool AtEnd() const noexcept { return offset_ == bytes_.size(); }
    bool CanRead(std::size_t count) const noexcept { return count <= Remaining(); }

    void Seek(std::size_t offset) {
        if (offset > bytes_.size()) Fail(offset - std::min(offset, offset_)); // reads as a skip past the end
        offset_ = offset;
    }
    void Skip(std::size_t count) { offset_ += Take(count).size(); }

    std::uint8_t U8() { return std::to_integer<std::uint8_t>(Bytes(1)[0]); }
    std::int8_t I8() { return std::int8_t(U8()); }
    std::uint16_t U16LE() { return Little<std::uint16_t>(); }
    std::int16_t I16LE() { return std::int16_t(U16LE()); }
    std::uint32_t U32LE() { return Little<std::uint32_t>(); }
    std::int32_t I32LE() { return std::int32_t(U32LE()); }
    std::uint64_t U64LE() { return Little<std::uint64_t>(); }
    std::int64_t I64LE() { return std::int64_t(U64LE()); }
    float F32LE() { return std::bit_cast<float>(U32LE()); }
    double F64LE() { return std::bit_cast<double>(U64LE()); }
    std::uint16_t U16BE() { return Big<std::uint16_t>(); }
    std::int16_t I16BE() { return std::int16_t(U16BE()); }
    std::uint32_t U32BE() { return Big<std::uint32_t>(); }
    std::int32_t I32BE() { return std::int32_t(U32BE()); }

    // The next count bytes, as a view into the reader's bytes.
    std::span<const std::byte> Bytes(std::size_t count) {
        const auto view = Take(count);
        offset_ += count;
        return view;
    }
    std::string_view Chars(std::size_t count) {
        const auto view = Bytes(count);
        return {reinterpret_cast<const char*>(view.data()), view.size()};
    }

    // A reader over length bytes from offset (relative to this reader), with its own cursor at 0.
    // Errors inside it still report offsets from the start of the outermost reader.
    ByteReader Sub(std::size_t offset, std::size_t length) const {
        if (offset > bytes_.size() || length > bytes_.size() - offset) {
            const std::size_t start = std::min(offset, bytes_.size());
            throw EByteRangeError(base_ + start, length, bytes_.size() - start);
        }
        ByteReader sub(bytes_.subspan(offset, length));
        sub.base_ = base_ + offset;
        return sub;
    }

private:
    std::span<const std::byte> Take(std::size_t count) const {
        if (!CanRead(count)) Fail(count);
        return bytes_.subspan(offset_, count);
    }
    [[noreturn]] void Fail(std::size_t wanted) const {
        throw EByteRangeError(base_ + offset_, wanted, Remaining());
    }
    template <class T> T Little() {
        const auto view = Bytes(sizeof(T));
        T value = 0;
        for (std::size_t i = sizeof(T); i-- > 0;)
            value = T(value << 8 | std::to_integer<T>(view[i]));
        return value;
    }
    template <class T> T Big() {
        const auto view = Bytes(sizeof(T));
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            value = T(value << 8 | std::to_integer<T>(view[i]));
        return value;
    }

    std::span<const std::byte> bytes_;
    std::size_t offset_ = 0;
    std::size_t base_ = 0;
};

} // namespace quorvel
