#pragma once
// The plain arrays the library's routines pass around besides whole matrices.

#include <vector>

#include "numbers/element.h"

namespace kelvaro {

using RCOVec = std::vector<Element>;  // one row or column of element values
using RCoVecD = std::vector<double>;  // split real or imaginary parts, row-major
using RCoVecE = std::vector<int>;     // permutations and pivot records

}  // namespace kelvaro
