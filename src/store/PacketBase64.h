#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// Standard-alphabet Base64 with "=" padding and no line breaks, as binary values are carried in
// the XML datapacket.
void AppendBase64(std::string& out, std::string_view bytes);
// Decodes Base64, skipping every character outside the alphabet; decoding stops at the first "=".
std::string DecodeBase64(std::string_view text);

} // namespace quorvel
