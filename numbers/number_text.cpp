// Printing numbers and elements: the number formatter (rounded general form and exponent
// form) and the complex formatter in rectangular and polar display.

#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"

namespace kelvaro {

namespace {

constexpr std::size_t kRoom = NumberPrinter::kMaxNumberText;

std::size_t writeText(char* dst, const char* text) {
  const std::size_t n = std::strlen(text);
  std::memcpy(dst, text, n);
  return n;
}

std::size_t writeNonFinite(char* dst, Extended x) {
  if (std::isnan(x)) return writeText(dst, "NAN");
  return writeText(dst, x < 0 ? "-INF" : "INF");
}

// Writes the decimal digits of v (at least minDigits, zeros in front) and returns the count.
std::size_t writeUnsigned(char* dst, std::uint64_t v, std::size_t minDigits = 1) {
  char digits[24];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < minDigits) digits[n++] = '0';
  for (std::size_t i = 0; i < n; ++i) dst[i] = digits[n - 1 - i];
  return n;
}

// The leading significant digits of a finite non-zero x as printf gives them ("%.*Le", so
// rounded in the current rounding mode), and the decimal exponent of the first one.
struct LeadingDigits {
  bool negative = false;
  char digits[24] = {};
  int count = 0;
  int exponent = 0;
};

LeadingDigits leadingDigits(Extended x, int count) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", count - 1, x);
  LeadingDigits d;
  const char* p = buf;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  // The decimal point printf writes belongs to the C locale in force; skip whatever it is.
  for (; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9' && d.count < count) d.digits[d.count++] = *p;
  }
  if (*p == 'e') ++p;
  const bool negativeExponent = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  for (; *p >= '0' && *p <= '9'; ++p) d.exponent = d.exponent * 10 + (*p - '0');
  if (negativeExponent) d.exponent = -d.exponent;
  return d;
}

// The shortest general form: 15 significant digits, no trailing zeros, scientific notation
// when the rounded value is 1E15 or more, or below 1E-5.
std::size_t writeGeneral(char* dst, Extended x, char separator) {
  if (!std::isfinite(x)) return writeNonFinite(dst, x);
  if (x == 0) return writeText(dst, "0");
  const LeadingDigits d = leadingDigits(x, 15);
  int count = d.count;
  while (count > 1 && d.digits[count - 1] == '0') --count;
  return writeGeneralDigits(dst, d.negative, std::string_view(d.digits, count), d.exponent,
                            separator);
}

// "%1.4e" with three exponent digits: four significant digits of the exact value, halves
// away from zero (12345 -> 1.235E+004); every zero is 0.000E+000.
std::size_t writeExponentForm(char* dst, Extended x, char separator) {
  if (!std::isfinite(x)) return writeNonFinite(dst, x);
  if (x == 0) {  // with the locale's separator, as every other number
    const std::size_t n = writeText(dst, "0.000E+000");
    dst[1] = separator;
    return n;
  }
  // Five digits cut toward zero, then the fifth decides: that is rounding half away from
  // zero on the exact value, which printf's round-to-nearest cannot give.
  const int mode = std::fegetround();
  std::fesetround(FE_TOWARDZERO);
  LeadingDigits d = leadingDigits(x, 5);
  std::fesetround(mode);
  int e = d.exponent;
  if (d.digits[4] >= '5') {
    int i = 3;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits[0] = '1';
      ++e;
    }
  }
  char* o = dst;
  if (d.negative) *o++ = '-';
  *o++ = d.digits[0];
  *o++ = separator;
  for (int i = 1; i < 4; ++i) *o++ = d.digits[i];
  *o++ = 'E';
  *o++ = e < 0 ? '-' : '+';
  o += writeUnsigned(o, static_cast<std::uint64_t>(e < 0 ? -e : e), 3);
  return static_cast<std::size_t>(o - dst);
}

// The eight decimal digits of v (below 10^8, zeros in front) as byte values 0 to 9, the first
// digit in the lowest byte: halves, then pairs, then single digits, each split done on all
// lanes of the word at once.
std::uint64_t eightDigits(std::uint64_t v) {
  const std::uint64_t halves = (v / 10000) | ((v % 10000) << 32);
  const std::uint64_t hundreds = ((halves * 5243) >> 19) & 0x0000007F0000007F;  // /100
  const std::uint64_t pairs = hundreds | ((halves - hundreds * 100) << 16);
  const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000F;  // /10
  return tens | ((pairs - tens * 10) << 8);
}

