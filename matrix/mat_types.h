#pragma once
// The plain arrays of numbers the library's routines pass around besides matrices and rows.

#include <vector>

#include "numbers/array_memory.h"
#include "numbers/element.h"

namespace kelvaro {

// Split real or imaginary parts, row-major. A large one lies on large pages, as the library's
// own arrays: MatInverse 1000 works in place on two of 8 MB, whose pages would otherwise
// outnumber the processor's address translations (on one thread of an AMD EPYC: 274-276 ->
// 201-228 ms).
using RCoVecD = std::vector<double, ArrayAllocator<double>>;
using RCoVecE = std::vector<int>;  // permutations and pivot records

}  // namespace kelvaro
