#include "store/RowValues.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace quorvel {
namespace {

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

// The packed block: a header of the field count (4 bytes) and the width of an offset (1 byte, 2 or 4),
// padded to 8 bytes; one tag byte per field; count + 1 offsets into the payload, field i owning the
// bytes [offset i, offset i + 1); then the payload. Everything is read through memcpy, so nothing but
// wide text needs alignment, and wide text aligns itself (see below).
constexpr std::size_t kHeaderBytes = 8;
// The tag's low three bits are the value's alternative (FieldValue's index); a boolean keeps its
// value in the next bit, an exact decimal its places in the five above.
constexpr unsigned kKindMask = 7;
constexpr unsigned kTagShift = 3;
constexpr unsigned kIntegerKind = 1;
constexpr unsigned kBooleanKind = 2;
constexpr unsigned kFloatKind = 3;
constexpr unsigned kDecimalKind = 4;
constexpr unsigned kDateKind = 5;
constexpr unsigned kTextKind = 6;
constexpr unsigned kWideKind = 7;
static_assert(TDecimal::kMaxScale < (1u << (8 - kTagShift)));

template <class T> T Load(const std::byte* at) noexcept {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <class T> void Store(std::byte* at, T value) noexcept {
    std::memcpy(at, &value, sizeof value);
}

// A signed integer kept in as few little-endian bytes as hold it: 0 takes none, -1..127 one.
std::size_t IntegerBytes(std::int64_t value) noexcept {
    std::size_t bytes = 0;
    while (bytes < 8) {
        const int bits = static_cast<int>(8 * bytes);
        const std::int64_t low = bits == 0 ? 0 : -(std::int64_t{1} << (bits - 1));
        const std::int64_t high = bits == 0 ? 0 : (std::int64_t{1} << (bits - 1)) - 1;
        if (value >= low && value <= high) break;
        ++bytes;
    }
    return bytes;
}

void StoreInteger(std::byte* at, std::int64_t value, std::size_t bytes) noexcept {
    auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < bytes; ++i, bits >>= 8)
        at[i] = static_cast<std::byte>(bits & 0xFF);
}

std::int64_t LoadInteger(const std::byte* at, std::size_t bytes) noexcept {
    if (bytes == 0) return 0;
    std::uint64_t bits = 0;
    for (std::size_t i = bytes; i-- > 0;)
        bits = (bits << 8) | static_cast<std::uint64_t>(at[i]);
    if (bytes < 8 && (bits >> (8 * bytes - 1)) != 0) bits |= ~std::uint64_t{0} << (8 * bytes);
    return static_cast<std::int64_t>(bits);
}

// A wide text's bytes start at an even address, so that the view handed out is aligned: a field
// whose bytes would start at an odd one begins with one byte of padding. The block never moves, so
// the reader finds the same padding from the same address.
bool NeedsPad(const std::byte* at) noexcept {
    return (reinterpret_cast<std::uintptr_t>(at) & 1u) != 0;
}

// The payload bytes a value takes, a wide text's possible padding included.
std::size_t PayloadBytes(const FieldValue& value) noexcept {
    switch (value.index()) {
    case kIntegerKind:
        return IntegerBytes(std::get<std::int64_t>(value));
    case kFloatKind:
        return sizeof(double);
    case kDecimalKind:
        return IntegerBytes(std::get<TDecimal>(value).Units());
    case kDateKind:
        return std::get<TDateTimeValue>(value).msec == 0 ? 4 : 8;
    case kTextKind:
        return std::get<std::string>(value).size();
    case kWideKind:
        return 2 * std::get<std::u16string>(value).size() + 1;
    default:
        return 0;
    }
}

struct BlockLayout {
    std::size_t count = 0;
    std::size_t offsetWidth = 2;
    const std::byte* tags = nullptr;
    const std::byte* offsets = nullptr;
    const std::byte* payload = nullptr;

    explicit BlockLayout(const std::byte* block) noexcept
        : count(Load<std::uint32_t>(block))
        , offsetWidth(static_cast<std::size_t>(block[4]))
        , tags(block + kHeaderBytes)
        , offsets(tags + count)
        , payload(offsets + (count + 1) * offsetWidth) {}

    std::size_t Offset(std::size_t i) const noexcept {
        return offsetWidth == 2 ? Load<std::uint16_t>(offsets + 2 * i) : Load<std::uint32_t>(offsets + 4 * i);
    }
};

} // namespace

FieldView ViewOf(const FieldValue& value) noexcept {
    return std::visit(
        [](const auto& v) -> FieldView {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                return std::string_view(v);
            else if constexpr (std::is_same_v<T, std::u16string>)
                return std::u16string_view(v);
            else
                return v;
        },
        value);
}

FieldValue ValueOf(const FieldView& view) {
    return std::visit(
        [](const auto& v) -> FieldValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string_view>)
                return std::string(v);
            else if constexpr (std::is_same_v<T, std::u16string_view>)
                return std::u16string(v);
            else
                return v;
        },
        view);
}

std::size_t FieldValueBytes(const FieldValue& value) noexcept {
    return sizeof(FieldValue) + ValueHeapBytes(value);
}

