#include "report/export/Lzw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace quorvel;

namespace {

std::span<const unsigned char> Bytes(const std::string& s) {
    return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

// A reader's decoder with early change, independent of the encoder: it checks every width switch
// and table reset the encoder makes.
std::string LzwDecode(const std::string& code) {
    std::vector<std::string> table;
    auto reset = [&] {
        table.clear();
        for (int i = 0; i < 256; ++i)
            table.emplace_back(1, static_cast<char>(i));
        table.emplace_back();
        table.emplace_back();
    };
    reset();
    std::string out;
    std::size_t bitPos = 0;
    int width = 9;
    std::string previous;
    bool havePrevious = false;
    while (bitPos + static_cast<std::size_t>(width) <= code.size() * 8) {
        int value = 0;
        for (int i = 0; i < width; ++i, ++bitPos)
            value = value << 1 | (static_cast<unsigned char>(code[bitPos / 8]) >> (7 - bitPos % 8) & 1);
        if (value == 256) {
            reset();
            width = 9;
            havePrevious = false;
            continue;
        }
        if (value == 257) return out;
        std::string entry;
        if (value < static_cast<int>(table.size()))
            entry = table[static_cast<std::size_t>(value)];
        else if (havePrevious && value == static_cast<int>(table.size()))
            entry = previous + previous[0];
        else
            throw std::runtime_error("bad code " + std::to_string(value));
        if (havePrevious) table.push_back(previous + entry[0]);
        out += entry;
        previous = entry;
        havePrevious = true;
        const int next = static_cast<int>(table.size());
        if (next + 1 >= (1 << width) && width < 12) ++width;
    }
    throw std::runtime_error("no end-of-data code");
}

} // namespace

TEST(ImageEncoders, LzwKnownVectorsAndRoundTripsAcrossWidthsAndResets) {
    // The classic example of the LZW filter: codes 256 45 258 258 65 259 66 257.
    EXPECT_EQ(LZWEncode(Bytes("-----A---B")), std::string("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 9));
    EXPECT_EQ(LZWEncode({}), std::string("\x80\x40\x40", 3)) << "clear and end-of-data, padded";

    std::mt19937 random(7);
    std::string mixed;
    for (int i = 0; i < 60000; ++i)
        mixed += static_cast<char>(i % 7 == 0 ? random() % 256 : 'a' + (i / 13) % 5);
    const std::string noise = [&] {
        std::string s;
        for (int i = 0; i < 20000; ++i)
            s += static_cast<char>(random() % 256);
        return s;
    }();
    for (const std::string& data : {mixed, noise, std::string(100000, '\0')}) {
        const std::string coded = LZWEncode(Bytes(data));
        EXPECT_EQ(LzwDecode(coded), data);
    }
}

TEST(ImageEncoders, Ascii85GroupsZerosTailsAndLineBreaks) {
    EXPECT_EQ(ASCII85Encode(Bytes("Man ")), "9jqo^~>");
    EXPECT_EQ(ASCII85Encode(Bytes("Man")), "9jqo~>");
    EXPECT_EQ(ASCII85Encode(Bytes(std::string(4, '\0'))), "z~>");
    EXPECT_EQ(ASCII85Encode(Bytes(std::string(5, '\0'))), "z!!~>");
    EXPECT_EQ(ASCII85Encode(Bytes("\xff\xff\xff\xff")), "s8W-!~>");
    EXPECT_EQ(ASCII85Encode({}), "~>");

    // 41 groups give 205 characters: the break comes once the count passes 200, that is after the
    // 41st group, and the count starts again.
    const std::string data(4 * 82, 'x');
    const std::string coded = ASCII85Encode(Bytes(data));
    const auto first = coded.find("\r\n");
    EXPECT_EQ(first, 205u);
    EXPECT_EQ(coded.find("\r\n", first + 2), 205u + 2 + 205);
    EXPECT_TRUE(coded.ends_with("\r\n~>"));
}
