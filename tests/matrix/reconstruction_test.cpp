// The factors put back together give the matrix, and known spectra come out: checks that hold
// for matrices too large to work out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <random>

#include "commands/complex_algorithms.h"
#include "matrix/mat_eigen.h"
#include "matrix/mat_inverse.h"
#include "matrix/mat_lu.h"
#include "matrix/mat_qr.h"
#include "matrix/mat_svd.h"
#include "tests/support/reference_kernels.h"

namespace kelvaro {
namespace {

using namespace reference;

struct Factors {
  Dense u, s, v;
  bool converged;
};

Factors svdOf(const Dense& a) {
  const int m = a.rows, n = a.cols;
  std::vector<double> col(static_cast<std::size_t>(m) * n), u(static_cast<std::size_t>(m) * m);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) col[static_cast<std::size_t>(j) * m + i] = a(i, j);
  Factors f{Dense(m, m), Dense(m, n), Dense(n, n), false};
  f.converged = svdDecompose(col.data(), u.data(), f.v.v.data(), m, n, 1e-15L);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) f.s(i, j) = col[static_cast<std::size_t>(j) * m + i];
    for (int j = 0; j < m; ++j) f.u(i, j) = u[static_cast<std::size_t>(j) * m + i];
  }
  return f;
}

struct Spectrum {
  std::vector<std::complex<double>> values;  // in the order stored
  bool converged;
};

Spectrum eigenvaluesOf(const Dense& d) {
  const int n = d.rows;
  matrx2 a = working(d);
  std::vector<double> re(n + 1), im(n + 1);
  MatBalance(a, n);
  MatHessenberg(a, n);
  Spectrum s{{}, MatHqr(a, n, re, im)};
  for (int k = 1; k <= n; ++k) s.values.push_back({re[k], im[k]});
  return s;
}

void sortByParts(std::vector<std::complex<double>>& v) {
  std::sort(v.begin(), v.end(), [](auto x, auto y) {
    return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag();
  });
}

TEST(Reconstruction, QTransposedTimesRIsTheMatrix) {
  std::mt19937_64 rng(7);
  for (auto [m, n] : {std::pair{3, 3}, {6, 2}, {40, 40}, {70, 33}, {5, 8}}) {
    const Dense a = randomDense(m, n, rng);
    Dense r = a, q(m, m);
    householderQR(r.v.data(), m, n, q.v.data());
    EXPECT_LT(maxAbsDiff(multiply(transpose(q), r), a), 1e-12) << m << "x" << n;
    EXPECT_LT(maxAbsDiff(multiply(q, transpose(q)), identity(m)), 1e-12);
    for (int j = 0; j < std::min(m - 1, n); ++j)
      for (int i = j + 1; i < m; ++i) EXPECT_EQ(r(i, j), 0.0);
  }
}

TEST(Reconstruction, USVIsTheMatrixWithSortedSingularValues) {
  std::mt19937_64 rng(21);
  for (auto [m, n] : {std::pair{5, 5}, {8, 3}, {3, 8}, {40, 40}, {61, 17}, {17, 61}, {2, 9}}) {
    const Dense a = randomDense(m, n, rng, -3, 3);
    const Factors f = svdOf(a);
    EXPECT_TRUE(f.converged);
    EXPECT_LT(maxAbsDiff(multiply(multiply(f.u, f.s), f.v), a), 1e-12) << m << "x" << n;
    EXPECT_LT(maxAbsDiff(multiply(f.v, transpose(f.v)), identity(n)), 1e-12);
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < n; ++j) EXPECT_TRUE(i == j ? f.s(i, j) >= 0 : f.s(i, j) == 0);
    for (int i = 1; i < std::min(m, n); ++i) EXPECT_LE(f.s(i, i), f.s(i - 1, i - 1));
  }
  // Q1·D·Q2 has the singular values |d_i|.
  const int m = 30, n = 20;
  const Dense q1 = randomOrthogonal(m, rng), q2 = randomOrthogonal(n, rng);
  Dense d(m, n);
  std::vector<double> expected;
  for (int i = 0; i < n; ++i) {
    d(i, i) = (i % 2 ? -1 : 1) * (0.5 + 1.5 * i);
    expected.push_back(std::fabs(d(i, i)));
  }
  std::sort(expected.rbegin(), expected.rend());
  const Factors f = svdOf(multiply(multiply(q1, d), q2));
  for (int i = 0; i < n; ++i) EXPECT_NEAR(f.s(i, i), expected[i], 1e-11);
}

TEST(Reconstruction, RankDeficientAndZeroMatricesDecompose) {
  Factors f = svdOf(Dense(3, 3, {1, 2, 3, 2, 4, 6, 1, 1, 1}));
  EXPECT_NEAR(f.s(2, 2), 0, 1e-14);
  EXPECT_LT(maxAbsDiff(multiply(multiply(f.u, f.s), f.v), Dense(3, 3, {1, 2, 3, 2, 4, 6, 1, 1, 1})),
            1e-13);
  f = svdOf(Dense(3, 4));
  EXPECT_TRUE(f.converged);
  EXPECT_LT(maxAbsDiff(multiply(multiply(f.u, f.s), f.v), Dense(3, 4)), 1e-300);
}

