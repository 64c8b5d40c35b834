// Feeds arbitrary bytes to the binary datapacket reader. Whatever it accepts must write back in a
// stable form, and the XML writer must handle it.
#include "platform/Exceptions.h"
#include "store/Packet.h"
#include "store/StoreErrors.h"

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
    Datapacket again;
    try {
        again = ReadDatapacketBinary(std::span<const char>(first.data(), first.size()));
    } catch (const EStoreError& e) {
        // A load may hold a fixed allowance plus a multiple of its file's size, and the written file can
        // be smaller than the one read: content at the edge of the input's allowance can be over the
        // written file's. Any other refusal of what the writer made is a fault.
        if (e.ErrorCode() != static_cast<int>(StoreErrorCode::TooLarge)) std::abort();
        return 0;
    }
    if (WriteDatapacketBinary(again) != first) std::abort();
    return 0;
}
