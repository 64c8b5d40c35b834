#pragma once

#include "store/Packet.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace quorvel {

// A datapacket file whose rows are read again on demand instead of being held. Opening it reads the
// document once, forward, hands every stored row version to a visitor as it is decoded, and keeps
// only the field list, the table's parameters, the change log and where each version lies in the
// file. A code-page XML document (the program's own form) is read this way; any other (binary,
// UTF-8) is read whole and its rows are kept in memory, behind the same interface.
class PacketRowFile {
public:
    // `version` is the 0-based storage position. The row is as decoded: a modified version's
    // left-out long-text or binary values read NULL here (ReadVersions fills them in). A document
    // read whole hands out its rows with those values already filled in.
    using Visitor = std::function<void(std::uint32_t version, const PacketRow& row)>;
    // Sees the field list, parameters and change log once they are read: before the first row, or
    // at the end of a document without rows.
    using HeaderVisitor = std::function<void(const Datapacket& header)>;

    // Throws what ReadDatapacketFile throws for the same file (EDatabaseError when it cannot be
    // opened or read, the readers' EStoreError with the same code and offset for a malformed one).
    // The memory budget of a load is charged what is kept per version, not the rows handed out.
    PacketRowFile(const QString& fileName, const Visitor& visit, const HeaderVisitor& header = {});
    ~PacketRowFile();
    PacketRowFile(const PacketRowFile&) = delete;
    PacketRowFile& operator=(const PacketRowFile&) = delete;

    // The field list, parameters, change log and autoincrement value as ReadDatapacketFile gives
    // them; `rows` is empty.
    const Datapacket& Header() const noexcept;
    std::uint32_t VersionCount() const noexcept;
    // False when the document was read whole and its rows are held (not code-page XML).
    bool RowsStayInFile() const noexcept;

    // The versions asked for, in the order asked, each exactly as ReadDatapacketFile's `rows` holds
    // it (left-out long texts and binary values taken from the versions they replaced). Reads the
    // file again, from the descriptor opened by the constructor (a file replaced by a rename since
    // then is still the one read); a file cut or changed so that a version no longer reads as the row
    // it was ends in EDatabaseError ("Cannot read file \"%1\". It changed while it was read.").
    // A version outside 0..VersionCount()-1 raises EDatabaseError; values carried into the versions
    // asked for that would take more memory than a load of the file may raise EStoreError (TooLarge).
    // Safe to call from one thread at a time with other calls (calls are serialised).
    std::vector<PacketRow> ReadVersions(std::span<const std::uint32_t> versions) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quorvel