constexpr std::uint64_t kAsciiZeros = 0x3030303030303030;

void storeWord(char* dst, std::uint64_t w) {
  std::memcpy(dst, &w, 8);
}

// The digits of q (below 10^16) to dst, which takes 16 bytes; returns their count.
std::size_t writeInteger(char* dst, std::uint64_t q) {
  if (q < 100'000'000) {
    const std::uint64_t d = eightDigits(q);
    const int leadingZeros = q == 0 ? 7 : std::countr_zero(d) / 8;
    storeWord(dst, (d >> (8 * leadingZeros)) + kAsciiZeros);
    return static_cast<std::size_t>(8 - leadingZeros);
  }
  const std::uint64_t high = eightDigits(q / 100'000'000);
  const int leadingZeros = std::countr_zero(high) / 8;
  const auto n = static_cast<std::size_t>(8 - leadingZeros);
  storeWord(dst, (high >> (8 * leadingZeros)) + kAsciiZeros);
  storeWord(dst + n, eightDigits(q % 100'000'000) + kAsciiZeros);
  return n + 8;
}

constexpr std::uint64_t powerOfTen(int p) {
  return p == 0 ? 1 : 10 * powerOfTen(p - 1);
}

// Up to three digits as text: three characters and how many of them count.
struct ThreeDigits {
  char text[3];
  std::uint8_t length;
};

static_assert(sizeof(ThreeDigits) == 4, "copied as one word");

// kWhole[n]: n without leading zeros. kFraction[n]: n with leading zeros to three digits,
// without its trailing zeros (length 0 for 0).
constexpr auto kWhole = [] {
  std::array<ThreeDigits, 1000> table{};
  for (int n = 0; n < 1000; ++n) {
    const int length = n >= 100 ? 3 : n >= 10 ? 2 : 1;
    for (int i = length - 1, rest = n; i >= 0; --i, rest /= 10) {
      table[n].text[i] = static_cast<char>('0' + rest % 10);
    }
    table[n].length = static_cast<std::uint8_t>(length);
  }
  return table;
}();
constexpr auto kFraction = [] {
  std::array<ThreeDigits, 1000> table{};
  for (int n = 0; n < 1000; ++n) {
    for (int i = 2, rest = n; i >= 0; --i, rest /= 10) {
      table[n].text[i] = static_cast<char>('0' + rest % 10);
    }
    int length = 3;
    while (length > 0 && table[n].text[length - 1] == '0') --length;
    table[n].length = static_cast<std::uint8_t>(length);
  }
  return table;
}();

// k x 10^-P in fixed notation, for 0 < |k| < 10^15, to dst with room for 40 characters.
// Returns 0 when the value needs scientific notation (below 1E-5). These are exactly the
// digits of k / 10^P printed in extended precision to 15 significant digits: k has at most
// 15 digits, and extended precision holds k / 10^P far closer than half a unit of the 15th.
template <int P>
std::size_t writeFixed(char* dst, long long k, char separator) {
  constexpr std::uint64_t kScale = powerOfTen(P);
  const std::uint64_t magnitude =
      k < 0 ? 0ULL - static_cast<std::uint64_t>(k) : static_cast<std::uint64_t>(k);
  const std::uint64_t whole = magnitude / kScale;
  const std::uint64_t fraction = magnitude % kScale;
  if constexpr (P >= 6) {
    if (whole == 0 && fraction < powerOfTen(P - 5)) return 0;
  }
  char* o = dst;
  *o = '-';
  o += k < 0;
  if (whole < 1000) {  // the usual case, from a table
    std::memcpy(o, &kWhole[whole], 4);
    o += kWhole[whole].length;
  } else {
    o += writeInteger(o, whole);
  }
  if constexpr (P > 0) {
    if (fraction != 0) {
      *o++ = separator;
      if constexpr (P <= 3) {
        const ThreeDigits& digits = kFraction[fraction * powerOfTen(3 - P)];
        std::memcpy(o, &digits, 4);
        o += digits.length;
      } else {
        // The P digits in the lowest bytes; the trailing zeros are the zero bytes on top.
        const std::uint64_t d = eightDigits(fraction) >> (8 * (8 - P));
        storeWord(o, d + kAsciiZeros);
        o += (64 - std::countl_zero(d) + 7) / 8;
      }
    }
  }
  return static_cast<std::size_t>(o - dst);
}

