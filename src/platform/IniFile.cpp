#include "platform/IniFile.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {
namespace {

// Settings files are small; anything larger than this is not one and is treated as unreadable.
constexpr qint64 kMaxIniFileSize = 16 * 1024 * 1024;

struct Line {
    std::string text; // without its line break
};

struct Document {
    std::vector<Line> lines;
    std::string lineBreak = "\r\n";
    bool endsWithBreak = true;
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

std::optional<std::string> ReadBytes(const QString& fileName) {
    QFile file(fileName);
    if (!FileExists(fileName) || file.size() > kMaxIniFileSize || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxIniFileSize + 1);
    if (bytes.size() > kMaxIniFileSize) return std::nullopt;
    return bytes.toStdString();
}

Document Parse(std::string_view bytes) {
    Document doc;
    bool breakSeen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        doc.lines.push_back({std::string(bytes.substr(pos, end - pos))});
        if (end == bytes.size()) {
            doc.endsWithBreak = false;
            break;
        }
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

std::string Serialize(const Document& doc) {
    std::string out;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        out += doc.lines[i].text;
        if (i + 1 < doc.lines.size() || doc.endsWithBreak) out += doc.lineBreak;
    }
    return out;
}

// Index of the header line of the section, if present.
std::optional<std::size_t> FindSection(const Document& doc, std::string_view section) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const auto name = SectionOf(doc.lines[i].text);
        if (name && SameName(*name, section)) return i;
    }
    return std::nullopt;
}

// One past the last line of the section that starts at header.
std::size_t SectionEnd(const Document& doc, std::size_t header) {
    std::size_t i = header + 1;
    while (i < doc.lines.size() && !SectionOf(doc.lines[i].text))
        ++i;
    return i;
}

std::optional<std::size_t> FindKey(const Document& doc, std::size_t header, std::string_view key) {
    const std::size_t end = SectionEnd(doc, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto entry = EntryOf(doc.lines[i].text);
        if (entry && SameName(entry->key, key)) return i;
    }
    return std::nullopt;
}

void CheckName(const std::string& name, std::string_view what, std::string_view forbidden) {
    if (Trim(name).empty() || name.find_first_of(forbidden) != std::string::npos)
        throw Exception(QStringLiteral("Invalid settings %1 name \"%2\"")
                            .arg(QString::fromLatin1(what.data(), static_cast<qsizetype>(what.size())),
                                 Cp1252ToQString(name)));
}

} // namespace

TIniFile::TIniFile(QString fileName)
    : fileName_(std::move(fileName)) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const auto bytes = ReadBytes(fileName_);
    if (!bytes) return defaultValue;
    const Document doc = Parse(*bytes);
    const auto header = FindSection(doc, QStringToCp1252(section));
    if (!header) return defaultValue;
    const auto line = FindKey(doc, *header, QStringToCp1252(key));
    if (!line) return defaultValue;
    return Cp1252ToQString(EntryOf(doc.lines[*line].text)->value);
}

bool TIniFile::SectionExists(const QString& section) const {
    const auto bytes = ReadBytes(fileName_);
    return bytes && FindSection(Parse(*bytes), QStringToCp1252(section)).has_value();
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    const auto bytes = ReadBytes(fileName_);
    if (!bytes) return false;
    const Document doc = Parse(*bytes);
    const auto header = FindSection(doc, QStringToCp1252(section));
    return header && FindKey(doc, *header, QStringToCp1252(key)).has_value();
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const std::string sectionBytes = QStringToCp1252(section);
    const std::string keyBytes = QStringToCp1252(key);
    const std::string valueBytes = QStringToCp1252(value);
    CheckName(sectionBytes, "section", "]\r\n");
    CheckName(keyBytes, "key", "=\r\n");
    if (valueBytes.find_first_of("\r\n") != std::string::npos)
        throw Exception(QStringLiteral("A settings value cannot hold a line break"));

    Document doc;
    if (FileExists(fileName_)) {
        const auto bytes = ReadBytes(fileName_);
        if (!bytes || !QFileInfo(fileName_).isWritable())
            throw Exception(
                QStringLiteral("Cannot write file \"%1\": the file cannot be read or is read-only")
                    .arg(fileName_));
        doc = Parse(*bytes);
    }

    const std::string entry = std::string(Trim(keyBytes)) + "=" + valueBytes;
    if (const auto header = FindSection(doc, sectionBytes)) {
        if (const auto line = FindKey(doc, *header, keyBytes)) {
            // The key keeps its own spelling; only the value changes.
            std::string& text = doc.lines[*line].text;
            text = text.substr(0, text.find('=') + 1) + valueBytes;
        } else {
            // After the section's last entry, before the blank lines that separate it from the next.
            std::size_t at = SectionEnd(doc, *header);
            while (at > *header + 1 && Trim(doc.lines[at - 1].text).empty())
                --at;
            doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), Line{entry});
        }
    } else {
        if (!doc.lines.empty() && !Trim(doc.lines.back().text).empty()) doc.lines.push_back(Line{});
        doc.lines.push_back(Line{"[" + std::string(Trim(sectionBytes)) + "]"});
        doc.lines.push_back(Line{entry});
    }
    doc.endsWithBreak = true;
    ReplaceFileAtomically(fileName_, Serialize(doc));
}

} // namespace quorvel
