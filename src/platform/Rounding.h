#pragma once

#include <cmath>

namespace quorvel {

// Rounds to the nearest integer with halves going to the even neighbour (2.5 → 2, 3.5 → 4), the
// rounding every length-to-pixel conversion of the report engine uses. Independent of the
// floating-point rounding mode in force.
inline double RoundHalfEvenValue(double value) noexcept {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5) return floor + 1.0;
    if (fraction < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

inline int RoundHalfEven(double value) noexcept {
    return static_cast<int>(RoundHalfEvenValue(value));
}

} // namespace quorvel
