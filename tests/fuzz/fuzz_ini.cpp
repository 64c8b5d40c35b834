// Settings text from disk is untrusted: reading must never fail, and a write must land exactly where a
// read finds it without disturbing any other entry.
#include "platform/IniText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    using quorvel::IniFindValue;
    const auto other = IniFindValue(text, "FORNECEDOR", "IDENTIFICADOR");
    const auto elsewhere = IniFindValue(text, "OUTRA", "RAZAOSOCIAL");
    (void)quorvel::IniHasSection(text, "FORNECEDOR");

    const std::string written = quorvel::IniWithValue(text, "FORNECEDOR", "RAZAOSOCIAL", "  Empresa \xC1  ");
    if (IniFindValue(written, "FORNECEDOR", "RAZAOSOCIAL") != std::string("  Empresa \xC1  ")) std::abort();
    if (IniFindValue(written, "FORNECEDOR", "IDENTIFICADOR") != other ||
        IniFindValue(written, "OUTRA", "RAZAOSOCIAL") != elsewhere)
        std::abort();
    // Writing the same again changes nothing.
    if (quorvel::IniWithValue(written, "FORNECEDOR", "RAZAOSOCIAL", "  Empresa \xC1  ") != written)
        std::abort();
    return 0;
}
