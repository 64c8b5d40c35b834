#pragma once

#include "store/Decimal.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quorvel {

// A date, time of day, or both. `days` counts from 0001-01-01 (day 0) in the proleptic Gregorian
// calendar; `msec` is milliseconds since midnight (0..86399999). A date field uses `days` only, a time
// field `msec` only.
struct TDateTimeValue {
    std::int32_t days = 0;
    std::int32_t msec = 0;
    friend bool operator==(const TDateTimeValue&, const TDateTimeValue&) = default;
};

// One field value. Which alternative a field holds follows its FieldKind:
//   Integer, Unsigned         -> std::int64_t (unsigned 64-bit values keep their bit pattern)
//   Boolean                   -> bool
//   Float                     -> double
//   Decimal                   -> TDecimal (with Scale() == the field's Decimals)
//   Date, Time, DateTime      -> TDateTimeValue
//   String, Memo, Blob, Bytes, VarBytes -> std::string (code-page text, or raw bytes)
//   WideString, WideMemo      -> std::u16string
//   Nested, Struct, Array     -> always NULL (their values are not carried)
// std::monostate is NULL (the field has no value).
using FieldValue = std::variant<std::monostate, std::int64_t, bool, double, TDecimal, TDateTimeValue,
                                std::string, std::u16string>;

inline bool IsNull(const FieldValue& v) noexcept {
    return std::holds_alternative<std::monostate>(v);
}

// A field value as a row hands it out to be read: the same alternatives, in the same order, as
// FieldValue, except that text and bytes are views of the row's own storage. A view stays valid while
// the row it came from lives and is not changed (its copies keep it valid too: they share storage).
using FieldView = std::variant<std::monostate, std::int64_t, bool, double, TDecimal, TDateTimeValue,
                               std::string_view, std::u16string_view>;

inline bool IsNull(const FieldView& v) noexcept {
    return std::holds_alternative<std::monostate>(v);
}

// The view of an owned value (valid while `value` is unchanged), and an owned copy of a view.
FieldView ViewOf(const FieldValue& value) noexcept;
FieldValue ValueOf(const FieldView& view);

// The memory a value takes: its own slot and the text or bytes it keeps on the heap.
std::size_t FieldValueBytes(const FieldValue& value) noexcept;

// The values of one row, one per field, where a NULL takes no room. A row that holds a value in at
// least half of its fields keeps them packed in one block (read by position); a row of mostly NULLs
// keeps only its values with their field numbers. So a file of many fields and few values per row
// loads in memory proportional to the values it carries, while a filled proposal row is read directly.
//
// The block holds, after a small header, one tag byte per field (its kind, with a boolean's value or
// an exact decimal's places), the offsets of each field's bytes, then the bytes themselves: integers
// in as few bytes as carry them, floats and dates inline, texts as their bytes. It is never changed
// once made, and copies of a row share it: a copy that is then changed keeps only the values it
// changed, beside the shared block, until it has changed half of them. So the edit buffer of a record
// costs what was typed into it, and each new version of a record that a post appends shares the
// values it did not change with the version it replaces.
class RowValues {
public:
    RowValues() = default;
    // `count` fields, all NULL.
    explicit RowValues(std::size_t count);
    RowValues(std::initializer_list<FieldValue> values);
    explicit RowValues(std::span<const FieldValue> values);
    // Packs `values` as they are, for a caller that knows most of them are set.
    static RowValues Dense(std::span<const FieldValue> values);

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    // The value of field `column`: NULL when it has none, also beyond size().
    FieldView operator[](std::size_t column) const noexcept;
    // As operator[], but throws std::out_of_range beyond size().
    FieldView at(std::size_t column) const;
    // An owned copy of the value of field `column` (NULL beyond size()).
    FieldValue Value(std::size_t column) const { return ValueOf((*this)[column]); }

    // Sets field `column` (below size()).
    void Set(std::size_t column, FieldValue value);
    // Makes the row `count` fields long: new fields are NULL, fields beyond `count` are dropped.
    void resize(std::size_t count);
    // Removes field `column`; the fields after it move one place down.
    void EraseColumn(std::size_t column);
    void clear() noexcept;
    // Drops the spare room of the changes kept beside the block (a row that is done being edited).
    void ShrinkToFit() { entries_.shrink_to_fit(); }

    // Replaces the whole row by `count` fields holding the given (field, value) pairs; pairs may come
    // in any order, and of two pairs for one field the later counts. NULL values are left out.
    using Entry = std::pair<std::uint32_t, FieldValue>;
    void Assign(std::size_t count, std::vector<Entry>& entries);

    // Calls fn(column, FieldView) for every field that holds a value, in field order.
    template <class Fn> void ForEachValue(Fn&& fn) const {
        if (!block_) {
            for (const Entry& entry : entries_)
                fn(static_cast<std::size_t>(entry.first), ViewOf(entry.second));
            return;
        }
        const std::size_t count = BlockFieldCount();
        std::size_t next = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const bool changed = next < entries_.size() && entries_[next].first == i;
            const FieldView value = changed ? ViewOf(entries_[next++].second) : BlockValue(i);
            if (!IsNull(value)) fn(i, value);
        }
    }
    // Number of fields that hold a value.
    std::size_t ValueCount() const noexcept;

    std::vector<FieldValue> ToVector() const;

    // Rows compare field by field (however each one keeps its values).
    friend bool operator==(const RowValues& a, const RowValues& b);

private:
    // The entry of `column`, or entries_.end().
    std::vector<Entry>::const_iterator FindEntry(std::size_t column) const noexcept;
    void Pack(std::span<const FieldValue> values);
    void MakeSparse(std::vector<FieldValue> values);
    // A block holding the row's values as they are now, the changes included.
    void MergeIntoBlock();
    bool WantsDense(std::size_t valueCount) const noexcept { return 2 * valueCount >= size_; }
    // The number of fields the block holds, and the value it holds for `column` (below that number).
    std::size_t BlockFieldCount() const noexcept;
    FieldView BlockValue(std::size_t column) const noexcept;

    // With a block: one value per field, shared and never changed, and in entries_ the fields changed
    // since (a NULL among them clears its field). Without: entries_ holds the values that are not
    // NULL. In both, entries_ is in field order with one entry per field at most.
    std::shared_ptr<const std::byte[]> block_;
    std::vector<Entry> entries_;
    std::uint32_t size_ = 0;
};

} // namespace quorvel
