#include "platform/IniFile.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/IniText.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <string>

namespace quorvel {
namespace {

// Settings files are small; anything larger than this is not one and is treated as unreadable.
constexpr qint64 kMaxIniFileSize = 16 * 1024 * 1024;
// The file is read a block at a time: a buffer of the limit's size, mapped and released at every
// read, cost the opening of a proposal (three reads) about a millisecond for a file of a few lines.
constexpr qint64 kReadBlock = 64 * 1024;

std::optional<std::string> ReadBytes(const QString& fileName) {
    QFile file(fileName);
    if (!FileExists(fileName) || file.size() > kMaxIniFileSize || !OpenRegularFileForReading(file).isEmpty())
        return std::nullopt;
    // Read to the end, also past the size taken above when the file grew since, up to the limit.
    QByteArray bytes;
    for (;;) {
        const QByteArray block = file.read(std::min(kReadBlock, kMaxIniFileSize + 1 - bytes.size()));
        if (block.isEmpty()) break;
        bytes += block;
        if (bytes.size() > kMaxIniFileSize) return std::nullopt;
    }
    return bytes.toStdString();
}

[[noreturn]] void ThrowInvalid(const char* what, const QString& name) {
    throw Exception(QStringLiteral("Invalid settings %1 \"%2\"").arg(QLatin1String(what), name));
}

} // namespace

TIniFile::TIniFile(QString fileName)
    : fileName_(std::move(fileName)) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const auto bytes = ReadBytes(fileName_);
    if (!bytes) return defaultValue;
    const auto value = IniFindValue(*bytes, QStringToCp1252(section), QStringToCp1252(key));
    return value ? Cp1252ToQString(*value) : defaultValue;
}

bool TIniFile::SectionExists(const QString& section) const {
    const auto bytes = ReadBytes(fileName_);
    return bytes && IniHasSection(*bytes, QStringToCp1252(section));
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    const auto bytes = ReadBytes(fileName_);
    return bytes && IniFindValue(*bytes, QStringToCp1252(section), QStringToCp1252(key)).has_value();
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const std::string sectionBytes = QStringToCp1252(section);
    const std::string keyBytes = QStringToCp1252(key);
    const std::string valueBytes = QStringToCp1252(value);
    if (!IniValidSectionName(sectionBytes)) ThrowInvalid("section name", section);
    if (!IniValidKeyName(keyBytes)) ThrowInvalid("key name", key);
    if (!IniValidValue(valueBytes))
        throw Exception(QStringLiteral("A settings value cannot hold a line break"));

    std::string text;
    if (FileExists(fileName_)) {
        const auto bytes = ReadBytes(fileName_);
        if (!bytes || !QFileInfo(fileName_).isWritable())
            throw Exception(
                QStringLiteral("Cannot write file \"%1\": the file cannot be read or is read-only")
                    .arg(fileName_));
        text = *bytes;
    }
    ReplaceFileAtomically(fileName_, IniWithValue(text, sectionBytes, keyBytes, valueBytes));
}

} // namespace quorvel
