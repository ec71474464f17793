#include "numbers/element.h"

#include <gtest/gtest.h>

#include <cmath>

#include "numbers/calc_error.h"

namespace kelvaro {
namespace {

TEST(Element, IntegerZeroPlusComplexBecomesComplex) {
  // MatMul starts every sum at the integer 0; the first complex product makes it complex.
  const Element sum = Element::integer(0) + Element::complex(2, -3);
  EXPECT_TRUE(sum.isComplex());
  EXPECT_EQ(sum.re(), 2);
  EXPECT_EQ(sum.im(), -3);
}

TEST(Element, RealArithmeticKeepsIntegersIntegral) {
  EXPECT_EQ((Element::integer(2) * Element::integer(3)).kind(), ElementKind::Integer);
  EXPECT_EQ((Element::integer(2) + Element::real(0.5)).kind(), ElementKind::Real);
  EXPECT_EQ((Element() + Element::integer(4)).re(), 4);  // empty acts as 0
  EXPECT_EQ((Element::integer(1) / Element::integer(4)).re(), 0.25);
}

TEST(Element, ComplexProductAndQuotient) {
  const Element i = Element::complex(0, 1);
  const Element minusOne = i * i;
  EXPECT_EQ(minusOne.re(), -1);
  EXPECT_EQ(minusOne.im(), 0);
  const Element q = Element::integer(1) / Element::complex(1, 1);
  EXPECT_EQ(q.re(), 0.5);
  EXPECT_EQ(q.im(), -0.5);
}

TEST(Element, DivisionBySmallModulusFails) {
  // Not only an exact zero: a divisor whose squared modulus is at most 1e-12 fails.
  EXPECT_THROW(Element::complex(1, 0) / Element::complex(1e-7, 0), CalcError);
  EXPECT_THROW(Element::complex(1, 0) / Element::complex(0, 0), CalcError);
  EXPECT_NO_THROW(Element::complex(1, 0) / Element::complex(1e-5, 0));
  try {
    (void)(Element::complex(1, 0) / Element::complex(0, 1e-7));
    FAIL();
  } catch (const CalcError& e) {
    EXPECT_STREQ(e.what(), "Division by zero");
  }
}

TEST(Element, ComparisonUsesTolerance) {
  EXPECT_TRUE(isZero(Element::complex(1e-13, -1e-13)));
  EXPECT_FALSE(isZero(Element::complex(0, 2e-12)));
  EXPECT_TRUE(isZero(Element()));
  EXPECT_TRUE(elementsEqual(Element::real(1e15), Element::real(1e15 + 0.5)));  // relative
  EXPECT_FALSE(elementsEqual(Element::real(1), Element::real(1 + 1e-11)));
}

TEST(Element, PolarAngleRange) {
  const Polar p = toPolar(-5, 0);
  EXPECT_EQ(p.radius, 5);
  EXPECT_GT(p.angle, 3.14159);
  const Polar q = toPolar(-5, -0.0);  // atan2 gives -pi, brought up to pi
  EXPECT_GT(q.angle, 0);
}

TEST(Element, PolarRadiusOfVeryLargeAndVerySmallParts) {
  // The squares of these parts leave the range of a double; the radius does not.
  EXPECT_EQ(toPolar(0, 1e160).radius, 1e160);
  EXPECT_DOUBLE_EQ(toPolar(-3e200, 4e200).radius, 5e200);
  EXPECT_DOUBLE_EQ(toPolar(3e-170, 4e-170).radius, 5e-170);
  EXPECT_EQ(toPolar(0, -1e-320).radius, 1e-320);
  EXPECT_EQ(toPolar(0, 0).radius, 0);
  EXPECT_TRUE(std::isinf(toPolar(1.5e308, 1.5e308).radius));  // beyond every double
}

}  // namespace
}  // namespace kelvaro
