#include "PacketJson.h"

#include "platform/CodePage.h"
#include "store/PacketValueText.h"

namespace quorvel {
namespace {

// A JSON string of UTF-8 text.
void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out.push_back(kHex[u >> 4]);
                out.push_back(kHex[u & 15]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
}

void AppendCodePageString(std::string& out, std::string_view text) {
    AppendJsonString(out, Cp1252ToUtf8(text));
}

void AppendFields(std::string& out, const std::vector<FieldDef>& fields) {
    out += "\"fields\":[";
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        if (i) out.push_back(',');
        out += "{\"name\":";
        AppendCodePageString(out, f.name);
        out += ",\"type\":";
        AppendJsonString(out, PacketTypeName(f.type));
        out += ",\"subtype\":";
        AppendCodePageString(out, f.subtype);
        out += ",\"width\":" + std::to_string(f.width);
        out += ",\"decimals\":" + std::to_string(f.decimals);
        out += std::string(",\"readonly\":") + (f.flags.readOnly ? "true" : "false");
        out += std::string(",\"required\":") + (f.flags.required ? "true" : "false");
        out.push_back('}');
    }
    out.push_back(']');
}

void AppendParams(std::string& out, const Datapacket& packet) {
    out += "\"params\":{";
    bool first = true;
    auto member = [&](std::string_view name, std::string_view text) {
        if (!first) out.push_back(',');
        first = false;
        AppendCodePageString(out, name);
        out.push_back(':');
        AppendCodePageString(out, text);
    };
    if (!packet.changeLog.empty()) {
        std::string log;
        for (const auto& e : packet.changeLog) {
            if (!log.empty()) log.push_back(' ');
            log += std::to_string(e.row) + ' ' + std::to_string(e.replaced) + ' ' + std::to_string(e.kind);
        }
        member("CHANGE_LOG", log);
    }
    if (packet.hasAutoIncValue) member("AUTOINCVALUE", std::to_string(packet.autoIncValue));
    for (const auto& p : packet.params)
        member(p.name, ParamValueText(p));
    out.push_back('}');
}

void AppendRows(std::string& out, const Datapacket& packet, DumpRows which) {
    out += "\"rows\":[";
    bool firstRow = true;
    for (const PacketRow& row : packet.rows) {
        if (which == DumpRows::Current && !IsCurrentRow(row.rowState)) continue;
        if (!firstRow) out.push_back(',');
        firstRow = false;
        out.push_back('{');
        bool first = true;
        if (which == DumpRows::AllVersions) {
            out += "\"RowState\":" + std::to_string(row.rowState);
            first = false;
        }
        row.values.ForEachValue([&](size_t i, const FieldView& value) {
            if (i >= packet.fields.size()) return;
            const FieldDef& f = packet.fields[i];
            if (!first) out.push_back(',');
            first = false;
            AppendCodePageString(out, f.name);
            out.push_back(':');
            const std::string text = FieldValueText(f, value);
            const FieldKind kind = KindOf(f);
            // Wide text comes back as UTF-8 already; everything else is code-page text or ASCII.
            if (kind == FieldKind::WideString || kind == FieldKind::WideMemo)
                AppendJsonString(out, text);
            else
                AppendCodePageString(out, text);
        });
        out.push_back('}');
    }
    out.push_back(']');
}

} // namespace

std::string DatapacketToJson(const Datapacket& packet, DumpRows rows) {
    std::string out = "{";
    AppendFields(out, packet.fields);
    out.push_back(',');
    AppendParams(out, packet);
    out.push_back(',');
    AppendRows(out, packet, rows);
    out += "}\n";
    return out;
}

} // namespace quorvel
