#pragma once

#include "store/Packet.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace quorvel {

// The rows of a table grouped by the value of one integer column, so that a filter `field = number`
// (the selection of a lot) finds its rows without reading every row of the table. A table only ever
// appends rows and never changes a stored row's values (a change appends a new version), and a row
// that stops being current never becomes current again; so the index follows the table by taking in
// the rows appended since it last looked, and drops the versions that stopped being current from a
// group when that group is read.
class EqualityIndex {
public:
    // Forgets everything: the table's rows were replaced.
    void Reset() noexcept;

    // The current rows whose value in `column` equals `number` (an integer compared with a number as
    // the filter compares them), in storage order; nullptr when the column holds a value that is not
    // an integer, where only the filter's own evaluation can decide.
    const std::vector<int>* CurrentRowsEqualTo(const std::vector<PacketRow>& rows, int column, double number);

private:
    void TakeIn(const std::vector<PacketRow>& rows);

    int column_ = -1;
    std::size_t indexed_ = 0;
    bool integersOnly_ = true;
    std::unordered_map<double, std::vector<int>> groups_;
};

} // namespace quorvel
