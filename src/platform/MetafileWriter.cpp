#include "platform/MetafileWriter.h"

#include "platform/MetafileBytes.h"

#include <QPainter>

#include <cmath>
#include <limits>

namespace quorvel::emf {

void MetafileWriter::BeginRecord(std::uint32_t type, std::uint32_t size) {
    body_.U32LE(type);
    body_.U32LE(size);
    ++records_;
}

void MetafileWriter::WriteU32Record(std::uint32_t type, std::uint32_t value) {
    BeginRecord(type, 12);
    body_.U32LE(value);
}

void MetafileWriter::WritePointRecord(std::uint32_t type, std::int32_t x, std::int32_t y) {
    BeginRecord(type, 16);
    body_.I32LE(x);
    body_.I32LE(y);
}

void MetafileWriter::WriteRectRecord(std::uint32_t type, const RectL& rect) {
    BeginRecord(type, 24);
    WriteRect(body_, rect);
}

void MetafileWriter::CreatePen(std::uint32_t index, std::uint32_t style, std::int32_t width,
                               std::uint32_t colorRef) {
    BeginRecord(EMR_CREATEPEN, 28);
    body_.U32LE(index);
    body_.U32LE(style);
    body_.I32LE(width);
    body_.I32LE(0);
    body_.U32LE(colorRef);
}

void MetafileWriter::CreateBrush(std::uint32_t index, std::uint32_t style, std::uint32_t colorRef,
                                 std::uint32_t hatch) {
    BeginRecord(EMR_CREATEBRUSHINDIRECT, 24);
    body_.U32LE(index);
    body_.U32LE(style);
    body_.U32LE(colorRef);
    body_.U32LE(hatch);
}

void MetafileWriter::CreateFont(std::uint32_t index, const LogFont& font) {
    BeginRecord(EMR_EXTCREATEFONTINDIRECTW, 12 + LOGFONT_EXDV_SIZE);
    const qsizetype start = body_.Size();
    body_.U32LE(index);
    body_.I32LE(font.height);
    body_.I32LE(font.width);
    body_.I32LE(font.escapement);
    body_.I32LE(font.orientation);
    body_.I32LE(font.weight);
    const char flags[8] = {char(font.italic),  char(font.underline),     char(font.strikeOut),
                           char(font.charSet), char(font.outPrecision),  char(font.clipPrecision),
                           char(font.quality), char(font.pitchAndFamily)};
    body_.Bytes(std::string_view(flags, 8));
    const QString face = font.faceName.left(int(FACE_NAME_LENGTH) - 1);
    for (qsizetype i = 0; i < qsizetype(FACE_NAME_LENGTH); ++i)
        body_.U16LE(i < face.size() ? face.at(i).unicode() : 0);
    // Full name (64 units), style (32) and script (32) stay empty; then the empty design vector.
    body_.Zeros(128 + 64 + 64);
    body_.U32LE(DESIGN_VECTOR_SIGNATURE);
    body_.U32LE(0);
    Q_ASSERT(body_.Size() - start == qsizetype(4 + LOGFONT_EXDV_SIZE));
}

void MetafileWriter::RoundRect(const RectL& box, const SizeL& corner) {
    BeginRecord(EMR_ROUNDRECT, 32);
    WriteRect(body_, box);
    WriteSize(body_, corner);
}

void MetafileWriter::WritePoly(std::uint32_t shortType, std::uint32_t longType,
                               std::span<const QPoint> points) {
    bool fitsShort = true;
    RectL bounds{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                 std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
    for (const QPoint& p : points) {
        fitsShort = fitsShort && p.x() >= -32768 && p.x() <= 32767 && p.y() >= -32768 && p.y() <= 32767;
        bounds = {std::min(bounds.left, p.x()), std::min(bounds.top, p.y()), std::max(bounds.right, p.x()),
                  std::max(bounds.bottom, p.y())};
    }
    if (points.empty()) bounds = RectL{};
    const std::uint32_t count = std::uint32_t(points.size());
    BeginRecord(fitsShort ? shortType : longType, 28 + count * (fitsShort ? 4 : 8));
    WriteRect(body_, bounds);
    body_.U32LE(count);
    for (const QPoint& p : points) {
        if (fitsShort) {
            body_.U16LE(std::uint16_t(std::int16_t(p.x())));
            body_.U16LE(std::uint16_t(std::int16_t(p.y())));
        } else {
            body_.I32LE(p.x());
            body_.I32LE(p.y());
        }
    }
}

void MetafileWriter::ExtTextOutW(QPoint reference, std::uint32_t options, const RectL& rect, QStringView text,
                                 std::span<const std::int32_t> dx, const RectL& bounds) {
    const auto chars = std::uint32_t(text.size());
    const std::uint32_t offString = 76;
    const std::uint32_t offDx = offString + Align4(chars * 2);
    BeginRecord(EMR_EXTTEXTOUTW, offDx + chars * 4);
    WriteRect(body_, bounds);
    body_.U32LE(GM_COMPATIBLE);
    body_.F32LE(0.0f);
    body_.F32LE(0.0f);
    body_.I32LE(reference.x());
    body_.I32LE(reference.y());
    body_.U32LE(chars);
    body_.U32LE(offString);
    body_.U32LE(options & ~ETO_NO_RECT);
    WriteRect(body_, rect);
    body_.U32LE(offDx);
    for (QChar c : text)
        body_.U16LE(c.unicode());
    body_.PadTo(4);
    for (std::uint32_t i = 0; i < chars; ++i)
        body_.I32LE(i < dx.size() ? dx[i] : 0);
}

void MetafileWriter::StretchDIBits(const RectL& destination, const QImage& image) {
    // Transparent parts of the source are laid on white: the bitmap has no alpha channel.
    QImage rgb(image.size(), QImage::Format_RGB888);
    rgb.fill(Qt::white);
    {
        QPainter painter(&rgb);
        painter.drawImage(0, 0, image);
    }
    const auto width = std::uint32_t(rgb.width());
    const auto height = std::uint32_t(rgb.height());
    const std::uint32_t stride = Align4(width * 3);
    const std::uint32_t bits = stride * height;
    BeginRecord(EMR_STRETCHDIBITS, 80 + 40 + bits);
    WriteRect(body_, destination);
    body_.I32LE(destination.left);
    body_.I32LE(destination.top);
    body_.I32LE(0);
    body_.I32LE(0);
    body_.I32LE(std::int32_t(width));
    body_.I32LE(std::int32_t(height));
    body_.U32LE(80);
    body_.U32LE(40);
    body_.U32LE(120);
    body_.U32LE(bits);
    body_.U32LE(DIB_RGB_COLORS);
    body_.U32LE(SRCCOPY);
    body_.I32LE(destination.right - destination.left + 1);
    body_.I32LE(destination.bottom - destination.top + 1);
    // Bitmap header: 24 bits per pixel, rows bottom-up, no compression, 96 dpi.
    body_.U32LE(40);
    body_.I32LE(std::int32_t(width));
    body_.I32LE(std::int32_t(height));
    body_.U16LE(1);
    body_.U16LE(24);
    body_.U32LE(BI_RGB);
    body_.U32LE(bits);
    body_.I32LE(3780);
    body_.I32LE(3780);
    body_.U32LE(0);
    body_.U32LE(0);
    const std::uint32_t padding = stride - width * 3;
    for (int y = int(height) - 1; y >= 0; --y) {
        const uchar* line = rgb.constScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            body_.U8(line[x * 3 + 2]);
            body_.U8(line[x * 3 + 1]);
            body_.U8(line[x * 3]);
        }
        body_.Zeros(padding);
    }
}

void MetafileWriter::ResetClip() {
    BeginRecord(EMR_EXTSELECTCLIPRGN, 16);
    body_.U32LE(0);
    body_.U32LE(RGN_COPY);
}

void MetafileWriter::SaveDC() {
    BeginRecord(EMR_SAVEDC, 8);
}

QByteArray MetafileWriter::Finish(const Header& header) {
    const std::uint32_t bytes = HEADER_SIZE + std::uint32_t(body_.Size()) + EOF_SIZE;
    ByteWriter out;
    out.Reserve(qsizetype(bytes));
    out.U32LE(EMR_HEADER);
    out.U32LE(HEADER_SIZE);
    WriteRect(out, header.bounds);
    WriteRect(out, header.frame);
    out.U32LE(ENHMETA_SIGNATURE);
    out.U32LE(ENHMETA_VERSION);
    out.U32LE(bytes);
    out.U32LE(records_ + 2);
    out.U16LE(header.handles);
    out.U16LE(0);
    out.U32LE(0); // no description
    out.U32LE(0);
    out.U32LE(0); // no palette
    WriteSize(out, header.device);
    WriteSize(out, header.millimeters);
    out.U32LE(0); // no pixel format
    out.U32LE(0);
    out.U32LE(0); // no OpenGL records
    WriteSize(out, header.micrometers);
    out.Bytes(body_.Take());
    out.U32LE(EMR_EOF);
    out.U32LE(EOF_SIZE);
    out.U32LE(0);
    out.U32LE(16);
    out.U32LE(EOF_SIZE);
    records_ = 0;
    return out.Take();
}

} // namespace quorvel::emf

namespace quorvel::emf {

Header ReferenceHeader(int width, int height, int pixelsPerInch) {
    const int ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
    Header header;
    header.frame = {0, 0, std::int32_t(std::llround(double(width) * 2540.0 / ppi)),
                    std::int32_t(std::llround(double(height) * 2540.0 / ppi))};
    header.device = {ppi * 20, ppi * 15};
    header.millimeters = {508, 381};
    header.micrometers = {508000, 381000};
    return header;
}

} // namespace quorvel::emf
