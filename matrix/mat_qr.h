#pragma once
// Orthogonal-triangular decomposition by Householder reflections.

#include "matrix/work_token.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// On entry R holds A (m x n, real parts), on return the triangular factor; Q becomes the
// m x m orthogonal factor with Q·A = R (the reflections applied to the identity, the latest
// on the left). Each column is scaled by the sum of its absolute values before its
// reflection, and a column that is zero from the diagonal down is skipped. Cannot fail. work
// counts the reflection steps, min(m - 1, n) of them.
void MatQR(RCOMat& R, int m, int n, RCOMat& Q, WorkToken* work = nullptr);

// The same on row-major doubles: r is m x n and is overwritten with R; q receives m x m.
void householderQR(double* r, int m, int n, double* q, WorkToken* work = nullptr);

}  // namespace kelvaro
