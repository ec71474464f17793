#pragma once
// The one place that knows what "extended precision" is: the x87 80-bit format with its
// 64-bit significand. On x86-64 Linux that is long double.

#include <cfloat>

namespace kelvaro {

using Extended = long double;

static_assert(LDBL_MANT_DIG == 64, "Kelvaro needs long double to be the x87 80-bit format");

}  // namespace kelvaro
