// The factors put back together give the matrix, and known spectra come out: checks that hold
// for matrices too large to work out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <random>

#include "matrix/Zezizir2.h"
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
  Dense product() const { return multiply(multiply(u, s), v); }
};

Factors svdOf(const Dense& a) {
  const int m = a.rows, n = a.cols;
  Dense s = transpose(a), u(m, m);  // both column-major in and out
  Factors f{Dense(m, m), Dense(m, n), Dense(n, n), false};
  f.converged = svdDecompose(s.v.data(), u.v.data(), f.v.v.data(), m, n, 1e-15L);
  f.s = transpose(s);
  f.u = transpose(u);
  return f;
}

// The eigenvalues sorted by real, then imaginary part; empty when the iteration failed.
std::vector<std::complex<double>> eigenvaluesOf(const Dense& d) {
  const int n = d.rows;
  matrx2 a = working(d);
  std::vector<double> re(n + 1), im(n + 1);
  MatBalance(a, n);
  MatHessenberg(a, n);
  std::vector<std::complex<double>> values;
  if (!MatHqr(a, n, re, im)) return values;
  for (int k = 1; k <= n; ++k) {
    // A complex pair is stored with its negative imaginary part first.
    EXPECT_FALSE(k < n && im[k] > 0 && im[k + 1] == -im[k] && re[k + 1] == re[k]);
    values.push_back({re[k], im[k]});
  }
  std::sort(values.begin(), values.end(), [](auto x, auto y) {
    return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag();
  });
  return values;
}

TEST(Reconstruction, QRAndSvdOfEveryShape) {
  std::mt19937_64 rng(7);
  for (auto [m, n] : {std::pair{3, 3}, {8, 3}, {3, 8}, {40, 40}, {61, 17}, {17, 61}, {2, 9}}) {
    SCOPED_TRACE(std::to_string(m) + "x" + std::to_string(n));
    const Dense a = randomDense(m, n, rng, -3, 3);
    Dense r = a, q(m, m);
    householderQR(r.v.data(), m, n, q.v.data());
    EXPECT_LT(maxAbsDiff(multiply(transpose(q), r), a), 1e-12);  // A = Qᵀ·R
    EXPECT_LT(maxAbsDiff(multiply(q, transpose(q)), identity(m)), 1e-12);
    for (int j = 0; j < std::min(m - 1, n); ++j)
      for (int i = j + 1; i < m; ++i) EXPECT_EQ(r(i, j), 0.0);

    const Factors f = svdOf(a);
    EXPECT_TRUE(f.converged);
    EXPECT_LT(maxAbsDiff(f.product(), a), 1e-12);
    EXPECT_LT(maxAbsDiff(multiply(f.v, transpose(f.v)), identity(n)), 1e-12);
    for (int i = 0; i < m; ++i)  // non-negative on the diagonal, largest first, 0 elsewhere
      for (int j = 0; j < n; ++j)
        EXPECT_TRUE(i != j ? f.s(i, j) == 0
                           : f.s(i, j) >= 0 && (i == 0 || f.s(i, j) <= f.s(i - 1, j - 1)));
  }
  // A zero matrix, and Q1·D·Q2, whose singular values are |d_i|.
  EXPECT_LT(maxAbsDiff(svdOf(Dense(3, 4)).product(), Dense(3, 4)), 1e-300);
  const int m = 30, n = 20;
  Dense d(m, n);
  std::vector<double> expected;
  for (int i = 0; i < n; ++i) {
    d(i, i) = (i % 2 ? -1 : 1) * (0.5 + 1.5 * i);
    expected.push_back(std::fabs(d(i, i)));
  }
  std::sort(expected.rbegin(), expected.rend());
  const Factors f =
      svdOf(multiply(multiply(randomOrthogonal(m, rng), d), randomOrthogonal(n, rng)));
  for (int i = 0; i < n; ++i) EXPECT_NEAR(f.s(i, i), expected[i], 1e-11);
}

