#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "numbers/element_text.h"

namespace kelvaro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

NumberFormat decimals(int p, char separator = '.') {
  return {std::pow(Extended(10), Extended(p)), separator};
}
const NumberFormat kThree = decimals(3);
const NumberFormat kExponent{0, '.'};
const NumberFormat kPolar{1000, '.', DisplayFormat::Polar};

TEST(NumberFormatter, RoundsHalvesToEvenAndNeverPrintsMinusZero) {
  EXPECT_EQ(formatNumber(0.0625, kThree), "0.062");
  EXPECT_EQ(formatNumber(0.1875, kThree), "0.188");
  EXPECT_EQ(formatNumber(0.0001, kThree), "0");
  EXPECT_EQ(formatNumber(-0.0001, kThree), "0");
  EXPECT_EQ(formatNumber(-0.0, kThree), "0");
  EXPECT_EQ(formatNumber(2.5, decimals(0)), "2");
  EXPECT_EQ(formatNumber(3.5, decimals(0)), "4");
  EXPECT_EQ(formatNumber(-2.5, decimals(0)), "-2");
  EXPECT_EQ(formatNumber(-12.375, kThree), "-12.375");
  EXPECT_EQ(formatNumber(1.0 / 3, kThree), "0.333");
  EXPECT_EQ(formatNumber(100, kThree), "100");
  EXPECT_EQ(formatNumber(1.5, decimals(3, ',')), "1,5");
  EXPECT_EQ(formatNumber(-0.5, decimals(8)), "-0.5");
}

TEST(NumberFormatter, PrecisionThatIsNoWholeNumberOfDecimals) {
  // PrecScale 10^-1 rounds to tens; 10^0.5 to multiples of 1/sqrt(10).
  EXPECT_EQ(formatNumber(1234, decimals(-1)), "1230");
  EXPECT_EQ(formatNumber(1, NumberFormat{std::sqrt(Extended(10)), '.'}), "0.948683298050514");
}

TEST(NumberFormatter, SwitchesToScientificNotationOnTheRoundedValue) {
  EXPECT_EQ(formatNumber(0.00001, decimals(5)), "0.00001");
  EXPECT_EQ(formatNumber(0.0000099, decimals(8)), "9.9E-6");
  EXPECT_EQ(formatNumber(-0.0000012, decimals(7)), "-1.2E-6");
  EXPECT_EQ(formatNumber(999999999999999.9, kThree), "1E15");
  EXPECT_EQ(formatNumber(99999999999999.9, decimals(1)), "99999999999999.9");
  EXPECT_EQ(formatGeneral(0.0000012, '.'), "1.2E-6");
  EXPECT_EQ(formatGeneral(0.00001, '.'), "0.00001");
  EXPECT_EQ(formatGeneral(0.0000099999999999999999, '.'), "0.00001");
  EXPECT_EQ(formatGeneral(1e14, '.'), "100000000000000");
  EXPECT_EQ(formatGeneral(1e15, ','), "1E15");
  EXPECT_EQ(formatGeneral(-1.5e300, ','), "-1,5E300");
  EXPECT_EQ(formatGeneral(1e-4000L, '.'), "1E-4000");
  EXPECT_EQ(formatGeneral(0.1 + 0.2, '.'), "0.3");
  EXPECT_EQ(formatGeneral(2.0 / 3, '.'), "0.666666666666667");
  EXPECT_EQ(formatGeneral(123456789012345.6, '.'), "123456789012346");
}

