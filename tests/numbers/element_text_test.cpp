#include "numbers/element_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "numbers/calc_error.h"

namespace kelvaro {
namespace {

NumberFormat threeDecimals(char separator = '.') {
  return {1000, separator};
}

std::string errorOf(std::string_view token, const NumberFormat& nf = threeDecimals()) {
  try {
    parseElement(token, nf);
  } catch (const CalcError& e) {
    return e.what();
  }
  return "(no error)";
}

// Token as typed, its normalised text and the value read; tokens the parser rejects are in
// the failure table below.
TEST(ElementParser, ReadsWhatUsersType) {
  const struct {
    const char* token;
    const char* normalised;
    double re, im;
  } table[] = {
      {"i", "0+1i", 0, 1},
      {"+i", "0+1i", 0, 1},
      {"-i", "0-1i", 0, -1},
      {"2i", "0+2i", 0, 2},
      {"-2i", "0-2i", 0, -2},
      {"3+i", "3+1i", 3, 1},
      {"3-i", "3-1i", 3, -1},
      {"-3-i", "-3-1i", -3, -1},
      {"1,5+2,5i", "1.5+2.5i", 1.5, 2.5},
      {"5(30)", "4.33+2.5i", 4.33, 2.5},
      {"1(-90)", "0-1i", 0, -1},
      {"1+2I", "1+2I", 1, 2},
      {"1+-2i", "1+-2i", 1, -2},
      {"e5", "e5", 0, 0},
      {".", ".", 0, 0},
      {"-.5e1-.25E+1i", "-.5e1-.25E+1i", -5, -2.5},
  };
  for (const auto& row : table) {
    EXPECT_EQ(normalizeToken(row.token, threeDecimals()), row.normalised) << row.token;
    const Element e = parseElement(row.token, threeDecimals());
    EXPECT_TRUE(e.isComplex()) << row.token;
    EXPECT_EQ(e.re(), row.re) << row.token;
    EXPECT_EQ(e.im(), row.im) << row.token;
  }
  // The coefficient step drops the last character, not the "i".
  EXPECT_EQ(normalizeToken("3-ix", threeDecimals()), "3-i1i");
  EXPECT_EQ(normalizeToken("1.000,5", threeDecimals()), "1,000.5");
}

TEST(TokenNormaliser, DecimalSeparators) {
  EXPECT_EQ(normalizeDecimalSeparator("1.5"), "1.5");
  EXPECT_EQ(normalizeDecimalSeparator("1,5,6"), "1.5.6");
  EXPECT_EQ(normalizeDecimalSeparator("1.000,5"), "1,000.5");  // "." first: exchanged
  EXPECT_EQ(normalizeDecimalSeparator("1,000.5"), "1,000.5");  // "," first: unchanged
}

TEST(TokenNormaliser, PolarInputFollowsThePrecision) {
  NumberFormat oneDecimal{10, '.'};
  EXPECT_EQ(normalizeToken("5(30)", oneDecimal), "4.3+2.5i");
  // Written with the locale's comma, then brought back to a point.
  EXPECT_EQ(normalizeToken("5(30)", threeDecimals(',')), "4.33+2.5i");
  EXPECT_EQ(normalizeToken("2,5(0)", threeDecimals(',')), "2.5+0i");
  NumberFormat exponent{0, '.'};
  EXPECT_EQ(normalizeToken("2(0)", exponent), "2.000E+000+0.000E+000i");
  // With a comma the zero part too is written with it, so the whole text reads.
  const NumberFormat exponentComma{0, ','};
  EXPECT_EQ(normalizeToken("2(0)", exponentComma), "2.000E+000+0.000E+000i");
  EXPECT_EQ(parseElement("2(0)", exponentComma).re(), 2);
  EXPECT_EQ(parseElement("2(90)", exponentComma).re(), 2.67e-8);
}

TEST(TokenNormaliser, PolarWithAnImaginaryPartRoundingToZero) {
  // The sine of -180 degrees (with 57.29578) is a tiny negative number that prints as 0; the
  // sign comes from its text, so this reads as -5 and not as "-50i".
  EXPECT_EQ(normalizeToken("5(-180)", threeDecimals()), "-5+0i");
  const Element e = parseElement("5(-180)", threeDecimals());
  EXPECT_EQ(e.re(), -5);
  EXPECT_EQ(e.im(), 0);
}

TEST(TokenNormaliser, PolarTextThatIsNoNumber) {
  EXPECT_EQ(errorOf("x(30)"), "'x' is not a valid floating point value");
  EXPECT_EQ(errorOf("5(3a)"), "'3a' is not a valid floating point value");
  EXPECT_EQ(errorOf("5()"), "'' is not a valid floating point value");
  EXPECT_EQ(errorOf("5)30("), "'5)30' is not a valid floating point value");
  // The radius and angle are read with the locale's separator only.
  EXPECT_EQ(errorOf("1,5(30)"), "'1,5' is not a valid floating point value");
}

TEST(ComplexTextParser, FailureMessagesShowWhereReadingStopped) {
  const struct {
    const char* text;
    const char* message;
  } table[] = {
      {"+2i", "Could not parse required '+' (or '-') symbol [+2<?>i]"},
      {"1+", "Could not parse imaginary portion [1+<?>]"},
      {"1e", "Could not parse real portion [<?>1e]"},
      {"1+2", "Could not parse required 'i' symbol [1+2<?>]"},
      {"1+2i3", "Unexpected characters [1+2i<?>3]"},
      {"2e-3i", "Could not parse required '+' (or '-') symbol [2e-3<?>i]"},
      {"2I", "Could not parse required '+' (or '-') symbol [2<?>I]"},
      {"1,000.5", "Could not parse required '+' (or '-') symbol [1<?>,000.5]"},
      {"", "Could not parse real portion [<?>]"},
      {"-", "Could not parse real portion [<?>-]"},
      {"abc", "Could not parse real portion [<?>abc]"},
      {"inf", "Could not parse real portion [<?>inf]"},
      {"1ex", "Could not parse real portion [<?>1ex]"},
      // Spaces removed by the failing step count as consumed.
      {" x", "Could not parse real portion [ <?>x]"},
      {"1 x", "Could not parse required '+' (or '-') symbol [1 <?>x]"},
      {"1 +  ", "Could not parse imaginary portion [1 +  <?>]"},
      {"1+2 x", "Could not parse required 'i' symbol [1+2 <?>x]"},
      {"1+2i x", "Unexpected characters [1+2i <?>x]"},
      // Beyond the double range is no number.
      {"1e999", "Could not parse real portion [<?>1e999]"},
      {"1+1e999i", "Could not parse imaginary portion [1+<?>1e999i]"},
  };
  for (const auto& row : table) {
    try {
      parseComplexText(row.text);
      ADD_FAILURE() << "no error for \"" << row.text << '"';
    } catch (const CalcError& e) {
      EXPECT_STREQ(e.what(), row.message);
    }
  }
}

TEST(ComplexTextParser, SpacesAroundTheParts) {
  const Element e = parseComplexText("  1.5 -  2 I  ");
  EXPECT_EQ(e.re(), 1.5);
  EXPECT_EQ(e.im(), -2);
  EXPECT_EQ(parseComplexText("1e-999").re(), 0);  // below the range: zero
  EXPECT_TRUE(std::signbit(parseComplexText("-0").re()));
}

TEST(ComplexTextParser, ValuesAreCorrectlyRounded) {
  // Hard cases for a naive conversion; the expected doubles are written as hex literals.
  EXPECT_EQ(parseComplexText("0.1").re(), 0x1.999999999999ap-4);
  EXPECT_EQ(parseComplexText("9007199254740993").re(), 0x1p53);  // halfway, to even
  EXPECT_EQ(parseComplexText("2.2250738585072011e-308").re(), 0x0.fffffffffffffp-1022);
  EXPECT_EQ(parseComplexText("1.7976931348623157e308").re(), 0x1.fffffffffffffp1023);
  EXPECT_EQ(parseComplexText("123456789012345678901234567890").re(), 0x1.8ee90ff6c373ep+96);
  EXPECT_EQ(parseComplexText("0.000000000000000000000000000001e30").re(), 1.0);
}

// Random decimal texts against the standard library's conversion of the same text, through
// the complex text parser and through the element parser's own reading of plain numbers.
TEST(ComplexTextParser, AgreesWithFromCharsOnRandomNumbers) {
  ElementParser parse(threeDecimals());
  std::mt19937_64 rng(20240601);
  std::uniform_int_distribution<int> digitCount(1, 22), digit(0, 9), exponent(-330, 330);
  std::uniform_int_distribution<int> coin(0, 3);
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    if (coin(rng) == 0) text += '-';
    const int n = digitCount(rng);
    const int point = std::uniform_int_distribution<int>(0, n)(rng);
    for (int d = 0; d < n; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + digit(rng));
    }
    if (coin(rng) != 0) {
      text += 'e';
      text += std::to_string(coin(rng) == 1 ? exponent(rng) % 25 : exponent(rng));
    }
    double expected = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), expected);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) continue;  // out of range
    for (const Element e : {parseComplexText(text), parse(text)}) {
      ASSERT_EQ(e.re(), expected) << text;
      ASSERT_EQ(std::signbit(e.re()), std::signbit(expected)) << text;
    }
  }
}

