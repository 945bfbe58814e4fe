#pragma once
// n, the prime order of the curve's base point: a 241-bit number, 2^240 < n < 2^241,
// 0x1026DD85081B82314691CED9BBEC30547840E4BF72D8B5E0D258442BBCD31.
#include <array>
#include <cstdint>

namespace eccrypt {

// The 16 digits of n, least significant first (digit i + 1 of a TvlPoint is element i).
inline constexpr std::array<std::int32_t, 16> GroupOrderDigits = {
    0xCD31, 0x42BB, 0x2584, 0x5E0D, 0x2D8B, 0x4BF7, 0x840E, 0x0547,
    0xBEC3, 0xED9B, 0x691C, 0x2314, 0x81B8, 0xD850, 0x026D, 0x0001};

}  // namespace eccrypt
