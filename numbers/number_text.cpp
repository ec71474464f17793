// Printing numbers and elements: the number formatter (rounded general form and exponent
// form) and the complex formatter in rectangular and polar display.

#include <cfenv>
#include <cmath>
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
std::size_t writeUnsigned(char* dst, unsigned long long v, std::size_t minDigits = 1) {
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
  const int e = d.exponent;
  char* o = dst;
  if (d.negative) *o++ = '-';
  if (e >= 15 || e <= -6) {
    *o++ = d.digits[0];
    if (count > 1) {
      *o++ = separator;
      for (int i = 1; i < count; ++i) *o++ = d.digits[i];
    }
    *o++ = 'E';
    if (e < 0) *o++ = '-';
    o += writeUnsigned(o, static_cast<unsigned long long>(e < 0 ? -e : e));
  } else if (e >= 0) {
    for (int i = 0; i <= e; ++i) *o++ = i < count ? d.digits[i] : '0';
    if (count > e + 1) {
      *o++ = separator;
      for (int i = e + 1; i < count; ++i) *o++ = d.digits[i];
    }
  } else {
    *o++ = '0';
    *o++ = separator;
    for (int i = -1; i > e; --i) *o++ = '0';
    for (int i = 0; i < count; ++i) *o++ = d.digits[i];
  }
  return static_cast<std::size_t>(o - dst);
}

// "%1.4e" with three exponent digits: four significant digits of the exact value, halves
// away from zero (12345 -> 1.235E+004); every zero is 0.000E+000.
std::size_t writeExponentForm(char* dst, Extended x, char separator) {
  if (!std::isfinite(x)) return writeNonFinite(dst, x);
  if (x == 0) return writeText(dst, "0.000E+000");
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
  o += writeUnsigned(o, static_cast<unsigned long long>(e < 0 ? -e : e), 3);
  return static_cast<std::size_t>(o - dst);
}

// k x 10^-p for an integer k with 1 to 15 digits, in fixed notation. Returns 0 when the value
// needs scientific notation (below 1E-5). The digits are exact: printing k / 10^p in
// extended precision to 15 significant digits gives exactly these.
std::size_t writeScaledInteger(char* dst, long long k, int p, char separator) {
  char digits[24];
  const unsigned long long magnitude =
      k < 0 ? 0ULL - static_cast<unsigned long long>(k) : static_cast<unsigned long long>(k);
  const int n = static_cast<int>(writeUnsigned(digits, magnitude));
  if (n - 1 - p <= -6) return 0;
  int count = n;
  while (count > 1 && digits[count - 1] == '0' && count > n - p) --count;
  char* o = dst;
  if (k < 0) *o++ = '-';
  if (n > p) {
    std::memcpy(o, digits, static_cast<std::size_t>(n - p));
    o += n - p;
    if (count > n - p) {
      *o++ = separator;
      std::memcpy(o, digits + (n - p), static_cast<std::size_t>(count - (n - p)));
      o += count - (n - p);
    }
  } else {
    *o++ = '0';
    *o++ = separator;
    for (int i = n; i < p; ++i) *o++ = '0';
    std::memcpy(o, digits, static_cast<std::size_t>(count));
    o += count;
  }
  return static_cast<std::size_t>(o - dst);
}

// Exact powers of ten in extended precision, for recognising a whole number of decimals.
constexpr Extended kExtendedPowersOfTen[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                             1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                             1e14L, 1e15L, 1e16L, 1e17L, 1e18L};

// |x * PrecScale| from here on does not fit the 64-bit integer the rounding gives.
constexpr Extended kRoundingLimit = 9223372036854775808.0L;  // 2^63

}  // namespace

NumberPrinter::NumberPrinter(const NumberFormat& nf) : nf_(nf) {
  for (int p = 0; p < static_cast<int>(std::size(kExtendedPowersOfTen)); ++p) {
    if (nf.precScale == kExtendedPowersOfTen[p]) decimals_ = p;
  }
}

std::size_t NumberPrinter::writeNumber(char* dst, Extended x) const {
  const char separator = nf_.decimalSeparator;
  if (nf_.precScale == 0) return writeExponentForm(dst, x, separator);
  const Extended scaled = x * nf_.precScale;
  if (!(std::fabs(scaled) < kRoundingLimit)) return writeGeneral(dst, x, separator);
  const Extended k = std::rint(scaled);  // halves to even
  if (k == 0) return writeText(dst, "0");
  if (decimals_ >= 0 && std::fabs(k) < 1e15L) {
    const std::size_t n = writeScaledInteger(dst, static_cast<long long>(k), decimals_, separator);
    if (n != 0) return n;
  }
  return writeGeneral(dst, k / nf_.precScale, separator);
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

void NumberPrinter::appendRectangular(std::string& out, double re, double im) const {
  if (re != 0) {  // a NaN real part counts as non-zero
    appendNumber(out, re);
    if (im == 0) return;
    if (im == 1) {
      out += "+i";
    } else if (im == -1) {
      out += "-i";
    } else {
      appendSigned(out, im);
      out += 'i';
    }
    return;
  }
  if (im == 0) {
    out += '0';
  } else if (im == 1) {
    out += 'i';
  } else if (im == -1) {
    out += "-i";
  } else {
    appendNumber(out, im);
    out += 'i';
  }
}

void NumberPrinter::appendComplex(std::string& out, const Element& e) const {
  if (!e.isComplex()) {
    appendNumber(out, e.re());
    return;
  }
  if (nf_.display != DisplayFormat::Polar) {
    appendRectangular(out, e.re(), e.im());
    return;
  }
  // The polar form is taken from the rounded rectangular text, read back.
  std::string rect;
  appendRectangular(rect, e.re(), e.im());
  Element value;
  try {
    value = parseElement(rect, nf_);
  } catch (const CalcError&) {
    out += rect;  // INF or NAN parts have no polar form
    return;
  }
  const Polar polar = toPolar(value.re(), value.im());
  const double degrees = polar.angle * kDegreesPerRadian;
  if (degrees == 0) {
    out += rect;
    return;
  }
  appendNumber(out, polar.radius);
  out += '(';
  appendNumber(out, degrees);
  out += ')';
}

std::string formatNumber(Extended x, const NumberFormat& nf) {
  std::string out;
  appendNumber(out, x, nf);
  return out;
}

void appendNumber(std::string& out, Extended x, const NumberFormat& nf) {
  NumberPrinter(nf).appendNumber(out, x);
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
