#include "matrix/mat_qr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dense_helpers.h"

namespace kelvaro {
namespace {

using testing::Dense;

Dense qrOf(const Dense& a, Dense& q) {
  Dense r = a;
  q = Dense(a.rows, a.rows);
  householderQR(r.v.data(), a.rows, a.cols, q.v.data());
  return r;
}

// The reflections written out one by one over the whole matrix, step by step as described
// for the routine, to check that the panelled version computes every element the same way.
void plainQR(Dense& r, Dense& q) {
  const int m = r.rows, n = r.cols;
  q = Dense(m, m);
  for (int i = 0; i < m; ++i) q(i, i) = 1;
  for (int k = 0; k <= std::min(m - 2, n - 1); ++k) {
    double s = 0;
    for (int i = k; i < m; ++i) s += std::fabs(r(i, k));
    if (s == 0) continue;
    double sigma = 0;
    for (int i = k; i < m; ++i) {
      r(i, k) = r(i, k) / s;
      sigma += r(i, k) * r(i, k);
    }
    const double alpha = -(r(k, k) >= 0 ? 1.0 : -1.0) * std::sqrt(sigma);
    r(k, k) = r(k, k) - alpha;
    const double beta = -alpha * r(k, k);
    for (int j = k + 1; j < n; ++j) {
      double t = 0;
      for (int i = k; i < m; ++i) t += r(i, k) * r(i, j);
      t /= beta;
      for (int i = k; i < m; ++i) r(i, j) -= r(i, k) * t;
    }
    for (int j = 0; j < m; ++j) {
      double t = 0;
      for (int i = k; i < m; ++i) t += r(i, k) * q(i, j);
      t /= beta;
      for (int i = k; i < m; ++i) q(i, j) -= r(i, k) * t;
    }
    r(k, k) = alpha * s;
    for (int i = k + 1; i < m; ++i) r(i, k) = 0;
  }
}

TEST(MatQR, TwoByTwoExample) {
  Dense a(2, 2);
  a.v = {1, 2, 3, 4};
  Dense q;
  const Dense r = qrOf(a, q);
  EXPECT_NEAR(q(0, 0), -0.31623, 1e-5);
  EXPECT_NEAR(q(0, 1), -0.94868, 1e-5);
  EXPECT_NEAR(q(1, 0), -0.94868, 1e-5);
  EXPECT_NEAR(q(1, 1), 0.31623, 1e-5);
  EXPECT_NEAR(r(0, 0), -3.16228, 1e-5);
  EXPECT_NEAR(r(0, 1), -4.42719, 1e-5);
  EXPECT_EQ(r(1, 0), 0.0);
  // The last column of a square matrix gets no reflection and keeps its sign.
  EXPECT_NEAR(r(1, 1), -0.63246, 1e-5);
}

TEST(MatQR, TallMatrixReflectsEveryColumn) {
  Dense a(3, 2);
  a.v = {1, 2, 3, 4, 5, 6};
  Dense q;
  const Dense r = qrOf(a, q);
  EXPECT_NEAR(r(0, 0), -5.91608, 1e-5);
  EXPECT_NEAR(r(0, 1), -7.43736, 1e-5);
  EXPECT_NEAR(r(1, 1), 0.82808, 1e-5);
  EXPECT_EQ(r(1, 0), 0.0);
  EXPECT_EQ(r(2, 0), 0.0);
  EXPECT_EQ(r(2, 1), 0.0);
  EXPECT_NEAR(q(0, 0), -0.16903, 1e-5);
  EXPECT_NEAR(q(0, 1), -0.50709, 1e-5);
  EXPECT_NEAR(q(0, 2), -0.84515, 1e-5);
}

TEST(MatQR, DiagonalSignFollowsThePivot) {
  // Positive (or zero) pivot gives a negative diagonal entry, a negative pivot a positive one.
  Dense a(4, 2);
  a.v = {-3, 1, 4, 0, 0, 2, 0, 5};
  Dense q;
  const Dense r = qrOf(a, q);
  EXPECT_NEAR(r(0, 0), 5.0, 1e-12);
  EXPECT_LT(r(1, 1), 0.0);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(r(i, 0), 0.0);
  for (int i = 2; i < 4; ++i) EXPECT_EQ(r(i, 1), 0.0);
  Dense zeroPivot(3, 1);
  zeroPivot.v = {0, 3, 4};
  EXPECT_NEAR(qrOf(zeroPivot, q)(0, 0), -5.0, 1e-12);
}

TEST(MatQR, ZeroColumnIsSkipped) {
  Dense a(3, 3);
  a.v = {0, 1, 2, 0, 3, 4, 0, 5, 7};
  Dense q;
  const Dense r = qrOf(a, q);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(r(i, 0), 0.0);
  // Only the second step reflects, and it leaves row 0 of Q alone.
  EXPECT_EQ(q(0, 0), 1.0);
  EXPECT_EQ(q(0, 1), 0.0);
  EXPECT_EQ(q(0, 2), 0.0);
  // A 2x2 with a zero first column has no step left at all.
  Dense b(2, 2);
  b.v = {0, 1, 0, 2};
  const Dense rb = qrOf(b, q);
  EXPECT_EQ(q.v, (std::vector<double>{1, 0, 0, 1}));
  EXPECT_EQ(rb.v, b.v);
}

TEST(MatQR, OneByOneHasNoStep) {
  Dense a(1, 1);
  a.v = {-7.5};
  Dense q;
  EXPECT_EQ(qrOf(a, q).v[0], -7.5);
  EXPECT_EQ(q.v[0], 1.0);
}

TEST(MatQR, QTimesAIsRAndQIsOrthogonal) {
  std::mt19937_64 rng(7);
  for (auto [m, n] : {std::pair{3, 3}, {6, 2}, {40, 40}, {70, 33}, {5, 8}}) {
    const Dense a = testing::randomDense(m, n, rng);
    Dense q;
    const Dense r = qrOf(a, q);
    EXPECT_LT(testing::maxAbsDiff(testing::multiply(q, a), r), 1e-12) << m << "x" << n;
    // A = Qᵀ·R, not Q·R.
    EXPECT_LT(testing::maxAbsDiff(testing::multiply(testing::transpose(q), r), a), 1e-12);
    Dense identity(m, m);
    for (int i = 0; i < m; ++i) identity(i, i) = 1;
    EXPECT_LT(testing::maxAbsDiff(testing::multiply(q, testing::transpose(q)), identity), 1e-12);
    for (int j = 0; j < n; ++j)
      for (int i = j + 1; i < m && j <= std::min(m - 2, n - 1); ++i) EXPECT_EQ(r(i, j), 0.0);
  }
}

TEST(MatQR, PanelsComputeExactlyWhatSingleStepsDo) {
  std::mt19937_64 rng(11);
  for (auto [m, n] : {std::pair{31, 31}, {33, 33}, {70, 45}, {100, 3}, {64, 64}, {20, 90}}) {
    Dense a = testing::randomDense(m, n, rng, -100, 100);
    // Integer entries and zero columns exercise exact cancellation and skipped steps.
    for (int i = 0; i < m; ++i) {
      a(i, 1) = std::round(a(i, 1));
      a(i, 2) = 0;
    }
    Dense q;
    const Dense r = qrOf(a, q);
    Dense rPlain = a, qPlain;
    plainQR(rPlain, qPlain);
    EXPECT_EQ(0, std::memcmp(r.v.data(), rPlain.v.data(), r.v.size() * sizeof(double)))
        << m << "x" << n;
    EXPECT_EQ(0, std::memcmp(q.v.data(), qPlain.v.data(), q.v.size() * sizeof(double)))
        << m << "x" << n;
  }
}

}  // namespace
}  // namespace kelvaro
