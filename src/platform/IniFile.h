#pragma once

#include <QString>

namespace quorvel {

// A settings file in the classic INI text form, read and written by section and key. Every call works
// on the file on disk (nothing is cached), so two objects on one file always agree.
//
// - Sections and keys are found without regard to letter case; the first of duplicates wins.
// - A key's value is everything after its first "=", kept exactly: blanks at either end are part of it.
// - A write replaces the key's line in place, appends a new key after the last entry of its section,
//   and appends a new section at the end of the file, so sections and keys keep their creation order.
// - A missing file is created by the first write. A new file's lines end with CR LF; a rewritten file
//   keeps the line ending it had.
// - Values are single-byte code-page text; characters the code page cannot hold become "?".
// - The text rules are in IniText.h.
// - Every write rewrites the whole file atomically (temporary file, then rename). A write that cannot
//   be done (unwritable folder or file, line break inside a name or value) throws Exception and leaves
//   the file as it was. A file that cannot be read gives the defaults.
class TIniFile {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

private:
    QString fileName_;
};

} // namespace quorvel
