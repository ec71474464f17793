#pragma once
// The square-root-free Cholesky factorisation L*D*L'.

#include "matrix/work_token.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// L*D*L' of the symmetric matrix whose upper triangle is a's (plain transpose, no
// conjugation, no pivoting, no square roots). a's strict lower triangle is overwritten with
// the multipliers. On success l (n x n, unit lower) and d (n x n, diagonal) are written and
// true is returned; false when a zero pivot meets a non-zero coupling (l and d untouched).
// work counts the n rows.
bool choleskyLDL(RCOMat& a, RCOMat& l, RCOMat& d, WorkToken* work = nullptr);

// The same on elements alone, as it runs where the fast path on split parts does not (an
// element that is not complex or not finite, a pivot near zero): the reference the fast
// path's results are compared with.
bool choleskyLDLElements(RCOMat& a, RCOMat& l, RCOMat& d, WorkToken* work = nullptr);

}  // namespace kelvaro
