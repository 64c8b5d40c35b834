#include "CodePage.h"
#include "platform/Utf8.h"

#include <array>

namespace quorvel {
namespace {

// 0x80..0x9F; zero marks the bytes the code page leaves undefined (they map to themselves).
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

} // namespace

char16_t Cp1252ToUnicode(unsigned char byte) noexcept {
    if (byte >= 0x80 && byte <= 0x9F) {
        const char16_t mapped = kHighControls[byte - 0x80];
        return mapped != 0 ? mapped : byte;
    }
    return byte;
}

char UnicodeToCp1252(char32_t ch) noexcept {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<char>(ch);
    for (unsigned i = 0; i < kHighControls.size(); ++i) {
        const char16_t mapped = kHighControls[i];
        if (mapped == ch || (mapped == 0 && ch == 0x80 + i)) return static_cast<char>(0x80 + i);
    }
    return kCodePageDefaultChar;
}

QString Cp1252ToQString(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes)
        *out++ = QChar(Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return text;
}

std::string QStringToCp1252(const QString& text) {
    std::string out(static_cast<size_t>(text.size()), '\0');
    const QChar* in = text.constData();
    const qsizetype size = text.size();
    size_t written = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i].unicode();
        if (c < 0x80) {
            out[written++] = static_cast<char>(c); // most text is plain ASCII
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && in[i + 1].isLowSurrogate()) {
            ++i; // one character outside the BMP becomes one '?'
            out[written++] = kCodePageDefaultChar;
        } else {
            out[written++] = UnicodeToCp1252(c);
        }
    }
    out.resize(written);
    return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes)
        AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

bool IsValidUtf8Bmp(std::string_view bytes) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (i + 1 >= n || !IsContinuation(p[i + 1])) return false;
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (i + 2 >= n || !IsContinuation(p[i + 1]) || !IsContinuation(p[i + 2])) return false;
            if (b == 0xE0 && p[i + 1] < 0xA0) return false;
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    std::string out;
    out.reserve(n);
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
        } else if (b >= 0xC0 && b <= 0xDF && i + 1 < n && IsContinuation(p[i + 1])) {
            out.push_back(UnicodeToCp1252(((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu)));
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF && i + 2 < n && IsContinuation(p[i + 1]) &&
                   IsContinuation(p[i + 2])) {
            out.push_back(
                UnicodeToCp1252(((b & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu)));
            i += 3;
        } else {
            out.push_back(' ');
            ++i;
        }
    }
    return out;
}

} // namespace quorvel
