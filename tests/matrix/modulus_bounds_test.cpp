// Searches and sums of moduli that rule values out by bounds first must give the bits the
// library's modulus gives: bounds that hold it over the whole range of doubles, the first of
// equal moduli, and norms whose columns differ only in the order of their terms.

#include "matrix/modulus_bounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "matrix/mat_condition.h"
#include "matrix/mat_echelon.h"

namespace kelvaro {
namespace {

using Complex = std::complex<double>;

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// Random parts over the whole range of exponents, subnormals included, and the values at the
// edges of the plain formula's range and beyond.
std::vector<Complex> testValues() {
  std::mt19937_64 gen(11);
  std::uniform_real_distribution<double> mantissa(1, 2);
  std::uniform_int_distribution<int> exponent(-1074, 1023), sign(0, 1), near(-470, 520);
  const auto part = [&](int e) { return (sign(gen) ? -1 : 1) * std::ldexp(mantissa(gen), e); };
  std::vector<Complex> values;
  for (int i = 0; i < 200000; ++i) values.emplace_back(part(exponent(gen)), part(exponent(gen)));
  for (int i = 0; i < 200000; ++i) {
    const int e = near(gen);
    values.emplace_back(part(e), part(e + sign(gen) * (near(gen) % 40)));
  }
  const double specials[] = {0.0,          -0.0,     1.0,      -3.0,    DBL_MAX, DBL_MIN,
                             DBL_TRUE_MIN, 0x1p-450, 0x1p-451, 0x1p500, 0x1p501, kInf,
                             -kInf,        kNaN,     1e-160,   1e160};
  for (const double re : specials)
    for (const double im : specials) values.emplace_back(re, im);
  return values;
}

TEST(ModulusBounds, HoldTheLibraryModulusOverEveryRange) {
  int bounded = 0;
  for (const Complex z : testValues()) {
    const double exact = std::hypot(z.real(), z.imag());
    // The searches before these bounds took std::abs; it is the same function.
    ASSERT_TRUE(sameBits(std::abs(z), exact)) << z;
    const ModulusBounds b = modulusBounds(z.real(), z.imag());
    ASSERT_TRUE(sameBits(exactModulus(z.real(), z.imag()), exact)) << z;
    if (std::isnan(exact)) {
      EXPECT_TRUE(std::isnan(b.low) && std::isnan(b.high)) << z;
    } else {
      ASSERT_LE(b.low, exact) << z;
      ASSERT_GE(b.high, exact) << z;
      if (b.low != b.high)
        ++bounded;
      else
        ASSERT_TRUE(sameBits(b.low, exact)) << z;
    }
  }
  // Most values are bounded, not taken from the library.
  EXPECT_GT(bounded, 200000);
}

// The first of the largest, against the search over the library's moduli: equal moduli in
// several forms (5 as 3+4i, 4+3i, -5, 5i), moduli a unit in the last place apart, zeros, NaN
// (never the largest) and infinities, shuffled.
TEST(ModulusBounds, FirstOfTheLargestModuli) {
  std::mt19937_64 gen(5);
  const double up = 1 + DBL_EPSILON;
  const std::vector<Complex> pool = {
      {3, 4},     {4, 3},         {-5, 0},        {0, 5},     {5 * up, 0},      {3 * up, 4},
      {0, 0},     {-0.0, 0},      {kNaN, 1},      {1, kNaN},  {1e-300, 1e-300}, {2.5, 2.5},
      {0.6, 0.8}, {3e200, 4e200}, {4e200, 3e200}, {5e200, 0}, {kInf, kNaN},     {-kInf, 2}};
  for (int round = 0; round < 3000; ++round) {
    std::uniform_int_distribution<int> length(0, 12), pick(0, round < 1500 ? 7 : 17);
    std::vector<Complex> v(static_cast<std::size_t>(length(gen)));
    for (Complex& z : v) z = pool[static_cast<std::size_t>(pick(gen))];
    int expected = -1;
    double expectedBest = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
      if (const double modulus = std::abs(v[i]); modulus > expectedBest)
        expectedBest = modulus, expected = static_cast<int>(i);
    double best = -1;
    const int got = firstLargestModulus(
        static_cast<int>(v.size()), [&](int i) { return v[static_cast<std::size_t>(i)]; }, best);
    ASSERT_EQ(got, expected) << "round " << round;
    ASSERT_TRUE(sameBits(best, expectedBest)) << "round " << round;
  }
}

// norm1, upperSymmetricNorm1 and the elimination's tolerance (max(m, n)·eps times the largest
// sum of a row, where NaN sums do not count) against their sums over the library's moduli in
// their order.
// Terms (i + j) mod n put every column, and every column of the upper triangle followed by its
// row, in another order of the same terms, so that several sums may be the largest by their
// roundings; a NaN makes the norm NaN, an infinity infinite; real terms and huge and tiny
// values take the exact moduli.
TEST(ModulusBounds, NormsAsTheirSumsOfModuli) {
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> u(-1, 1);
  const auto modulus = [](const Element& e) {
    return e.im() == 0.0 ? std::fabs(e.re()) : std::hypot(e.re(), e.im());
  };
  const auto largest = [](const std::vector<double>& sums) {
    double best = 0;
    for (const double s : sums)
      if (s > best || std::isnan(s)) best = s;
    return best;
  };
  for (int round = 0; round < 40; ++round) {
    const int n = 1 + round % 9 * 7;
    const double scale = round % 5 == 3 ? 1e300 : round % 5 == 4 ? 1e-310 : 1;
    std::vector<Element> terms(static_cast<std::size_t>(n));
    for (Element& e : terms)
      e = round % 7 == 6 ? Element::real(scale * u(gen))
                         : Element::complex(scale * u(gen), scale * u(gen));
    RCOMat a(n, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) a[i][j] = terms[static_cast<std::size_t>((i + j) % n)];
    if (round % 10 == 8) a[0][n - 1] = Element::complex(kNaN, 1);
    if (round % 10 == 9) a[0][n / 3] = Element::complex(-kInf, 1);
    std::vector<double> sums(static_cast<std::size_t>(n), 0.0), upper = sums;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        sums[static_cast<std::size_t>(j)] += modulus(a[i][j]);
        if (j < i) continue;
        upper[static_cast<std::size_t>(j)] += modulus(a[i][j]);
        if (j != i) upper[static_cast<std::size_t>(i)] += modulus(a[i][j]);
      }
    EXPECT_TRUE(sameBits(norm1(a), largest(sums))) << "round " << round;
    double rowLargest = 0;
    for (int i = 0; i < n; ++i) {
      double sum = 0;
      for (int j = 0; j < n; ++j) sum += std::abs(Complex(a[i][j].re(), a[i][j].im()));
      rowLargest = std::max(rowLargest, sum);
    }
    RCOMat b = a;
    EXPECT_TRUE(sameBits(MatRref(b, nullptr, false).tolerance,
                         n * std::numeric_limits<double>::epsilon() * rowLargest))
        << "round " << round;
    // Below the diagonal is not read.
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < i; ++j) a[i][j] = Element::complex(kNaN, kNaN);
    EXPECT_TRUE(sameBits(upperSymmetricNorm1(a), largest(upper))) << "round " << round;
  }
}

}  // namespace
}  // namespace kelvaro