TEST(NumberFormatter, HugeAndNonFiniteValues) {
  // |x * PrecScale| of 2^63 or more cannot be rounded to an integer: printed unrounded.
  EXPECT_EQ(formatNumber(1e20, kThree), "1E20");
  EXPECT_EQ(formatNumber(-123456789012345678.0, kThree), "-1.23456789012346E17");
  EXPECT_EQ(formatNumber(9223372036854775.0, kThree), "9.22337203685478E15");
  EXPECT_EQ(formatNumber(kInf, kThree), "INF");
  EXPECT_EQ(formatNumber(-kInf, kThree), "-INF");
  EXPECT_EQ(formatNumber(kNaN, kThree), "NAN");
  EXPECT_EQ(formatNumber(-kInf, kExponent), "-INF");
  EXPECT_EQ(formatNumber(kNaN, kExponent), "NAN");
  // A precision too fine for extended precision: the scale itself is infinite.
  const NumberFormat infinite{std::numeric_limits<Extended>::infinity(), '.'};
  EXPECT_EQ(formatNumber(0.0, infinite), "0");
  EXPECT_EQ(formatNumber(0.1, infinite), "0.1");
}

TEST(NumberFormatter, ExponentFormRoundsHalvesAwayFromZero) {
  EXPECT_EQ(formatNumber(2, kExponent), "2.000E+000");
  EXPECT_EQ(formatNumber(12345, kExponent), "1.235E+004");
  EXPECT_EQ(formatNumber(-0.00125, kExponent), "-1.250E-003");
  EXPECT_EQ(formatNumber(1.5625, kExponent), "1.563E+000");  // an exact tie
  EXPECT_EQ(formatNumber(-1.5625, kExponent), "-1.563E+000");
  EXPECT_EQ(formatNumber(9.9995, kExponent), "9.999E+000");  // just below the tie
  EXPECT_EQ(formatNumber(9.99951, kExponent), "1.000E+001");
  EXPECT_EQ(formatNumber(0.0, kExponent), "0.000E+000");
  EXPECT_EQ(formatNumber(-0.0, kExponent), "0.000E+000");
  EXPECT_EQ(formatNumber(1e-300, kExponent), "1.000E-300");
  EXPECT_EQ(formatNumber(1e100, NumberFormat{0, ','}), "1,000E+100");
  EXPECT_EQ(formatNumber(0.0, NumberFormat{0, ','}), "0,000E+000");
  EXPECT_EQ(formatNumber(1e4000L, kExponent), "1.000E+4000");
}

TEST(ComplexFormatter, RectangularCases) {
  EXPECT_EQ(formatComplex(Element::complex(3, -1), kThree), "3-i");
  EXPECT_EQ(formatComplex(Element::complex(3, 1), kThree), "3+i");
  EXPECT_EQ(formatComplex(Element::complex(0, 1), kThree), "i");
  EXPECT_EQ(formatComplex(Element::complex(0, -1), kThree), "-i");
  EXPECT_EQ(formatComplex(Element::complex(2.5, 0), kThree), "2.5");
  EXPECT_EQ(formatComplex(Element::complex(0, 0), kThree), "0");
  EXPECT_EQ(formatComplex(Element::complex(0, -2.5), kThree), "-2.5i");
  EXPECT_EQ(formatComplex(Element::complex(-1.5, 2.25), kThree), "-1.5+2.25i");
  EXPECT_EQ(formatComplex(Element::complex(1, -2), kExponent), "1.000E+000-2.000E+000i");
  EXPECT_EQ(formatComplex(Element::complex(0, 0), kExponent), "0");
  // Non-complex elements print their value.
  EXPECT_EQ(formatComplex(Element::integer(7), kThree), "7");
  EXPECT_EQ(formatComplex(Element(), kThree), "0");
  EXPECT_EQ(formatComplex(Element(), kExponent), "0.000E+000");
}

TEST(ComplexFormatter, ImaginaryPartRoundingToZeroKeepsItsPlus) {
  // Without the "+" the text of 1-0.0001i would read as "10i".
  EXPECT_EQ(formatComplex(Element::complex(1, -0.0001), kThree), "1+0i");
  EXPECT_EQ(formatComplex(Element::complex(1, 0.0001), kThree), "1+0i");
  EXPECT_EQ(formatComplex(Element::complex(0, -0.0001), kThree), "0i");
}

