#pragma once
// Determinant and rank by Gaussian elimination with full pivoting on |real part|: the
// imaginary parts take part in the arithmetic, not in the choice of pivots. Both overwrite
// the matrix they are given.

#include "matrix/mat_basic.h"
#include "matrix/mat_types.h"
#include "matrix/work_token.h"

namespace kelvaro {

// The elimination's factors for the matrix's condition: with them MatDet leaves m holding
// A(rowPerm, colPerm) = L*U, U on and above the diagonal, L's multipliers below it, when the
// elimination ran to its end (complete); the arithmetic of the determinant is the same.
struct DetPivots {
  RCoVecE rowPerm, colPerm;
  bool complete = false;
  RCoVecE pivotColumn;  // where each step's pivot came from, for the rows finished before it
};

// det := the determinant of the rows x cols matrix m: m[0][0] for 1 x 1, the integer 0 when
// not square or when no real part is left to pivot on, the integer 1 for an empty matrix.
// work counts the n - 1 elimination steps.
void MatDet(RCOMat& m, int rows, int cols, Element& det, WorkToken* work = nullptr,
            DetPivots* pivots = nullptr);

// The rank: the number of pivots with a non-zero real part (no tolerance). Only the real
// part of each elimination multiplier is used. work counts min(rows, cols) steps.
double MatRank(RCOMat& m, int rows, int cols, WorkToken* work = nullptr);

// The same on elements alone, as they run for matrices with non-complex elements.
void MatDetElements(RCOMat& m, int rows, int cols, Element& det, DetPivots* pivots = nullptr);
double MatRankElements(RCOMat& m, int rows, int cols);

}  // namespace kelvaro
