#include "matrix/mat_eigen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>

#include "dense_helpers.h"

namespace kelvaro {
namespace {

using testing::Dense;

matrx2 toWorking(const Dense& d) {
  matrx2 a(d.rows);
  for (int i = 0; i < d.rows; ++i)
    for (int j = 0; j < d.cols; ++j) a[i + 1][j + 1] = d(i, j);
  return a;
}

struct Eigen {
  std::vector<double> re, im;
  bool converged;
};

Eigen eigenvalues(const Dense& d) {
  const int n = d.rows;
  matrx2 a = toWorking(d);
  Eigen e{std::vector<double>(n + 1, 0.0), std::vector<double>(n + 1, 0.0), false};
  MatBalance(a, n);
  MatHessenberg(a, n);
  e.converged = MatHqr(a, n, e.re, e.im);
  return e;
}

Dense square(int n, std::initializer_list<double> values) {
  Dense d(n, n);
  d.v.assign(values);
  return d;
}

// The reduction written element by element in its original loop order.
void plainHessenberg(matrx2& a, int n) {
  for (int m = 2; m < n; ++m) {
    double x = 0;
    int i = m;
    for (int j = m; j <= n; ++j) {
      if (std::fabs(a[j][m - 1]) > std::fabs(x)) {
        x = a[j][m - 1];
        i = j;
      }
    }
    if (i != m) {
      for (int j = m - 1; j <= n; ++j) std::swap(a[i][j], a[m][j]);
      for (int j = 1; j <= n; ++j) std::swap(a[j][i], a[j][m]);
    }
    if (x != 0) {
      for (i = m + 1; i <= n; ++i) {
        double y = a[i][m - 1];
        if (y != 0) {
          y /= x;
          a[i][m - 1] = y;
          for (int j = m; j <= n; ++j) a[i][j] -= y * a[m][j];
          for (int j = 1; j <= n; ++j) a[j][m] += y * a[j][i];
        }
      }
    }
  }
}

TEST(Eigenvalues, ExamplesInStoredOrder) {
  Eigen e = eigenvalues(square(1, {5}));
  EXPECT_EQ(e.re[1], 5);
  EXPECT_EQ(e.im[1], 0);

  // 0 is stored exactly (and so will not be printed), 5 after it.
  e = eigenvalues(square(2, {1, 2, 2, 4}));
  EXPECT_EQ(e.re[1], 0.0);
  EXPECT_EQ(e.im[1], 0.0);
  EXPECT_NEAR(e.re[2], 5, 1e-14);

  // A complex pair: the lower index holds the negative imaginary part.
  e = eigenvalues(square(2, {0, -1, 1, 0}));
  EXPECT_EQ(e.re[1], 0);
  EXPECT_EQ(e.im[1], -1);
  EXPECT_EQ(e.re[2], 0);
  EXPECT_EQ(e.im[2], 1);

  e = eigenvalues(square(3, {2, 0, 0, 0, 3, 4, 0, 4, 9}));
  EXPECT_NEAR(e.re[1], 2, 1e-13);
  EXPECT_NEAR(e.re[2], 1, 1e-13);
  EXPECT_NEAR(e.re[3], 11, 1e-13);

  e = eigenvalues(square(3, {0, 0, 1, 1, 0, 0, 0, 1, 0}));
  EXPECT_NEAR(e.re[1], -0.5, 1e-13);
  EXPECT_NEAR(e.im[1], -0.86603, 1e-5);
  EXPECT_NEAR(e.re[2], -0.5, 1e-13);
  EXPECT_NEAR(e.im[2], 0.86603, 1e-5);
  EXPECT_NEAR(e.re[3], 1, 1e-13);
  EXPECT_EQ(e.im[3], 0);

  e = eigenvalues(square(3, {1, 2, 3, 4, 5, 6, 7, 8, 10}));
  EXPECT_NEAR(e.re[1], 16.70749, 1e-5);
  EXPECT_NEAR(e.re[2], -0.90574, 1e-5);
  EXPECT_NEAR(e.re[3], 0.19825, 1e-5);

  e = eigenvalues(square(4, {4, 1, 0, 0, 1, 4, 1, 0, 0, 1, 4, 1, 0, 0, 1, 4}));
  EXPECT_NEAR(e.re[1], 2.38197, 1e-5);
  EXPECT_NEAR(e.re[2], 5.61803, 1e-5);
  EXPECT_NEAR(e.re[3], 4.61803, 1e-5);
  EXPECT_NEAR(e.re[4], 3.38197, 1e-5);
  EXPECT_TRUE(e.converged);
}

TEST(Eigenvalues, KnownRealSpectrum) {
  // Q·D·Qᵀ has the eigenvalues on D's diagonal.
  std::mt19937_64 rng(3);
  for (int n : {5, 30, 80}) {
    const Dense q = testing::randomOrthogonal(n, rng);
    Dense d(n, n);
    std::vector<double> expected;
    for (int i = 0; i < n; ++i) {
      d(i, i) = i - n / 3.0 + 0.25;
      expected.push_back(d(i, i));
    }
    const Eigen e = eigenvalues(testing::multiply(testing::multiply(q, d), testing::transpose(q)));
    ASSERT_TRUE(e.converged);
    std::vector<double> got(e.re.begin() + 1, e.re.end());
    std::sort(got.begin(), got.end());
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(got[i], expected[i], 1e-9) << n;
      EXPECT_EQ(e.im[i + 1], 0.0);
    }
  }
}

TEST(Eigenvalues, KnownComplexPairs) {
  // Q·B·Qᵀ with B block diagonal: blocks [[a, b], [-b, a]] give a ± bi, plus one real value.
  std::mt19937_64 rng(5);
  const int n = 41;
  const Dense q = testing::randomOrthogonal(n, rng);
  Dense b(n, n);
  std::vector<std::complex<double>> expected;
  for (int k = 0; k + 1 < n; k += 2) {
    const double re = 0.1 * k - 1, im = 0.5 + 0.05 * k;
    b(k, k) = b(k + 1, k + 1) = re;
    b(k, k + 1) = im;
    b(k + 1, k) = -im;
    expected.push_back({re, im});
    expected.push_back({re, -im});
  }
  b(n - 1, n - 1) = 3.5;
  expected.push_back({3.5, 0});
  const Eigen e = eigenvalues(testing::multiply(testing::multiply(q, b), testing::transpose(q)));
  ASSERT_TRUE(e.converged);
  std::vector<std::complex<double>> got;
  for (int k = 1; k <= n; ++k) {
    got.push_back({e.re[k], e.im[k]});
    // A pair is stored with the negative imaginary part first.
    if (e.im[k] != 0 && k > 1 && e.im[k - 1] == -e.im[k] && e.re[k - 1] == e.re[k]) {
      EXPECT_LT(e.im[k - 1], 0);
    }
  }
  auto order = [](std::complex<double> x, std::complex<double> y) {
    return x.real() != y.real() ? x.real() < y.real() : x.imag() < y.imag();
  };
  std::sort(got.begin(), got.end(), order);
  std::sort(expected.begin(), expected.end(), order);
  for (int k = 0; k < n; ++k) EXPECT_LT(std::abs(got[k] - expected[k]), 1e-9);
}

TEST(Eigenvalues, ReorderedReductionMatchesElementwiseLoops) {
  std::mt19937_64 rng(9);
  for (int n : {3, 4, 17, 60}) {
    Dense d = testing::randomDense(n, n, rng, -10, 10);
    // Zeros in the pivot column exercise the skipped multipliers and the row swaps.
    for (int i = 0; i < n; i += 3) d(i, 0) = 0;
    if (n > 4) d(n - 1, 1) = 50;
    if (n > 16) {
      // A multiplier that underflows to zero still reduces its row: -0 - (+0·-3) is +0.
      d(1, 0) = 1e10;
      d(n - 1, 0) = 1e-320;
      for (int j = 1; j < n; ++j) {
        d(1, j) = -3;
        d(n - 1, j) = -0.0;
      }
    }
    matrx2 a = toWorking(d), b = toWorking(d);
    MatHessenberg(a, n);
    plainHessenberg(b, n);
    EXPECT_EQ(0, std::memcmp(a[0], b[0], (n + 1) * (n + 1) * sizeof(double))) << n;
    for (int i = 3; i <= n; ++i)
      for (int j = 1; j < i - 1; ++j) b[i][j] = 0;
    // What the iteration reads is upper Hessenberg and similar to the input.
    std::vector<double> wr(n + 1), wi(n + 1);
    ASSERT_TRUE(MatHqr(b, n, wr, wi));
    double trace = 0, sum = 0, size = 0;
    for (int i = 0; i < n; ++i) trace += d(i, i);
    for (int i = 1; i <= n; ++i) sum += wr[i];
    for (double v : d.v) size += std::fabs(v);
    EXPECT_NEAR(sum, trace, 1e-9 + 1e-15 * n * size);
  }
}

TEST(Eigenvalues, NonFiniteInputEnds) {
  // Row and column sums that overflow leave the index alone instead of scaling forever.
  const Dense huge = square(3, {1e308, 1e308, 1e308, 1e308, -1e308, 1e308, 1e-300, 1e308, 1e308});
  matrx2 a = toWorking(huge);
  MatBalance(a, 3);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(a[i][j], huge(i - 1, j - 1));
  // NaN and infinity never split off: the iteration stops at its limit.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(eigenvalues(square(3, {1, nan, 2, 3, 4, 5, 6, 7, 8})).converged);
  const Eigen e = eigenvalues(square(3, {inf, 1, 2, 1, 1, 1, 2, 3, 1}));
  EXPECT_FALSE(std::isfinite(e.re[1]) && std::isfinite(e.re[2]) && std::isfinite(e.re[3]));
}

TEST(Eigenvalues, TinyAgainstHugeKeepsFiniteValues) {
  // Balancing this would need a factor beyond the double range; the entries must stay finite.
  Dense d = square(2, {0, 1e300, 1e-320, 0});
  matrx2 a = toWorking(d);
  MatBalance(a, 2);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_FALSE(std::isnan(a[i][j]));
}

}  // namespace
}  // namespace kelvaro
