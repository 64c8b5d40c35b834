#pragma once

#include <QString>

#include <functional>
#include <string_view>

class QIODevice;

namespace quorvel {

// Folder of the running program, always ending with a separator, so that a file name can be appended
// directly ("…/bin/" + "config.ini").
QString ExecutableFolder();

bool FileExists(const QString& path);
bool DirectoryExists(const QString& path);

// The part of a path after its last separator ("/a/b/prop.xml" → "prop.xml").
QString ExtractFileName(const QString& path);

// Copies source to target byte for byte, replacing a target that exists. The target is written to a
// temporary file beside it and renamed into place, so a failed copy leaves an existing target as it
// was. Returns false on any failure (missing source, unwritable folder, full disk).
bool CopyFileReplacing(const QString& source, const QString& target);

// Creates the folder with every missing parent. True when the folder exists afterwards.
bool ForceDirectories(const QString& path);

// Creates a new, empty file with a unique name in folder (the system's temporary folder when empty)
// and returns its full path. The caller owns the file and removes it. Throws Exception on failure.
QString TemporaryFileName(const QString& folder = {}, const QString& prefix = QStringLiteral("qv"));

// Replaces the file at path atomically: the new content goes to a temporary file in the same folder,
// which is renamed over the old file only once everything was written and flushed. If writing fails
// or the writer throws, the old file is untouched and the temporary file is removed; the failure is
// thrown as Exception (or the writer's own exception passes through).
void ReplaceFileAtomically(const QString& path, std::string_view bytes);
void ReplaceFileAtomically(const QString& path, const std::function<void(QIODevice&)>& writer);

} // namespace quorvel
