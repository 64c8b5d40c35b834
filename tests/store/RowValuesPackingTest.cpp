#include "AllocationMeter.h"
#include "store/RowValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {
namespace {

// Values at the edges of what the packed block keeps in fewer bytes: integers at each byte-width
// boundary, decimals of every scale, dates with and without a time, empty and embedded-NUL texts, and
// wide texts of odd and even lengths behind texts of odd lengths (their alignment moves).
std::vector<FieldValue> EdgeValues() {
    std::vector<FieldValue> values;
    for (const std::int64_t n :
         {std::int64_t{0}, std::int64_t{-1}, std::int64_t{1}, std::int64_t{127}, std::int64_t{128},
          std::int64_t{-128}, std::int64_t{-129}, std::int64_t{255}, std::int64_t{32767},
          std::int64_t{-32769}, std::int64_t{8388608}, std::int64_t{2147483647}, std::int64_t{-2147483648LL},
          std::int64_t{549755813888LL}, std::numeric_limits<std::int64_t>::max(),
          std::numeric_limits<std::int64_t>::min()})
        values.emplace_back(n);
    values.emplace_back(true);
    values.emplace_back(false);
    for (const double d : {0.0, -0.0, 1.5, -1e300, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::denorm_min()})
        values.emplace_back(d);
    for (int scale = 0; scale <= TDecimal::kMaxScale; ++scale)
        values.emplace_back(TDecimal::FromUnits(scale % 2 ? -123456789012345678LL : 125, scale));
    values.emplace_back(TDecimal::FromUnits(0, 4));
    values.emplace_back(TDateTimeValue{738000, 0});
    values.emplace_back(TDateTimeValue{0, 86399999});
    values.emplace_back(TDateTimeValue{-5, 1});
    values.emplace_back(FieldValue{});
    values.emplace_back(std::string());
    values.emplace_back(std::string("a\0b", 3));
    values.emplace_back(std::u16string(u"\u00e7a"));
    values.emplace_back(std::string("x"));
    values.emplace_back(std::u16string());
    values.emplace_back(std::string("odd"));
    values.emplace_back(std::u16string(u"\u20ac\u00e3o"));
    values.emplace_back(std::string(70000, 'z')); // past what 2-byte offsets reach
    values.emplace_back(std::u16string(3, u'w'));
    return values;
}

void ExpectSameValues(const RowValues& row, const std::vector<FieldValue>& values, const char* what) {
    ASSERT_EQ(row.size(), values.size()) << what;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const FieldView view = row[i];
        ASSERT_EQ(view.index(), values[i].index()) << what << " field " << i;
        EXPECT_EQ(ValueOf(view), values[i]) << what << " field " << i;
        // A decimal keeps its places, not only its value (1.50 and 1.5 compare equal).
        if (const auto* d = std::get_if<TDecimal>(&values[i])) {
            EXPECT_EQ(std::get<TDecimal>(view).Scale(), d->Scale()) << what << " field " << i;
            EXPECT_EQ(std::get<TDecimal>(view).Units(), d->Units()) << what << " field " << i;
        }
        if (const auto* d = std::get_if<double>(&values[i])) {
            EXPECT_EQ(std::signbit(std::get<double>(view)), std::signbit(*d)) << what << " field " << i;
        }
        if (const auto* w = std::get_if<std::u16string_view>(&view)) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(w->data()) % alignof(char16_t), 0u)
                << what << " field " << i;
        }
    }
    EXPECT_TRUE(IsNull(row[values.size()])) << what;
}

// Every value comes back as it went in, through every way a row is made and changed, also with a
// leading field that shifts the whole payload by one byte.
TEST(RowValuesPacking, KeepsEdgeValuesThroughEveryWayARowIsMade) {
    for (const bool shifted : {false, true}) {
        std::vector<FieldValue> values = EdgeValues();
        if (shifted) values.insert(values.begin(), std::string("s"));
        ExpectSameValues(RowValues::Dense(values), values, "dense");
        ExpectSameValues(RowValues(values), values, "plain");

        std::vector<RowValues::Entry> entries;
        for (std::size_t i = values.size(); i-- > 0;)
            entries.emplace_back(static_cast<std::uint32_t>(i), values[i]);
        RowValues assigned;
        assigned.Assign(values.size(), entries);
        ExpectSameValues(assigned, values, "assigned");

        // Filled one field at a time from empty: it turns into a block halfway, then takes changes.
        RowValues filled(values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            filled.Set(i, values[i]);
        ExpectSameValues(filled, values, "filled");

        RowValues erased = RowValues::Dense(values);
        erased.EraseColumn(0);
        values.erase(values.begin());
        ExpectSameValues(erased, values, "erased");
    }
}

// A copy shares the block: what it hands out stays valid and unchanged whatever the row it was
// copied from does afterwards, its destruction included.
TEST(RowValuesPacking, ACopyKeepsItsValuesWhenTheOriginalChangesOrGoes) {
    const std::vector<FieldValue> values = EdgeValues();
    auto original = std::make_unique<RowValues>(RowValues::Dense(values));
    const RowValues copy = *original;
    const FieldView text = copy[values.size() - 2];
    for (std::size_t i = 0; i < values.size(); ++i)
        original->Set(i, std::int64_t{-7});
    EXPECT_EQ(std::get<std::int64_t>((*original)[3]), -7);
    original.reset();
    EXPECT_EQ(std::get<std::string_view>(text), std::string(70000, 'z'));
    ExpectSameValues(copy, values, "copy");

    // A change made to a copy beside the shared block is seen only by that copy.
    RowValues changed = copy;
    changed.Set(0, std::string("novo"));
    EXPECT_EQ(std::get<std::string_view>(changed[0]), "novo");
    EXPECT_EQ(std::get<std::int64_t>(copy[0]), 0);
    EXPECT_FALSE(changed == copy);
    changed.Set(0, values[0]);
    EXPECT_TRUE(changed == copy);
}

// A proposal item row (21 fields: numbers, decimals and short texts) costs about what it carries: well
// under half of what a 40-byte slot per field and a heap block per text took.
TEST(RowValuesPacking, AFilledRowCostsAboutWhatItCarries) {
    constexpr std::size_t kRows = 2000;
    std::vector<FieldValue> item;
    std::size_t payload = 0;
    for (int i = 0; i < 21; ++i) {
        if (i % 3 == 0) {
            item.emplace_back(std::string(12 + i, 'd'));
            payload += 12 + static_cast<std::size_t>(i);
        } else if (i % 3 == 1) {
            item.emplace_back(TDecimal::FromUnits(1234567, 4));
            payload += 8;
        } else {
            item.emplace_back(std::int64_t{100000 + i});
            payload += 8;
        }
    }
    std::vector<RowValues> rows;
    rows.reserve(kRows);
    const testing::AllocationMeter meter;
    for (std::size_t r = 0; r < kRows; ++r)
        rows.push_back(RowValues::Dense(item));
    const std::size_t perRow = meter.Peak() / kRows;
    EXPECT_LT(perRow, payload + 3 * item.size() + 64);
    EXPECT_LT(perRow, item.size() * sizeof(FieldValue) / 2);
}

} // namespace
} // namespace quorvel
