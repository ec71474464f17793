#include "matrix/mat_product.h"

#include <gtest/gtest.h>

#include "matrix/split_kernels.h"
#include "matrix_test_util.h"

namespace kelvaro {
namespace {

using test::C;
using test::cmat;

TEST(MatMul, SmallProducts) {
  RCOMat c;
  int err = -1;
  MatMul(cmat({{1, 2}, {3, 4}}), cmat({{5}, {6}}), c, err);
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::nearMatrix(c, {{17}, {39}}, 0));

  MatMul(cmat({{C(0, 1)}}), cmat({{C(0, 1)}}), c, err);
  EXPECT_TRUE(test::nearMatrix(c, {{-1}}, 0));
  EXPECT_TRUE(c[0][0].isComplex());
}

TEST(MatMul, SumsStartFromIntegerZero) {
  // Real operands keep real arithmetic; the sum of integer products stays an integer.
  RCOMat a(1, 2), b(2, 1), c;
  a[0][0] = Element::integer(2);
  a[0][1] = Element::integer(3);
  b[0][0] = Element::integer(4);
  b[1][0] = Element::real(0.5);
  int err = -1;
  MatMul(a, b, c, err);
  EXPECT_EQ(c[0][0].kind(), ElementKind::Real);
  EXPECT_EQ(c[0][0].re(), 9.5);
  // -0 products: the complex sum starts from +0, so 0 + (-0) gives +0.
  MatMul(cmat({{C(-0.0, 0)}}), cmat({{C(1, 0)}}), c, err);
  EXPECT_TRUE(test::sameBits(c[0][0].re(), 0.0));
}

TEST(MatMul, RefusesEmptyOrMismatchedOperands) {
  RCOMat c = cmat({{7}});
  int err = 0;
  MatMul(cmat({{1, 2}}), cmat({{1, 2}}), c, err);
  EXPECT_EQ(err, kMatSizeMismatch);
  MatMul(RCOMat(), cmat({{1}}), c, err);
  EXPECT_EQ(err, kMatEmpty);
  EXPECT_TRUE(test::nearMatrix(c, {{7}}, 0));
}

TEST(MatMul, EveryPathGivesTheBitsOfTheElementProduct) {
  std::mt19937_64 gen(11);
  std::uniform_real_distribution<double> u(-1e3, 1e3);
  // Shapes around the register tiles and cache blocks, with ragged edges.
  const int shapes[][3] = {{1, 1, 1}, {3, 5, 2}, {17, 33, 9}, {130, 70, 150}, {67, 260, 45}};
  for (const auto& s : shapes) {
    RCOMat a(s[0], s[1]), b(s[1], s[2]);
    for (auto& e : a.elements()) e = Element::complex(u(gen), u(gen));
    for (auto& e : b.elements()) e = Element::complex(u(gen), u(gen));
    a[0][0] = Element::complex(-0.0, 0.0);  // signed zeros must come out as they would
    RCOMat expected;
    MatMulElements(a, b, expected);
    test::forEachSimdPath([&](SimdPath) {
      RCOMat c;
      int err = -1;
      MatMul(a, b, c, err);
      EXPECT_EQ(err, kMatOk);
      EXPECT_TRUE(test::sameMatrix(c, expected)) << s[0] << "x" << s[1] << "x" << s[2];
    });
  }
}

TEST(MatCopy, CopiesOrReportsEmpty) {
  RCOMat dst;
  int err = -1;
  MatCopy(cmat({{1, C(2, 3)}}), dst, err);
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::nearMatrix(dst, {{1, C(2, 3)}}, 0));
  MatCopy(RCOMat(), dst, err);
  EXPECT_EQ(err, kMatEmpty);
  EXPECT_EQ(dst.cols(), 2);
}

TEST(SplitKernels, PivotSearchKeepsTheFirstOfEqualMaxima) {
  // Equal maxima fall into different vector lanes and different calls; the earliest index
  // must win on every path, as the plain row-by-row scan picks it.
  std::vector<double> re(37, 1.0), im(37, 0.0);
  re[5] = -3.0;
  re[13] = 3.0;
  re[30] = 3.0;
  test::forEachSimdPath([&](SimdPath) {
    const SplitKernels& k = splitKernels();
    PivotTrack t{0.0, -1.0};
    k.trackAbsRe(20, re.data(), 0, &t);
    k.trackAbsRe(17, re.data() + 20, 20, &t);
    EXPECT_EQ(t.index, 5);
    EXPECT_EQ(t.best, 3.0);
    PivotTrack m{0.0, -1.0};
    k.trackModulus(9, re.data() + 13, im.data() + 13, 100, &m);
    EXPECT_EQ(m.index, 100);
    EXPECT_EQ(m.best, 9.0);
    // A running best from earlier rows wins ties against everything in a later row.
    PivotTrack later{3.0, 2.0};
    k.trackAbsRe(37, re.data(), 40, &later);
    EXPECT_EQ(later.index, 2);
  });
}

}  // namespace
}  // namespace kelvaro
