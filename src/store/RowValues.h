#pragma once

#include "store/Decimal.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
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

// The memory a value takes: its own slot and the text or bytes it keeps on the heap.
std::size_t FieldValueBytes(const FieldValue& value) noexcept;

// The values of one row, one per field, where a NULL takes no room. A row that holds a value in at
// least half of its fields keeps them side by side in slots (read by position); a row of mostly NULLs
// keeps only its values with their field numbers. So a file of many fields and few values per row
// loads in memory proportional to the values it carries, while a filled proposal row is read directly.
//
// Slots are never changed once made, and copies of a row share them: a copy that is then changed
// keeps only the values it changed, beside the shared slots, until it has changed half of them. So
// the edit buffer of a record costs what was typed into it, and each new version of a record that a
// post appends shares the values it did not change with the version it replaces.
class RowValues {
public:
    RowValues() = default;
    // `count` fields, all NULL.
    explicit RowValues(std::size_t count);
    RowValues(std::initializer_list<FieldValue> values);
    explicit RowValues(std::vector<FieldValue> values);
    // Keeps `values` side by side as they are, for a caller that knows most of them are set.
    static RowValues Dense(std::vector<FieldValue> values);

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    // The value of field `column`: NULL when it has none, also beyond size().
    const FieldValue& operator[](std::size_t column) const noexcept;
    // As operator[], but throws std::out_of_range beyond size().
    const FieldValue& at(std::size_t column) const;

    // Sets field `column` (below size()).
    void Set(std::size_t column, FieldValue value);
    // Makes the row `count` fields long: new fields are NULL, fields beyond `count` are dropped.
    void resize(std::size_t count);
    // Removes field `column`; the fields after it move one place down.
    void EraseColumn(std::size_t column);
    void clear() noexcept;

    // Replaces the whole row by `count` fields holding the given (field, value) pairs; pairs may come
    // in any order, and of two pairs for one field the later counts. NULL values are left out.
    using Entry = std::pair<std::uint32_t, FieldValue>;
    void Assign(std::size_t count, std::vector<Entry>& entries);

    // Calls fn(column, value) for every field that holds a value, in field order.
    template <class Fn> void ForEachValue(Fn&& fn) const {
        if (!slots_) {
            for (const Entry& entry : entries_)
                fn(static_cast<std::size_t>(entry.first), entry.second);
            return;
        }
        const std::vector<FieldValue>& shared = *slots_;
        std::size_t next = 0;
        for (std::size_t i = 0; i < shared.size(); ++i) {
            const bool changed = next < entries_.size() && entries_[next].first == i;
            const FieldValue& value = changed ? entries_[next++].second : shared[i];
            if (!IsNull(value)) fn(i, value);
        }
    }
    // Number of fields that hold a value.
    std::size_t ValueCount() const noexcept;

    std::vector<FieldValue> ToVector() const;

    // Rows compare field by field (however each one keeps its values).
    friend bool operator==(const RowValues& a, const RowValues& b);

private:
    using SlotVector = std::vector<FieldValue>;

    // The entry of `column`, or entries_.end().
    std::vector<Entry>::const_iterator FindEntry(std::size_t column) const noexcept;
    void KeepInSlots(std::vector<FieldValue> values);
    void MakeSparse(std::vector<FieldValue> values);
    // Slots holding the row's values as they are now, the changes included.
    void MergeIntoSlots();
    bool WantsDense(std::size_t valueCount) const noexcept { return 2 * valueCount >= size_; }

    // With slots: one per field, shared and never changed, and in entries_ the fields changed since
    // (a NULL among them clears its slot). Without: entries_ holds the values that are not NULL. In
    // both, entries_ is in field order with one entry per field at most.
    std::shared_ptr<const SlotVector> slots_;
    std::vector<Entry> entries_;
    std::uint32_t size_ = 0;
};

} // namespace quorvel
