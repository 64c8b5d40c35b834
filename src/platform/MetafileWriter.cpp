#include "platform/MetafileWriter.h"

#include "platform/MetafileBytes.h"

#include <QPainter>

#include <cmath>
#include <limits>

namespace quorvel::emf {

void MetafileWriter::BeginRecord(std::uint32_t type, std::uint32_t size) {
    AppendU32(body_, type);
    AppendU32(body_, size);
    ++records_;
}

void MetafileWriter::WriteU32Record(std::uint32_t type, std::uint32_t value) {
    BeginRecord(type, 12);
    AppendU32(body_, value);
}

void MetafileWriter::WritePointRecord(std::uint32_t type, std::int32_t x, std::int32_t y) {
    BeginRecord(type, 16);
    AppendI32(body_, x);
    AppendI32(body_, y);
}

void MetafileWriter::WriteRectRecord(std::uint32_t type, const RectL& rect) {
    BeginRecord(type, 24);
    AppendRect(body_, rect);
}

void MetafileWriter::CreatePen(std::uint32_t index, std::uint32_t style, std::int32_t width,
                               std::uint32_t colorRef) {
    BeginRecord(EMR_CREATEPEN, 28);
    AppendU32(body_, index);
    AppendU32(body_, style);
    AppendI32(body_, width);
    AppendI32(body_, 0);
    AppendU32(body_, colorRef);
}

void MetafileWriter::CreateBrush(std::uint32_t index, std::uint32_t style, std::uint32_t colorRef,
                                 std::uint32_t hatch) {
    BeginRecord(EMR_CREATEBRUSHINDIRECT, 24);
    AppendU32(body_, index);
    AppendU32(body_, style);
    AppendU32(body_, colorRef);
    AppendU32(body_, hatch);
}

void MetafileWriter::CreateFont(std::uint32_t index, const LogFont& font) {
    BeginRecord(EMR_EXTCREATEFONTINDIRECTW, 12 + LOGFONT_EXDV_SIZE);
    const qsizetype start = body_.size();
    AppendU32(body_, index);
    AppendI32(body_, font.height);
    AppendI32(body_, font.width);
    AppendI32(body_, font.escapement);
    AppendI32(body_, font.orientation);
    AppendI32(body_, font.weight);
    const char flags[8] = {char(font.italic),  char(font.underline),     char(font.strikeOut),
                           char(font.charSet), char(font.outPrecision),  char(font.clipPrecision),
                           char(font.quality), char(font.pitchAndFamily)};
    body_.append(flags, 8);
    const QString face = font.faceName.left(int(FACE_NAME_LENGTH) - 1);
    for (qsizetype i = 0; i < qsizetype(FACE_NAME_LENGTH); ++i)
        AppendU16(body_, i < face.size() ? face.at(i).unicode() : 0);
    // Full name (64 units), style (32) and script (32) stay empty; then the empty design vector.
    body_.append(QByteArray(128 + 64 + 64, '\0'));
    AppendU32(body_, DESIGN_VECTOR_SIGNATURE);
    AppendU32(body_, 0);
    Q_ASSERT(body_.size() - start == qsizetype(4 + LOGFONT_EXDV_SIZE));
}

void MetafileWriter::RoundRect(const RectL& box, const SizeL& corner) {
    BeginRecord(EMR_ROUNDRECT, 32);
    AppendRect(body_, box);
    AppendSize(body_, corner);
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
    AppendRect(body_, bounds);
    AppendU32(body_, count);
    for (const QPoint& p : points) {
        if (fitsShort) {
            AppendU16(body_, std::uint16_t(std::int16_t(p.x())));
            AppendU16(body_, std::uint16_t(std::int16_t(p.y())));
        } else {
            AppendI32(body_, p.x());
            AppendI32(body_, p.y());
        }
    }
}

void MetafileWriter::ExtTextOutW(QPoint reference, std::uint32_t options, const RectL& rect, QStringView text,
                                 std::span<const std::int32_t> dx, const RectL& bounds) {
    const auto chars = std::uint32_t(text.size());
    const std::uint32_t offString = 76;
    const std::uint32_t offDx = offString + Align4(chars * 2);
    BeginRecord(EMR_EXTTEXTOUTW, offDx + chars * 4);
    AppendRect(body_, bounds);
    AppendU32(body_, GM_COMPATIBLE);
    AppendF32(body_, 0.0f);
    AppendF32(body_, 0.0f);
    AppendI32(body_, reference.x());
    AppendI32(body_, reference.y());
    AppendU32(body_, chars);
    AppendU32(body_, offString);
    AppendU32(body_, options & ~ETO_NO_RECT);
    AppendRect(body_, rect);
    AppendU32(body_, offDx);
    for (QChar c : text)
        AppendU16(body_, c.unicode());
    PadTo4(body_);
    for (std::uint32_t i = 0; i < chars; ++i)
        AppendI32(body_, i < dx.size() ? dx[i] : 0);
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
    AppendRect(body_, destination);
    AppendI32(body_, destination.left);
    AppendI32(body_, destination.top);
    AppendI32(body_, 0);
    AppendI32(body_, 0);
    AppendI32(body_, std::int32_t(width));
    AppendI32(body_, std::int32_t(height));
    AppendU32(body_, 80);
    AppendU32(body_, 40);
    AppendU32(body_, 120);
    AppendU32(body_, bits);
    AppendU32(body_, DIB_RGB_COLORS);
    AppendU32(body_, SRCCOPY);
    AppendI32(body_, destination.right - destination.left + 1);
    AppendI32(body_, destination.bottom - destination.top + 1);
    // Bitmap header: 24 bits per pixel, rows bottom-up, no compression, 96 dpi.
    AppendU32(body_, 40);
    AppendI32(body_, std::int32_t(width));
    AppendI32(body_, std::int32_t(height));
    AppendU16(body_, 1);
    AppendU16(body_, 24);
    AppendU32(body_, BI_RGB);
    AppendU32(body_, bits);
    AppendI32(body_, 3780);
    AppendI32(body_, 3780);
    AppendU32(body_, 0);
    AppendU32(body_, 0);
    QByteArray row(qsizetype(stride), '\0');
    for (int y = int(height) - 1; y >= 0; --y) {
        const uchar* line = rgb.constScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            row[x * 3] = char(line[x * 3 + 2]);
            row[x * 3 + 1] = char(line[x * 3 + 1]);
            row[x * 3 + 2] = char(line[x * 3]);
        }
        body_.append(row);
    }
}

