#include "store/RowValues.h"

#include <algorithm>
#include <stdexcept>

namespace quorvel {
namespace {

const FieldValue kNull;

// Short texts live inside the value itself; longer ones take their capacity on the heap.
std::size_t ValueHeapBytes(const FieldValue& value) noexcept {
    if (const auto* s = std::get_if<std::string>(&value))
        return s->capacity() > std::string().capacity() ? s->capacity() + 1 : 0;
    if (const auto* s = std::get_if<std::u16string>(&value))
        return s->capacity() > std::u16string().capacity() ? 2 * (s->capacity() + 1) : 0;
    return 0;
}

} // namespace

std::size_t FieldValueBytes(const FieldValue& value) noexcept {
    return sizeof(FieldValue) + ValueHeapBytes(value);
}

RowValues::RowValues(std::size_t count)
    : size_(static_cast<std::uint32_t>(count))
    , dense_(count == 0) {}

RowValues::RowValues(std::initializer_list<FieldValue> values)
    : RowValues(std::vector<FieldValue>(values)) {}

RowValues::RowValues(std::vector<FieldValue> values)
    : values_(std::move(values))
    , size_(static_cast<std::uint32_t>(values_.size())) {
    if (!WantsDense(ValueCount())) MakeSparse();
}

RowValues RowValues::Dense(std::vector<FieldValue> values) noexcept {
    RowValues row;
    row.size_ = static_cast<std::uint32_t>(values.size());
    row.values_ = std::move(values);
    return row;
}

const FieldValue& RowValues::operator[](std::size_t column) const noexcept {
    if (dense_) return column < values_.size() ? values_[column] : kNull;
    const auto it = std::lower_bound(columns_.begin(), columns_.end(), column);
    if (it == columns_.end() || *it != column) return kNull;
    return values_[static_cast<std::size_t>(it - columns_.begin())];
}

const FieldValue& RowValues::at(std::size_t column) const {
    if (column >= size_) throw std::out_of_range("RowValues::at");
    return (*this)[column];
}

void RowValues::Set(std::size_t column, FieldValue value) {
    if (column >= size_) throw std::out_of_range("RowValues::Set");
    if (dense_) {
        values_[column] = std::move(value);
        return;
    }
    const auto it = std::lower_bound(columns_.begin(), columns_.end(), column);
    const auto at = static_cast<std::size_t>(it - columns_.begin());
    const bool present = it != columns_.end() && *it == column;
    if (IsNull(value)) {
        if (present) {
            columns_.erase(it);
            values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
        }
        return;
    }
    if (present) {
        values_[at] = std::move(value);
        return;
    }
    columns_.insert(it, static_cast<std::uint32_t>(column));
    values_.insert(values_.begin() + static_cast<std::ptrdiff_t>(at), std::move(value));
    if (WantsDense(values_.size())) MakeDense();
}

void RowValues::MakeDense() {
    std::vector<FieldValue> dense(size_);
    for (std::size_t i = 0; i < values_.size(); ++i)
        dense[columns_[i]] = std::move(values_[i]);
    values_ = std::move(dense);
    columns_.clear();
    columns_.shrink_to_fit();
    dense_ = true;
}

void RowValues::MakeSparse() {
    std::vector<FieldValue> present;
    present.reserve(ValueCount());
    columns_.clear();
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (IsNull(values_[i])) continue;
        columns_.push_back(static_cast<std::uint32_t>(i));
        present.push_back(std::move(values_[i]));
    }
    values_ = std::move(present);
    dense_ = false;
}

void RowValues::resize(std::size_t count) {
    if (dense_) {
        const std::size_t kept = std::min(count, values_.size());
        const auto valueCount = static_cast<std::size_t>(
            std::count_if(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(kept),
                          [](const FieldValue& v) { return !IsNull(v); }));
        values_.resize(kept);
        size_ = static_cast<std::uint32_t>(count);
        // Sparse before growing, so that a short row widened to many fields never holds their slots.
        if (!WantsDense(valueCount))
            MakeSparse();
        else
            values_.resize(count);
        return;
    }
    const auto cut = std::lower_bound(columns_.begin(), columns_.end(), count);
    values_.erase(values_.begin() + (cut - columns_.begin()), values_.end());
    columns_.erase(cut, columns_.end());
    size_ = static_cast<std::uint32_t>(count);
    if (WantsDense(values_.size())) MakeDense();
}

void RowValues::EraseColumn(std::size_t column) {
    if (column >= size_) throw std::out_of_range("RowValues::EraseColumn");
    if (dense_) {
        values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(column));
    } else {
        auto it = std::lower_bound(columns_.begin(), columns_.end(), column);
        if (it != columns_.end() && *it == column) {
            values_.erase(values_.begin() + (it - columns_.begin()));
            it = columns_.erase(it);
        }
        for (; it != columns_.end(); ++it)
            --*it;
    }
    --size_;
}

void RowValues::clear() noexcept {
    values_.clear();
    columns_.clear();
    size_ = 0;
    dense_ = true;
}

void RowValues::Assign(std::size_t count, std::vector<Entry>& entries) {
    const auto byColumn = [](const Entry& a, const Entry& b) { return a.first < b.first; };
    if (!std::is_sorted(entries.begin(), entries.end(), byColumn))
        std::stable_sort(entries.begin(), entries.end(), byColumn);
    // Of several entries for one field the last counts; NULLs are left out.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i + 1 < entries.size() && entries[i + 1].first == entries[i].first) continue;
        if (entries[i].first >= count) throw std::out_of_range("RowValues::Assign");
        if (IsNull(entries[i].second)) continue;
        if (kept != i) entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.resize(kept);
    size_ = static_cast<std::uint32_t>(count);
    values_.clear();
    columns_.clear();
    dense_ = WantsDense(kept);
    if (dense_) {
        values_.resize(count);
        for (Entry& e : entries)
            values_[e.first] = std::move(e.second);
        return;
    }
    values_.reserve(kept);
    columns_.reserve(kept);
    for (Entry& e : entries) {
        columns_.push_back(e.first);
        values_.push_back(std::move(e.second));
    }
}

std::size_t RowValues::ValueCount() const noexcept {
    if (!dense_) return values_.size();
    return static_cast<std::size_t>(
        std::count_if(values_.begin(), values_.end(), [](const FieldValue& v) { return !IsNull(v); }));
}

std::vector<FieldValue> RowValues::ToVector() const {
    if (dense_) return values_;
    std::vector<FieldValue> all(size_);
    for (std::size_t i = 0; i < values_.size(); ++i)
        all[columns_[i]] = values_[i];
    return all;
}

bool operator==(const RowValues& a, const RowValues& b) {
    if (a.size_ != b.size_) return false;
    if (a.dense_ == b.dense_) return a.values_ == b.values_ && a.columns_ == b.columns_;
    const RowValues& dense = a.dense_ ? a : b;
    const RowValues& sparse = a.dense_ ? b : a;
    std::size_t next = 0;
    for (std::size_t i = 0; i < dense.values_.size(); ++i) {
        const bool here = next < sparse.columns_.size() && sparse.columns_[next] == i;
        if (dense.values_[i] != (here ? sparse.values_[next++] : kNull)) return false;
    }
    return true;
}

} // namespace quorvel
