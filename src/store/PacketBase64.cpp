#include "store/PacketBase64.h"

#include <array>

namespace quorvel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> MakeDecodeTable() {
    std::array<signed char, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int i = 0; i < 64; ++i)
        t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    return t;
}
constexpr auto kDecode = MakeDecodeTable();

} // namespace

void AppendBase64(std::string& out, std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out.push_back(kAlphabet[v >> 18]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(kAlphabet[(v >> 6) & 63]);
        out.push_back(kAlphabet[v & 63]);
    }
    if (n - i == 1) {
        const unsigned v = p[i] << 16;
        out.push_back(kAlphabet[v >> 18]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out += "==";
    } else if (n - i == 2) {
        const unsigned v = (p[i] << 16) | (p[i + 1] << 8);
        out.push_back(kAlphabet[v >> 18]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(kAlphabet[(v >> 6) & 63]);
        out.push_back('=');
    }
}

std::string DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    unsigned acc = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') break;
        const int v = kDecode[static_cast<unsigned char>(c)];
        if (v < 0) continue;
        acc = (acc << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    return out;
}

} // namespace quorvel
