#pragma once
// Eigenvalues of a real square matrix: balancing, reduction to upper Hessenberg form and the
// shifted QR iteration, all in place on a 1-based working matrix.

#include <cstddef>
#include <vector>

#include "matrix/work_token.h"
#include "numbers/array_memory.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// The eigenvalue working matrix: n+1 rows of n+1 doubles, used 1-based (row 0 and column 0
// are allocated and never used). Row-major, each row padded to a whole number of cache lines:
// a[i] is row i. The elements live in the large-array memory: at order 1000 they are 8 MB,
// first touched here.
class matrx2 {
 public:
  matrx2() = default;
  explicit matrx2(int n) { resize(n); }

  // Order n, every element 0. Throws CalcError as RCOMat does for a matrix too large.
  void resize(int n) {
    checkMatrixSize(n, n);
    n_ = n > 0 ? n : 0;
    data_.assign((static_cast<std::size_t>(n_) + 1) * stride(), 0.0);
  }
  int order() const { return n_; }
  // Doubles to a cache line.
  static constexpr int kLineDoubles = 8;
  // Rows a whole number of cache lines apart: with 1001 doubles a row, Eig at order 1000 took
  // 5% longer.
  std::size_t stride() const {
    return (static_cast<std::size_t>(n_) + kLineDoubles) / kLineDoubles * kLineDoubles;
  }

  double* operator[](int i) { return data_.data() + static_cast<std::size_t>(i) * stride(); }
  const double* operator[](int i) const {
    return data_.data() + static_cast<std::size_t>(i) * stride();
  }

 private:
  int n_ = 0;
  std::vector<double, ArrayAllocator<double>> data_ =
      std::vector<double, ArrayAllocator<double>>(1, 0.0);
};

// Balances a (order n) by powers of two; the eigenvalues are unchanged. An index whose row or
// column norm is not finite is left alone.
void MatBalance(matrx2& a, int n, const CancelFlag* cancel = nullptr);

// Reduces a (order n) to upper Hessenberg form by stabilised elementary similarity
// transformations; the multipliers stay below the subdiagonal. work counts the n - 2 steps.
void MatHessenberg(matrx2& a, int n, WorkToken* work = nullptr);

// All eigenvalues of the upper Hessenberg matrix a (destroyed) into wr[1..n], wi[1..n], stored
// where they split off. Returns false when 30 iterations on one eigenvalue did not split it;
// the entries up to the one it was working on are then left as they were. work counts the n
// eigenvalues.
bool MatHqr(matrx2& a, int n, std::vector<double>& wr, std::vector<double>& wi,
            WorkToken* work = nullptr);

}  // namespace kelvaro
