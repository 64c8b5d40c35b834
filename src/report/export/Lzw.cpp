#include "report/export/Lzw.h"

#include <cstdint>
#include <unordered_map>

namespace quorvel {

namespace {

constexpr int kClearTable = 256;
constexpr int kEndOfData = 257;
constexpr int kFirstCode = 258;
constexpr int kMaxCode = 4095;

class BitWriter {
public:
    explicit BitWriter(std::string& out)
        : out_(out) {}
    void Put(int code, int width) {
        buffer_ = buffer_ << width | static_cast<std::uint32_t>(code);
        bits_ += width;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_ += static_cast<char>(buffer_ >> bits_ & 0xFF);
        }
        buffer_ &= (1u << bits_) - 1;
    }
    void Flush() {
        if (bits_ > 0) out_ += static_cast<char>(buffer_ << (8 - bits_) & 0xFF);
        bits_ = 0;
        buffer_ = 0;
    }

private:
    std::string& out_;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

} // namespace

std::string LZWEncode(std::span<const unsigned char> data) {
    std::string out;
    out.reserve(data.size() / 2 + 16);
    BitWriter bits(out);
    // A table entry is a known string extended by one byte: key = prefix code × 256 + byte.
    std::unordered_map<std::uint32_t, int> table;
    table.reserve(4096);
    int next = kFirstCode;
    int width = 9;
    bits.Put(kClearTable, width);
    int prefix = -1;
    for (unsigned char byte : data) {
        if (prefix < 0) {
            prefix = byte;
            continue;
        }
        const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | byte;
        if (const auto found = table.find(key); found != table.end()) {
            prefix = found->second;
            continue;
        }
        bits.Put(prefix, width);
        if (next <= kMaxCode) {
            table.emplace(key, next++);
            // Early change: the reader widens one code early, as soon as it has assigned 2^width − 1.
            if (next - 1 == (1 << width) - 1 && width < 12) ++width;
        }
        if (next > kMaxCode) {
            bits.Put(kClearTable, width);
            table.clear();
            next = kFirstCode;
            width = 9;
        }
        prefix = byte;
    }
    if (prefix >= 0) bits.Put(prefix, width);
    bits.Put(kEndOfData, width);
    bits.Flush();
    return out;
}

std::string ASCII85Encode(std::span<const unsigned char> data) {
    std::string out;
    out.reserve(data.size() * 5 / 4 + data.size() / 200 * 2 + 8);
    int count = 0;
    auto put = [&](const char* chars, int n) {
        out.append(chars, static_cast<std::size_t>(n));
        count += n;
        if (count > 200) {
            out += "\r\n";
            count = 0;
        }
    };
    std::size_t at = 0;
    while (at < data.size()) {
        const std::size_t n = std::min<std::size_t>(4, data.size() - at);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i)
            group = group << 8 | (i < n ? data[at + i] : 0u);
        at += n;
        if (n == 4 && group == 0) {
            put("z", 1);
            continue;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = static_cast<char>('!' + group % 85);
            group /= 85;
        }
        put(digits, static_cast<int>(n) + 1);
    }
    out += "~>";
    return out;
}

} // namespace quorvel
