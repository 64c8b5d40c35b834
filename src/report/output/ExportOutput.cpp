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
}

void TExportOutput::WriteLine(std::string_view bytes) {
    Write(bytes);
    Write("\r\n");
}

void TExportOutput::Commit() {
    if (fileName_.isEmpty()) return;
    ReplaceFileAtomically(fileName_,
                          std::string_view(bytes_.constData(), static_cast<std::size_t>(bytes_.size())));
}

} // namespace quorvel
