#pragma once
// Small dense-matrix helpers for checking decompositions against identities.

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace kelvaro::testing {

// Row-major rows x cols doubles.
struct Dense {
  int rows = 0, cols = 0;
  std::vector<double> v;
  Dense() = default;
  Dense(int r, int c) : rows(r), cols(c), v(static_cast<std::size_t>(r) * c, 0.0) {}
  double& operator()(int i, int j) { return v[static_cast<std::size_t>(i) * cols + j]; }
  double operator()(int i, int j) const { return v[static_cast<std::size_t>(i) * cols + j]; }
};

inline Dense randomDense(int rows, int cols, std::mt19937_64& rng, double lo = -1, double hi = 1) {
  std::uniform_real_distribution<double> dist(lo, hi);
  Dense d(rows, cols);
  for (double& x : d.v) x = dist(rng);
  return d;
}

inline Dense multiply(const Dense& a, const Dense& b) {
  Dense c(a.rows, b.cols);
  for (int i = 0; i < a.rows; ++i)
    for (int k = 0; k < a.cols; ++k)
      for (int j = 0; j < b.cols; ++j) c(i, j) += a(i, k) * b(k, j);
  return c;
}

inline Dense transpose(const Dense& a) {
  Dense t(a.cols, a.rows);
  for (int i = 0; i < a.rows; ++i)
    for (int j = 0; j < a.cols; ++j) t(j, i) = a(i, j);
  return t;
}

inline double maxAbsDiff(const Dense& a, const Dense& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.v.size(); ++i) worst = std::fmax(worst, std::fabs(a.v[i] - b.v[i]));
  return worst;
}

// A random orthogonal matrix: modified Gram-Schmidt on random columns (independent of the
// library's own QR).
inline Dense randomOrthogonal(int n, std::mt19937_64& rng) {
  Dense q = randomDense(n, n, rng);
  for (int j = 0; j < n; ++j) {
    for (int p = 0; p < j; ++p) {
      double dot = 0;
      for (int i = 0; i < n; ++i) dot += q(i, p) * q(i, j);
      for (int i = 0; i < n; ++i) q(i, j) -= dot * q(i, p);
    }
    double norm = 0;
    for (int i = 0; i < n; ++i) norm += q(i, j) * q(i, j);
    norm = std::sqrt(norm);
    for (int i = 0; i < n; ++i) q(i, j) /= norm;
  }
  return q;
}

}  // namespace kelvaro::testing
