#pragma once
// Reduced row echelon form, null-space basis and characteristic polynomial in doubles (the
// operations RREF, Null, Solve and CharPoly outside exact arithmetic). A real matrix is
// reduced in real arithmetic, a complex one in complex arithmetic, one rounding per
// operation and no tolerance in the divisions.

#include <vector>

#include "matrix/work_token.h"
#include "numbers/rcomat.h"

namespace kelvaro {

struct EchelonOutcome {
  std::vector<int> pivotColumns;  // one per non-zero row, ascending
  double tolerance = 0;           // max(m, n) * eps * norm_inf(a)
  bool pivotTakenAsZero = false;  // a column's largest candidate was not zero but within it
};

// a becomes its reduced row echelon form, by Gauss-Jordan elimination with partial pivoting:
// in each column the candidate of largest modulus at or below the pivot row; a column whose
// candidates are all within the tolerance is taken as zero there.
EchelonOutcome MatRref(RCOMat& a, WorkToken* work = nullptr);

// A null-space basis from a reduced form of `cols` columns: for each free column f the vector
// with 1 at f and minus the reduced form's column f at the pivot columns, as columns.
RCOMat MatNullBasis(const RCOMat& reduced, const std::vector<int>& pivotColumns, int cols);

// det(x I - a) of a square matrix, coefficients from x^n (which is 1) down to the constant:
// a Hessenberg form by stabilised elementary similarity transformations, then the
// polynomials of its leading blocks one from the other.
std::vector<Element> MatCharPoly(const RCOMat& a, WorkToken* work = nullptr);

}  // namespace kelvaro
