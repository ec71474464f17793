// The number and complex formatters where rounding is tricky: halves, carries into a new
// digit, the switch to the exponent, values beyond the integer range, non-finite parts.

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

NumberFormat decimals(int p, char separator = '.',
                      DisplayFormat display = DisplayFormat::Rectangular) {
  return {std::pow(Extended(10), Extended(p)), separator, display};
}
const NumberFormat kThree = decimals(3), kExponent{0, '.'};
const NumberFormat kPolar = decimals(3, '.', DisplayFormat::Polar);

TEST(NumberFormatter, Table) {
  const struct {
    Extended value;
    NumberFormat nf;
    const char* text;
  } table[] = {
      // Halves to even, never "-0".
      {0.0625, kThree, "0.062"},
      {0.1875, kThree, "0.188"},
      {-0.0001, kThree, "0"},
      {3.5, decimals(0), "4"},
      {-2.5, decimals(0), "-2"},
      // A precision that is no whole number of decimals.
      {1234, decimals(-1), "1230"},
      {1, NumberFormat{std::sqrt(Extended(10)), '.'}, "0.948683298050514"},
      // The exponent form is chosen on the rounded value.
      {0.0000099, decimals(8), "9.9E-6"},
      {999999999999999.9, kThree, "1E15"},
      {99999999999999.9, decimals(1), "99999999999999.9"},
      // Beyond 2^63 after scaling: printed unrounded.
      {1e20, kThree, "1E20"},
      {-123456789012345678.0, kThree, "-1.23456789012346E17"},
      {9223372036854775.0, kThree, "9.22337203685478E15"},
      {kInf, kThree, "INF"},
      {kNaN, kThree, "NAN"},
      {0.1, NumberFormat{std::numeric_limits<Extended>::infinity(), '.'}, "0.1"},
      // Exponent form: halves away from zero.
      {1.5625, kExponent, "1.563E+000"},
      {9.9995, kExponent, "9.999E+000"},
      {9.99951, kExponent, "1.000E+001"},
      {-0.0, kExponent, "0.000E+000"},
      {1e100, NumberFormat{0, ','}, "1,000E+100"},
      {1e4000L, kExponent, "1.000E+4000"},
  };
  for (const auto& row : table)
    EXPECT_EQ(formatNumber(row.value, row.nf), row.text) << static_cast<double>(row.value);

  const struct {
    Extended value;
    char separator;
    const char* text;
  } general[] = {
      {0.0000099999999999999999, '.', "0.00001"},
      {1e14, '.', "100000000000000"},
      {-1.5e300, ',', "-1,5E300"},
      {1e-4000L, '.', "1E-4000"},
      {0.1 + 0.2, '.', "0.3"},
      {123456789012345.6, '.', "123456789012346"},
  };
  for (const auto& row : general)
    EXPECT_EQ(formatGeneral(row.value, row.separator), row.text) << static_cast<double>(row.value);
}

TEST(ComplexFormatter, Table) {
  const struct {
    Element e;
    NumberFormat nf;
    const char* text;
  } table[] = {
      {Element::complex(0, -1), kThree, "-i"},
      {Element::complex(1, -2), kExponent, "1.000E+000-2.000E+000i"},
      {Element::complex(0, 0), kExponent, "0"},
      {Element(), kExponent, "0.000E+000"},
      // An imaginary part rounding to zero keeps its "+": "1-0.0001i" must not read "10i".
      {Element::complex(1, -0.0001), kThree, "1+0i"},
      {Element::complex(kInf, 1), kThree, "INF+i"},
      {Element::complex(1, kNaN), kThree, "1+NANi"},
      // Polar: what has no polar form keeps its rectangular text.
      {Element::complex(kInf, 1), kPolar, "INF+i"},
      {Element::complex(0, kNaN), kPolar, "NANi"},
      {Element::complex(1, 0.0001), kPolar, "1+0i"},
      {Element::complex(-1, 0), NumberFormat{0, '.', DisplayFormat::Polar},
       "1.000E+000(1.800E+002)"},
      // Radii whose squares leave the range of a double.
      {Element::complex(0, 1e160), kPolar, "1E160(90)"},
      {Element::complex(-3e200, 4e200), kPolar, "5E200(126.87)"},
      {Element::complex(3e-170, -3e-170), NumberFormat{0, '.', DisplayFormat::Polar},
       "4.243E-170(-4.500E+001)"},
  };
  for (const auto& row : table) EXPECT_EQ(formatComplex(row.e, row.nf), row.text) << row.text;
}

// The direct path for whole decimals prints what the definition gives: x * 10^p rounded to an
// integer k (halves to even), then k / 10^p in the general form.
TEST(NumberFormatter, DirectPathMatchesTheDefinition) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<int> precision(0, 18), magnitude(-12, 22);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<long long> ticks(-2'000'000'000'000, 2'000'000'000'000);
  for (int i = 0; i < 300000; ++i) {
    const int p = precision(rng);
    const Extended scale = std::pow(Extended(10), Extended(p));
    double x = unit(rng) * std::pow(10.0, magnitude(rng));  // any size
    if (i % 3 == 1) x = static_cast<double>(static_cast<Extended>(ticks(rng)) / scale);
    if (i % 3 == 2) x = static_cast<double>((static_cast<Extended>(ticks(rng)) + 0.5L) / scale);
    const Extended scaled = x * scale;
    const Extended k = std::nearbyint(scaled);
    const std::string expected = !(std::fabs(scaled) < 0x1p63L) ? formatGeneral(x, '.')
                                 : k == 0                       ? "0"
                                                                : formatGeneral(k / scale, '.');
    const NumberFormat nf{scale, '.'};
    ASSERT_EQ(formatNumber(x, nf), expected) << x << " at " << p;
    ASSERT_EQ(formatComplex(Element::real(x), nf), expected) << x << " at " << p;
  }
}

}  // namespace
}  // namespace kelvaro
