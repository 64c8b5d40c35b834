#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace quorvel {

// Single-byte text of the store is Windows-1252. Every one of the 256 bytes maps to one UTF-16 unit
// (the five bytes the code page leaves undefined map to the C1 controls of the same value), so any
// byte string survives a round trip. Characters the code page cannot hold become '?'.
inline constexpr char kCodePageDefaultChar = '?';

QString Cp1252ToQString(std::string_view bytes);
std::string QStringToCp1252(const QString& text);
char16_t Cp1252ToUnicode(unsigned char byte) noexcept;
// Returns kCodePageDefaultChar for characters the code page cannot hold.
char UnicodeToCp1252(char32_t ch) noexcept;

std::string Cp1252ToUtf8(std::string_view bytes);

// Wide text of the store (UTF-16, as a row hands it out) as a QString.
inline QString Utf16ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// True when every sequence is one byte below 0x80, a lead byte C2..DF with one continuation byte, or
// a lead byte E0..EF with two (A0..BF after E0). Four-byte sequences are not accepted.
bool IsValidUtf8Bmp(std::string_view bytes) noexcept;

// Decodes one-, two- and three-byte sequences; any other byte becomes a blank; characters the code
// page cannot hold become kCodePageDefaultChar.
std::string Utf8ToCp1252(std::string_view utf8);

} // namespace quorvel