// What the element parser makes of a token: its value, or its error message.
std::string outcome(const std::function<Element()>& read) {
  try {
    const Element e = read();
    char text[64];
    std::snprintf(text, sizeof text, "%a %a", e.re(), e.im());
    return text;
  } catch (const CalcError& e) {
    return e.what();
  }
}

// The element parser reads a token directly when it can; that must always give what the
// normaliser followed by the complex text parser gives, values and messages alike.
TEST(ElementParser, DirectReadingMatchesNormalisingFirst) {
  std::mt19937_64 rng(99);
  const std::string alphabet = "0123456789012345.+-+-eEiiI(),  ";
  std::uniform_int_distribution<std::size_t> length(1, 9), pick(0, alphabet.size() - 1);
  for (const NumberFormat& nf : {threeDecimals(), threeDecimals(','), NumberFormat{0, '.'}}) {
    ElementParser parse(nf);
    for (int i = 0; i < 100000; ++i) {
      std::string token;
      for (std::size_t n = length(rng); n > 0; --n) token += alphabet[pick(rng)];
      const std::string direct = outcome([&] { return parse(token); });
      const std::string reference =
          outcome([&] { return parseComplexText(normalizeToken(token, nf)); });
      ASSERT_EQ(direct, reference) << '"' << token << '"';
    }
  }
}

