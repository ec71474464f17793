#include "matrix/mat_svd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dense_helpers.h"

namespace kelvaro {
namespace {

using testing::Dense;

struct Factors {
  Dense u, s, v;
  bool converged;
};

Factors svdOf(const Dense& a) {
  const int m = a.rows, n = a.cols;
  std::vector<double> col(static_cast<std::size_t>(m) * n);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) col[static_cast<std::size_t>(j) * m + i] = a(i, j);
  Factors f{Dense(m, m), Dense(m, n), Dense(n, n), false};
  std::vector<double> u(static_cast<std::size_t>(m) * m);
  f.converged = svdDecompose(col.data(), u.data(), f.v.v.data(), m, n, 1e-15L);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) f.s(i, j) = col[static_cast<std::size_t>(j) * m + i];
    for (int j = 0; j < m; ++j) f.u(i, j) = u[static_cast<std::size_t>(j) * m + i];
  }
  return f;
}

Dense make(int m, int n, std::initializer_list<double> values) {
  Dense d(m, n);
  d.v.assign(values);
  return d;
}

Dense product(const Factors& f) {
  return testing::multiply(testing::multiply(f.u, f.s), f.v);
}

// S is diagonal, non-negative and sorted from largest to smallest.
void expectSortedDiagonal(const Dense& s) {
  for (int i = 0; i < s.rows; ++i) {
    for (int j = 0; j < s.cols; ++j) {
      EXPECT_TRUE(i == j || s(i, j) == 0.0) << i << "," << j;
    }
  }
  const int p = std::min(s.rows, s.cols);
  for (int i = 0; i < p; ++i) {
    EXPECT_GE(s(i, i), 0.0);
    EXPECT_TRUE(i + 1 == p || s(i, i) >= s(i + 1, i + 1)) << i;
  }
}

TEST(MatSvd, SignsAreMadePositive) {
  const Dense a = make(2, 2, {3, 0, 0, -2});
  const Factors f = svdOf(a);
  EXPECT_TRUE(f.converged);
  EXPECT_EQ(f.s.v, (std::vector<double>{3, 0, 0, 2}));
  EXPECT_LT(testing::maxAbsDiff(product(f), a), 1e-15);
}

TEST(MatSvd, SortingMovesColumnsOfUAndRowsOfV) {
  const Dense a = make(2, 2, {1, 0, 0, 2});
  const Factors f = svdOf(a);
  EXPECT_EQ(f.s.v, (std::vector<double>{2, 0, 0, 1}));
  // The value 2 came from the second position: U's first column and V's first row follow it.
  EXPECT_EQ(std::fabs(f.u(1, 0)), 1.0);
  EXPECT_EQ(std::fabs(f.v(0, 1)), 1.0);
  EXPECT_LT(testing::maxAbsDiff(product(f), a), 1e-15);
}

TEST(MatSvd, TallMatrixLeavesExtraColumnsOfUZero) {
  const Dense a = make(3, 2, {2, 0, 1, 1, 0, 2});
  const Factors f = svdOf(a);
  expectSortedDiagonal(f.s);
  EXPECT_NEAR(f.s(0, 0), 2.44949, 1e-5);
  EXPECT_NEAR(f.s(1, 1), 2, 1e-12);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.u(i, 2), 0.0);
  EXPECT_LT(testing::maxAbsDiff(product(f), a), 1e-14);
}

TEST(MatSvd, ExampleSingularValues) {
  Factors f = svdOf(make(2, 3, {1, 2, 3, 4, 5, 6}));
  EXPECT_NEAR(f.s(0, 0), 9.50803, 1e-5);
  EXPECT_NEAR(f.s(1, 1), 0.77287, 1e-5);
  expectSortedDiagonal(f.s);
  f = svdOf(make(2, 2, {1, 2, 3, 4}));
  EXPECT_NEAR(f.s(0, 0), 5.46499, 1e-5);
  EXPECT_NEAR(f.s(1, 1), 0.36597, 1e-5);
  f = svdOf(make(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 10}));
  EXPECT_NEAR(f.s(0, 0), 17.41251, 1e-5);
  EXPECT_NEAR(f.s(1, 1), 0.87516, 1e-5);
  EXPECT_NEAR(f.s(2, 2), 0.19687, 1e-5);
}

