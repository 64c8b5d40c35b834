#pragma once

#include "store/Packet.h"
#include "store/XmlTokenizer.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace quorvel {

class LoadBudget;

// Gives `row`, a modified version, the long-text and binary values it leaves out (NULL in it) from
// `previous`, the version it replaced; `blob[i]` tells the fields of those kinds. Each value carried
// is charged to `budget` before it is made; `offset` is where the error says reading stopped.
void InheritLeftOutValues(PacketRow& row, const PacketRow& previous, const std::vector<bool>& blob,
                          LoadBudget& budget, std::size_t offset);

// A code-page XML datapacket read forward once, its row versions handed out as they are decoded
// instead of kept, and single row elements decoded again afterwards with the field list of that read.
class XmlRowReader {
public:
    // A decoded row version, the document offset of its element's "<", and the element's bytes.
    using Sink = std::function<void(PacketRow&& row, std::size_t begin, std::string_view element)>;

    // `keptPerRow` is what the caller keeps for each row, charged to the load's memory budget
    // instead of the row itself.
    XmlRowReader(XmlByteSource& source, std::size_t fileSize, std::size_t keptPerRow);
    ~XmlRowReader();
    XmlRowReader(const XmlRowReader&) = delete;
    XmlRowReader& operator=(const XmlRowReader&) = delete;

    // Reads the document; throws what ReadDatapacketXml throws for it. Left-out long texts and
    // binary values of modified versions stay NULL.
    void Scan(const Sink& sink);
    // Fields, parameters, change log and autoincrement value; no rows.
    const Datapacket& Header() const noexcept;
    // Decodes `element`, the bytes of one row element as the scan saw them, as the scan decoded it.
    // Throws EStoreError when they do not read as one whole row element.
    PacketRow DecodeRow(std::string_view element);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::size_t keptPerRow_ = 0;
};

} // namespace quorvel