void MetafileWriter::ResetClip() {
    BeginRecord(EMR_EXTSELECTCLIPRGN, 16);
    AppendU32(body_, 0);
    AppendU32(body_, RGN_COPY);
}

void MetafileWriter::SaveDC() {
    BeginRecord(EMR_SAVEDC, 8);
}

QByteArray MetafileWriter::Finish(const Header& header) {
    const std::uint32_t bytes = HEADER_SIZE + std::uint32_t(body_.size()) + EOF_SIZE;
    QByteArray out;
    out.reserve(qsizetype(bytes));
    AppendU32(out, EMR_HEADER);
    AppendU32(out, HEADER_SIZE);
    AppendRect(out, header.bounds);
    AppendRect(out, header.frame);
    AppendU32(out, ENHMETA_SIGNATURE);
    AppendU32(out, ENHMETA_VERSION);
    AppendU32(out, bytes);
    AppendU32(out, records_ + 2);
    AppendU16(out, header.handles);
    AppendU16(out, 0);
    AppendU32(out, 0); // no description
    AppendU32(out, 0);
    AppendU32(out, 0); // no palette
    AppendSize(out, header.device);
    AppendSize(out, header.millimeters);
    AppendU32(out, 0); // no pixel format
    AppendU32(out, 0);
    AppendU32(out, 0); // no OpenGL records
    AppendSize(out, header.micrometers);
    out.append(body_);
    AppendU32(out, EMR_EOF);
    AppendU32(out, EOF_SIZE);
    AppendU32(out, 0);
    AppendU32(out, 16);
    AppendU32(out, EOF_SIZE);
    body_.clear();
    records_ = 0;
    return out;
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
