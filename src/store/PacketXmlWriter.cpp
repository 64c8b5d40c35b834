#include "platform/CodePage.h"
#include "platform/Utf8.h"
#include "store/Packet.h"
#include "store/PacketBase64.h"
#include "store/PacketValueText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace quorvel {
namespace {

// Replacement text for the characters a value escapes; nullptr for every other byte.
constexpr std::array<const char*, 256> MakeEscapes() {
    std::array<const char*, 256> t{};
    t['<'] = "&lt;";
    t['>'] = "&gt;";
    t['&'] = "&amp;";
    t['\''] = "&apos;";
    t['"'] = "&quot;";
    t['\r'] = "&#013;";
    t['\n'] = "&#010;";
    t['\t'] = "&#009;";
    t['\\'] = "&#092;";
    return t;
}
constexpr auto kEscapes = MakeEscapes();

class XmlWriter {
public:
    XmlWriter(const Datapacket& packet, XmlTextMode mode)
        : packet_(packet)
        , utf8_(mode == XmlTextMode::Utf8) {}

    std::string Write() {
        out_.reserve(EstimateSize());
        out_ += utf8_ ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  "
                      : "<?xml version=\"1.0\" standalone=\"yes\"?>  ";
        out_ += "<DATAPACKET Version=\"2.0\"><METADATA>";
        WriteFields(packet_.fields);
        WriteTableParams();
        out_ += "</METADATA><ROWDATA>";
        WriteRows();
        out_ += "</ROWDATA></DATAPACKET>";
        return std::move(out_);
    }

private:
    size_t EstimateSize() const {
        // Roughly the attribute names and a few value bytes per field and row; the buffer grows
        // as needed, this only spares most reallocations of large tables. Capped, since rows that
        // leave most of many fields NULL write far less than this guess (5,000 fields by 20,000
        // empty rows asked for 680 MB up front).
        constexpr size_t kMostReserved = size_t{32} << 20;
        size_t perRow = 16;
        for (const auto& f : packet_.fields)
            perRow += f.name.size() + 8 + static_cast<size_t>(f.width > 0 && f.width < 256 ? f.width : 16);
        const size_t head = 1024 + packet_.fields.size() * 96;
        if (perRow != 0 && packet_.rows.size() > (kMostReserved - std::min(head, kMostReserved)) / perRow)
            return kMostReserved;
        return std::min(kMostReserved, head + packet_.rows.size() * perRow);
    }

    // Code-page text, escaped; converted to UTF-8 in UTF-8 mode.
    void AppendText(std::string_view text) {
        const char* p = text.data();
        const char* end = p + text.size();
        const char* run = p;
        for (; p != end; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            const char* esc = kEscapes[c];
            if (esc == nullptr && !(utf8_ && c >= 0x80)) continue;
            out_.append(run, static_cast<size_t>(p - run));
            if (esc != nullptr)
                out_ += esc;
            else
                AppendUtf8(out_, Cp1252ToUnicode(c));
            run = p + 1;
        }
        out_.append(run, static_cast<size_t>(end - run));
    }

    void AppendWideText(std::u16string_view text) {
        for (const char16_t ch : text) {
            if (ch < 128) {
                const char* esc = kEscapes[ch];
                if (esc != nullptr)
                    out_ += esc;
                else
                    out_.push_back(static_cast<char>(ch));
            } else {
                out_ += "&#";
                AppendUnsigned(ch);
                out_.push_back(';');
            }
        }
    }

    void AppendUnsigned(std::uint64_t v) {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, r.ptr);
    }

    void Attribute(std::string_view name, std::string_view value) {
        out_.push_back(' ');
        AppendText(name);
        out_ += "=\"";
        AppendText(value);
        out_.push_back('"');
    }

    void WriteFields(const std::vector<FieldDef>& fields) {
        out_ += "<FIELDS>";
        const std::vector<std::string> attrNames = AttrNamesOf(fields);
        for (size_t i = 0; i < fields.size(); ++i)
            WriteField(fields[i], attrNames[i]);
        out_ += "</FIELDS>";
    }

