// The 80-bit codec of project files against the machine's own long double.

#include "numbers/extended_codec.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kelvaro {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64);

ExtendedBytes bytesOf(long double v) {
  ExtendedBytes b{};
  std::memcpy(b.data(), &v, kExtendedSize);
  return b;
}

long double valueOf(const ExtendedBytes& b) {
  long double v = 0;
  std::memcpy(&v, b.data(), kExtendedSize);
  return v;
}

ExtendedBytes fields(bool negative, std::uint16_t exponent, std::uint64_t significand) {
  return packExtended({negative, exponent, significand});
}

TEST(ExtendedCodec, EncodeAgreesWithTheMachineForAllKindsOfDouble) {
  using L = std::numeric_limits<double>;
  std::mt19937_64 rng(12345);
  std::vector<double> values = {0.0,      -0.0,     L::denorm_min(), -L::denorm_min(),
                                L::min(), L::max(), L::infinity(),   -L::infinity()};
  for (int i = 0; i < 200000; ++i) values.push_back(std::bit_cast<double>(rng()));
  for (const double d : values) {
    const ExtendedBytes b = encodeExtended(d);
    const double back = decodeExtended(b.data());
    if (std::isnan(d)) {
      ASSERT_TRUE(std::isnan(back) && std::isnan(valueOf(b)));
      continue;
    }
    ASSERT_EQ(b, bytesOf(static_cast<long double>(d))) << d;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(d)) << d;
  }
}

TEST(ExtendedCodec, DecodeRoundsLikeTheMachine) {
  // Random significands over the whole exponent range, plus the edges where a double
  // overflows, turns subnormal or rounds to zero.
  std::mt19937_64 rng(777);
  auto check = [](const ExtendedBytes& b) {
    const double expected = static_cast<double>(valueOf(b));
    const double got = decodeExtended(b.data());
    ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
        << unpackExtended(b.data()).exponent << " " << unpackExtended(b.data()).significand;
  };
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t m = rng() | (std::uint64_t{1} << 63);
    const auto e = static_cast<std::uint16_t>(1 + rng() % 0x7FFE);
    check(fields(rng() & 1, e, m));
    // Near the double range: 16383 +- 1100.
    const auto near = static_cast<std::uint16_t>(16383 - 1100 + rng() % 2200);
    check(fields(rng() & 1, near, m));
  }
  // Exact ties at the 53rd bit and at the subnormal boundary.
  check(fields(false, 16383, 0x8000000000000400ULL));         // 1 + 2^-53: tie, stays 1
  check(fields(false, 16383, 0x8000000000000C00ULL));         // tie, rounds up to even
  check(fields(false, 16383 + 1024, 0xFFFFFFFFFFFFFC00ULL));  // rounds up past the maximum
  check(fields(false, 16383 - 1075, 0x8000000000000000ULL));  // half the smallest subnormal
  check(fields(false, 16383 - 1075, 0x8000000000000001ULL));  // just above that half
  check(fields(false, 16383 - 1023, 0xFFFFFFFFFFFFFFFFULL));  // rounds up into the normals
  check(fields(true, 1, 0x8000000000000000ULL));              // far below: -0
}

TEST(ExtendedCodec, OddEncodingsDecodeWithoutTrouble) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(decodeExtended(fields(false, 0x7FFF, 0x8000000000000000ULL).data()), inf);
  EXPECT_EQ(decodeExtended(fields(true, 0x7FFF, 0x8000000000000000ULL).data()), -inf);
  EXPECT_TRUE(std::isnan(decodeExtended(fields(false, 0x7FFF, 0xC000000000000001ULL).data())));
  // Pseudo-infinity, pseudo-NaN and an unnormal lack the integer bit: refused as operands.
  EXPECT_TRUE(std::isnan(decodeExtended(fields(false, 0x7FFF, 0).data())));
  EXPECT_TRUE(std::isnan(decodeExtended(fields(false, 0x7FFF, 0x4000000000000000ULL).data())));
  EXPECT_TRUE(std::isnan(decodeExtended(fields(false, 16383, 0x4000000000000000ULL).data())));
  // A pseudo-denormal is read as the machine reads it: like exponent 1.
  const ExtendedBytes pseudo = fields(false, 0, 0x8000000000000000ULL);
  EXPECT_EQ(valueOf(pseudo), std::ldexp(1.0L, -16382));
  EXPECT_EQ(decodeExtended(pseudo.data()), 0.0);
  EXPECT_EQ(formatExtended(pseudo.data(), '.'), "3.36210314311209E-4932");
  EXPECT_EQ(formatExtended(fields(false, 0x7FFF, 0).data(), '.'), "NAN");
  EXPECT_EQ(formatExtended(fields(false, 200, 0x1234).data(), '.'), "NAN");
  EXPECT_EQ(formatExtended(fields(true, 0, 0).data(), '.'), "0");
}

