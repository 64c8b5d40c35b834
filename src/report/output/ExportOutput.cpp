#include "report/output/ExportOutput.h"

#include "platform/Exceptions.h"
#include "platform/Files.h"

#include <QFileInfo>

namespace quorvel {

TExportOutput::TExportOutput(QString fileName)
    : fileName_(std::move(fileName)) {
    if (fileName_.isEmpty()) return;
    const QFileInfo target(fileName_);
    const QFileInfo folder(target.absolutePath());
    if (target.isDir() || !folder.isDir() || !folder.isWritable())
        throw Exception(QStringLiteral("Cannot create file \"%1\"").arg(fileName_));
    // A device or a FIFO at the name would be renamed over: refused before the report runs.
    if (const QString refusal = ReplacementRefusal(fileName_, LinkAtName::Replace); !refusal.isEmpty())
        throw Exception(QStringLiteral("Cannot create file \"%1\": %2").arg(fileName_, refusal));
}

void TExportOutput::WriteLine(std::string_view bytes) {
    Write(bytes);
    Write("\r\n");
}

void TExportOutput::Commit() {
    if (fileName_.isEmpty()) return;
    // A new file takes the name: a link there is replaced, not written through onto another file.
    ReplaceFileAtomically(fileName_,
                          std::string_view(bytes_.constData(), static_cast<std::size_t>(bytes_.size())),
                          LinkAtName::Replace);
}

} // namespace quorvel