    void WriteField(const FieldDef& f, const std::string& attrName) {
        out_ += "<FIELD";
        if (attrName != f.name) Attribute("fieldname", f.name);
        Attribute("attrname", attrName);
        Attribute("fieldtype", PacketTypeName(f.type));
        if (f.flags.readOnly) out_ += " readonly=\"true\"";
        if (f.flags.required) out_ += " required=\"true\"";
        if (f.flags.hidden) out_ += " hidden=\"true\"";
        if (f.flags.linkField) out_ += " linkfield=\"true\"";
        if (!f.subtype.empty()) Attribute("SUBTYPE", f.subtype);
        if (f.decimals != 0) Attribute("DECIMALS", std::to_string(f.decimals));
        // A string or fixed-length binary field cannot be read without WIDTH, so it keeps one even when 0.
        const FieldKind kind = KindOf(f);
        if ((f.width != 0 && WritesWidth(kind)) || kind == FieldKind::String || kind == FieldKind::Bytes)
            Attribute("WIDTH", std::to_string(f.width));
        if (f.flags.calculated) out_ += " CALCULATED=\"1\"";
        const auto params = [&f](auto&& fn) {
            for (const auto& p : f.params)
                fn(p);
        };
        if (!WriteParams(params, f.type == PacketType::Nested)) return;
        if (f.type == PacketType::Nested) {
            WriteFields(f.nested);
            out_ += "<PARAMS/>";
        }
        out_ += "</FIELD>";
    }

    static bool WritesWidth(FieldKind kind) {
        switch (kind) {
        case FieldKind::String:
        case FieldKind::WideString:
        case FieldKind::Memo:
        case FieldKind::WideMemo:
        case FieldKind::Blob:
        case FieldKind::Bytes:
        case FieldKind::VarBytes:
        case FieldKind::Decimal:
            return true;
        default:
            return false;
        }
    }

    // Known parameters always stand as attributes; the others keep the place they were read from,
    // unless the name cannot be an attribute name.
    static bool WritesAsAttribute(const PacketParam& p) {
        return IsKnownParamName(p.name) || (p.placement == ParamPlacement::Attribute && IsPlainName(p.name));
    }

    static bool IsPlainName(std::string_view name) {
        if (name.empty()) return false;
        for (const char c : name) {
            const auto u = static_cast<unsigned char>(c);
            if (u <= 0x20 || kEscapes[u] != nullptr || c == '=' || c == '/') return false;
        }
        return true;
    }

    // Writes the parameters `forEach` visits that stand as attributes, then ends the open tag: with
    // "/>" when nothing is left for child elements (and `children` asks for none), else with ">"
    // followed by the other parameters as PARAM elements. Returns whether the element stays open.
    template <class ForEach> bool WriteParams(const ForEach& forEach, bool children) {
        forEach([&](const PacketParam& p) {
            if (WritesAsAttribute(p))
                Attribute(p.name, ParamValueText(p));
            else
                children = true;
        });
        if (!children) {
            out_ += "/>";
            return false;
        }
        out_.push_back('>');
        forEach([&](const PacketParam& p) {
            if (!WritesAsAttribute(p)) WriteParamChild(p);
        });
        return true;
    }

    void WriteParamChild(const PacketParam& p) {
        out_ += "<PARAM";
        Attribute("Name", p.name);
        Attribute("Value", ParamValueText(p));
        if (p.type != PacketType::String) Attribute("Type", PacketTypeName(p.type));
        if (p.roundtrip) out_ += " Roundtrip=\"True\"";
        out_ += "/>";
    }

    void WriteTableParams() {
        std::vector<PacketParam> own;
        if (!packet_.changeLog.empty()) {
            PacketParam log{"CHANGE_LOG", PacketType::UIntArray, std::vector<std::int64_t>{}};
            auto& list = std::get<std::vector<std::int64_t>>(log.value);
            list.reserve(packet_.changeLog.size() * 3);
            for (const auto& e : packet_.changeLog) {
                list.push_back(e.row);
                list.push_back(e.replaced);
                list.push_back(e.kind);
            }
            own.push_back(std::move(log));
        }
        if (packet_.hasAutoIncValue)
            own.push_back({"AUTOINCVALUE", PacketType::I4, std::int64_t{packet_.autoIncValue}});
        const auto all = [&](auto&& fn) {
            for (const auto& p : own)
                fn(p);
            for (const auto& p : packet_.params)
                fn(p);
        };
        out_ += "<PARAMS";
        if (WriteParams(all, false)) out_ += "</PARAMS>";
    }

