#include "report/export/QrexportWmf.h"

#include "platform/Files.h"
#include "platform/Metafile.h"
#include "report/export/QrexportWmfConvert.h"
#include "report/pagestore/QrprntrPrinter.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace quorvel {

QString TQRWMFExportFilter::GetDescription() const {
    return QStringLiteral("WMF Export filter");
}
QString TQRWMFExportFilter::GetExtension() const {
    return QStringLiteral("WMF");
}
QString TQRWMFExportFilter::GetFilterName() const {
    return QStringLiteral("WMF File");
}

QString TQRWMFExportFilter::BaseNameOf(const QString& target) {
    const QFileInfo info(target);
    const qsizetype dot = info.fileName().lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? target : target.left(target.size() - (info.fileName().size() - dot));
}

QString TQRWMFExportFilter::PageFileName(const QString& baseName, int page, TQRMetafileFormat format) {
    return baseName + QStringLiteral("%1").arg(page, 3, 10, QLatin1Char('0')) +
           (format == TQRMetafileFormat::Enhanced ? QStringLiteral(".emf") : QStringLiteral(".wmf"));
}

void TQRWMFExportFilter::Start(int paperWidth, int paperHeight, const TFont& font) {
    baseName_ = BaseNameOf(TargetFile());
    TQRExportFilter::Start(paperWidth, paperHeight, font);
}

QString TQRWMFExportFilter::PageFileName(int page) const {
    return PageFileName(baseName_, page, Format());
}

// Turns the pages of a page store into page files of one set, which replace the files of those names
// together. Pages handed over while a pass still runs are written by a thread of its own.
class TQRWMFExportFilter::PageFileWriter {
public:
    // `ownPages`: the pages come from the pass this process runs, not from a saved report, whose
    // pages are read (and checked) as pictures.
    PageFileWriter(const QString& baseName, TQRMetafileFormat format, TQRPrinter& pages, bool ownPages)
        : baseName_(baseName)
        , format_(format)
        , pages_(pages)
        , ownPages_(ownPages)
        , files_(PageFileName(baseName_, 1, format_), LinkAtName::Replace) {}
    ~PageFileWriter() { Stop(Remaining::Dropped); }
    PageFileWriter(const PageFileWriter&) = delete;
    PageFileWriter& operator=(const PageFileWriter&) = delete;

    void HandOver(int count) {
        {
            const std::lock_guard lock(mutex_);
            ready_ = std::max(ready_, count);
        }
        if (!thread_.joinable()) thread_ = std::thread([this] { Follow(); });
        wake_.notify_one();
    }

    // Lets the thread write what it was handed, writes pages up to `count` that it was not, and puts
    // the whole set into place; page files of the name beyond `count`, left by a longer report, go in
    // the same step.
    void Finish(int count) {
        Stop(Remaining::Written);
        if (failure_) std::rethrow_exception(failure_);
        while (written_ < count)
            Write(written_ + 1);
        const auto nameOf = [this](int page) { return PageFileName(baseName_, page, format_); };
        for (const auto& [page, name] : NumberedFiles(nameOf))
            if (page > count) files_.Remove(name);
        files_.Commit();
    }

private:
    enum class Remaining : std::uint8_t { Written, Dropped };

    void Stop(Remaining remaining) {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            if (remaining == Remaining::Dropped) ready_ = 0;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    void Follow() {
        try {
            for (;;) {
                {
                    std::unique_lock lock(mutex_);
                    wake_.wait(lock, [this] { return stopping_ || written_ < ready_; });
                    if (written_ >= ready_) return;
                }
                Write(written_ + 1);
            }
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    // The page file's bytes; nothing for a page still being composed.
    std::optional<QByteArray> PageFile(int page) {
        const bool enhanced = format_ == TQRMetafileFormat::Enhanced;
        // A running pass stores the enhanced metafile of each page as it is to be saved.
        if (ownPages_ && enhanced) return pages_.PageList().GetPageBody(page);
        const std::unique_ptr<TMetafile> picture = pages_.GetPage(page);
        if (!picture) return std::nullopt;
        picture->SetEnhanced(enhanced);
        return enhanced ? picture->SaveToBytes() : ConvertToPlaceableWmf(*picture);
    }

    void Write(int page) {
        if (const std::optional<QByteArray> bytes = PageFile(page))
            files_.Add(PageFileName(baseName_, page, format_),
                       std::string_view(bytes->constData(), std::size_t(bytes->size())));
        const std::lock_guard lock(mutex_);
        written_ = page;
    }

    const QString baseName_;
    const TQRMetafileFormat format_;
    TQRPrinter& pages_;
    const bool ownPages_;
    FileSetReplacement files_;
    std::mutex mutex_;
    std::condition_variable wake_;
    int ready_ = 0;   // pages handed over
    int written_ = 0; // pages done, in order
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

TQRWMFExportFilter::TQRWMFExportFilter(const QString& fileName)
    : TQRExportFilter(fileName) {}

TQRWMFExportFilter::~TQRWMFExportFilter() = default;

void TQRWMFExportFilter::PagesCompleted(TQRPrinter& pages, int count) {
    if (!writer_) writer_ = std::make_unique<PageFileWriter>(baseName_, Format(), pages, true);
    writer_->HandOver(count);
}

void TQRWMFExportFilter::Finish() {
    // Whatever happens, a thread still writing pages is stopped and its set dropped with this call.
    std::unique_ptr<PageFileWriter> writer = std::move(writer_);
    TQRPrinter* pages = ReportQRPrinter();
    if (pages != nullptr && pages->PageCount() > 0) {
        // The page files are one document: they replace the files of those names together.
        if (!writer) writer = std::make_unique<PageFileWriter>(baseName_, Format(), *pages, false);
        writer->Finish(pages->PageCount());
    }
    TQRExportFilter::Finish();
}

TQRWMFFilter::TQRWMFFilter(TComponent* owner)
    : TQRExportFilterComponent(owner, ExportFilterClass<TQRWMFExportFilter>()) {}

void TQRWMFFilter::Configure(TQRExportFilter& filter) const {
    if (auto* metafiles = dynamic_cast<TQRWMFExportFilter*>(&filter)) metafiles->SetEnhanced(enhanced_);
}

} // namespace quorvel