TEST(Reconstruction, KnownEigenvalues) {
  // Q·D·Qᵀ has D's eigenvalues: blocks [[a, b], [-b, a]] give a ± bi, the rest are real.
  std::mt19937_64 rng(3);
  for (int n : {5, 30, 41, 80}) {
    Dense d(n, n);
    std::vector<std::complex<double>> expected;
    for (int k = 0; k < n; ++k) {
      if (n % 2 && k + 1 < n) {
        const double re = 0.1 * k - 1, im = 0.5 + 0.05 * k;
        d(k, k) = d(k + 1, k + 1) = re;
        d(k, k + 1) = im;
        d(k + 1, k) = -im;
        expected.insert(expected.end(), {{re, -im}, {re, im}});
        ++k;
      } else {
        d(k, k) = k - n / 3.0 + 0.25;
        expected.push_back(d(k, k));
      }
    }
    const Dense q = randomOrthogonal(n, rng);
    const auto got = eigenvaluesOf(multiply(multiply(q, d), transpose(q)));
    ASSERT_EQ(got.size(), expected.size()) << n;
    std::sort(expected.begin(), expected.end(), [](auto x, auto y) {
      return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag();
    });
    for (int k = 0; k < n; ++k) EXPECT_LT(std::abs(got[k] - expected[k]), 1e-9) << n;
  }
}

TEST(Reconstruction, NonFiniteInputEnds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(eigenvaluesOf(Dense(3, 3, {1, nan, 2, 3, 4, 5, 6, 7, 8})).empty());
  const auto withInf = eigenvaluesOf(Dense(3, 3, {inf, 1, 2, 1, 1, 1, 2, 3, 1}));
  EXPECT_FALSE(withInf.size() == 3 && std::all_of(withInf.begin(), withInf.end(), [](auto v) {
                 return std::isfinite(v.real()) && std::isfinite(v.imag());
               }));
  for (double bad : {nan, inf}) {
    const Factors f = svdOf(Dense(3, 3, {1, 2, bad, 4, 5, 6, 7, 8, 10}));
    EXPECT_TRUE(!f.converged || std::any_of(f.s.v.begin(), f.s.v.end(),
                                            [](double x) { return !std::isfinite(x); }));
  }
}

TEST(Reconstruction, LUInversesAndLDLOfComplexMatrices) {
  std::mt19937_64 gen(4);
  for (int n : {1, 30, 70}) {
    const RCOMat m = randomWellConditioned(n, gen);
    RCOMat a = m, l(n, n), u(n, n), product, inverse, one(n, n);
    for (int i = 0; i < n; ++i) one[i][i] = Element::complex(1, 0);
    ASSERT_EQ(MatLU(a, l, u, n, n), 1);
    MatMulElements(l, u, product);
    EXPECT_LT(maxDistance(product, m), 1e-12) << n;

    RCoVecD re, im;
    for (const Element& e : m.elements()) re.push_back(e.re()), im.push_back(e.im());
    ASSERT_EQ(MatInverse(n, re, im, inverse), 0);
    MatMulElements(m, inverse, product);
    EXPECT_LT(maxDistance(product, one), 1e-12) << n;
    int err = -1;
    a = m;
    MatInvLU(a, inverse, err);
    ASSERT_EQ(err, kMatOk);
    MatMulElements(m, inverse, product);
    EXPECT_LT(maxDistance(product, one), 1e-12) << n;

    // L·D·Lᵀ of the symmetric (not Hermitian) matrix with m's upper triangle.
    RCOMat s = m, d, lt(n, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < i; ++j) s[i][j] = s[j][i];
    a = s;
    ASSERT_TRUE(choleskyLDL(a, l, d));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) lt[i][j] = l[j][i];
    MatMulElements(l, d, a);
    MatMulElements(a, lt, product);
    EXPECT_LT(maxDistance(product, s), 1e-12) << n;
  }
}

}  // namespace
}  // namespace kelvaro
