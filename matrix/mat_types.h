#pragma once
// The plain arrays of numbers the library's routines pass around besides matrices and rows.

#include <vector>

#include "numbers/element.h"

namespace kelvaro {

using RCoVecD = std::vector<double>;  // split real or imaginary parts, row-major
using RCoVecE = std::vector<int>;     // permutations and pivot records

}  // namespace kelvaro
