#pragma once

#include "platform/MetafileBytes.h"
#include "platform/MetafileFormat.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QStringView>

#include <cstdint>
#include <span>

namespace quorvel::emf {

// Writes the records of an enhanced metafile one call at a time and assembles the file: Finish puts
// the header (with byte and record counts) in front and the end-of-file record behind. Coordinates
// are reference-device pixels. The writer keeps no drawing state; the recorder decides what to emit.
class MetafileWriter {
public:
    void SetBkMode(std::uint32_t mode) { WriteU32Record(EMR_SETBKMODE, mode); }
    void SetTextAlign(std::uint32_t flags) { WriteU32Record(EMR_SETTEXTALIGN, flags); }
    void SetTextColor(std::uint32_t colorRef) { WriteU32Record(EMR_SETTEXTCOLOR, colorRef); }
    void SetBkColor(std::uint32_t colorRef) { WriteU32Record(EMR_SETBKCOLOR, colorRef); }
    void SetMapMode(std::uint32_t mode) { WriteU32Record(EMR_SETMAPMODE, mode); }

    void CreatePen(std::uint32_t index, std::uint32_t style, std::int32_t width, std::uint32_t colorRef);
    void CreateBrush(std::uint32_t index, std::uint32_t style, std::uint32_t colorRef, std::uint32_t hatch);
    // Writes the long logical-font form (logical font, full name, style, script, empty design vector).
    void CreateFont(std::uint32_t index, const LogFont& font);
    void SelectObject(std::uint32_t index) { WriteU32Record(EMR_SELECTOBJECT, index); }
    void DeleteObject(std::uint32_t index) { WriteU32Record(EMR_DELETEOBJECT, index); }

    void MoveTo(std::int32_t x, std::int32_t y) { WritePointRecord(EMR_MOVETOEX, x, y); }
    void LineTo(std::int32_t x, std::int32_t y) { WritePointRecord(EMR_LINETO, x, y); }
    void Rectangle(const RectL& box) { WriteRectRecord(EMR_RECTANGLE, box); }
    void Ellipse(const RectL& box) { WriteRectRecord(EMR_ELLIPSE, box); }
    void RoundRect(const RectL& box, const SizeL& corner);
    // Uses the 16-bit point form when every coordinate fits in it.
    void Polyline(std::span<const QPoint> points) { WritePoly(EMR_POLYLINE16, EMR_POLYLINE, points); }
    void Polygon(std::span<const QPoint> points) { WritePoly(EMR_POLYGON16, EMR_POLYGON, points); }

    // Unicode text at a reference point with ETO_* options, an opaque/clip rectangle (written even when
    // unused, as {0, 0, -1, -1}) and one advance per UTF-16 unit.
    void ExtTextOutW(QPoint reference, std::uint32_t options, const RectL& rect, QStringView text,
                     std::span<const std::int32_t> dx, const RectL& bounds);
    // A 24-bit bottom-up device-independent bitmap stretched into the destination rectangle.
    void StretchDIBits(const RectL& destination, const QImage& image);

    void IntersectClipRect(const RectL& rect) { WriteRectRecord(EMR_INTERSECTCLIPRECT, rect); }
    // Selects the default clipping (the whole surface) again.
    void ResetClip();
    void SaveDC();
    void RestoreDC(std::int32_t relative) { WriteU32Record(EMR_RESTOREDC, std::uint32_t(relative)); }

    std::uint32_t RecordCount() const noexcept { return records_; }
    qsizetype BodySize() const noexcept { return body_.Size(); }

    // Header fields that Finish fills: bounds, frame, handles, reference device sizes. The byte and
    // record counts are computed. The writer is empty again afterwards.
    QByteArray Finish(const Header& header);

private:
    void BeginRecord(std::uint32_t type, std::uint32_t size);
    void WriteU32Record(std::uint32_t type, std::uint32_t value);
    void WritePointRecord(std::uint32_t type, std::int32_t x, std::int32_t y);
    void WriteRectRecord(std::uint32_t type, const RectL& rect);
    void WritePoly(std::uint32_t shortType, std::uint32_t longType, std::span<const QPoint> points);

    ByteWriter body_;
    std::uint32_t records_ = 0;
};

} // namespace quorvel::emf

namespace quorvel::emf {

// The header of a picture `width` × `height` pixels at a resolution: the frame in 0.01 mm and a
// reference device whose pixels-to-millimetres ratio is exactly that resolution (20 × 15 inches).
// Bounds start empty and handles at 1; the recorder fills them in.
Header ReferenceHeader(int width, int height, int pixelsPerInch);

} // namespace quorvel::emf
