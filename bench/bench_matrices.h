#pragma once
// Operands and runs shared by the benchmark programs.

#include <random>
#include <vector>

#include "matrix/Zezizir2.h"

namespace kelvaro::bench {

// Random elements in [-1, 1) (both parts when complex) with n added to the diagonal, which
// keeps the matrix far from singular.
inline RCOMat randomMatrix(int n, unsigned seed, bool complex = true) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  RCOMat m(n, n);
  for (auto& e : m.elements()) {
    const double re = u(gen);
    e = complex ? Element::complex(re, u(gen)) : Element::real(re);
  }
  for (int i = 0; i < n; ++i)
    m[i][i] = complex ? Element::complex(m[i][i].re() + n, m[i][i].im())
                      : Element::real(m[i][i].re() + n);
  return m;
}

// The real parts of the square a in the eigenvalue routines' working matrix.
inline matrx2 eigenWork(const RCOMat& a) {
  const int n = a.rows();
  matrx2 m(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) m[i + 1][j + 1] = a[i][j].re();
  return m;
}

// The eigenvalues of the real parts of a, as the command computes them.
inline void eigenvalues(const RCOMat& a, WorkToken* work = nullptr) {
  const int n = a.rows();
  matrx2 m = eigenWork(a);
  std::vector<double> wr, wi;
  MatBalance(m, n, work);
  MatHessenberg(m, n, work);
  MatHqr(m, n, wr, wi, work);
}

}  // namespace kelvaro::bench
