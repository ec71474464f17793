#pragma once
// Structural and element-wise routines: transpose, trace, multiple by a scalar and the
// element-wise logic. Each reports through MatErr (0 done, 4 sizes differ, 5 empty operand)
// and leaves its output as it was when it reports 4 or 5.

#include "matrix/mat_basic.h"

namespace kelvaro {

// r (cols x rows) := the transpose of m, r[j][i] = m[i][j]; no conjugation.
void MatTranspose(const RCOMat& m, RCOMat& r, int& MatErr);

// s := the integer 0 plus every diagonal element that exists (min(rows, cols) terms).
// An empty m gives 0 and MatErr 5.
void MatTrace(const RCOMat& m, Element& s, int& MatErr);

// r[i][j] := m[i][j] * x.
void MatScalarMul(const Element& x, const RCOMat& m, RCOMat& r, int& MatErr);

// Element-wise logic on truth values: an element is true when it is not 0 under the element
// comparison. Results are the integers 1 and 0.
void MatAnd(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr);
void MatOr(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr);
void MatXor(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr);

// r[i][j] := 1 / m[i][j] by element division, or the real 0 where m[i][j] is 0 by the
// element comparison.
void elementwiseReciprocal(const RCOMat& m, RCOMat& r);

}  // namespace kelvaro