RowValues::RowValues(std::size_t count)
    : size_(static_cast<std::uint32_t>(count)) {}

RowValues::RowValues(std::initializer_list<FieldValue> values)
    : RowValues(std::span<const FieldValue>(values.begin(), values.size())) {}

RowValues::RowValues(std::span<const FieldValue> values)
    : size_(static_cast<std::uint32_t>(values.size())) {
    const auto count = static_cast<std::size_t>(
        std::count_if(values.begin(), values.end(), [](const FieldValue& v) { return !IsNull(v); }));
    if (WantsDense(count) && !values.empty())
        Pack(values);
    else
        MakeSparse(std::vector<FieldValue>(values.begin(), values.end()));
}

RowValues RowValues::Dense(std::span<const FieldValue> values) {
    RowValues row;
    row.size_ = static_cast<std::uint32_t>(values.size());
    if (!values.empty()) row.Pack(values);
    return row;
}

void RowValues::Pack(std::span<const FieldValue> values) {
    const std::size_t count = values.size();
    std::size_t payload = 0;
    for (const FieldValue& value : values)
        payload += PayloadBytes(value);
    if (count >= std::numeric_limits<std::uint32_t>::max() ||
        payload > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("RowValues: row too large");
    const std::size_t width = payload <= std::numeric_limits<std::uint16_t>::max() ? 2 : 4;
    const std::size_t total = kHeaderBytes + count + (count + 1) * width + payload;
    std::shared_ptr<std::byte[]> block = std::make_shared_for_overwrite<std::byte[]>(total);
    std::byte* const base = block.get();
    std::memset(base, 0, kHeaderBytes);
    Store(base, static_cast<std::uint32_t>(count));
    base[4] = static_cast<std::byte>(width);
    std::byte* const tags = base + kHeaderBytes;
    std::byte* const offsets = tags + count;
    std::byte* const data = offsets + (count + 1) * width;
    const auto storeOffset = [&](std::size_t i, std::size_t offset) {
        if (width == 2)
            Store(offsets + 2 * i, static_cast<std::uint16_t>(offset));
        else
            Store(offsets + 4 * i, static_cast<std::uint32_t>(offset));
    };
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const FieldValue& value = values[i];
        auto tag = static_cast<unsigned>(value.index());
        storeOffset(i, at);
        switch (tag) {
        case kIntegerKind: {
            const std::int64_t v = std::get<std::int64_t>(value);
            const std::size_t bytes = IntegerBytes(v);
            StoreInteger(data + at, v, bytes);
            at += bytes;
            break;
        }
        case kBooleanKind:
            tag |= (std::get<bool>(value) ? 1u : 0u) << kTagShift;
            break;
        case kFloatKind:
            Store(data + at, std::get<double>(value));
            at += sizeof(double);
            break;
        case kDecimalKind: {
            const TDecimal& d = std::get<TDecimal>(value);
            tag |= static_cast<unsigned>(d.Scale()) << kTagShift;
            const std::size_t bytes = IntegerBytes(d.Units());
            StoreInteger(data + at, d.Units(), bytes);
            at += bytes;
            break;
        }
        case kDateKind: {
            const TDateTimeValue& d = std::get<TDateTimeValue>(value);
            Store(data + at, d.days);
            at += 4;
            if (d.msec != 0) {
                Store(data + at, d.msec);
                at += 4;
            }
            break;
        }
        case kTextKind: {
            const std::string& s = std::get<std::string>(value);
            if (!s.empty()) std::memcpy(data + at, s.data(), s.size());
            at += s.size();
            break;
        }
        case kWideKind: {
            const std::u16string& s = std::get<std::u16string>(value);
            if (NeedsPad(data + at)) data[at++] = std::byte{0};
            if (!s.empty()) std::memcpy(data + at, s.data(), 2 * s.size());
            at += 2 * s.size();
            break;
        }
        default:
            break;
        }
        tags[i] = static_cast<std::byte>(tag);
    }
    storeOffset(count, at);
    // The bytes a wide text did not need for padding stay at the end, unused but initialised.
    if (at < payload) std::memset(data + at, 0, payload - at);
    block_ = std::move(block);
    entries_.clear();
}

std::size_t RowValues::BlockFieldCount() const noexcept {
    return block_ ? Load<std::uint32_t>(block_.get()) : 0;
}

FieldView RowValues::BlockValue(std::size_t column) const noexcept {
    const BlockLayout layout(block_.get());
    if (column >= layout.count) return {};
    const auto tag = static_cast<unsigned>(layout.tags[column]);
    const std::size_t from = layout.Offset(column);
    const std::size_t bytes = layout.Offset(column + 1) - from;
    const std::byte* const at = layout.payload + from;
    switch (tag & kKindMask) {
    case kIntegerKind:
        return LoadInteger(at, bytes);
    case kBooleanKind:
        return ((tag >> kTagShift) & 1u) != 0;
    case kFloatKind:
        return Load<double>(at);
    case kDecimalKind:
        return TDecimal::FromUnits(LoadInteger(at, bytes), static_cast<int>(tag >> kTagShift));
    case kDateKind:
        return TDateTimeValue{Load<std::int32_t>(at), bytes == 8 ? Load<std::int32_t>(at + 4) : 0};
    case kTextKind:
        return std::string_view(reinterpret_cast<const char*>(at), bytes);
    case kWideKind: {
        const std::size_t pad = NeedsPad(at) ? 1 : 0;
        return std::u16string_view(reinterpret_cast<const char16_t*>(at + pad), (bytes - pad) / 2);
    }
    default:
        return {};
    }
}

