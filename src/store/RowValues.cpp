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

bool ByColumn(const RowValues::Entry& entry, std::size_t column) noexcept {
    return entry.first < column;
}

} // namespace

std::size_t FieldValueBytes(const FieldValue& value) noexcept {
    return sizeof(FieldValue) + ValueHeapBytes(value);
}

RowValues::RowValues(std::size_t count)
    : size_(static_cast<std::uint32_t>(count)) {}

RowValues::RowValues(std::initializer_list<FieldValue> values)
    : RowValues(std::vector<FieldValue>(values)) {}

RowValues::RowValues(std::vector<FieldValue> values)
    : size_(static_cast<std::uint32_t>(values.size())) {
    const auto count = static_cast<std::size_t>(
        std::count_if(values.begin(), values.end(), [](const FieldValue& v) { return !IsNull(v); }));
    if (WantsDense(count) && !values.empty())
        KeepInSlots(std::move(values));
    else
        MakeSparse(std::move(values));
}

RowValues RowValues::Dense(std::vector<FieldValue> values) {
    RowValues row;
    row.size_ = static_cast<std::uint32_t>(values.size());
    if (!values.empty()) row.KeepInSlots(std::move(values));
    return row;
}

void RowValues::KeepInSlots(std::vector<FieldValue> values) {
    slots_ = std::make_shared<const SlotVector>(std::move(values));
    entries_.clear();
}

void RowValues::MakeSparse(std::vector<FieldValue> values) {
    slots_.reset();
    entries_.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!IsNull(values[i])) entries_.emplace_back(static_cast<std::uint32_t>(i), std::move(values[i]));
}

std::vector<RowValues::Entry>::const_iterator RowValues::FindEntry(std::size_t column) const noexcept {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), column, ByColumn);
    return it != entries_.end() && it->first == column ? it : entries_.end();
}

const FieldValue& RowValues::operator[](std::size_t column) const noexcept {
    if (!entries_.empty()) {
        const auto it = FindEntry(column);
        if (it != entries_.end()) return it->second;
    }
    if (slots_ && column < slots_->size()) return (*slots_)[column];
    return kNull;
}

const FieldValue& RowValues::at(std::size_t column) const {
    if (column >= size_) throw std::out_of_range("RowValues::at");
    return (*this)[column];
}

void RowValues::Set(std::size_t column, FieldValue value) {
    if (column >= size_) throw std::out_of_range("RowValues::Set");
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), column, ByColumn);
    const bool present = it != entries_.end() && it->first == column;
    // With slots, an entry is kept only where the value differs from its slot; without, only for a
    // value that is not NULL.
    const bool asBefore = slots_ ? (*slots_)[column] == value : IsNull(value);
    if (asBefore) {
        if (present) entries_.erase(it);
        return;
    }
    if (present)
        it->second = std::move(value);
    else
        entries_.emplace(it, static_cast<std::uint32_t>(column), std::move(value));
    if (slots_) {
        if (2 * entries_.size() > size_) MergeIntoSlots();
    } else if (WantsDense(entries_.size())) {
        MergeIntoSlots();
    }
}

void RowValues::MergeIntoSlots() {
    KeepInSlots(ToVector());
}

void RowValues::resize(std::size_t count) {
    if (count == size_) return;
    if (slots_) {
        std::vector<FieldValue> values = ToVector();
        values.resize(count);
        *this = RowValues(std::move(values));
        return;
    }
    // Without slots the values beyond `count` are dropped; new fields are NULL and take no room, so a
    // short row widened to many fields never holds their slots.
    const auto cut = std::lower_bound(entries_.begin(), entries_.end(), count, ByColumn);
    entries_.erase(cut, entries_.end());
    size_ = static_cast<std::uint32_t>(count);
    if (WantsDense(entries_.size()) && size_ > 0) MergeIntoSlots();
}

void RowValues::EraseColumn(std::size_t column) {
    if (column >= size_) throw std::out_of_range("RowValues::EraseColumn");
    if (slots_) {
        std::vector<FieldValue> values = ToVector();
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(column));
        *this = RowValues(std::move(values));
        return;
    }
    auto it = std::lower_bound(entries_.begin(), entries_.end(), column, ByColumn);
    if (it != entries_.end() && it->first == column) it = entries_.erase(it);
    for (; it != entries_.end(); ++it)
        --it->first;
    --size_;
}

void RowValues::clear() noexcept {
    slots_.reset();
    entries_.clear();
    size_ = 0;
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
    slots_.reset();
    entries_.clear();
    if (WantsDense(kept) && count > 0) {
        std::vector<FieldValue> values(count);
        for (Entry& e : entries)
            values[e.first] = std::move(e.second);
        KeepInSlots(std::move(values));
        return;
    }
    entries_.reserve(kept);
    for (Entry& e : entries)
        entries_.push_back(std::move(e));
}

std::size_t RowValues::ValueCount() const noexcept {
    if (!slots_) return entries_.size();
    std::size_t count = 0;
    ForEachValue([&count](std::size_t, const FieldValue&) { ++count; });
    return count;
}

std::vector<FieldValue> RowValues::ToVector() const {
    if (slots_ && entries_.empty()) return *slots_;
    std::vector<FieldValue> all = slots_ ? *slots_ : std::vector<FieldValue>(size_);
    for (const Entry& entry : entries_)
        all[entry.first] = entry.second;
    return all;
}

bool operator==(const RowValues& a, const RowValues& b) {
    if (a.size_ != b.size_) return false;
    // Only the fields that either row changed can differ when both share the same slots; without
    // slots the entries are the whole row in one form.
    if (a.slots_ == b.slots_) {
        if (a.entries_ == b.entries_) return true;
        if (!a.slots_) return false;
        for (const RowValues::Entry& entry : a.entries_)
            if (entry.second != b[entry.first]) return false;
        for (const RowValues::Entry& entry : b.entries_)
            if (entry.second != a[entry.first]) return false;
        return true;
    }
    for (std::size_t i = 0; i < a.size_; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

} // namespace quorvel
