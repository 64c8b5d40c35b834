#include "platform/IniText.h"

#include "platform/CodePage.h"

#include <QString>

#include <vector>

namespace quorvel {
namespace {

struct Document {
    std::vector<std::string> lines; // without their line breaks
    std::string lineBreak = "\r\n";
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    a = Trim(a);
    b = Trim(b);
    if (a.size() != b.size()) return false;
    if (a == b) return true;
    return Cp1252ToQString(a).compare(Cp1252ToQString(b), Qt::CaseInsensitive) == 0;
}

// The section name when the line is a section header.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> EntryOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Entry{Trim(line.substr(0, eq)), line.substr(eq + 1)};
}

Document Parse(std::string_view bytes) {
    Document doc;
    bool breakSeen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        doc.lines.emplace_back(bytes.substr(pos, end - pos));
        if (end == bytes.size()) break;
        std::size_t next = end + 1;
        if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
        if (!breakSeen) {
            doc.lineBreak = std::string(bytes.substr(end, next - end));
            breakSeen = true;
        }
        pos = next;
    }
    return doc;
}

std::optional<std::size_t> FindSection(const Document& doc, std::string_view section) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const auto name = SectionOf(doc.lines[i]);
        if (name && SameName(*name, section)) return i;
    }
    return std::nullopt;
}

// One past the last line of the section whose header is at `header`.
std::size_t SectionEnd(const Document& doc, std::size_t header) {
    std::size_t i = header + 1;
    while (i < doc.lines.size() && !SectionOf(doc.lines[i]))
        ++i;
    return i;
}

std::optional<std::size_t> FindKey(const Document& doc, std::size_t header, std::string_view key) {
    const std::size_t end = SectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto entry = EntryOf(doc.lines[i]);
        if (entry && SameName(entry->key, key)) return i;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> IniFindValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const Document doc = Parse(text);
    const auto header = FindSection(doc, section);
    if (!header) return std::nullopt;
    const auto line = FindKey(doc, *header, key);
    if (!line) return std::nullopt;
    return std::string(EntryOf(doc.lines[*line])->value);
}

bool IniHasSection(std::string_view text, std::string_view section) {
    return FindSection(Parse(text), section).has_value();
}

bool IniValidSectionName(std::string_view name) {
    return !Trim(name).empty() && name.find_first_of("]\r\n") == std::string_view::npos;
}

bool IniValidKeyName(std::string_view name) {
    const std::string_view trimmed = Trim(name);
    return !trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '[' &&
           name.find_first_of("=\r\n") == std::string_view::npos;
}

bool IniValidValue(std::string_view value) {
    return value.find_first_of("\r\n") == std::string_view::npos;
}

std::string IniWithValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value) {
    Document doc = Parse(text);
    if (const auto header = FindSection(doc, section)) {
        if (const auto line = FindKey(doc, *header, key)) {
            std::string& entry = doc.lines[*line];
            entry = entry.substr(0, entry.find('=') + 1) + std::string(value);
        } else {
            // After the section's last entry, before the blank lines that separate it from the next.
            std::size_t at = SectionEnd(doc, *header);
            while (at > *header + 1 && Trim(doc.lines[at - 1]).empty())
                --at;
            doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at),
                             std::string(Trim(key)) + "=" + std::string(value));
        }
    } else {
        if (!doc.lines.empty() && !Trim(doc.lines.back()).empty()) doc.lines.emplace_back();
        doc.lines.push_back("[" + std::string(Trim(section)) + "]");
        doc.lines.push_back(std::string(Trim(key)) + "=" + std::string(value));
    }
    std::string out;
    for (const std::string& line : doc.lines) {
        out += line;
        out += doc.lineBreak;
    }
    return out;
}

} // namespace quorvel
