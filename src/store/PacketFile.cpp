#include "store/PacketFile.h"

#include "platform/Files.h"
#include "store/StoreErrors.h"
#include "store/XmlTokenizer.h"

#include <QFile>

#include <algorithm>
#include <cstddef>
#include <span>
#include <string_view>

#include <sys/mman.h>
#include <unistd.h>

namespace quorvel {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// What is looked at to choose the reader: the binary signature, a byte order mark, the declaration.
constexpr std::size_t kPrefixBytes = std::size_t{64} << 10;
// Memory is given back in steps of this size, so that the calls stay few.
constexpr std::size_t kReleaseStep = std::size_t{4} << 20;

// The bytes of an open file, read in blocks into one reserved address range a block longer than the
// file was when it was opened (a file that grows beyond that while it is read fails). The range never
// moves, so views into it stay valid; pages before a released offset go back to the system (and
// would read as zeros).
class FileBlocks final : public XmlByteSource {
public:
    FileBlocks(QFile& file, const QString& fileName)
        : file_(file)
        , fileName_(fileName)
        , page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
        const qint64 size = file.size();
        size_ = size > 0 ? static_cast<std::size_t>(size) : 0;
        reserved_ = size_ + kBlockBytes;
        void* base = mmap(nullptr, reserved_, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED)
            RaiseDatabaseError(QStringLiteral("Cannot read file \"%1\". Out of memory.").arg(fileName));
        base_ = static_cast<char*>(base);
    }
    ~FileBlocks() override { munmap(base_, reserved_); }
    FileBlocks(const FileBlocks&) = delete;
    FileBlocks& operator=(const FileBlocks&) = delete;

    std::string_view Held() const noexcept override { return {base_, filled_}; }

    bool More() override {
        if (atEnd_) return false;
        const std::size_t want = std::min(kBlockBytes, reserved_ - filled_);
        char probe = 0;
        const qint64 got =
            want == 0 ? file_.read(&probe, 1) : file_.read(base_ + filled_, static_cast<qint64>(want));
        if (got < 0)
            RaiseDatabaseError(
                QStringLiteral("Cannot read file \"%1\". %2").arg(fileName_, file_.errorString()));
        if (want == 0 && got > 0)
            RaiseDatabaseError(
                QStringLiteral("Cannot read file \"%1\". It grew while it was read.").arg(fileName_));
        if (got == 0) {
            atEnd_ = true;
            return false;
        }
        filled_ += static_cast<std::size_t>(got);
        return true;
    }

    void ReadAll() {
        while (More()) {
        }
    }

    // Whole pages only, and one page short of `offset`, so that a look one byte back still finds
    // the bytes it read.
    void Release(std::size_t offset) noexcept override {
        const std::size_t end = offset / page_ * page_;
        if (end < released_ + kReleaseStep + page_) return;
        const std::size_t upTo = end - page_;
        madvise(base_ + released_, upTo - released_, MADV_DONTNEED);
        released_ = upTo;
    }

    // The file's size when it was opened.
    std::size_t Size() const noexcept { return size_; }

private:
    QFile& file_;
    const QString& fileName_;
    std::size_t page_;
    char* base_ = nullptr;
    std::size_t size_ = 0;
    std::size_t reserved_ = 0;
    std::size_t filled_ = 0;
    std::size_t released_ = 0;
    bool atEnd_ = false;
};

// True when `prefix`, the start of a document, shows that the whole document is code-page text for
// the XML reader as it stands: no byte order mark and no declaration naming UTF-8. False also when
// the prefix ends before it can tell.
bool IsCodePageXml(std::string_view prefix, bool whole) {
    if (prefix.starts_with("\xEF\xBB\xBF") || DeclaresUtf8(prefix)) return false;
    if (whole) return true;
    std::size_t first = 0;
    while (first < prefix.size() && IsXmlBlank(prefix[first]))
        ++first;
    if (first == prefix.size()) return false;
    // A declaration decides only once its end is in view.
    return !prefix.substr(first).starts_with("<?") || prefix.find("?>", first + 2) != std::string_view::npos;
}

} // namespace

Datapacket ReadDatapacketFile(const QString& fileName) {
    QFile file(fileName);
    // A device or a FIFO would be read for ever, or waited on: only a regular file is opened.
    if (const QString failure = OpenRegularFileForReading(file); !failure.isEmpty())
        RaiseDatabaseError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, failure));
    FileBlocks blocks(file, fileName);
    bool whole = false;
    while (blocks.Held().size() < kPrefixBytes && !whole)
        whole = !blocks.More();
    const std::string_view prefix = blocks.Held();
    if (!IsBinaryDatapacket(std::span<const char>(prefix.data(), prefix.size())) &&
        IsCodePageXml(prefix, whole))
        return ReadDatapacketXml(blocks, blocks.Size());
    blocks.ReadAll();
    const std::string_view bytes = blocks.Held();
    return ReadDatapacket(std::span<const char>(bytes.data(), bytes.size()));
}

} // namespace quorvel