TEST(MatSvd, SingleRowsAndColumns) {
  Factors f = svdOf(make(1, 1, {-5}));
  EXPECT_EQ(f.u.v[0], 1);
  EXPECT_EQ(f.s.v[0], 5);
  EXPECT_EQ(f.v.v[0], -1);

  const Dense row = make(1, 3, {1, 2, 3});
  f = svdOf(row);
  EXPECT_EQ(f.u.v[0], 1);
  EXPECT_NEAR(f.s(0, 0), 3.74166, 1e-5);
  EXPECT_EQ(f.s(0, 1), 0);
  EXPECT_EQ(f.s(0, 2), 0);
  EXPECT_LT(testing::maxAbsDiff(product(f), row), 1e-14);

  const Dense column = make(3, 1, {1, 2, 3});
  f = svdOf(column);
  EXPECT_NEAR(f.s(0, 0), 3.74166, 1e-5);
  EXPECT_EQ(f.s(1, 0), 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(f.u(i, 1), 0);
    EXPECT_EQ(f.u(i, 2), 0);
  }
  EXPECT_LT(testing::maxAbsDiff(product(f), column), 1e-14);
}

TEST(MatSvd, ReproducesRandomMatricesOfEveryShape) {
  std::mt19937_64 rng(21);
  for (auto [m, n] : {std::pair{5, 5}, {8, 3}, {3, 8}, {40, 40}, {61, 17}, {17, 61}, {2, 9}}) {
    const Dense a = testing::randomDense(m, n, rng, -3, 3);
    const Factors f = svdOf(a);
    EXPECT_TRUE(f.converged);
    expectSortedDiagonal(f.s);
    EXPECT_LT(testing::maxAbsDiff(product(f), a), 1e-12) << m << "x" << n;
    // V is orthogonal; so are the first min(m, n) columns of U.
    Dense identity(n, n);
    for (int i = 0; i < n; ++i) identity(i, i) = 1;
    EXPECT_LT(testing::maxAbsDiff(testing::multiply(f.v, testing::transpose(f.v)), identity),
              1e-12);
    const Dense utu = testing::multiply(testing::transpose(f.u), f.u);
    for (int i = 0; i < std::min(m, n); ++i) EXPECT_NEAR(utu(i, i), 1, 1e-12);
  }
}

TEST(MatSvd, KnownSingularValues) {
  // Q1·D·Q2 has the singular values |d_i|.
  std::mt19937_64 rng(8);
  const int m = 30, n = 20;
  const Dense q1 = testing::randomOrthogonal(m, rng), q2 = testing::randomOrthogonal(n, rng);
  Dense d(m, n);
  std::vector<double> expected;
  for (int i = 0; i < n; ++i) {
    d(i, i) = (i % 2 ? -1 : 1) * (0.5 + 1.5 * i);
    expected.push_back(std::fabs(d(i, i)));
  }
  std::sort(expected.rbegin(), expected.rend());
  const Factors f = svdOf(testing::multiply(testing::multiply(q1, d), q2));
  for (int i = 0; i < n; ++i) EXPECT_NEAR(f.s(i, i), expected[i], 1e-11);
}

TEST(MatSvd, RankDeficientAndZeroMatrices) {
  Dense a = make(3, 3, {1, 2, 3, 2, 4, 6, 1, 1, 1});
  Factors f = svdOf(a);
  expectSortedDiagonal(f.s);
  EXPECT_NEAR(f.s(2, 2), 0, 1e-14);
  EXPECT_LT(testing::maxAbsDiff(product(f), a), 1e-13);
  a = Dense(3, 4);
  f = svdOf(a);
  EXPECT_TRUE(f.converged);
  EXPECT_LT(testing::maxAbsDiff(product(f), a), 1e-300);
}

TEST(MatSvd, NonFiniteInputEnds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {nan, inf}) {
    const Factors f = svdOf(make(3, 3, {1, 2, bad, 4, 5, 6, 7, 8, 10}));
    bool anyNonFinite = false;
    for (double x : f.s.v) anyNonFinite |= !std::isfinite(x);
    EXPECT_TRUE(anyNonFinite || !f.converged);
  }
}

}  // namespace
}  // namespace kelvaro
