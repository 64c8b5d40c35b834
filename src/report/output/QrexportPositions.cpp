#include "report/output/QrexportPositions.h"

#include "platform/Rounding.h"

#include <cmath>

namespace quorvel {

// Positions group by their value rounded half to even, the engine's rounding.
void TQRPositions::AddPosition(double v) {
    if (!collecting_) return;
    const double rounded = RoundHalfEvenValue(v);
    for (auto& entry : entries_) {
        if (RoundHalfEvenValue(entry.Value) == rounded) {
            ++entry.ClientCount;
            return;
        }
    }
    entries_.push_back({v, 0, 1, false});
}

void TQRPositions::NumberPositions() {
    collecting_ = false;
    int next = 1;
    for (std::size_t round = 0; round < entries_.size(); ++round) {
        TQRPositionEntry* smallest = nullptr;
        for (auto& entry : entries_) {
            if (entry.Numbered || entry.Value <= 0 || entry.Value >= 9999999) continue;
            if (!smallest || entry.Value < smallest->Value) smallest = &entry;
        }
        if (!smallest) break;
        smallest->Number = next++;
        smallest->Numbered = true;
    }
}

int TQRPositions::PositionNumber(double v) const {
    for (const auto& entry : entries_)
        if (std::fabs(v - entry.Value) <= tolerance_) return entry.Number;
    return 0;
}

} // namespace quorvel