TEST(StandardDecimalConversion, AcceptsPlainNumbersOnly) {
  double v = 0;
  EXPECT_TRUE(parseDecimal("  -1.5e3  ", '.', v));
  EXPECT_EQ(v, -1500);
  EXPECT_TRUE(parseDecimal("+.5", '.', v));
  EXPECT_EQ(v, 0.5);
  EXPECT_TRUE(parseDecimal("3.", '.', v));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(parseDecimal("2,5", ',', v));
  EXPECT_EQ(v, 2.5);
  EXPECT_TRUE(parseDecimal("1E-400", '.', v));
  EXPECT_EQ(v, 0);
  for (const char* bad :
       {"",     " ",     ".",      "-",     "+",   "1e",  "1e+", "e5",  "inf", "nan", "INF",
        "0x10", "1e999", "-1e999", "1.5.2", "1 2", "\t1", "1\t", "2,5", "1_0", "++1"}) {
    EXPECT_FALSE(parseDecimal(bad, '.', v)) << '"' << bad << '"';
  }
  EXPECT_FALSE(parseDecimal("2.5", ',', v));
}

TEST(StandardDecimalConversion, ErrorMessages) {
  EXPECT_EQ(textToFloat("7", '.'), 7);
  try {
    textToFloat("abc", '.');
    FAIL();
  } catch (const CalcError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(textToInteger("-2147483648"), -2147483648);
  EXPECT_EQ(textToInteger("+2147483647"), 2147483647);
  EXPECT_EQ(textToInteger("007"), 7);
  for (const char* bad : {"", "-", "2147483648", "-2147483649", "1.0", " 1", "1 ", "1e2",
                          "99999999999999999999999"}) {
    try {
      textToInteger(bad);
      ADD_FAILURE() << bad;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.what(), std::string("'").append(bad).append("' is not a valid integer value"));
    }
  }
}

}  // namespace
}  // namespace kelvaro
