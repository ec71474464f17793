#pragma once
// Exact linear algebra on rational and Gaussian-rational matrices. Callers check the sizes
// an operation needs (square, agreeing shapes) and bound the result's size first
// (exact_bounds.h); every routine can be stopped through its Work.

#include <cstdint>
#include <optional>
#include <vector>

#include "exact/exact_matrix.h"
#include "exact/exact_work.h"

namespace kelvaro::exact {

// Element-wise and structural.
ExactMatrix add(const ExactMatrix& a, const ExactMatrix& b, const Work& work);
ExactMatrix subtract(const ExactMatrix& a, const ExactMatrix& b, const Work& work);
ExactMatrix transpose(const ExactMatrix& a, const Work& work);
ExactMatrix scale(const ExactMatrix& a, const GaussRational& x, const Work& work);
// Sum of a[i][i] for i below both rows and columns.
GaussRational trace(const ExactMatrix& a);

// a * b, cols(a) = rows(b).
ExactMatrix multiply(const ExactMatrix& a, const ExactMatrix& b, const Work& work);
// a^x for square a and x >= 0 (a^0 is the identity).
ExactMatrix power(const ExactMatrix& a, std::uint64_t x, const Work& work);

// Square a.
GaussRational determinant(const ExactMatrix& a, const Work& work);
int rank(const ExactMatrix& a, const Work& work);

struct EchelonForm {
  ExactMatrix reduced;            // the reduced row echelon form, a's size
  std::vector<int> pivotColumns;  // one per non-zero row, ascending
};
EchelonForm reducedRowEchelon(const ExactMatrix& a, const Work& work);

// Square a; nothing when it is singular.
std::optional<ExactMatrix> inverse(const ExactMatrix& a, const Work& work);

// A basis of the null space as the columns of a cols(a) x (cols(a) - rank) matrix: for each
// free column f, the vector with 1 at f, 0 at the other free columns, and minus the reduced
// form's entries of column f at the pivot columns.
ExactMatrix nullSpace(const ExactMatrix& a, const Work& work);

// Every X with a X = b (rows(a) = rows(b)): X = particular + nullBasis T for any T.
struct Solution {
  bool solvable = false;
  ExactMatrix particular;         // cols(a) x cols(b), free variables 0
  ExactMatrix nullBasis;          // as nullSpace(a)
  std::vector<int> pivotColumns;  // of a; the others are the free variables
};
Solution solve(const ExactMatrix& a, const ExactMatrix& b, const Work& work);

// det(x I - a) for square a, coefficients from x^n down to the constant term.
std::vector<GaussRational> characteristicPolynomial(const ExactMatrix& a, const Work& work);

// a = L U, L unit lower and U upper triangular, without exchanges; nothing when a pivot
// before the last one is zero.
struct LUFactors {
  ExactMatrix lower, upper;
};
std::optional<LUFactors> luWithoutPivoting(const ExactMatrix& a, const Work& work);

// L D L' (plain transpose) of the symmetric matrix whose upper triangle is a's, without
// exchanges and without roots. A zero pivot whose column below is zero gives the multiplier
// 1; nothing when a zero pivot meets a non-zero entry.
struct LDLFactors {
  ExactMatrix lower, diagonal;
};
std::optional<LDLFactors> ldlWithoutPivoting(const ExactMatrix& a, const Work& work);

}  // namespace kelvaro::exact