using FixedWriter = std::size_t (*)(char*, long long, char);
constexpr FixedWriter kFixedWriters[] = {writeFixed<0>, writeFixed<1>, writeFixed<2>,
                                         writeFixed<3>, writeFixed<4>, writeFixed<5>,
                                         writeFixed<6>, writeFixed<7>, writeFixed<8>};

// Exact powers of ten in extended precision, for recognising a whole number of decimals.
constexpr Extended kExtendedPowersOfTen[] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L};

// |x * PrecScale| from here on does not fit the 64-bit integer the rounding gives.
constexpr Extended kRoundingLimit = 9223372036854775808.0L;  // 2^63

constexpr long long kFifteenDigits = 1'000'000'000'000'000;

// Up to this many decimals, a double times 10^p is exact in extended precision: its 53-bit
// significand times 5^p (at most 10 bits) fits the 64-bit one.
constexpr int kMaxExactDecimals = 4;
constexpr std::uint64_t kPowersOfFive[kMaxExactDecimals + 1] = {1, 5, 25, 125, 625};

// k = x * 10^p rounded to the nearest integer, halves to even, for p up to kMaxExactDecimals:
// the same as rounding the extended product, as that product is exact, but in integers.
// False when x is not finite or |x * 10^p| is 2^63 or more.
bool roundScaledExactly(double x, int p, long long& k) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
  if (biasedExponent == 0x7FF) return false;
  std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
  int exponent = -1074;  // x = significand * 2^exponent
  if (biasedExponent != 0) {
    significand |= std::uint64_t{1} << 52;
    exponent = biasedExponent - 1075;
  }
  // x * 10^p = product * 2^shift, product below 2^63.
  const std::uint64_t product = significand * kPowersOfFive[p];
  const int shift = exponent + p;
  std::uint64_t magnitude = 0;
  if (shift >= 0) {
    if (product != 0 && (shift >= 63 || (product >> (63 - shift)) != 0)) return false;
    magnitude = product << shift;
  } else if (shift > -64) {
    const int s = -shift;
    magnitude = product >> s;
    const std::uint64_t rest = product & ((std::uint64_t{1} << s) - 1);
    const std::uint64_t half = std::uint64_t{1} << (s - 1);
    if (rest > half || (rest == half && (magnitude & 1) != 0)) ++magnitude;
  }  // else below one half: 0
  const auto signedMagnitude = static_cast<long long>(magnitude);
  k = (bits >> 63) != 0 ? -signedMagnitude : signedMagnitude;
  return true;
}

}  // namespace

NumberPrinter::NumberPrinter(const NumberFormat& nf) : nf_(nf) {
  for (int p = 0; p < static_cast<int>(std::size(kFixedWriters)); ++p) {
    if (nf.precScale == kExtendedPowersOfTen[p]) {
      decimals_ = p;
      fixed_ = kFixedWriters[p];
    }
  }
}

std::size_t NumberPrinter::writeRounded(char* dst, long long k) const {
  if (k == 0) return writeText(dst, "0");  // also where x was -0.0001: never "-0"
  if (fixed_ && k > -kFifteenDigits && k < kFifteenDigits) {
    const std::size_t n = fixed_(dst, k, nf_.decimalSeparator);
    if (n != 0) return n;
  }
  return writeGeneral(dst, static_cast<Extended>(k) / nf_.precScale, nf_.decimalSeparator);
}

std::size_t NumberPrinter::writeNumber(char* dst, Extended x) const {
  if (nf_.precScale == 0) return writeExponentForm(dst, x, nf_.decimalSeparator);
  const Extended scaled = x * nf_.precScale;
  if (!(std::fabs(scaled) < kRoundingLimit)) return writeGeneral(dst, x, nf_.decimalSeparator);
  return writeRounded(dst, std::llrint(scaled));  // halves to even
}

std::size_t NumberPrinter::writeDouble(char* dst, double x) const {
  if (decimals_ < 0 || decimals_ > kMaxExactDecimals) return writeNumber(dst, x);
  long long k = 0;
  if (!roundScaledExactly(x, decimals_, k)) return writeGeneral(dst, x, nf_.decimalSeparator);
  return writeRounded(dst, k);
}

std::size_t NumberPrinter::writeSigned(char* dst, double x) const {
  const std::size_t n = writeDouble(dst + 1, x);
  if (dst[1] != '-') {
    dst[0] = '+';
    return n + 1;
  }
  // A fixed-size copy through registers (memmove would be a call); a text that long is rare.
  if (n <= 32) {
    char moved[32];
    std::memcpy(moved, dst + 1, 32);
    std::memcpy(dst, moved, 32);
  } else {
    std::memmove(dst, dst + 1, n);
  }
  return n;
}