TEST(ExtendedCodec, PrintsTheExactValueNotTheNearestDouble) {
  // 1234567890123465 + 2^-13 lies just above the tie of the fifteenth digit, so it rounds up;
  // its nearest double is the tie itself, which would round to the even ...46.
  const std::uint64_t m = 1234567890123465ULL * 8192 + 1;
  ASSERT_TRUE(m >> 63);
  const ExtendedBytes b = fields(false, 16383 + 63 - 13, m);
  EXPECT_EQ(valueOf(b), 1234567890123465.0L + std::ldexp(1.0L, -13));
  EXPECT_EQ(formatExtended(b.data(), '.'), "1.23456789012347E15");
  EXPECT_EQ(decodeExtended(b.data()), 1234567890123465.0);

  // Exact ties of the fifteenth digit go to the even digit.
  EXPECT_EQ(formatExtended(encodeExtended(123456789012344.5).data(), '.'), "123456789012344");
  EXPECT_EQ(formatExtended(encodeExtended(123456789012345.5).data(), '.'), "123456789012346");
  EXPECT_EQ(formatExtended(encodeExtended(0.000244140625).data(), '.'), "0.000244140625");
  // The ends of the range.
  EXPECT_EQ(formatExtended(fields(false, 0, 1).data(), '.'), "3.64519953188247E-4951");
  EXPECT_EQ(formatExtended(fields(true, 0x7FFE, ~0ULL).data(), '.'), "-1.18973149535723E4932");
  // 2^64 - 1 exactly: 18446744073709551615.
  EXPECT_EQ(formatExtended(fields(false, 16383 + 63, ~0ULL).data(), ','), "1,84467440737096E19");
}

TEST(ExtendedCodec, GeneralFormOfDoubles) {
  const struct {
    double value;
    const char* text;
  } table[] = {{1.0 / 3, "0.333333333333333"},
               {0.0000012, "1.2E-6"},
               {1e15, "1E15"},
               {9.9999999999999991, "10"},  // the rounding carries into a new digit
               {0.099999999999999999, "0.1"},
               {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"}};
  for (const auto& row : table)
    EXPECT_EQ(formatExtended(encodeExtended(row.value).data(), '.'), row.text) << row.text;
  EXPECT_EQ(formatExtended(encodeExtended(1.5).data(), ','), "1,5");
}

// Fifteen significant digits as the C library rounds them: both texts read back to the same
// value.
TEST(ExtendedCodec, FifteenDigitsAgreeWithTheCLibraryOverTheWholeRange) {
  std::mt19937_64 rng(4242);
  char c[64];
  for (int i = 0; i < 20000; ++i) {
    // Mostly moderate exponents, now and then anywhere in the range, and denormals (without
    // the integer bit: the C library reads pseudo-denormals its own way).
    std::uint16_t e = static_cast<std::uint16_t>(16383 - 200 + rng() % 400);
    if (i % 10 == 0) e = static_cast<std::uint16_t>(1 + rng() % 0x7FFE);
    const ExtendedBytes b = i % 50 == 1 ? fields(rng() & 1, 0, rng() >> (1 + rng() % 63))
                                        : fields(rng() & 1, e, rng() | (std::uint64_t{1} << 63));
    std::snprintf(c, sizeof c, "%.14Le", valueOf(b));
    const std::string text = formatExtended(b.data(), '.');
    ASSERT_EQ(std::strtold(text.c_str(), nullptr), std::strtold(c, nullptr)) << text << " vs " << c;
  }
}

}  // namespace
}  // namespace kelvaro
