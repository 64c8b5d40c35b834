// Feeds arbitrary bytes to the XML datapacket reader. Whatever it accepts must write back in a stable
// form: writing, reading and writing again gives the same bytes, in both text modes and through the
// binary form.
#include "platform/Exceptions.h"
#include "store/Packet.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace {

quorvel::Datapacket Read(const std::string& text) {
    return quorvel::ReadDatapacketXml(std::span<const char>(text.data(), text.size()));
}

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    using namespace quorvel;
    Datapacket packet;
    try {
        packet = ReadDatapacketXml(std::span<const char>(reinterpret_cast<const char*>(data), size));
    } catch (const EStoreError&) {
        return 0;
    }
    const std::string first = WriteDatapacketXml(packet);
    Check(WriteDatapacketXml(Read(first)) == first);
    const std::string utf8 = WriteDatapacketXml(packet, XmlTextMode::Utf8);
    Check(WriteDatapacketXml(Read(utf8)) == first);
    std::string binary;
    try {
        binary = WriteDatapacketBinary(packet);
    } catch (const EStoreError&) {
        return 0; // names or values the binary form cannot hold
    }
    Check(WriteDatapacketXml(ReadDatapacketBinary(std::span<const char>(binary.data(), binary.size()))) ==
          first);
    return 0;
}
