#pragma once

#include <cstddef>

namespace quorvel {

// What a sheet reader takes before it refuses a file. A proposal's sheet of 20,000 items with their
// long descriptions is a few megabytes; the limits leave room for far larger ones while keeping a
// hostile file (a zip bomb, a million repeated rows, a cell of a hundred megabytes) to bounded memory.
struct SheetLimits {
    std::size_t maxFileBytes = std::size_t{64} << 20;
    // Bytes inflated from all the zip entries read, together.
    std::size_t maxInflatedBytes = std::size_t{256} << 20;
    // Bytes of XML read without the parser completing a token: a cell text, a tag with its
    // attributes. A cell at its character limit, escaped, is well below.
    std::size_t maxTokenBytes = std::size_t{1} << 20;
    std::size_t maxZipEntries = 10000;
    int maxRows = 1048576;
    int maxColumns = 16384;
    std::size_t maxCells = 1500000;
    // The most characters a spreadsheet cell holds.
    int maxCellChars = 32767;
    // Characters of all texts kept, shared strings included.
    std::size_t maxTextChars = std::size_t{64} << 20;
};

} // namespace quorvel
