#pragma once
// How much work one command may take before it is refused rather than left running for hours.

#include <cstdint>

namespace kelvaro {

// The work one power may take, in complex multiply-adds: a product of two n x n matrices
// counts n^3 of them, and at least kLeastProductCost. About half a minute of one core at
// most (the README gives the times measured).
inline constexpr std::uint64_t kPowerWorkLimit = std::uint64_t{1} << 36;
inline constexpr std::uint64_t kLeastProductCost = 512;

}  // namespace kelvaro
