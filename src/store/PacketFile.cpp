#include "store/PacketFile.h"

#include "platform/Files.h"
#include "store/PacketFileBlocks.h"
#include "store/StoreErrors.h"
#include "store/XmlTokenizer.h"

#include <QFile>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>

#include <sys/mman.h>

namespace quorvel {
namespace {

// Blocks and the drop step are small so that the window's pages, touched for the first time by
// every opening, cost a small file little: first-touch faults of a megabyte window were most of a
// 2,000-item opening's fixed cost.
constexpr std::size_t kBlockBytes = std::size_t{64} << 10;
// What is looked at to choose the reader: the binary signature, a byte order mark, the declaration.
constexpr std::size_t kPrefixBytes = std::size_t{64} << 10;
// The rows already read are dropped once they are this long, and the rest moved to the front: a
// few blocks of memory serve the whole file, and the pages are used again instead of new ones.
constexpr std::size_t kDropStep = std::size_t{128} << 10;

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

FileBlocks::FileBlocks(QFile& file, const QString& fileName)
    : file_(file)
    , fileName_(fileName) {
    const qint64 size = file.size();
    size_ = size > 0 ? static_cast<std::size_t>(size) : 0;
    reserved_ = size_ + kBlockBytes;
    void* base =
        mmap(nullptr, reserved_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED)
        RaiseDatabaseError(QStringLiteral("Cannot read file \"%1\". Out of memory.").arg(fileName));
    base_ = static_cast<char*>(base);
}

FileBlocks::~FileBlocks() {
    munmap(base_, reserved_);
}

bool FileBlocks::More() {
    if (atEnd_) return false;
    const std::size_t want = std::min(kBlockBytes, reserved_ - (dropped_ + filled_));
    char probe = 0;
    const qint64 got =
        want == 0 ? file_.read(&probe, 1) : file_.read(base_ + filled_, static_cast<qint64>(want));
    if (got < 0)
        RaiseDatabaseError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName_, file_.errorString()));
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

std::size_t FileBlocks::Drop(std::size_t count) noexcept {
    if (count < kDropStep || count > filled_) return 0;
    std::memmove(base_, base_ + count, filled_ - count);
    filled_ -= count;
    dropped_ += count;
    return count;
}

void OpenDatapacketFile(QFile& file, const QString& fileName) {
    if (const QString failure = OpenRegularFileForReading(file); !failure.isEmpty())
        RaiseDatabaseError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, failure));
}

bool StartsCodePageXml(FileBlocks& blocks) {
    bool whole = false;
    while (blocks.Held().size() < kPrefixBytes && !whole)
        whole = !blocks.More();
    const std::string_view prefix = blocks.Held();
    return !IsBinaryDatapacket(std::span<const char>(prefix.data(), prefix.size())) &&
           IsCodePageXml(prefix, whole);
}

Datapacket ReadDatapacketFile(const QString& fileName) {
    QFile file(fileName);
    OpenDatapacketFile(file, fileName);
    FileBlocks blocks(file, fileName);
    if (StartsCodePageXml(blocks)) return ReadDatapacketXml(blocks, blocks.Size());
    blocks.ReadAll();
    const std::string_view bytes = blocks.Held();
    return ReadDatapacket(std::span<const char>(bytes.data(), bytes.size()));
}

} // namespace quorvel