TEST(ComplexFormatter, NonFiniteParts) {
  EXPECT_EQ(formatComplex(Element::complex(kInf, 1), kThree), "INF+i");
  EXPECT_EQ(formatComplex(Element::complex(1, -kInf), kThree), "1-INFi");
  EXPECT_EQ(formatComplex(Element::complex(1, kNaN), kThree), "1+NANi");
  EXPECT_EQ(formatComplex(Element::complex(kNaN, 0), kThree), "NAN");
  EXPECT_EQ(formatComplex(Element::complex(0, kNaN), kThree), "NANi");
  // Polar display keeps the rectangular text of what has no polar form.
  EXPECT_EQ(formatComplex(Element::complex(kInf, 1), kPolar), "INF+i");
  EXPECT_EQ(formatComplex(Element::complex(0, kNaN), kPolar), "NANi");
}

TEST(ComplexFormatter, PolarDisplay) {
  EXPECT_EQ(formatComplex(Element::complex(1, 1), kPolar), "1.414(45)");
  EXPECT_EQ(formatComplex(Element::complex(-5, 0), kPolar), "5(180)");
  EXPECT_EQ(formatComplex(Element::complex(5, 0), kPolar), "5");
  EXPECT_EQ(formatComplex(Element::complex(0, 0), kPolar), "0");
  EXPECT_EQ(formatComplex(Element::complex(0, -1), kPolar), "1(-90)");
  EXPECT_EQ(formatComplex(Element::complex(3, 2.5), kPolar), "3.905(39.806)");
  // The angle comes from the rounded text: 1+0.0001i prints as 1+0i, angle 0.
  EXPECT_EQ(formatComplex(Element::complex(1, 0.0001), kPolar), "1+0i");
  EXPECT_EQ(formatComplex(Element::complex(1, 1), NumberFormat{1000, ',', DisplayFormat::Polar}),
            "1,414(45)");
  EXPECT_EQ(formatComplex(Element::complex(-1, 0), NumberFormat{0, '.', DisplayFormat::Polar}),
            "1.000E+000(1.800E+002)");
  // Only complex elements turn polar.
  EXPECT_EQ(formatComplex(Element::real(-5), kPolar), "-5");
  // Radii whose squares leave the range of a double.
  EXPECT_EQ(formatComplex(Element::complex(0, 1e160), kPolar), "1E160(90)");
  EXPECT_EQ(
      formatComplex(Element::complex(3e-170, -3e-170), NumberFormat{0, '.', DisplayFormat::Polar}),
      "4.243E-170(-4.500E+001)");
}

// The direct path for whole decimals must print what the definition gives: round x * 10^p to
// an integer k (halves to even), print k / 10^p in the general form.
TEST(NumberFormatter, DirectPathMatchesTheDefinition) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<int> precision(0, 18), magnitude(-12, 22);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<long long> ticks(-2'000'000'000'000'000, 2'000'000'000'000'000);
  for (int i = 0; i < 300000; ++i) {
    const int p = precision(rng);
    const Extended scale = std::pow(Extended(10), Extended(p));
    double x;
    switch (i % 3) {
      case 0:  // any size
        x = unit(rng) * std::pow(10.0, magnitude(rng));
        break;
      case 1:  // near a multiple of 10^-p, often a tie
        x = static_cast<double>(static_cast<Extended>(ticks(rng) / 1000) / scale);
        break;
      default:  // exactly half way between two ticks
        x = static_cast<double>((static_cast<Extended>(ticks(rng) / 1000) + 0.5L) / scale);
    }
    const Extended scaled = x * scale;
    std::string expected;
    if (!(std::fabs(scaled) < 0x1p63L)) {
      expected = formatGeneral(x, '.');
    } else {
      const Extended k = std::nearbyint(scaled);
      expected = k == 0 ? "0" : formatGeneral(k / scale, '.');
    }
    const NumberFormat nf{scale, '.'};
    ASSERT_EQ(formatNumber(x, nf), expected) << x << " at " << p;
    // Element parts are doubles and print through their own path.
    ASSERT_EQ(formatComplex(Element::real(x), nf), expected) << x << " at " << p;
  }
}

}  // namespace
}  // namespace kelvaro
