// Reading an element's text: the token normaliser, the complex text parser and its messages,
// the standard conversions; and the shortcuts that must read what the long way reads.

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"

namespace kelvaro {
namespace {

const NumberFormat kThree{1000, '.'};

// What reading gives: its value in hexadecimal, or its error message.
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

TEST(ElementText, TokensAsTyped) {
  const struct {
    const char* token;
    NumberFormat nf;
    const char* normalised;
  } table[] = {
      {"1.000,5", kThree, "1,000.5"},  // "." first: exchanged
      {"1,000.5", kThree, "1,000.5"},  // "," first: unchanged
      {"3-ix", kThree, "3-i1i"},       // the coefficient step drops the last character
      {"5(30)", NumberFormat{10, '.'}, "4.3+2.5i"},
      {"2,5(0)", NumberFormat{1000, ','}, "2.5+0i"},
      {"2(0)", NumberFormat{0, ','}, "2.000E+000+0.000E+000i"},
      // sin(-180°) is a tiny negative number printed as 0: its sign comes from the text.
      {"5(-180)", kThree, "-5+0i"},
  };
  for (const auto& row : table)
    EXPECT_EQ(normalizeToken(row.token, row.nf), row.normalised) << row.token;
  EXPECT_EQ(outcome([] { return parseElement("-.5e1-.25E+1i", kThree); }), "-0x1.4p+2 -0x1.4p+1");
  EXPECT_EQ(outcome([] {
              return parseElement("2(90)", NumberFormat{0, ','});
            }),
            outcome([] { return Element::complex(2.67e-8, 2); }));
}

TEST(ElementText, MessagesShowWhereReadingStopped) {
  const struct {
    const char* text;
    const char* message;
  } table[] = {
      {"+2i", "Could not parse required '+' (or '-') symbol [+2<?>i]"},
      {"1+", "Could not parse imaginary portion [1+<?>]"},
      {"1+2", "Could not parse required 'i' symbol [1+2<?>]"},
      {"1+2i3", "Unexpected characters [1+2i<?>3]"},
      {" x", "Could not parse real portion [ <?>x]"},  // the blanks it skipped count
      {"1 +  ", "Could not parse imaginary portion [1 +  <?>]"},
      {"1e999", "Could not parse real portion [<?>1e999]"},
      {"1+1e999i", "Could not parse imaginary portion [1+<?>1e999i]"},
  };
  for (const auto& row : table)
    EXPECT_EQ(outcome([&] { return parseComplexText(row.text); }), row.message);
  for (const auto& row : std::vector<std::pair<const char*, const char*>>{
           {"x(30)", "'x' is not a valid floating point value"},
           {"5()", "'' is not a valid floating point value"},
           {"5)30(", "'5)30' is not a valid floating point value"},
           {"1,5(30)", "'1,5' is not a valid floating point value"}})
    EXPECT_EQ(outcome([&] { return parseElement(row.first, kThree); }), row.second) << row.first;
  EXPECT_EQ(outcome([] { return parseComplexText("  1.5 -  2 I  "); }), "0x1.8p+0 -0x1p+1");
  EXPECT_EQ(outcome([] { return parseComplexText("1e-999"); }), "0x0p+0 0x0p+0");
}

// Random decimal texts read as the standard library reads them, correctly rounded, by the
// complex text parser and by the element parser's own reading of plain numbers, alone and
// as the imaginary part after the previous text.
TEST(ElementText, NumbersAgreeWithFromChars) {
  ElementParser parse(kThree);
  std::string before = "7";
  double beforeValue = 7;
  std::mt19937_64 rng(20240601);
  std::uniform_int_distribution<int> digitCount(1, 22), digit(0, 9), exponent(-330, 330);
  std::uniform_int_distribution<int> coin(0, 3);
  for (int i = 0; i < 200000; ++i) {
    std::string text = coin(rng) == 0 ? "-" : "";
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
    const std::string value = outcome([&] { return Element::complex(expected, 0); });
    ASSERT_EQ(outcome([&] { return parseComplexText(text); }), value) << text;
    ASSERT_EQ(outcome([&] { return parse(text); }), value) << text;
    const std::string complexText = before + (text[0] == '-' ? "" : "+") + text + "i";
    ASSERT_EQ(outcome([&] { return parse(complexText); }),
              outcome([&] { return Element::complex(beforeValue, expected); }))
        << complexText;
    before = text;
    beforeValue = expected;
  }
}

// The element parser reads a token directly when it can; that gives what normalising first
// and then parsing gives, values and messages alike.
TEST(ElementText, DirectReadingMatchesNormalisingFirst) {
  std::mt19937_64 rng(99);
  const std::string alphabet = "0123456789012345.+-+-eEiiI(),  /:";
  std::uniform_int_distribution<std::size_t> length(1, 9), pick(0, alphabet.size() - 1);
  for (const NumberFormat& nf : {kThree, NumberFormat{1000, ','}, NumberFormat{0, '.'}}) {
    ElementParser parse(nf);
    for (int i = 0; i < 100000; ++i) {
      std::string token;
      for (std::size_t n = length(rng); n > 0; --n) token += alphabet[pick(rng)];
      ASSERT_EQ(outcome([&] { return parse(token); }),
                outcome([&] { return parseComplexText(normalizeToken(token, nf)); }))
          << '"' << token << '"';
    }
  }
  // The direct reading takes the texts panes are written in, at any length up to 19 digits.
  Element value;
  for (const char* plain : {"9", "-0", "5.", ".5", "12345678", "-1234567.9", "0.99999999999",
                            "1250.375-249.75i", "9+0.000000001i", "123456789012.5+1.25i"})
    EXPECT_TRUE(readPlainComplexText(plain, value)) << plain;
}

TEST(ElementText, StandardConversions) {
  double v = 0;
  EXPECT_TRUE(parseDecimal("  -1.5e3  ", '.', v) && v == -1500);
  EXPECT_TRUE(parseDecimal("+.5", '.', v) && v == 0.5);
  EXPECT_TRUE(parseDecimal("3.", '.', v) && v == 3);
  EXPECT_TRUE(parseDecimal("2,5", ',', v) && v == 2.5);
  EXPECT_TRUE(parseDecimal("1E-400", '.', v) && v == 0);
  for (const char* bad : {"", " ", ".", "-", "1e", "1e+", "e5", "inf", "nan", "0x10", "1e999",
                          "1.5.2", "1 2", "\t1", "2,5", "++1"})
    EXPECT_FALSE(parseDecimal(bad, '.', v)) << '"' << bad << '"';
  EXPECT_FALSE(parseDecimal("2.5", ',', v));
  EXPECT_EQ(textToInteger("-2147483648"), -2147483648);
  EXPECT_EQ(textToInteger("+2147483647"), 2147483647);
  EXPECT_EQ(textToInteger("007"), 7);
  for (const char* bad : {"", "-", "2147483648", "-2147483649", "1.0", " 1", "1e2"})
    EXPECT_EQ(outcome([&] { return Element::integer(textToInteger(bad)); }),
              std::string("'") + bad + "' is not a valid integer value");
}

}  // namespace
}  // namespace kelvaro
