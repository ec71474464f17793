#pragma once
// The 1-norm condition of a square matrix, ||A||_1 * ||inv(A)||_1, from what an operation has
// already computed: the inverse itself, or the factors, from which ||inv(A)||_1 is estimated
// by Hager's method as refined by Higham (a few solves with the factors and their adjoints,
// O(n^2) each). The estimate never exceeds the true norm and is rarely far below it.
// Infinity stands for a factor with a zero on its diagonal.

#include <complex>
#include <vector>

#include "matrix/mat_types.h"
#include "matrix/split_matrix.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// Largest column sum of moduli.
double norm1(const RCOMat& a);

// The same for the symmetric matrix whose upper triangle is a's.
double upperSymmetricNorm1(const RCOMat& a);

// ||inv(A)||_1 for A(rowPerm, colPerm) = L*U, L unit lower (its multipliers below lu's
// diagonal), U on and above it: rowPerm[i] / colPerm[j] is the row / column of A standing at
// position i / j.
double inverseNorm1PivotedLU(const RCOMat& lu, const RCoVecE& rowPerm, const RCoVecE& colPerm);

// ||inv(A)||_1 for A = L*U, L unit lower (its multipliers below lu's diagonal), U on and
// above lu's diagonal.
double inverseNorm1LU(const RCOMat& lu);

// Factors by rows, n x n, as an elimination records them.
template <class T>
using FactorValues = std::vector<T, UnsetAllocator<T>>;

// ||inv(A)||_1 for A(rowPerm) = L*U in Crout's form, L lower with the pivots on its diagonal,
// U unit upper, both in lu (U's diagonal is not read); rowPerm[i] is the row of A standing at
// position i.
double inverseNorm1Crout(FactorValues<double>&& lu, const RCoVecE& rowPerm);
double inverseNorm1Crout(FactorValues<std::complex<double>>&& lu, const RCoVecE& rowPerm);

// ||inv(A)||_1 for A = L*D*L' (plain transpose), L unit lower, D diagonal.
double inverseNorm1LDL(const RCOMat& l, const RCOMat& d);

}  // namespace kelvaro
