#include "report/export/WmfReading.h"

#include "platform/ByteReader.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvel::testing {

WmfReading ReadWmf(const QByteArray& file) {
    WmfReading reading;
    ByteReader in(file);
    EXPECT_EQ(in.U32LE(), 0x9AC6CDD7u);
    EXPECT_EQ(in.U16LE(), 0);
    for (int i = 0; i < 4; ++i)
        reading.BoundingBox.push_back(in.I16LE());
    reading.Inch = in.U16LE();
    EXPECT_EQ(in.U32LE(), 0u);
    std::uint16_t checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= std::uint16_t(std::uint8_t(file[i]) | std::uint8_t(file[i + 1]) << 8);
    EXPECT_EQ(in.U16LE(), checksum);

    EXPECT_EQ(in.U16LE(), 1);
    EXPECT_EQ(in.U16LE(), 9);
    EXPECT_EQ(in.U16LE(), 0x0300);
    EXPECT_EQ(in.U32LE() * 2, std::uint32_t(file.size() - 22)) << "metafile size in words";
    const std::uint16_t objects = in.U16LE();
    const std::uint32_t maxRecord = in.U32LE();
    EXPECT_EQ(in.U16LE(), 0);

    std::vector<bool> live;
    std::uint32_t largest = 0;
    const auto create = [&live] {
        const auto free = std::find(live.begin(), live.end(), false);
        if (free != live.end())
            *free = true;
        else
            live.push_back(true);
    };
    while (true) {
        const std::size_t start = in.Offset();
        const std::uint32_t words = in.U32LE();
        const std::uint16_t function = in.U16LE();
        EXPECT_GE(words, 3u) << "record at " << start;
        largest = std::max(largest, words);
        ByteReader params = in.Sub(in.Offset(), std::size_t(words) * 2 - 6);
        in.Seek(start + std::size_t(words) * 2);
        ++reading.Records;
        if (function == 0x0000) break;
        switch (function) {
        case 0x02FA: // pen
        case 0x02FC: // brush
            create();
            break;
        case 0x02FB: { // font
            create();
            params.Skip(18);
            const std::string_view face = params.Chars(32);
            reading.FontFaces.push_back(Cp1252ToQString(face.substr(0, face.find('\0'))));
            break;
        }
        case 0x012D:
        case 0x01F0: { // select, delete
            const std::uint16_t slot = params.U16LE();
            EXPECT_TRUE(slot < live.size() && live[slot]) << "record at " << start << " names slot " << slot;
            if (function == 0x01F0 && slot < live.size()) live[slot] = false;
            break;
        }
        case 0x0A32: { // text
            const std::int16_t y = params.I16LE();
            const std::int16_t x = params.I16LE();
            const std::int16_t length = params.I16LE();
            const std::uint16_t options = params.U16LE();
            if (options & 0x0006) params.Skip(8);
            const std::string_view bytes = params.Chars(std::size_t(length));
            params.Skip(std::size_t(length) % 2);
            EXPECT_EQ(params.Remaining(), std::size_t(length) * 2) << "one advance per character";
            reading.Texts.push_back({Cp1252ToQString(bytes), QPoint(x, y)});
            break;
        }
        default:
            break;
        }
    }
    EXPECT_TRUE(in.AtEnd()) << "the end-of-file record is the last one";
    EXPECT_EQ(maxRecord, largest);
    EXPECT_EQ(objects, live.size()) << "object table as large as the slots used";
    return reading;
}

} // namespace quorvel::testing
