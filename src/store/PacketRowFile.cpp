#include "store/PacketRowFile.h"

#include "store/PacketFile.h"
#include "store/PacketFileBlocks.h"
#include "store/PacketLimits.h"
#include "store/PacketValueText.h"
#include "store/PacketXmlRows.h"
#include "store/StoreErrors.h"

#include <QFile>
#include <QHashFunctions>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>

#include <unistd.h>

namespace quorvel {
namespace {

// Versions whose bytes lie this close are read with one call, up to this much at a time: a
// window's rows are usually consecutive in the file.
constexpr std::size_t kNearBytes = std::size_t{16} << 10;
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

// Where a version lies in the file and a hash of its bytes, which tells a version that changed in
// place from the one that was read. 16 bytes a version.
struct Place {
    std::uint64_t offset : 63;
    std::uint64_t leavesOut : 1; // a modified version with a long-text or binary value NULL
    std::uint32_t length;
    std::uint32_t hash;
};
static_assert(sizeof(Place) == 16);

std::uint32_t HashOf(std::string_view bytes) noexcept {
    return static_cast<std::uint32_t>(qHashBits(bytes.data(), bytes.size(), 0x51A7));
}

} // namespace

struct PacketRowFile::State {
    QString fileName;
    QFile file;
    std::size_t fileSize = 0;
    std::vector<bool> blob; // per field: a long-text or binary kind
    // Document read whole: its header and rows.
    Datapacket header;
    std::vector<PacketRow> heldRows;
    bool held = false;
    // Document left in the file.
    std::unique_ptr<XmlRowReader> reader;
    std::vector<Place> places;
    // (version, version it replaced), ascending, for the versions that take left-out values.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> inherits;
    std::mutex mutex; // ReadVersions decodes through the one reader

    [[noreturn]] void RaiseChanged() const {
        RaiseDatabaseError(
            QStringLiteral("Cannot read file \"%1\". It changed while it was read.").arg(fileName));
    }

    // The version `version` takes left-out values from, or -1.
    std::int64_t InheritsFrom(std::uint32_t version) const noexcept {
        const auto it =
            std::lower_bound(inherits.begin(), inherits.end(), std::pair{version, std::uint32_t{0}});
        return it != inherits.end() && it->first == version ? std::int64_t{it->second} : -1;
    }

    // Reads [offset, offset + length) of the open file into `out`; a file now shorter has changed.
    void ReadRange(std::uint64_t offset, std::size_t length, std::string& out) const {
        out.resize(length);
        std::size_t done = 0;
        while (done < length) {
            const ssize_t got =
                ::pread(file.handle(), out.data() + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0)
                RaiseDatabaseError(QStringLiteral("Cannot read file \"%1\". %2")
                                       .arg(fileName, QString::fromLocal8Bit(std::strerror(errno))));
            if (got == 0) RaiseChanged();
            done += static_cast<std::size_t>(got);
        }
    }
};

PacketRowFile::PacketRowFile(const QString& fileName, const Visitor& visit, const HeaderVisitor& header)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.fileName = fileName;
    s.file.setFileName(fileName);
    OpenDatapacketFile(s.file, s.fileName);
    FileBlocks blocks(s.file, s.fileName);
    s.fileSize = blocks.Size();
    if (!StartsCodePageXml(blocks)) {
        blocks.ReadAll();
        const std::string_view bytes = blocks.Held();
        s.header = ReadDatapacket(std::span<const char>(bytes.data(), bytes.size()));
        s.heldRows = std::move(s.header.rows);
        s.header.rows.clear();
        s.held = true;
        s.file.close();
        if (header) header(s.header);
        for (std::size_t v = 0; v < s.heldRows.size(); ++v)
            visit(static_cast<std::uint32_t>(v), s.heldRows[v]);
        return;
    }
    s.reader = std::make_unique<XmlRowReader>(blocks, blocks.Size(), sizeof(Place));
    bool anyBlob = false;
    s.reader->Scan([&](PacketRow&& row, std::size_t begin, std::string_view element) {
        if (s.places.empty()) {
            // The field list and the change log are read before the first row.
            const Datapacket& read = s.reader->Header();
            s.blob.resize(read.fields.size());
            for (std::size_t i = 0; i < read.fields.size(); ++i) {
                s.blob[i] = IsBlobKind(KindOf(read.fields[i]));
                anyBlob = anyBlob || s.blob[i];
            }
            anyBlob = anyBlob && !read.changeLog.empty();
            if (header) header(read);
        }
        if (s.places.size() == std::numeric_limits<std::uint32_t>::max() ||
            element.size() > std::numeric_limits<std::uint32_t>::max())
            RaiseStoreError(StoreErrorCode::TooLarge, static_cast<long long>(begin));
        bool leavesOut = false;
        if (anyBlob && (row.rowState & kRowModified) != 0)
            for (std::size_t i = 0; i < s.blob.size() && !leavesOut; ++i)
                leavesOut = s.blob[i] && IsNull(row.values[i]);
        Place place{};
        place.offset = begin;
        place.leavesOut = leavesOut ? 1 : 0;
        place.length = static_cast<std::uint32_t>(element.size());
        place.hash = HashOf(element);
        const auto version = static_cast<std::uint32_t>(s.places.size());
        s.places.push_back(place);
        visit(version, row);
    });
    s.places.shrink_to_fit();
    const Datapacket& read = s.reader->Header();
    if (s.places.empty() && header) header(read);
    if (anyBlob) {
        const std::vector<std::uint32_t> replaced = ReplacedVersions(read.changeLog, s.places.size());
        for (std::uint32_t v = 0; v < s.places.size(); ++v)
            if (s.places[v].leavesOut != 0 && replaced[v] != 0) s.inherits.emplace_back(v, replaced[v] - 1);
    }
}

