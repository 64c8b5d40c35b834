#include "store/PacketValueText.h"

#include "platform/Utf8.h"
#include "store/PacketBase64.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorvel {
namespace {

void AppendPadded(std::string& out, std::int64_t v, int width) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v < 0 ? -v : v);
    if (v < 0) out.push_back('-');
    for (auto n = static_cast<int>(r.ptr - buf); n < width; ++n)
        out.push_back('0');
    out.append(buf, r.ptr);
}

void AppendDate(std::string& out, std::int32_t days) {
    int y = 0, m = 0, d = 0;
    DateFromDays(days, y, m, d);
    AppendPadded(out, y, 4);
    AppendPadded(out, m, 2);
    AppendPadded(out, d, 2);
}

void AppendTime(std::string& out, std::int32_t msec) {
    if (msec < 0) msec = 0;
    AppendPadded(out, msec / 3600000, 2);
    out.push_back(':');
    AppendPadded(out, msec / 60000 % 60, 2);
    out.push_back(':');
    AppendPadded(out, msec % 60000, 5);
}

void AppendFloat(std::string& out, double v) {
    char buf[40];
    if (!std::isfinite(v)) {
        out += std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
        return;
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 16);
    out.append(buf, r.ptr);
}

} // namespace

void AppendScalarText(std::string& out, const FieldDef& field, FieldKind kind, const FieldView& value) {
    switch (kind) {
    case FieldKind::Integer:
        if (const auto* v = std::get_if<std::int64_t>(&value)) {
            char buf[24];
            out.append(buf, std::to_chars(buf, buf + sizeof buf, *v).ptr);
        }
        return;
    case FieldKind::Unsigned:
        if (const auto* v = std::get_if<std::int64_t>(&value)) {
            char buf[24];
            out.append(buf, std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(*v)).ptr);
        }
        return;
    case FieldKind::Boolean:
        if (const auto* v = std::get_if<bool>(&value)) out += *v ? "TRUE" : "FALSE";
        return;
    case FieldKind::Float:
        if (const auto* v = std::get_if<double>(&value)) AppendFloat(out, *v);
        return;
    case FieldKind::Decimal:
        if (const auto* v = std::get_if<TDecimal>(&value)) {
            const auto scaled = v->WithScale(field.decimals);
            (scaled ? *scaled : *v).AppendTo(out);
        }
        return;
    case FieldKind::Date:
        if (const auto* v = std::get_if<TDateTimeValue>(&value)) AppendDate(out, v->days);
        return;
    case FieldKind::Time:
        if (const auto* v = std::get_if<TDateTimeValue>(&value)) AppendTime(out, v->msec);
        return;
    case FieldKind::DateTime:
        if (const auto* v = std::get_if<TDateTimeValue>(&value)) {
            AppendDate(out, v->days);
            if (v->msec != 0) {
                out.push_back('T');
                AppendTime(out, v->msec);
            }
        }
        return;
    default:
        return;
    }
}

std::string FieldValueText(const FieldDef& field, const FieldView& value) {
    std::string out;
    const FieldKind kind = KindOf(field);
    if (const auto* s = std::get_if<std::string_view>(&value)) {
        if (kind == FieldKind::Blob || kind == FieldKind::Bytes || kind == FieldKind::VarBytes)
            AppendBase64(out, *s);
        else
            out = *s;
    } else if (const auto* w = std::get_if<std::u16string_view>(&value)) {
        for (const char16_t ch : *w)
            AppendUtf8(out, ch);
    } else {
        AppendScalarText(out, field, kind, value);
    }
    return out;
}

std::vector<std::uint32_t> ReplacedVersions(const Datapacket& packet) {
    return ReplacedVersions(packet.changeLog, packet.rows.size());
}

std::vector<std::uint32_t> ReplacedVersions(std::span<const ChangeLogEntry> changeLog,
                                            std::size_t versionCount) {
    std::vector<std::uint32_t> replaced(versionCount, 0);
    for (const auto& e : changeLog)
        if ((e.kind & kChangeModified) != 0 && e.row >= 1 && e.row <= replaced.size() && e.replaced >= 1 &&
            e.replaced < e.row)
            replaced[e.row - 1] = e.replaced;
    return replaced;
}

} // namespace quorvel
