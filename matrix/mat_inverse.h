#pragma once
// The two ways of inverting a square matrix.
//
// MatInverse: Gauss-Jordan in place on split parts with full pivoting on the squared modulus
// and the three-multiplication complex product; singular when the largest squared modulus
// left is at most 2^-64.
//
// MatInvLU: Gaussian elimination with full pivoting on |real part| (MatLUPivot), then one
// solve per column of the identity (MatLUSolve); singular when no real part is left or a
// diagonal element of the factor is 0 by the element comparison.

#include "matrix/mat_basic.h"
#include "matrix/mat_types.h"
#include "matrix/work_token.h"

namespace kelvaro {

// ar, ai: n*n real and imaginary parts, row-major (index i*n + j), overwritten. Returns 0
// with r the n x n inverse, or 1 (singular) with r n x n empty elements.
// work counts the n pivot steps.
int MatInverse(int n, RCoVecD& ar, RCoVecD& ai, RCOMat& r, WorkToken* work = nullptr);

// Factors a in place: U on and above the diagonal, below it the multipliers that turn the
// permuted right-hand side into the one for U. colPerm[j] / rowPerm[i]: which column / row of
// the input stands at position j / i. Sets MatErr 3 for a singular matrix, else leaves it.
// work is advanced once per pivot step.
void MatLUPivot(int n, RCOMat& a, RCoVecE& colPerm, RCoVecE& rowPerm, int& MatErr,
                WorkToken* work = nullptr);

// Solves a0 * x = b for the matrix a0 that MatLUPivot factored into a; b comes in x and the
// solution goes out in x. MatErr := 0.
void MatLUSolve(const RCOMat& a, int n, RCOVec& x, const RCoVecE& rowPerm, const RCoVecE& colPerm,
                int& MatErr, const CancelFlag* cancel = nullptr);

// dst := the inverse of src, which is overwritten with its factors. MatErr 5 for an empty
// src, 4 when not square, 3 when singular (dst unchanged then), else 0. work counts the n - 1
// pivot steps and the n columns solved.
void MatInvLU(RCOMat& src, RCOMat& dst, int& MatErr, WorkToken* work = nullptr);

// The second-level cache size in bytes by which MatInvLU's solve picks how many columns of the
// identity to take at once (32, or 16 at orders where 32 would not stay in the cache; the
// results are the same). 0, the default, reads it from the system; tests set it to reach the
// narrower width at small orders.
void setSolveCacheBytes(long bytes);

// MatInvLU on elements alone, column by column, as it runs for matrices that hold
// non-complex or non-finite elements.
void MatInvLUElements(RCOMat& src, RCOMat& dst, int& MatErr, WorkToken* work = nullptr);

}  // namespace kelvaro
