#pragma once

#include <QString>

#include <cstdint>

// Record numbers, flags and fixed structures of the enhanced metafile format, as the page pictures
// use them. All values in a file are little-endian.
namespace quorvel::emf {

inline constexpr std::uint32_t EMR_HEADER = 1;
inline constexpr std::uint32_t EMR_POLYGON = 3;
inline constexpr std::uint32_t EMR_POLYLINE = 4;
inline constexpr std::uint32_t EMR_SETWINDOWEXTEX = 9;
inline constexpr std::uint32_t EMR_SETWINDOWORGEX = 10;
inline constexpr std::uint32_t EMR_SETVIEWPORTEXTEX = 11;
inline constexpr std::uint32_t EMR_SETVIEWPORTORGEX = 12;
inline constexpr std::uint32_t EMR_EOF = 14;
inline constexpr std::uint32_t EMR_SETMAPMODE = 17;
inline constexpr std::uint32_t EMR_SETBKMODE = 18;
inline constexpr std::uint32_t EMR_SETPOLYFILLMODE = 19;
inline constexpr std::uint32_t EMR_SETTEXTALIGN = 22;
inline constexpr std::uint32_t EMR_SETTEXTCOLOR = 24;
inline constexpr std::uint32_t EMR_SETBKCOLOR = 25;
inline constexpr std::uint32_t EMR_MOVETOEX = 27;
inline constexpr std::uint32_t EMR_EXCLUDECLIPRECT = 29;
inline constexpr std::uint32_t EMR_INTERSECTCLIPRECT = 30;
inline constexpr std::uint32_t EMR_SAVEDC = 33;
inline constexpr std::uint32_t EMR_RESTOREDC = 34;
inline constexpr std::uint32_t EMR_SELECTOBJECT = 37;
inline constexpr std::uint32_t EMR_CREATEPEN = 38;
inline constexpr std::uint32_t EMR_CREATEBRUSHINDIRECT = 39;
inline constexpr std::uint32_t EMR_DELETEOBJECT = 40;
inline constexpr std::uint32_t EMR_ELLIPSE = 42;
inline constexpr std::uint32_t EMR_RECTANGLE = 43;
inline constexpr std::uint32_t EMR_ROUNDRECT = 44;
inline constexpr std::uint32_t EMR_LINETO = 54;
inline constexpr std::uint32_t EMR_GDICOMMENT = 70;
inline constexpr std::uint32_t EMR_EXTSELECTCLIPRGN = 75;
inline constexpr std::uint32_t EMR_STRETCHDIBITS = 81;
inline constexpr std::uint32_t EMR_EXTCREATEFONTINDIRECTW = 82;
inline constexpr std::uint32_t EMR_EXTTEXTOUTA = 83;
inline constexpr std::uint32_t EMR_EXTTEXTOUTW = 84;
inline constexpr std::uint32_t EMR_POLYGON16 = 86;
inline constexpr std::uint32_t EMR_POLYLINE16 = 87;
inline constexpr std::uint32_t EMR_EXTCREATEPEN = 95;
// The highest record number the format defines; larger numbers mark a damaged file.
inline constexpr std::uint32_t EMR_MAX = 122;

inline constexpr std::uint32_t ENHMETA_SIGNATURE = 0x464D4520; // " EMF"
inline constexpr std::uint32_t ENHMETA_VERSION = 0x00010000;
inline constexpr std::uint32_t HEADER_SIZE = 108;   // header with the micrometre extension
inline constexpr std::uint32_t HEADER_MINIMUM = 88; // oldest header form
inline constexpr std::uint32_t EOF_SIZE = 20;

inline constexpr std::uint32_t STOCK_OBJECT = 0x80000000;
inline constexpr std::uint32_t WHITE_BRUSH = STOCK_OBJECT | 0;
inline constexpr std::uint32_t LTGRAY_BRUSH = STOCK_OBJECT | 1;
inline constexpr std::uint32_t GRAY_BRUSH = STOCK_OBJECT | 2;
inline constexpr std::uint32_t DKGRAY_BRUSH = STOCK_OBJECT | 3;
inline constexpr std::uint32_t BLACK_BRUSH = STOCK_OBJECT | 4;
inline constexpr std::uint32_t NULL_BRUSH = STOCK_OBJECT | 5;
inline constexpr std::uint32_t WHITE_PEN = STOCK_OBJECT | 6;
inline constexpr std::uint32_t BLACK_PEN = STOCK_OBJECT | 7;
inline constexpr std::uint32_t NULL_PEN = STOCK_OBJECT | 8;
inline constexpr std::uint32_t SYSTEM_FONT = STOCK_OBJECT | 13;
inline constexpr std::uint32_t DEFAULT_GUI_FONT = STOCK_OBJECT | 17;

inline constexpr std::uint32_t TRANSPARENT = 1;
inline constexpr std::uint32_t OPAQUE = 2;

inline constexpr std::uint32_t PS_SOLID = 0;
inline constexpr std::uint32_t PS_NULL = 5;
inline constexpr std::uint32_t PS_STYLE_MASK = 0x0F;

inline constexpr std::uint32_t BS_SOLID = 0;
inline constexpr std::uint32_t BS_NULL = 1;
inline constexpr std::uint32_t BS_HATCHED = 2;

inline constexpr std::uint32_t ETO_OPAQUE = 0x0002;
inline constexpr std::uint32_t ETO_CLIPPED = 0x0004;
inline constexpr std::uint32_t ETO_GLYPH_INDEX = 0x0010;
inline constexpr std::uint32_t ETO_RTLREADING = 0x0080;
inline constexpr std::uint32_t ETO_NO_RECT = 0x0100;
inline constexpr std::uint32_t ETO_PDY = 0x2000;

inline constexpr std::uint32_t GM_COMPATIBLE = 1;
inline constexpr std::uint32_t RGN_AND = 1;
inline constexpr std::uint32_t RGN_COPY = 5;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t DIB_RGB_COLORS = 0;
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_BITFIELDS = 3;
inline constexpr std::uint32_t MM_TEXT = 1;

inline constexpr std::uint32_t LOGFONT_SIZE = 92;
inline constexpr std::uint32_t LOGFONT_EXDV_SIZE = 368 - 12; // what the writer emits
inline constexpr std::uint32_t DESIGN_VECTOR_SIGNATURE = 0x08007664;
inline constexpr std::uint32_t FACE_NAME_LENGTH = 32;

// An inclusive rectangle of 32-bit coordinates. {0, 0, -1, -1} means "empty".
struct RectL {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = -1;
    std::int32_t bottom = -1;
    friend bool operator==(const RectL&, const RectL&) = default;
};

struct SizeL {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const SizeL&, const SizeL&) = default;
};

// The part of a logical font a picture carries and a player uses.
struct LogFont {
    std::int32_t height = 0; // < 0: em height; > 0: cell height; logical units
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 1;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    QString faceName; // at most 31 characters
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// The metafile header's fields that describe the picture.
struct Header {
    RectL bounds;              // drawn area in reference-device pixels, inclusive
    RectL frame;               // picture frame in 0.01 mm
    std::uint32_t bytes = 0;   // whole file size
    std::uint32_t records = 0; // record count including header and end-of-file
    std::uint16_t handles = 1; // object table size including the reserved index 0
    SizeL device;              // reference device in pixels
    SizeL millimeters;         // reference device in millimetres
    SizeL micrometers;         // reference device in micrometres (0 when the header lacks it)
    QString description;
};

} // namespace quorvel::emf
