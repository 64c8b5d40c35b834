#pragma once

#include <span>
#include <string>

namespace quorvel {

// The PDF LZW code with early change: codes most significant bit first, 9 bits wide at the start,
// a clear-table code (256) first, new entries from 258, widths of 10, 11 and 12 bits once 511, 1023
// and 2047 are assigned, a clear-table code when the table would pass 4095 entries, the end-of-data
// code (257) last and the final byte padded with zero bits.
std::string LZWEncode(std::span<const unsigned char> data);

// ASCII base-85: each 4-byte group becomes 5 characters from "!" ("z" for a group of zeros), a final
// group of n bytes gives n + 1 characters, a CR LF follows once more than 200 characters were
// written since the last one, and "~>" ends the data.
std::string ASCII85Encode(std::span<const unsigned char> data);

} // namespace quorvel
