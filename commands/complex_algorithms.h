#pragma once
// Algorithms that the commands carry out themselves rather than through one library
// routine: the L*D*L' factorisation, the integer matrix power, the Frobenius norm and the
// element-wise reciprocal used for non-square "inverses".

#include <cstdint>

#include "numbers/rcomat.h"

namespace kelvaro {

// L*D*L' of the symmetric matrix whose upper triangle is a's (plain transpose, no
// conjugation, no pivoting, no square roots). a's strict lower triangle is overwritten with
// the multipliers. On success l (n x n, unit lower) and d (n x n, diagonal) are written and
// true is returned; false when a zero pivot meets a non-zero coupling (l and d untouched).
bool choleskyLDL(RCOMat& a, RCOMat& l, RCOMat& d);

// The work one power may take, in complex multiply-adds: a product of two n x n matrices
// counts n^3 of them, and at least kLeastProductCost. About a quarter of a minute here.
inline constexpr std::uint64_t kPowerWorkLimit = std::uint64_t{1} << 36;
inline constexpr std::uint64_t kLeastProductCost = 512;

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
// Singular leaves MatErr set and a (x = -1) or c (x < -1) holding the factors.
PowerOutcome matrixPower(RCOMat& a, int x, RCOMat& c, RCOMat& r, int& MatErr,
                         std::uint64_t workLimit = kPowerWorkLimit);

// The largest |x| whose products all fit in workLimit for an n x n matrix.
long long largestFullPower(int n, std::uint64_t workLimit);

// Square root of the sum, in reading order, of re*re + im*im over every element.
double frobeniusNorm(const RCOMat& m);

// r[i][j] := 1 / m[i][j] by element division, or the real 0 where m[i][j] is 0 by the
// element comparison.
void elementwiseReciprocal(const RCOMat& m, RCOMat& r);

}  // namespace kelvaro
