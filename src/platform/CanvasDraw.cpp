#include "platform/CanvasDraw.h"

#include "platform/BrushStyle.h"
#include "platform/MetafileFormat.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>

namespace quorvel::draw {

QPen MakePen(std::uint32_t style, std::int32_t width, TColor color) {
    Qt::PenStyle qtStyle = Qt::SolidLine;
    switch (style & emf::PS_STYLE_MASK) {
    case 1:
        qtStyle = Qt::DashLine;
        break;
    case 2:
        qtStyle = Qt::DotLine;
        break;
    case 3:
        qtStyle = Qt::DashDotLine;
        break;
    case 4:
        qtStyle = Qt::DashDotDotLine;
        break;
    case emf::PS_NULL:
        return QPen(Qt::NoPen);
    default:
        break;
    }
    QPen pen(ToQColor(color));
    pen.setStyle(qtStyle);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (width <= 1) {
        pen.setWidth(1);
        pen.setCosmetic(true);
    } else {
        pen.setWidthF(std::min<double>(width, 10000)); // wider than any page; Qt refuses 32768 and more
    }
    return pen;
}

QBrush MakeBrush(std::uint32_t style, TColor color, std::uint32_t hatch) {
    if (style == emf::BS_NULL) return QBrush(Qt::NoBrush);
    if (style == emf::BS_HATCHED) {
        static constexpr Qt::BrushStyle patterns[] = {Qt::HorPattern,   Qt::VerPattern,
                                                      Qt::FDiagPattern, Qt::BDiagPattern,
                                                      Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(ToQColor(color), hatch < 6 ? patterns[hatch] : Qt::SolidPattern);
    }
    return QBrush(ToQColor(color));
}

std::uint32_t BrushStyleCode(TBrushStyle style) {
    switch (style) {
    case TBrushStyle::bsSolid:
        return emf::BS_SOLID;
    case TBrushStyle::bsClear:
        return emf::BS_NULL;
    default:
        return emf::BS_HATCHED;
    }
}

QRectF ShapeRect(int left, int top, int right, int bottom) {
    return QRectF(left, top, double(right) - left - 1, double(bottom) - top - 1);
}

void TextShaper::SetFont(const QFont& font) {
    if (hasFont_ && font == font_) return;
    font_ = font;
    raw_ = QRawFont::fromFont(font);
    fallbackRaw_ = QRawFont();
    fallbackMade_ = false;
    const QFontMetrics fm(font);
    metrics_.ascent = fm.ascent();
    metrics_.descent = fm.descent();
    metrics_.height = metrics_.ascent + metrics_.descent;
    metrics_.internalLeading = std::max(0, metrics_.height - font.pixelSize());
    metrics_.externalLeading = std::max(0, fm.leading());
    metrics_.averageCharWidth = fm.averageCharWidth();
    metrics_.maxCharWidth = fm.maxWidth();
    hasFont_ = true;
    latinKnown_.fill(false);
}

std::uint32_t TextShaper::GlyphIn(const QRawFont& font, QStringView text, qsizetype at, qsizetype units) {
    if (!font.isValid()) return 0;
    quint32 glyph = 0;
    int count = 1;
    if (!font.glyphIndexesForChars(text.data() + at, int(units), &glyph, &count) || count < 1) return 0;
    return glyph;
}

TextShaper::ResolvedGlyph TextShaper::Resolve(QStringView text, qsizetype at, qsizetype units) {
    // The font's own glyph, else the broad fallback family's, else the font's missing-glyph box.
    // Qt's own font fallback is not used: it searches the system's fonts per character and keeps
    // what it finds, which pictures with arbitrary text would make grow without end.
    if (const std::uint32_t glyph = GlyphIn(raw_, text, at, units)) return {&raw_, glyph};
    if (const std::uint32_t glyph = GlyphIn(Fallback(), text, at, units)) return {&fallbackRaw_, glyph};
    return {&raw_, 0};
}

const QRawFont& TextShaper::Fallback() {
    // Made when a character first needs it: report text rarely leaves the font, and loading a
    // second font for every font a report uses costs more than its text.
    if (!fallbackMade_) {
        QFont fallback(font_);
        fallback.setFamily(QStringLiteral("DejaVu Sans"));
        fallbackRaw_ = QRawFont::fromFont(fallback);
        fallbackMade_ = true;
    }
    return fallbackRaw_;
}

double TextShaper::GlyphAdvance(QStringView text, qsizetype at, qsizetype units) {
    const ResolvedGlyph glyph = Resolve(text, at, units);
    if (!glyph.font->isValid()) return 0;
    const QList<QPointF> a = glyph.font->advancesForGlyphIndexes(QList<quint32>{glyph.glyph});
    return a.isEmpty() ? 0 : a.first().x();
}

std::vector<double> TextShaper::FractionalAdvances(QStringView text) {
    std::vector<double> advances(std::size_t(text.size()), 0.0);
    for (qsizetype i = 0; i < text.size();) {
        const char16_t unit = text[i].unicode();
        if (unit < latinAdvance_.size()) {
            if (!latinKnown_[unit]) {
                latinAdvance_[unit] = GlyphAdvance(text, i, 1);
                latinKnown_[unit] = true;
            }
            advances[std::size_t(i)] = latinAdvance_[unit];
            ++i;
            continue;
        }
        const qsizetype units =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        advances[std::size_t(i)] = GlyphAdvance(text, i, units);
        i += units;
    }
    return advances;
}

std::vector<std::int32_t> TextShaper::Advances(QStringView text) {
    const std::vector<double> exact = FractionalAdvances(text);
    std::vector<std::int32_t> advances(exact.size(), 0);
    double running = 0;
    std::int64_t placed = 0;
    for (std::size_t i = 0; i < exact.size(); ++i) {
        running += exact[i];
        const auto position = std::int64_t(std::llround(running));
        advances[i] = std::int32_t(position - placed);
        placed = position;
    }
    return advances;
}

int TextShaper::Width(QStringView text) {
    std::int64_t total = 0;
    for (std::int32_t a : Advances(text))
        total += a;
    return int(total);
}

bool TextShaper::UseGlyphCache(const QTransform& t) const {
    // Qt renders cached glyph bitmaps through the font engine with the painter's transform; with a
    // rotated, sheared, strongly unequal or extreme scale that path can fail inside the font engine,
    // so such text is filled as outlines instead (what printing at an angle does anyway).
    if (t.type() > QTransform::TxScale) return false;
    const double sx = std::abs(t.m11()), sy = std::abs(t.m22());
    const double pixels = font_.pixelSize() * std::max(sx, sy);
    return std::abs(sx - sy) <= 0.01 * std::max(sx, sy) && pixels >= 1 && pixels <= 512;
}

void TextShaper::Draw(QPainter& painter, QPointF origin, QStringView text,
                      std::span<const std::int32_t> advances, const QColor& color) {
    constexpr double kFarAway = 1 << 20; // device pixels; nothing this far off the surface is drawn
    const QTransform transform = painter.combinedTransform();
    const QPointF deviceOrigin = transform.map(origin);
    if (!std::isfinite(deviceOrigin.x()) || !std::isfinite(deviceOrigin.y()) ||
        std::abs(deviceOrigin.x()) > kFarAway || std::abs(deviceOrigin.y()) > kFarAway)
        return;
    const bool cached = UseGlyphCache(transform);
    const double scale =
        std::max(std::hypot(transform.m11(), transform.m12()), std::hypot(transform.m21(), transform.m22()));
    if (!cached && font_.pixelSize() * scale < 0.5) return; // too small to see

    // One glyph run per font (the font's own glyphs and the fallback family's).
    QList<quint32> glyphs[2];
    QList<QPointF> positions[2];
    QPainterPath outlines;
    double x = 0;
    for (qsizetype i = 0; i < text.size() && std::abs(x) * scale <= kFarAway;) {
        const qsizetype units =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        const ResolvedGlyph glyph = Resolve(text, i, units);
        if (!text[i].isSpace() && glyph.font->isValid()) {
            if (cached) {
                const int which = glyph.font == &raw_ ? 0 : 1;
                glyphs[which].append(glyph.glyph);
                positions[which].append(QPointF(x, 0));
            } else {
                outlines.addPath(glyph.font->pathForGlyph(glyph.glyph).translated(x, 0));
            }
        }
        for (qsizetype u = 0; u < units; ++u)
            x += std::size_t(i + u) < advances.size() ? advances[std::size_t(i + u)] : 0;
        i += units;
    }
    painter.setPen(color);
    for (int which = 0; which < 2; ++which) {
        if (glyphs[which].isEmpty()) continue;
        QGlyphRun run;
        run.setRawFont(which == 0 ? raw_ : fallbackRaw_);
        run.setGlyphIndexes(glyphs[which]);
        run.setPositions(positions[which]);
        painter.drawGlyphRun(origin, run);
    }
    if (!outlines.isEmpty()) painter.fillPath(outlines.translated(origin), color);
    // Underline and strike-out are drawn as bars so that they look the same on every back-end.
    if (font_.underline() || font_.strikeOut()) {
        const QFontMetricsF fm(font_);
        const double thickness = std::max(1.0, std::round(fm.lineWidth()));
        if (font_.underline())
            painter.fillRect(QRectF(origin.x(), origin.y() + std::round(fm.underlinePos()), x, thickness),
                             color);
        if (font_.strikeOut())
            painter.fillRect(QRectF(origin.x(), origin.y() - std::round(fm.strikeOutPos()), x, thickness),
                             color);
    }
}

namespace {

int TotalAdvance(std::span<const std::int32_t> advances) {
    std::int64_t total = 0;
    for (std::int32_t a : advances)
        total += a;
    return int(std::clamp<std::int64_t>(total, -(1 << 28), 1 << 28));
}

// Start of the first glyph relative to the reference point, and the baseline below it.
QPoint TextOrigin(std::uint32_t align, int width, const TextMetrics& m) {
    int x = 0;
    switch (align & TA_HORIZONTAL_MASK) {
    case TA_RIGHT:
        x = -width;
        break;
    case TA_CENTER:
        x = -(width / 2);
        break;
    default:
        break;
    }
    int baseline = m.ascent;
    switch (align & TA_VERTICAL_MASK) {
    case TA_BASELINE:
        baseline = 0;
        break;
    case TA_BOTTOM:
        baseline = -m.descent;
        break;
    default:
        break;
    }
    return QPoint(x, baseline);
}

} // namespace

QRect TextBox(const TextCall& call, int width, const TextMetrics& metrics) {
    const QPoint origin = TextOrigin(call.align, width, metrics) + call.reference;
    return QRect(origin.x(), origin.y() - metrics.ascent, std::max(width, 0), metrics.height);
}

int DrawText(QPainter& painter, TextShaper& shaper, const TextCall& call, QStringView text,
             std::span<const std::int32_t> advances) {
    const int width = TotalAdvance(advances);
    const TextMetrics& m = shaper.Metrics();

    painter.save();
    if (call.options & emf::ETO_OPAQUE) painter.fillRect(call.rect, call.backgroundFill);
    if (call.options & emf::ETO_CLIPPED) painter.setClipRect(call.rect, Qt::IntersectClip);
    painter.translate(call.reference);
    if (call.escapement != 0) painter.rotate(-call.escapement / 10.0);
    const QPoint origin = TextOrigin(call.align, width, m);
    if (call.background)
        painter.fillRect(QRect(origin.x(), origin.y() - m.ascent, width, m.height), *call.background);
    shaper.Draw(painter, origin, text, advances, call.textColor);
    painter.restore();
    return width;
}

} // namespace quorvel::draw
