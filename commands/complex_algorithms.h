#pragma once
// Algorithms that the commands carry out themselves rather than through one library
// routine: the L*D*L' factorisation, the integer matrix power, the Frobenius norm and the
// element-wise reciprocal used for non-square "inverses".

#include "numbers/rcomat.h"

namespace kelvaro {

// L*D*L' of the symmetric matrix whose upper triangle is a's (plain transpose, no
// conjugation, no pivoting, no square roots). a's strict lower triangle is overwritten with
// the multipliers. On success l (n x n, unit lower) and d (n x n, diagonal) are written and
// true is returned; false when a zero pivot meets a non-zero coupling (l and d untouched).
bool choleskyLDL(RCOMat& a, RCOMat& l, RCOMat& d);

// r := a^x by repeated multiplication, the running power always the left factor; a negative
// power inverts the positive one with MatInvLU. c holds the running power (and the last
// product). x = 0 gives the integer identity. Returns false, with MatErr set, when the
// inversion finds the power singular; a (x = -1) or c (x < -1) then hold the factors.
bool matrixPower(RCOMat& a, int x, RCOMat& c, RCOMat& r, int& MatErr);

// Square root of the sum, in reading order, of re*re + im*im over every element.
double frobeniusNorm(const RCOMat& m);

// r[i][j] := 1 / m[i][j] by element division, or the real 0 where m[i][j] is 0 by the
// element comparison.
void elementwiseReciprocal(const RCOMat& m, RCOMat& r);

}  // namespace kelvaro
