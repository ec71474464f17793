#pragma once
// Singular value decomposition A = U·S·V by Householder bidiagonalisation and the
// implicit-shift QR iteration on the bidiagonal.

#include "matrix/work_token.h"
#include "numbers/extended.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// On entry a holds A (m x n, real parts); on return a holds S (m x n: the singular values on
// the diagonal, largest first, all >= 0), u the m x m U (columns beyond n stay zero when
// m > n) and v the n x n V with the right singular vectors as its rows, so that A = U·S·V.
// eps is the relative size below which a coupling counts as zero. Returns false when 60 sweeps
// did not settle one singular value; S then holds the values found so far on its diagonal and
// the remaining couplings on its superdiagonal. work counts the reflections of the bidiagonal
// form, of U and of V, and the singular values as they settle.
bool MatSvd(RCOMat& a, RCOMat& u, RCOMat& v, int m, int n, Extended eps, WorkToken* work = nullptr);

// The same on column-major doubles: a is m x n (a[j*m + i] is row i, column j) and receives S;
// u receives U (m x m, column-major) and vt receives V (n x n, row-major: vt[i*n + j] is row
// i, column j of the V that is printed).
bool svdDecompose(double* a, double* u, double* vt, int m, int n, Extended eps,
                  WorkToken* work = nullptr);

}  // namespace kelvaro
