#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace quorvel {

struct TQRPositionEntry {
    double Value = 0;
    int Number = 0;
    int ClientCount = 1;
    bool Numbered = false;
};

// Turns the positions of a page's texts into column or line numbers: positions that round to the same
// tenth of a millimetre form one group, the groups are numbered in ascending order, and a position
// takes the number of the first group within Tolerance of it.
class TQRPositions {
public:
    explicit TQRPositions(double tolerance = 1.0)
        : tolerance_(tolerance) {}

    double Tolerance() const noexcept { return tolerance_; }
    void SetTolerance(double tolerance) noexcept { tolerance_ = tolerance; }
    const std::vector<TQRPositionEntry>& Entries() const noexcept { return entries_; }

    void StartCollecting() noexcept { collecting_ = true; }
    // Only while collecting: counts v into the group whose first value rounds like v, or opens a group.
    void AddPosition(double v);
    // Ends collecting and numbers the groups 1, 2, 3 … by ascending value (earliest first on equal
    // values); groups at 0 or below, or at 9 999 999 and above, keep the number 0.
    void NumberPositions();
    // The number of the first group, in list order, within Tolerance of v; 0 when none.
    int PositionNumber(double v) const;

private:
    std::vector<TQRPositionEntry> entries_;
    // While collecting: the group of each rounded value, so that a page of many thousand texts is
    // grouped in one pass.
    std::unordered_map<double, std::size_t> groups_;
    // After numbering: every entry's index, by ascending value and then list order.
    std::vector<std::size_t> byValue_;
    bool collecting_ = false;
    double tolerance_;
};

} // namespace quorvel
