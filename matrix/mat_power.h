#pragma once
// The integer power of a square matrix by repeated multiplication.

#include <cstdint>

#include "matrix/work_limits.h"
#include "matrix/work_token.h"
#include "numbers/rcomat.h"

namespace kelvaro {

enum class PowerOutcome {
  Done,
  Singular,     // a negative power whose positive power MatInvLU finds singular
  TooMuchWork,  // |x| - 1 products exceed the work limit and the powers did not repeat
};

// r := a^x by repeated multiplication, the running power always the left factor; a negative
// power inverts the positive one with MatInvLU. c holds the running power (and the last
// product). x = 0 gives the integer identity.
//
// Each product depends on the running power alone, so once a power repeats an earlier one
// bit for bit (a fixed point, such as a power that has become 0 or INF, or a cycle, such as
// the powers of a permutation) the rest repeats too: the products that would only go round
// again are skipped, which changes no bit of the result. Powers whose |x| - 1 products fit
// in workLimit are always formed. Beyond it only a short search for a repeat is made (a
// 64th of the limit); when it finds none, the result is TooMuchWork.
//
// Singular leaves MatErr set and a (x = -1) or c (x < -1) holding the factors. work counts
// the products, then the steps of the inversion.
PowerOutcome matrixPower(RCOMat& a, int x, RCOMat& c, RCOMat& r, int& MatErr,
                         std::uint64_t workLimit = kPowerWorkLimit, WorkToken* work = nullptr);

// The largest |x| whose products all fit in workLimit for an n x n matrix.
long long largestFullPower(int n, std::uint64_t workLimit);

}  // namespace kelvaro