    void WriteRows() {
        const auto& fields = packet_.fields;
        std::vector<FieldKind> kinds;
        std::vector<std::string> names;
        const std::vector<std::string> attrNames = AttrNamesOf(fields);
        bool anyBlob = false;
        for (size_t k = 0; k < fields.size(); ++k) {
            const FieldDef& f = fields[k];
            kinds.push_back(KindOf(f));
            anyBlob = anyBlob || IsBlobKind(kinds.back());
            // The attribute name with its "=\"" appended, converted once.
            std::string name(" ");
            if (utf8_) {
                name += Cp1252ToUtf8(attrNames[k]);
            } else {
                name += attrNames[k];
            }
            name += "=\"";
            names.push_back(std::move(name));
        }
        const std::vector<std::uint32_t> replaced =
            anyBlob ? ReplacedVersions(packet_) : std::vector<std::uint32_t>{};
        const bool dropUnused = packet_.changeLog.empty();
        for (size_t r = 0; r < packet_.rows.size(); ++r) {
            const PacketRow& row = packet_.rows[r];
            if (dropUnused && (row.rowState & kRowUnused) != 0) continue;
            out_ += "<ROW";
            if (row.rowState != 0) {
                out_ += " RowState=\"";
                AppendUnsigned(row.rowState);
                out_.push_back('"');
            }
            const PacketRow* previous = nullptr;
            if (anyBlob && (row.rowState & kRowModified) != 0 && replaced[r] != 0)
                previous = &packet_.rows[replaced[r] - 1];
            const size_t n = std::min(fields.size(), row.values.size());
            if (previous != nullptr) {
                for (size_t i = 0; i < n; ++i) {
                    const FieldView v = row.values[i];
                    if (IsBlobKind(kinds[i]) && i < previous->values.size()) {
                        if (v == previous->values[i]) continue;
                        // A missing value here would read back as the replaced version's value, so a
                        // value cleared in this version is written as empty instead.
                        if (IsNull(v)) {
                            out_ += names[i];
                            out_.push_back('"');
                            continue;
                        }
                    }
                    if (!IsNull(v)) WriteAttribute(fields[i], kinds[i], names[i], v);
                }
            } else {
                // Only the values a row holds are visited: a row of many fields and few values costs
                // what it carries, not its field count.
                row.values.ForEachValue([&](std::size_t i, const FieldView& v) {
                    if (i < n) WriteAttribute(fields[i], kinds[i], names[i], v);
                });
            }
            out_ += "/>";
        }
    }

    void WriteAttribute(const FieldDef& f, FieldKind kind, const std::string& name, const FieldView& v) {
        out_ += name;
        WriteValue(f, kind, v);
        out_.push_back('"');
    }

    void WriteValue(const FieldDef& f, FieldKind kind, const FieldView& v) {
        switch (kind) {
        case FieldKind::String:
        case FieldKind::Memo:
            if (const auto* s = std::get_if<std::string_view>(&v)) AppendText(*s);
            return;
        case FieldKind::WideString:
        case FieldKind::WideMemo:
            if (const auto* s = std::get_if<std::u16string_view>(&v)) AppendWideText(*s);
            return;
        case FieldKind::Blob:
        case FieldKind::Bytes:
        case FieldKind::VarBytes:
            if (const auto* s = std::get_if<std::string_view>(&v)) AppendBase64(out_, *s);
            return;
        default:
            AppendScalarText(out_, f, kind, v);
            return;
        }
    }

    const Datapacket& packet_;
    bool utf8_;
    std::string out_;
};

} // namespace

std::string WriteDatapacketXml(const Datapacket& packet, XmlTextMode mode) {
    return XmlWriter(packet, mode).Write();
}

} // namespace quorvel