PacketRowFile::~PacketRowFile() = default;

const Datapacket& PacketRowFile::Header() const noexcept {
    return state_->held ? state_->header : state_->reader->Header();
}

std::uint32_t PacketRowFile::VersionCount() const noexcept {
    return static_cast<std::uint32_t>(state_->held ? state_->heldRows.size() : state_->places.size());
}

bool PacketRowFile::RowsStayInFile() const noexcept {
    return !state_->held;
}

std::vector<PacketRow> PacketRowFile::ReadVersions(std::span<const std::uint32_t> versions) const {
    State& s = *state_;
    const std::uint32_t count = VersionCount();
    for (const std::uint32_t v : versions)
        if (v >= count) RaiseDatabaseError(QStringLiteral("List index out of bounds (%1)").arg(v));
    std::vector<PacketRow> out;
    out.reserve(versions.size());
    if (s.held) {
        for (const std::uint32_t v : versions)
            out.push_back(s.heldRows[v]);
        return out;
    }
    std::lock_guard lock(s.mutex);
    // The versions asked for and those whose values they take, in storage (and file) order.
    std::vector<std::uint32_t> needed(versions.begin(), versions.end());
    for (const std::uint32_t v : versions)
        for (std::int64_t from = s.InheritsFrom(v); from >= 0;
             from = s.InheritsFrom(static_cast<std::uint32_t>(from)))
            needed.push_back(static_cast<std::uint32_t>(from));
    std::sort(needed.begin(), needed.end());
    needed.erase(std::unique(needed.begin(), needed.end()), needed.end());
    std::vector<PacketRow> rows(needed.size());
    std::string buffer;
    for (std::size_t first = 0; first < needed.size();) {
        // A run of versions that lie near each other is read at once.
        const Place& start = s.places[needed[first]];
        std::uint64_t end = start.offset + start.length;
        std::size_t last = first + 1;
        while (last < needed.size()) {
            const Place& next = s.places[needed[last]];
            const std::uint64_t nextEnd = next.offset + next.length;
            if (next.offset > end + kNearBytes || nextEnd - start.offset > kBatchBytes) break;
            end = std::max(end, nextEnd);
            ++last;
        }
        s.ReadRange(start.offset, static_cast<std::size_t>(end - start.offset), buffer);
        for (std::size_t k = first; k < last; ++k) {
            const Place& place = s.places[needed[k]];
            const std::string_view element = std::string_view(buffer).substr(
                static_cast<std::size_t>(place.offset - start.offset), place.length);
            if (HashOf(element) != place.hash) s.RaiseChanged();
            try {
                rows[k] = s.reader->DecodeRow(element);
            } catch (const EStoreError&) {
                s.RaiseChanged();
            }
        }
        first = last;
    }
    // Left-out values: a version asked for takes each from the nearest version up its chain that
    // holds it, which is the value the whole read carries down the chain. Only the versions asked
    // for get copies (and are charged for them); the others are read to be looked at.
    LoadBudget budget(s.fileSize);
    const auto at = [&](std::uint32_t v) {
        return static_cast<std::size_t>(std::lower_bound(needed.begin(), needed.end(), v) - needed.begin());
    };
    const auto leavesOut = [&](const PacketRow& row) {
        for (std::size_t i = 0; i < s.blob.size(); ++i)
            if (s.blob[i] && IsNull(row.values[i])) return true;
        return false;
    };
    std::vector<bool> asked(needed.size());
    for (const std::uint32_t v : versions)
        asked[at(v)] = true;
    for (std::size_t k = 0; k < needed.size(); ++k) {
        if (!asked[k]) continue;
        for (std::int64_t from = s.InheritsFrom(needed[k]); from >= 0 && leavesOut(rows[k]);
             from = s.InheritsFrom(static_cast<std::uint32_t>(from)))
            InheritLeftOutValues(rows[k], rows[at(static_cast<std::uint32_t>(from))], s.blob, budget,
                                 s.fileSize);
    }
    for (const std::uint32_t v : versions)
        out.push_back(rows[at(v)]);
    return out;
}

} // namespace quorvel