void RowValues::MakeSparse(std::vector<FieldValue> values) {
    block_.reset();
    entries_.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!IsNull(values[i])) entries_.emplace_back(static_cast<std::uint32_t>(i), std::move(values[i]));
}

std::vector<RowValues::Entry>::const_iterator RowValues::FindEntry(std::size_t column) const noexcept {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), column, ByColumn);
    return it != entries_.end() && it->first == column ? it : entries_.end();
}

FieldView RowValues::operator[](std::size_t column) const noexcept {
    if (!entries_.empty()) {
        const auto it = FindEntry(column);
        if (it != entries_.end()) return ViewOf(it->second);
    }
    if (block_) return BlockValue(column);
    return {};
}

FieldView RowValues::at(std::size_t column) const {
    if (column >= size_) throw std::out_of_range("RowValues::at");
    return (*this)[column];
}

void RowValues::Set(std::size_t column, FieldValue value) {
    if (column >= size_) throw std::out_of_range("RowValues::Set");
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), column, ByColumn);
    const bool present = it != entries_.end() && it->first == column;
    // With a block, an entry is kept only where the value differs from the block's; without, only
    // for a value that is not NULL.
    const bool asBefore = block_ ? BlockValue(column) == ViewOf(value) : IsNull(value);
    if (asBefore) {
        if (present) entries_.erase(it);
        return;
    }
    if (present)
        it->second = std::move(value);
    else
        entries_.emplace(it, static_cast<std::uint32_t>(column), std::move(value));
    if (block_) {
        if (2 * entries_.size() > size_) MergeIntoBlock();
    } else if (WantsDense(entries_.size())) {
        MergeIntoBlock();
    }
}

void RowValues::MergeIntoBlock() {
    Pack(ToVector());
}

void RowValues::resize(std::size_t count) {
    if (count == size_) return;
    if (block_) {
        std::vector<FieldValue> values = ToVector();
        values.resize(count);
        *this = RowValues(values);
        return;
    }
    // Without a block the values beyond `count` are dropped; new fields are NULL and take no room, so
    // a short row widened to many fields never holds room for them.
    const auto cut = std::lower_bound(entries_.begin(), entries_.end(), count, ByColumn);
    entries_.erase(cut, entries_.end());
    size_ = static_cast<std::uint32_t>(count);
    if (WantsDense(entries_.size()) && size_ > 0) MergeIntoBlock();
}

void RowValues::EraseColumn(std::size_t column) {
    if (column >= size_) throw std::out_of_range("RowValues::EraseColumn");
    if (block_) {
        std::vector<FieldValue> values = ToVector();
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(column));
        *this = RowValues(values);
        return;
    }
    auto it = std::lower_bound(entries_.begin(), entries_.end(), column, ByColumn);
    if (it != entries_.end() && it->first == column) it = entries_.erase(it);
    for (; it != entries_.end(); ++it)
        --it->first;
    --size_;
}

void RowValues::clear() noexcept {
    block_.reset();
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
    block_.reset();
    entries_.clear();
    if (WantsDense(kept) && count > 0) {
        std::vector<FieldValue> values(count);
        for (Entry& e : entries)
            values[e.first] = std::move(e.second);
        Pack(values);
        return;
    }
    entries_.reserve(kept);
    for (Entry& e : entries)
        entries_.push_back(std::move(e));
}

std::size_t RowValues::ValueCount() const noexcept {
    if (!block_) return entries_.size();
    std::size_t count = 0;
    ForEachValue([&count](std::size_t, const FieldView&) { ++count; });
    return count;
}

std::vector<FieldValue> RowValues::ToVector() const {
    std::vector<FieldValue> all(size_);
    const std::size_t count = std::min<std::size_t>(BlockFieldCount(), size_);
    for (std::size_t i = 0; i < count; ++i)
        all[i] = ValueOf(BlockValue(i));
    for (const Entry& entry : entries_)
        all[entry.first] = entry.second;
    return all;
}

bool operator==(const RowValues& a, const RowValues& b) {
    if (a.size_ != b.size_) return false;
    // Only the fields that either row changed can differ when both share the same block; without a
    // block the entries are the whole row in one form.
    if (a.block_ == b.block_) {
        if (a.entries_ == b.entries_) return true;
        if (!a.block_) return false;
        for (const RowValues::Entry& entry : a.entries_)
            if (ViewOf(entry.second) != b[entry.first]) return false;
        for (const RowValues::Entry& entry : b.entries_)
            if (ViewOf(entry.second) != a[entry.first]) return false;
        return true;
    }
    for (std::size_t i = 0; i < a.size_; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

} // namespace quorvel
