// Feeds arbitrary bytes to the XML datapacket reader. Code-page text read in small blocks must end as
// the whole read does (the same packet, or the same error at the same offset). Whatever it accepts
// must write back in a stable form: writing, reading and writing again gives the same bytes, in both
// text modes and through the binary form.
#include "../store/BlockSource.h"

#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/PacketFile.h"
#include "store/StoreErrors.h"
#include "store/XmlTokenizer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace {

// A load may hold a fixed allowance plus a multiple of its file's size, and what the writer makes can
// be smaller than what it read (no blanks between elements, the binary form): content at the edge of
// the input's allowance can be over the written file's. That refusal, and only that, ends the check.
bool IsOverAllowance(const quorvel::EStoreError& e) {
    return e.ErrorCode() == static_cast<int>(quorvel::StoreErrorCode::TooLarge);
}

quorvel::Datapacket Read(const std::string& text) {
    return quorvel::ReadDatapacketXml(std::span<const char>(text.data(), text.size()));
}

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// The error of a read of `text` in blocks of seven bytes, or -1 with the packet in `packet`.
int ReadInBlocks(const std::string& text, quorvel::Datapacket& packet, long long& offset) {
    quorvel::testing::BlockSource source(text, 7);
    try {
        packet = quorvel::ReadDatapacketXml(source, text.size());
    } catch (const quorvel::EStoreError& e) {
        offset = e.Offset();
        return e.ErrorCode();
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quorvel;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const bool codePage = !input.starts_with("\xEF\xBB\xBF") && !DeclaresUtf8(input);
    Datapacket inBlocks;
    long long blockOffset = -1;
    const int blockCode = codePage ? ReadInBlocks(input, inBlocks, blockOffset) : -1;
    Datapacket packet;
    try {
        packet = ReadDatapacketXml(std::span<const char>(input.data(), input.size()));
    } catch (const EStoreError& e) {
        if (codePage)
            Check(blockCode == e.ErrorCode() && blockOffset == e.Offset(), "a read in blocks fails alike");
        return 0;
    }
    if (codePage) Check(blockCode == -1 && inBlocks == packet, "a read in blocks gives the same packet");
    const std::string first = WriteDatapacketXml(packet);
    const std::string utf8 = WriteDatapacketXml(packet, XmlTextMode::Utf8);
    try {
        Check(WriteDatapacketXml(Read(first)) == first, "code-page XML reads back to the same bytes");
        Check(WriteDatapacketXml(Read(utf8)) == first, "UTF-8 XML reads back to the same bytes");
    } catch (const EStoreError& e) {
        Check(IsOverAllowance(e), "written XML reads back");
        return 0;
    }
    std::string binary;
    try {
        binary = WriteDatapacketBinary(packet);
    } catch (const EStoreError&) {
        return 0; // names or values the binary form cannot hold
    }
    Datapacket fromBinary;
    try {
        fromBinary = ReadDatapacketBinary(std::span<const char>(binary.data(), binary.size()));
    } catch (const EStoreError& e) {
        Check(IsOverAllowance(e), "binary form reads back");
        return 0;
    }
    Check(WriteDatapacketXml(fromBinary) == first, "binary form reads back to the same XML");
    return 0;
}
