#include "report/export/ExportOutput.h"

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
    // A new file takes the name: a link there is replaced, not written through onto another file.
    file_ = std::make_unique<AtomicFileWriter>(fileName_, LinkAtName::Replace);
    pending_.reserve(kBlockSize + 4096);
}

TExportOutput::~TExportOutput() = default;

void TExportOutput::WriteLine(std::string_view bytes) {
    Write(bytes);
    Write("\r\n");
}

void TExportOutput::Flush() {
    file_->Write(std::string_view(pending_.constData(), static_cast<std::size_t>(pending_.size())));
    flushed_ += pending_.size();
    pending_.resize(0);
}

void TExportOutput::Commit() {
    if (!file_) return;
    Flush();
    file_->Commit();
    file_.reset();
}

} // namespace quorvel
