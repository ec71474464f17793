#pragma once
// Inside the exact library only: fraction-free elimination (Bareiss) on integer and
// Gaussian-integer matrices. Every division is exact, so the numbers stay the size of the
// minors they are, and no gcd is taken until the end.

#include <flint/fmpz.h>

#include <utility>
#include <vector>

#include "exact/exact_matrix.h"
#include "exact/exact_work.h"
#include "exact/flint_support.h"

namespace kelvaro::exact {

// A Gaussian integer re + im i.
struct GaussInt {
  Fmpz re, im;
  bool isZero() const { return fmpz_is_zero(re.get()) && fmpz_is_zero(im.get()); }
};

// A square or rectangular matrix of Gaussian integers (im all zero for an integer matrix,
// which the arithmetic then skips).
class GaussIntMatrix {
 public:
  GaussIntMatrix(int rows, int cols, bool complex)
      : rows_(rows),
        cols_(cols),
        complex_(complex),
        cells_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) {}
  int rows() const { return rows_; }
  int cols() const { return cols_; }
  bool complex() const { return complex_; }
  GaussInt& at(int r, int c) {
    return cells_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_) +
                  static_cast<std::size_t>(c)];
  }
  const GaussInt& at(int r, int c) const {
    return cells_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_) +
                  static_cast<std::size_t>(c)];
  }
  void swapRows(int a, int b) {
    for (int c = 0; c < cols_; ++c) std::swap(at(a, c), at(b, c));
  }

 private:
  int rows_, cols_;
  bool complex_;
  std::vector<GaussInt> cells_;
};

// Each row of a times the lcm of its denominators (rowScale[r]); the rows' span and the
// echelon form are those of a.
GaussIntMatrix clearRowDenominators(const ExactMatrix& a, std::vector<Fmpz>* rowScale);

// out := (p * x - q * y) / d, all Gaussian integers, the division exact.
void crossDivide(GaussInt& out, const GaussInt& p, const GaussInt& x, const GaussInt& q,
                 const GaussInt& y, const GaussInt& d, bool complex);

// Fraction-free elimination. Pivots are the first non-zero entry in each column from the
// current row down, brought up by a row exchange. With reduceAbove (Gauss-Jordan) m becomes
// den times its reduced row echelon form; without (Bareiss) only the rows below each pivot
// are reduced, which is enough for the rank. Returns the pivot columns; den is the last
// pivot (1 when there is none).
std::vector<int> fractionFreeReduce(GaussIntMatrix& m, GaussInt& den, bool reduceAbove,
                                    const Work& work);

// The determinant of a square Gaussian-integer matrix, from its determinants modulo primes
// p = 1 mod 4, where i is a square root of -1: the two roots give the determinant's values
// at i and -i, hence its real and imaginary parts modulo p; enough primes for Hadamard's
// bound fix them.
GaussInt gaussianDeterminant(const GaussIntMatrix& m, const Work& work);

// The quotient a / d of Gaussian integers as a Gaussian rational.
GaussRational gaussQuotient(const GaussInt& a, const GaussInt& d);

}  // namespace kelvaro::exact
