#include "matrix/mat_elementwise.h"

#include <gtest/gtest.h>

#include "matrix_test_util.h"

namespace kelvaro {
namespace {

using test::C;
using test::cmat;

TEST(MatTranspose, SwapsRowsAndColumnsWithoutConjugating) {
  const RCOMat m = cmat({{1, C(0, 1), 3}, {4, 5, C(6, -2)}});
  RCOMat r;
  int err = -1;
  MatTranspose(m, r, err);
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::nearMatrix(r, {{1, 4}, {C(0, 1), 5}, {3, C(6, -2)}}, 0));
}

TEST(MatTranspose, EmptyOperandLeavesOutputAlone) {
  RCOMat r = cmat({{7}});
  int err = 0;
  MatTranspose(RCOMat(), r, err);
  EXPECT_EQ(err, kMatEmpty);
  EXPECT_TRUE(test::nearMatrix(r, {{7}}, 0));
}

TEST(MatTrace, SumsTheDiagonalThatExists) {
  Element s;
  int err = -1;
  MatTrace(cmat({{1, 2, 3}, {4, C(5, 1), 6}}), s, err);  // 2x3: m[0][0] + m[1][1]
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::near(s, C(6, 1), 0));
  EXPECT_TRUE(s.isComplex());

  MatTrace(RCOMat(), s, err);
  EXPECT_EQ(err, kMatEmpty);
  EXPECT_EQ(s.kind(), ElementKind::Integer);
  EXPECT_EQ(s.re(), 0);
}

TEST(MatScalarMul, MultipliesEveryElement) {
  RCOMat r;
  int err = -1;
  MatScalarMul(Element::complex(0, 1), cmat({{1, C(2, 3)}}), r, err);
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::nearMatrix(r, {{C(0, 1), C(-3, 2)}}, 0));
}

TEST(MatLogic, TruthFollowsTheElementComparisonWithZero) {
  // 0.5 and i are true; 1e-13 and 1e-13i are within the tolerance of 0, so false.
  const RCOMat a = cmat({{0.5, 1e-13, 0, C(0, 1)}});
  const RCOMat b = cmat({{C(0, 1), 1, C(0, 1e-13), 0}});
  RCOMat r;
  int err = -1;
  MatAnd(a, b, r, err);
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::nearMatrix(r, {{1, 0, 0, 0}}, 0));
  EXPECT_EQ(r[0][0].kind(), ElementKind::Integer);
  MatOr(a, b, r, err);
  EXPECT_TRUE(test::nearMatrix(r, {{1, 1, 0, 1}}, 0));
  MatXor(a, b, r, err);
  EXPECT_TRUE(test::nearMatrix(r, {{0, 1, 0, 1}}, 0));
}

TEST(MatLogic, SizeAndEmptinessErrorsLeaveOutputAlone) {
  RCOMat r = cmat({{9}});
  int err = 0;
  MatAnd(cmat({{1, 2}}), cmat({{1}, {2}}), r, err);
  EXPECT_EQ(err, kMatSizeMismatch);
  MatXor(RCOMat(), cmat({{1}}), r, err);
  EXPECT_EQ(err, kMatEmpty);
  MatOr(cmat({{1}}), RCOMat(), r, err);
  EXPECT_EQ(err, kMatEmpty);
  EXPECT_TRUE(test::nearMatrix(r, {{9}}, 0));
}

}  // namespace
}  // namespace kelvaro
