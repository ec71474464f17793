#include <gtest/gtest.h>

#include <memory>

#include "matrix/mat_det.h"
#include "matrix/mat_lu.h"
#include "matrix/mat_product.h"
#include "matrix_test_util.h"

namespace kelvaro {
namespace {

using test::C;
using test::cmat;

Element det(RCOMat m) {
  Element d;
  MatDet(m, m.rows(), m.cols(), d);
  return d;
}

double rank(RCOMat m) {
  return MatRank(m, m.rows(), m.cols());
}

TEST(MatDet, SmallDeterminants) {
  EXPECT_TRUE(test::near(det(cmat({{1, 2}, {3, 4}})), -2, 1e-15));
  EXPECT_TRUE(test::near(det(cmat({{5}})), 5, 0));
  EXPECT_TRUE(test::near(det(cmat({{C(2, 3)}})), C(2, 3), 0));
  EXPECT_TRUE(test::near(det(cmat({{1, 2}, {2, 4}})), 0, 0));  // zero last element, no test
  EXPECT_TRUE(test::near(det(cmat({{1, C(0, 1)}, {C(0, 1), 1}})), 2, 1e-15));
  EXPECT_TRUE(test::near(det(cmat({{2, 0, 1}, {1, 3, 2}, {1, 1, 2}})), 6, 1e-14));
}

TEST(MatDet, NoRealPartToPivotOnGivesIntegerZero) {
  // The complex determinant -1 is not computed: only real parts are searched.
  const Element d = det(cmat({{C(0, 1), 0}, {0, C(0, 1)}}));
  EXPECT_EQ(d.kind(), ElementKind::Integer);
  EXPECT_EQ(d.re(), 0);
}

TEST(MatDet, NonSquareIsZeroAndEmptyIsTheEmptyProduct) {
  EXPECT_EQ(det(cmat({{1, 2, 3}, {4, 5, 6}})).re(), 0);
  const Element d = det(RCOMat());
  EXPECT_EQ(d.kind(), ElementKind::Integer);
  EXPECT_EQ(d.re(), 1);
}

TEST(MatRank, CountsPivotsWithNonZeroRealParts) {
  EXPECT_EQ(rank(cmat({{1, 2}, {2, 4}})), 1);
  EXPECT_EQ(rank(cmat({{1, 0, 1}, {0, 1, 1}, {1, 1, 2}})), 2);
  EXPECT_EQ(rank(cmat({{0, 0}, {0, 0}})), 0);
  EXPECT_EQ(rank(cmat({{0}, {0}, {5}})), 1);
  EXPECT_EQ(rank(RCOMat()), 0);
  // No tolerance: a tiny real part is a pivot.
  EXPECT_EQ(rank(cmat({{1, 0}, {0, 1e-300}})), 2);
  EXPECT_EQ(rank(cmat({{1e-300}})), 1);
  EXPECT_EQ(rank(cmat({{C(0, 1)}})), 0);
  // The multiplier i loses its imaginary part, so the second row survives.
  EXPECT_EQ(rank(cmat({{1, C(0, 1)}, {C(0, 1), -1}})), 2);
}

TEST(MatDetRank, EveryPathMatchesTheElementVersionBitForBit) {
  std::mt19937_64 gen(31);
  for (int round = 0; round < 20; ++round) {
    const bool general = round % 4 == 1;
    // Square, wide and tall shapes.
    const int rows = 1 + round * 3;
    const int cols = general || round % 3 == 1 ? rows : round % 3 ? rows + 4 : (rows + 1) / 2;
    const RCOMat m = general ? test::randomWellConditioned(rows, gen)
                             : test::randomSmallIntegers(rows, cols, gen);
    RCOMat plain = m;
    Element plainDet;
    const bool detThrew = test::threw([&] { MatDetElements(plain, rows, cols, plainDet); });
    RCOMat plainR = m;
    double plainRank = -1;
    const bool rankThrew = test::threw([&] { plainRank = MatRankElements(plainR, rows, cols); });
    test::forEachSimdPath([&](SimdPath) {
      RCOMat a = m;
      Element d;
      EXPECT_EQ(test::threw([&] { MatDet(a, rows, cols, d); }), detThrew);
      if (!detThrew) {
        EXPECT_TRUE(test::sameBits(d, plainDet)) << rows;
        EXPECT_TRUE(test::sameMatrix(a, plain)) << rows;
      }
      RCOMat b = m;
      double r = -1;
      EXPECT_EQ(test::threw([&] { r = MatRank(b, rows, cols); }), rankThrew);
      if (!rankThrew) {
        EXPECT_EQ(r, plainRank) << rows;
        EXPECT_TRUE(test::sameMatrix(b, plainR)) << rows;
      }
    });
  }
}

int lu(RCOMat a, RCOMat& l, RCOMat& u) {
  l.resize(a.rows(), a.cols());
  u.resize(a.rows(), a.cols());
  return MatLU(a, l, u, a.rows(), a.cols());
}

TEST(MatLU, FactorsWithoutPivoting) {
  RCOMat l, u;
  ASSERT_EQ(lu(cmat({{4, 3}, {6, 3}}), l, u), 1);
  EXPECT_TRUE(test::nearMatrix(l, {{1, 0}, {1.5, 1}}, 0));
  EXPECT_TRUE(test::nearMatrix(u, {{4, 3}, {0, -1.5}}, 0));
  EXPECT_EQ(l[0][0].kind(), ElementKind::Real);
  EXPECT_EQ(u[1][0].kind(), ElementKind::Real);
  ASSERT_EQ(lu(cmat({{2, C(0, 1)}, {C(0, 4), 1}}), l, u), 1);
  EXPECT_TRUE(test::nearMatrix(l, {{1, 0}, {C(0, 2), 1}}, 0));
  EXPECT_TRUE(test::nearMatrix(u, {{2, C(0, 1)}, {0, 3}}, 0));
  ASSERT_EQ(lu(cmat({{5}}), l, u), 1);
  EXPECT_TRUE(test::nearMatrix(u, {{5}}, 0));
}

TEST(MatLU, ZeroPivotsAndShape) {
  RCOMat l, u;
  // A zero in the last pivot is a valid (singular) result.
  ASSERT_EQ(lu(cmat({{1, 2}, {2, 4}}), l, u), 1);
  EXPECT_TRUE(test::nearMatrix(u, {{1, 2}, {0, 0}}, 0));
  // Invertible, but the first pivot is 0 and nothing is exchanged.
  l = cmat({{7}});
  EXPECT_EQ(MatLU(*std::make_unique<RCOMat>(cmat({{0, 1}, {1, 0}})), l, u, 2, 2), 0);
  EXPECT_TRUE(test::nearMatrix(l, {{7}}, 0));
  EXPECT_EQ(lu(cmat({{1, 2, 3}, {4, 5, 6}}), l, u), -1);
}

TEST(MatLU, LowerTimesUpperGivesTheMatrix) {
  std::mt19937_64 gen(4);
  const RCOMat m = test::randomWellConditioned(30, gen);
  RCOMat l, u, p;
  ASSERT_EQ(lu(m, l, u), 1);
  MatMulElements(l, u, p);
  for (int i = 0; i < m.rows(); ++i)
    for (int j = 0; j < m.cols(); ++j)
      EXPECT_TRUE(test::near(p[i][j], C(m[i][j].re(), m[i][j].im()), 1e-12));
}

TEST(MatLU, EveryPathMatchesTheElementVersionBitForBit) {
  std::mt19937_64 gen(41);
  for (int round = 0; round < 13; ++round) {
    const int n = round < 12 ? 1 + round * 9 : 70;  // up to several panels of steps
    RCOMat m = test::randomOfRound(round, n, gen);
    if (round == 12) {
      // Row 40 starts as the sum of rows 0 and 1: a zero pivot comes by step 40 at the latest,
      // in a later panel than the first.
      for (int j = 0; j <= 40; ++j) m[40][j] = m[0][j] + m[1][j];
    }
    RCOMat plain = m, pl(n, n), pu(n, n);
    int plainResult = -2;
    const bool plainThrew = test::threw([&] { plainResult = MatLUElements(plain, pl, pu, n, n); });
    test::forEachSimdPath([&](SimdPath) {
      RCOMat a = m, l(n, n), u(n, n);
      int result = -2;
      EXPECT_EQ(test::threw([&] { result = MatLU(a, l, u, n, n); }), plainThrew);
      if (plainThrew) return;
      EXPECT_EQ(result, plainResult);
      if (round == 12) {
        EXPECT_EQ(result, 0);
      }
      EXPECT_TRUE(test::sameMatrix(a, plain));
      EXPECT_TRUE(test::sameMatrix(l, pl));
      EXPECT_TRUE(test::sameMatrix(u, pu));
    });
  }
}

}  // namespace
}  // namespace kelvaro
