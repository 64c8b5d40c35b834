#pragma once

#include <cstddef>
#include <limits>

namespace quorvel::testing {

// Measures the heap this test program takes through operator new from construction on: the peak of
// the bytes in use above what was in use at the start. Beyond `limit` such bytes an allocation fails
// with std::bad_alloc, so that code that would take gigabytes fails its test at once instead of
// filling the machine. One meter at a time.
class AllocationMeter {
public:
    explicit AllocationMeter(std::size_t limit = std::numeric_limits<std::size_t>::max());
    ~AllocationMeter();
    AllocationMeter(const AllocationMeter&) = delete;
    AllocationMeter& operator=(const AllocationMeter&) = delete;

    std::size_t Peak() const noexcept;
};

} // namespace quorvel::testing
