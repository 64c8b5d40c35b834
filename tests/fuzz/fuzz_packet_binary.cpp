// Feeds arbitrary bytes to the binary datapacket reader. Whatever it accepts must write back in a
// stable form, and the XML writer must handle it.
#include "platform/Exceptions.h"
#include "store/Packet.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quorvel;
    Datapacket packet;
    try {
        packet = ReadDatapacketBinary(std::span<const char>(reinterpret_cast<const char*>(data), size));
    } catch (const EStoreError&) {
        return 0;
    }
    (void)WriteDatapacketXml(packet);
    std::string first;
    try {
        first = WriteDatapacketBinary(packet);
    } catch (const EStoreError&) {
        return 0;
    }
    const Datapacket again = ReadDatapacketBinary(std::span<const char>(first.data(), first.size()));
    if (WriteDatapacketBinary(again) != first) std::abort();
    return 0;
}