std::size_t NumberPrinter::writeRectangular(char* dst, double re, double im) const {
  char* o = dst;
  if (re != 0) {  // a NaN real part counts as non-zero
    o += writeDouble(o, re);
    if (im == 1) {
      o += writeText(o, "+i");
    } else if (im == -1) {
      o += writeText(o, "-i");
    } else if (im != 0) {
      o += writeSigned(o, im);
      *o++ = 'i';
    }
  } else if (im == 0) {
    *o++ = '0';
  } else if (im == 1) {
    *o++ = 'i';
  } else if (im == -1) {
    o += writeText(o, "-i");
  } else {
    o += writeDouble(o, im);
    *o++ = 'i';
  }
  return static_cast<std::size_t>(o - dst);
}

std::size_t NumberPrinter::writeElement(char* dst, const Element& e, bool realOnly) const {
  if (realOnly || !e.isComplex()) return writeDouble(dst, e.re());
  const std::size_t rectLength = writeRectangular(dst, e.re(), e.im());
  if (nf_.display != DisplayFormat::Polar) return rectLength;

  // The polar form is taken from the rounded rectangular text, read back.
  const std::string rect(dst, rectLength);
  Element value;
  try {
    value = parseElement(rect, nf_);
  } catch (const CalcError&) {
    return rectLength;  // INF or NAN parts have no polar form
  }
  const Polar polar = toPolar(value.re(), value.im());
  const double degrees = polar.angle * kDegreesPerRadian;
  if (degrees == 0) return rectLength;
  char* o = dst;
  o += writeDouble(o, polar.radius);
  *o++ = '(';
  o += writeDouble(o, degrees);
  *o++ = ')';
  return static_cast<std::size_t>(o - dst);
}

void NumberPrinter::appendNumber(std::string& out, Extended x) const {
  char buf[kRoom];
  out.append(buf, writeNumber(buf, x));
}

void NumberPrinter::appendSigned(std::string& out, Extended x) const {
  char buf[kRoom];
  const std::size_t n = writeNumber(buf, x);
  if (buf[0] != '-') out += '+';
  out.append(buf, n);
}

void NumberPrinter::appendComplex(std::string& out, const Element& e) const {
  char buf[kMaxElementText];
  out.append(buf, writeElement(buf, e));
}

std::string formatNumber(Extended x, const NumberFormat& nf) {
  std::string out;
  appendNumber(out, x, nf);
  return out;
}

void appendNumber(std::string& out, Extended x, const NumberFormat& nf) {
  NumberPrinter(nf).appendNumber(out, x);
}

std::size_t writeGeneralDigits(char* dst, bool negative, std::string_view digits, int exponent,
                               char decimalSeparator) {
  const int count = static_cast<int>(digits.size());
  const int e = exponent;
  char* o = dst;
  if (negative) *o++ = '-';
  if (e >= 15 || e <= -6) {
    *o++ = digits[0];
    if (count > 1) {
      *o++ = decimalSeparator;
      for (int i = 1; i < count; ++i) *o++ = digits[i];
    }
    *o++ = 'E';
    if (e < 0) *o++ = '-';
    o += writeUnsigned(o, static_cast<std::uint64_t>(e < 0 ? -e : e));
  } else if (e >= 0) {
    for (int i = 0; i <= e; ++i) *o++ = i < count ? digits[i] : '0';
    if (count > e + 1) {
      *o++ = decimalSeparator;
      for (int i = e + 1; i < count; ++i) *o++ = digits[i];
    }
  } else {
    *o++ = '0';
    *o++ = decimalSeparator;
    for (int i = -1; i > e; --i) *o++ = '0';
    for (int i = 0; i < count; ++i) *o++ = digits[i];
  }
  return static_cast<std::size_t>(o - dst);
}

std::string formatGeneral(Extended x, char decimalSeparator) {
  std::string out;
  appendGeneral(out, x, decimalSeparator);
  return out;
}

void appendGeneral(std::string& out, Extended x, char decimalSeparator) {
  char buf[kRoom];
  out.append(buf, writeGeneral(buf, x, decimalSeparator));
}

std::string formatComplex(const Element& e, const NumberFormat& nf) {
  std::string out;
  appendComplex(out, e, nf);
  return out;
}

void appendComplex(std::string& out, const Element& e, const NumberFormat& nf) {
  NumberPrinter(nf).appendComplex(out, e);
}

}  // namespace kelvaro
