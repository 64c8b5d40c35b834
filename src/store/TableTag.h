#pragma once

namespace quorvel {

// A table's Tag as the proposal tables use it: kTagBuilding while the program itself fills the
// table's rows, which lets them past the insert guard that refuses rows typed by the user and keeps
// the lot selection from re-filtering the items meanwhile.
inline constexpr int kTagNormal = 0;
inline constexpr int kTagBuilding = 1;

} // namespace quorvel
