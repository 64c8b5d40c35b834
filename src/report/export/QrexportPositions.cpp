#include "report/export/QrexportPositions.h"

#include "platform/Rounding.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

// Positions group by their value rounded half to even, the engine's rounding.
void TQRPositions::AddPosition(double v) {
    if (!collecting_) return;
    const auto [group, added] = groups_.try_emplace(RoundHalfEvenValue(v), entries_.size());
    if (added)
        entries_.push_back({v, 0, 1, false});
    else
        ++entries_[group->second].ClientCount;
}

void TQRPositions::NumberPositions() {
    collecting_ = false;
    byValue_.resize(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
        byValue_[i] = i;
    // Stable: of equal values the earlier entry comes first and takes the lower number.
    std::stable_sort(byValue_.begin(), byValue_.end(),
                     [this](std::size_t a, std::size_t b) { return entries_[a].Value < entries_[b].Value; });
    int next = 1;
    for (std::size_t i : byValue_) {
        TQRPositionEntry& entry = entries_[i];
        if (entry.Numbered || entry.Value <= 0 || entry.Value >= 9999999) continue;
        entry.Number = next++;
        entry.Numbered = true;
    }
}

int TQRPositions::PositionNumber(double v) const {
    // The candidates lie within the tolerance on either side of v; the window is widened by a hair
    // so that the exact test below decides, as a walk over the whole list would.
    const double slack = 1e-9 * std::max(1.0, std::fabs(v));
    const auto first =
        std::lower_bound(byValue_.begin(), byValue_.end(), v - tolerance_ - slack,
                         [this](std::size_t i, double value) { return entries_[i].Value < value; });
    std::size_t found = entries_.size();
    for (auto it = first; it != byValue_.end() && entries_[*it].Value <= v + tolerance_ + slack; ++it)
        if (std::fabs(v - entries_[*it].Value) <= tolerance_) found = std::min(found, *it);
    return found < entries_.size() ? entries_[found].Number : 0;
}

} // namespace quorvel
