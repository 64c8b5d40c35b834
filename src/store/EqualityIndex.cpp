#include "store/EqualityIndex.h"

#include <cstdint>
#include <variant>

namespace quorvel {
namespace {

// The group a number belongs to: -0 and 0 are one number.
double GroupKey(double number) noexcept {
    return number == 0 ? 0.0 : number;
}

const std::vector<int> kNoRows;

} // namespace

void EqualityIndex::Reset() noexcept {
    column_ = -1;
    indexed_ = 0;
    integersOnly_ = true;
    groups_.clear();
}

void EqualityIndex::TakeIn(const std::vector<PacketRow>& rows) {
    const auto column = static_cast<std::size_t>(column_);
    for (; indexed_ < rows.size(); ++indexed_) {
        const PacketRow& row = rows[indexed_];
        if (!IsCurrentRow(row.rowState)) continue;
        const FieldView value = row.values[column];
        if (const auto* integer = std::get_if<std::int64_t>(&value))
            groups_[GroupKey(static_cast<double>(*integer))].push_back(static_cast<int>(indexed_));
        else if (!IsNull(value))
            integersOnly_ = false;
    }
}

const std::vector<int>* EqualityIndex::CurrentRowsEqualTo(const std::vector<PacketRow>& rows, int column,
                                                          double number) {
    if (column != column_ || indexed_ > rows.size()) {
        Reset();
        column_ = column;
    }
    TakeIn(rows);
    if (!integersOnly_) return nullptr;
    const auto it = groups_.find(GroupKey(number));
    if (it == groups_.end()) return &kNoRows;
    std::erase_if(it->second,
                  [&rows](int row) { return !IsCurrentRow(rows[static_cast<std::size_t>(row)].rowState); });
    return &it->second;
}

} // namespace quorvel