TEST(Reconstruction, KnownEigenvalues) {
  std::mt19937_64 rng(3);
  // Q·D·Qᵀ has D's diagonal as eigenvalues; Q·B·Qᵀ with blocks [[a, b], [-b, a]] has a ± bi.
  for (int n : {5, 30, 41, 80}) {
    const Dense q = randomOrthogonal(n, rng);
    Dense d(n, n);
    std::vector<std::complex<double>> expected;
    const bool pairs = n % 2;
    for (int k = 0; k < n; ++k) {
      if (pairs && k + 1 < n) {
        const double re = 0.1 * k - 1, im = 0.5 + 0.05 * k;
        d(k, k) = d(k + 1, k + 1) = re;
        d(k, k + 1) = im;
        d(k + 1, k) = -im;
        expected.insert(expected.end(), {{re, im}, {re, -im}});
        ++k;
        continue;
      }
      d(k, k) = k - n / 3.0 + 0.25;
      expected.push_back(d(k, k));
    }
    Spectrum s = eigenvaluesOf(multiply(multiply(q, d), transpose(q)));
    ASSERT_TRUE(s.converged) << n;
    // A complex pair is stored with its negative imaginary part first.
    for (std::size_t k = 0; k + 1 < s.values.size(); ++k)
      EXPECT_FALSE(s.values[k] == std::conj(s.values[k + 1]) && s.values[k].imag() > 0);
    sortByParts(s.values);
    sortByParts(expected);
    for (int k = 0; k < n; ++k) EXPECT_LT(std::abs(s.values[k] - expected[k]), 1e-9) << n;
  }
}

TEST(Reconstruction, NonFiniteInputEnds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(eigenvaluesOf(Dense(3, 3, {1, nan, 2, 3, 4, 5, 6, 7, 8})).converged);
  const Spectrum e = eigenvaluesOf(Dense(3, 3, {inf, 1, 2, 1, 1, 1, 2, 3, 1}));
  EXPECT_FALSE(std::isfinite(e.values[0].real()) && std::isfinite(e.values[1].real()) &&
               std::isfinite(e.values[2].real()));
  for (double bad : {nan, inf}) {
    const Factors f = svdOf(Dense(3, 3, {1, 2, bad, 4, 5, 6, 7, 8, 10}));
    EXPECT_TRUE(!f.converged || std::any_of(f.s.v.begin(), f.s.v.end(),
                                            [](double x) { return !std::isfinite(x); }));
  }
  // Sums that overflow leave the index alone; a factor beyond the range is never taken.
  const Dense huge(3, 3, {1e308, 1e308, 1e308, 1e308, -1e308, 1e308, 1e-300, 1e308, 1e308});
  matrx2 a = working(huge), b = working(Dense(2, 2, {0, 1e300, 1e-320, 0}));
  MatBalance(a, 3);
  MatBalance(b, 2);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(a[i][j], huge(i - 1, j - 1));
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_FALSE(std::isnan(b[i][j]));
}

TEST(Reconstruction, LUAndBothInversesOfComplexMatrices) {
  std::mt19937_64 gen(4);
  for (int n : {1, 30, 70}) {
    const RCOMat m = randomWellConditioned(n, gen);
    RCOMat a = m, l(n, n), u(n, n), product, inverse;
    ASSERT_EQ(MatLU(a, l, u, n, n), 1);
    MatMulElements(l, u, product);
    EXPECT_LT(maxDistance(product, m), 1e-12) << n;

    RCoVecD re, im;
    for (const Element& e : m.elements()) re.push_back(e.re()), im.push_back(e.im());
    ASSERT_EQ(MatInverse(n, re, im, inverse), 0);
    MatMulElements(m, inverse, product);
    EXPECT_LT(maxDistance(product, complexIdentity(n)), 1e-12) << n;

    int err = -1;
    a = m;
    MatInvLU(a, inverse, err);
    ASSERT_EQ(err, kMatOk);
    MatMulElements(m, inverse, product);
    EXPECT_LT(maxDistance(product, complexIdentity(n)), 1e-12) << n;
  }
}

TEST(Reconstruction, LDLOfASymmetricComplexMatrix) {
  std::mt19937_64 gen(6);
  const int n = 25;
  RCOMat m = randomWellConditioned(n, gen);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j) m[i][j] = m[j][i];  // symmetric, not Hermitian
  RCOMat a = m, l, d, ld, ldlt, lt(n, n);
  ASSERT_TRUE(choleskyLDL(a, l, d));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) lt[i][j] = l[j][i];
  MatMulElements(l, d, ld);
  MatMulElements(ld, lt, ldlt);
  EXPECT_LT(maxDistance(ldlt, m), 1e-12);
}

}  // namespace
}  // namespace kelvaro
