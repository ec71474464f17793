#pragma once
// Reduced row echelon form, null-space basis and characteristic polynomial in doubles (the
// operations RREF, Null, Solve and CharPoly outside exact arithmetic). A real matrix is
// reduced in real arithmetic, a complex one in complex arithmetic, one rounding per
// operation and no tolerance in the divisions.

#include <limits>
#include <vector>

#include "matrix/work_token.h"
#include "numbers/rcomat.h"

namespace kelvaro {

struct EchelonOutcome {
  std::vector<int> pivotColumns;  // one per non-zero row, ascending
  double tolerance = 0;           // max(m, n) * eps * norm_inf(a)
  bool pivotTakenAsZero = false;  // a column's largest candidate was not zero but within it
  // When asked for: ||inv(S)||_1 of the square block S of a's first rows() columns, estimated
  // from the multipliers and pivot rows of the elimination (infinity when one of those columns
  // was taken as zero); otherwise NaN.
  double squareInverseNorm1 = std::numeric_limits<double>::quiet_NaN();
};

// a becomes its reduced row echelon form, by Gauss-Jordan elimination with partial pivoting:
// in each column the candidate of largest modulus at or below the pivot row; a column whose
// candidates are all within the tolerance is taken as zero there. With squareInverseNorm and
// at least as many columns as rows, the elimination also keeps, for the estimate, the factors
// it meets on the way: each pivot column below the pivot before the step, each pivot row once
// divided by its pivot. That is O(n^2) copying and nothing in its arithmetic changes.
EchelonOutcome MatRref(RCOMat& a, WorkToken* work = nullptr, bool squareInverseNorm = false);
// MatRref a step at a time over whole rows: what the panels of MatRref must equal bit for bit.
EchelonOutcome MatRrefElements(RCOMat& a, WorkToken* work = nullptr,
                               bool squareInverseNorm = false);

// A null-space basis from a reduced form of `cols` columns: for each free column f the vector
// with 1 at f and minus the reduced form's column f at the pivot columns, as columns.
RCOMat MatNullBasis(const RCOMat& reduced, const std::vector<int>& pivotColumns, int cols);

// det(x I - a) of a square matrix, coefficients from x^n (which is 1) down to the constant:
// a Hessenberg form by stabilised elementary similarity transformations, then the
// polynomials of its leading blocks one from the other.
std::vector<Element> MatCharPoly(const RCOMat& a, WorkToken* work = nullptr);

}  // namespace kelvaro
