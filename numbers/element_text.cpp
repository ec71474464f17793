// Reading element text: the token normaliser, the complex text parser and the decimal and
// integer conversions. The printers are in number_text.cpp.

#include "numbers/element_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>

#include "numbers/calc_error.h"

namespace kelvaro {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isSign(char c) {
  return c == '+' || c == '-';
}

// -x when negate is set, by flipping the sign bit (no branch).
double negatedIf(double x, bool negate) {
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) ^ (std::uint64_t{negate} << 63));
}

std::size_t skipSpaces(std::string_view s, std::size_t pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
  return pos;
}

// A decimal number taken apart: sign, the digits before and after the point, exponent.
// While there are at most 19 digits, mantissa holds them as one integer.
struct DecimalParts {
  bool negative = false;
  std::string_view intDigits;
  std::string_view fracDigits;
  std::int64_t exponent = 0;
  std::uint64_t mantissa = 0;
  std::size_t digitCount = 0;
};

// Far beyond any double's range, yet safe to add string lengths to.
constexpr std::int64_t kExponentLimit = 1'000'000'000'000'000;

std::size_t scanMantissaDigits(std::string_view s, std::size_t pos, DecimalParts& parts) {
  const std::size_t start = pos;
  std::uint64_t m = parts.mantissa;
  while (pos < s.size() && isDigit(s[pos])) m = m * 10 + static_cast<unsigned>(s[pos++] - '0');
  parts.mantissa = m;
  parts.digitCount += pos - start;
  return pos;
}

std::size_t scanExponentDigits(std::string_view s, std::size_t pos, std::int64_t& exponent) {
  std::int64_t e = 0;
  for (; pos < s.size() && isDigit(s[pos]); ++pos) {
    if (e < kExponentLimit) e = e * 10 + (s[pos] - '0');
  }
  exponent = e;
  return pos;
}

std::string_view trimLeadingZeros(std::string_view digits) {
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == '0') ++i;
  return digits.substr(i);
}

// The double nearest to the decimal number (halves to even), by the standard library's
// conversion. False when it lies beyond the largest double; a value below the smallest one
// becomes zero.
bool convertDecimal(const DecimalParts& parts, double& out) {
  std::string_view intDigits = trimLeadingZeros(parts.intDigits);
  std::string_view fracDigits = parts.fracDigits;
  // The value is (intDigits fracDigits as one integer) * 10^e.
  const std::int64_t e = parts.exponent - static_cast<std::int64_t>(fracDigits.size());
  if (intDigits.empty()) fracDigits = trimLeadingZeros(fracDigits);
  const std::size_t digitCount = intDigits.size() + fracDigits.size();
  const double zero = parts.negative ? -0.0 : 0.0;
  if (digitCount == 0) {
    out = zero;
    return true;
  }
  std::string text;
  text.reserve(digitCount + 24);
  text.append(intDigits);
  text.append(fracDigits);
  text.push_back('e');
  text.append(std::to_string(e));
  double v = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), v);
  if (result.ec == std::errc::result_out_of_range) {
    // Beyond the range on the large side is no number; on the small side it is zero.
    const std::int64_t leadingExponent = static_cast<std::int64_t>(digitCount) - 1 + e;
    if (leadingExponent > 0) return false;
    out = zero;
    return true;
  }
  if (result.ec != std::errc() || !std::isfinite(v)) return false;
  out = parts.negative ? -v : v;
  return true;
}

constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of a scanned number, rounded once to the nearest double. False when it lies
// beyond the largest double.
bool decimalValue(const DecimalParts& parts, double& out) {
  const std::int64_t e = parts.exponent - static_cast<std::int64_t>(parts.fracDigits.size());
  // Both the integer and the power of ten are exact doubles, so one multiplication or
  // division rounds the value exactly once.
  if (parts.digitCount <= 19 && parts.mantissa <= (std::uint64_t{1} << 53) && e >= -22 && e <= 22) {
    const double mantissa = static_cast<double>(parts.mantissa);
    const double v = e >= 0 ? mantissa * kExactPowersOfTen[e] : mantissa / kExactPowersOfTen[-e];
    out = negatedIf(v, parts.negative);
    return true;
  }
  return convertDecimal(parts, out);
}

// [sign] digits [point digits] [(e|E) [sign] digits], scanned from pos. The scan stops at
// the first character that cannot continue the number; complete is false for a lone sign,
// nothing at all, or an exponent letter without digits.
struct ScannedNumber {
  std::size_t end = 0;
  bool complete = false;
  DecimalParts parts;
};

ScannedNumber scanNumber(std::string_view s, std::size_t pos, char point) {
  ScannedNumber r;
  // Signs are as likely as not: no branch on them.
  const char first = pos < s.size() ? s[pos] : '\0';
  r.parts.negative = first == '-';
  pos += isSign(first);
  const std::size_t body = pos;
  std::size_t end = scanMantissaDigits(s, pos, r.parts);
  r.parts.intDigits = s.substr(pos, end - pos);
  pos = end;
  if (pos < s.size() && s[pos] == point) {
    end = scanMantissaDigits(s, ++pos, r.parts);
    r.parts.fracDigits = s.substr(pos, end - pos);
    pos = end;
  }
  bool exponentComplete = true;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < s.size() && isSign(s[pos])) negativeExponent = s[pos++] == '-';
    end = scanExponentDigits(s, pos, r.parts.exponent);
    if (negativeExponent) r.parts.exponent = -r.parts.exponent;
    exponentComplete = end > pos;
    pos = end;
  }
  r.end = pos;
  r.complete = pos > body && exponentComplete;
  return r;
}

[[noreturn]] void failParse(std::string_view reason, std::string_view text, std::size_t pos) {
  std::string message(reason);
  message += " [";
  message += quoteEndForMessage(text.substr(0, pos));
  message += "<?>";
  message += quoteForMessage(text.substr(pos));
  message += ']';
  throw CalcError(message);
}

// Reads one number of the complex text at pos; npos when there is none.
std::size_t readComplexPart(std::string_view text, std::size_t pos, double& value) {
  const ScannedNumber n = scanNumber(text, pos, '.');
  if (!n.complete || !decimalValue(n.parts, value)) return std::string_view::npos;
  return n.end;
}

// The complex text parser without the message: the reason it failed (nullptr when it did
// not) and in failPos where the failing step began.
const char* readComplexText(std::string_view text, Element& value, std::size_t& failPos) {
  double re = 0;
  double im = 0;
  std::size_t pos = skipSpaces(text, 0);
  std::size_t end = readComplexPart(text, pos, re);
  if (end == std::string_view::npos) {
    failPos = pos;
    return "Could not parse real portion";
  }
  pos = skipSpaces(text, end);
  if (pos == text.size()) {
    value = Element::complex(re, 0.0);
    return nullptr;
  }

  failPos = pos;
  if (!isSign(text[pos])) return "Could not parse required '+' (or '-') symbol";
  const bool minus = text[pos] == '-';
  pos = skipSpaces(text, pos + 1);
  end = readComplexPart(text, pos, im);
  failPos = pos;
  if (end == std::string_view::npos) return "Could not parse imaginary portion";
  im = negatedIf(im, minus);

  pos = skipSpaces(text, end);
  failPos = pos;
  if (pos == text.size() || (text[pos] != 'i' && text[pos] != 'I'))
    return "Could not parse required 'i' symbol";
  pos = skipSpaces(text, pos + 1);
  failPos = pos;
  if (pos != text.size()) return "Unexpected characters";
  value = Element::complex(re, im);
  return nullptr;
}

// The plain reader looks at eight characters at a time: a word holds them, the first in
// the lowest byte.
constexpr std::uint64_t kByteOnes = 0x0101010101010101u;

std::uint64_t wordAt(const char* p) {
  static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");
  std::uint64_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

std::uint32_t halfWordAt(const char* p) {
  std::uint32_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

// The characters from p on, up to eight, as a word whose bytes past end are zero. Nothing
// outside begin..end is read: when fewer than eight characters remain, the word is taken
// from the last eight of the text (begin..end holding at least eight) or in two overlapping
// halves.
std::uint64_t wordUpTo(const char* p, const char* begin, const char* end) {
  const auto left = static_cast<std::size_t>(end - p);
  if (left >= 8) return wordAt(p);
  if (left == 0) return 0;
  if (end - begin >= 8) return wordAt(end - 8) >> (64 - 8 * left);
  if (left >= 4) {
    return halfWordAt(p) | std::uint64_t{halfWordAt(end - 4)} << (8 * (left - 4));
  }
  std::uint64_t x = 0;
  for (std::size_t k = 0; k < left; ++k)
    x |= std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * k);
  return x;
}

// The top bit of each byte of x that is no digit. Only the low seven bits take part in
// the sums, so no carry reaches the next byte; a byte from 128 up is no digit.
std::uint64_t nonDigitBytes(std::uint64_t x) {
  const std::uint64_t low = x & kByteOnes * 0x7F;
  const std::uint64_t fromZero = low + kByteOnes * (0x80 - '0');      // top bit: at least '0'
  const std::uint64_t pastNine = low + kByteOnes * (0x80 - '9' - 1);  // top bit: above '9'
  return (~fromZero | pastNine | x) & kByteOnes * 0x80;
}

// The value of the first count (1 to 8) bytes of x, all digits, the first the most
// significant. The digits move to the top bytes, the others out of the word (a borrow of
// the subtraction only runs upwards from a byte that is no digit), then pairs, fours and
// the eight are summed.
std::uint64_t digitsValue(std::uint64_t x, unsigned count) {
  std::uint64_t d = (x - kByteOnes * '0') << (64 - 8 * count);
  d = d * 10 + (d >> 8);
  constexpr std::uint64_t kPairs = 0x000000FF000000FFu;
  d = ((d & kPairs) * (100 + (std::uint64_t{1000000} << 32)) +
       ((d >> 16) & kPairs) * (1 + (std::uint64_t{10000} << 32))) >>
      32;
  return d & 0xFFFFFFFFu;
}

constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,     10000,
                                          100000, 1000000, 10000000, 100000000};

// Digits from p on: where they end and their value (modulo 2^64 past 19 digits, which the
// plain reader refuses anyway).
struct DigitRun {
  const char* end;
  std::uint64_t value;
};

DigitRun readDigits(const char* p, const char* begin, const char* end, std::uint64_t m) {
  for (;;) {
    const std::uint64_t x = wordUpTo(p, begin, end);
    const std::uint64_t marks = nonDigitBytes(x);
    const unsigned count = static_cast<unsigned>(std::countr_zero(marks)) >> 3;
    if (count) m = m * kPowersOfTen[count] + digitsValue(x, count);
    p += count;
    if (marks) return {p, m};
  }
}

// A number read by the plain reader: where it ends and its value, or no end when the
// text is not such a number.
struct PlainNumber {
  const char* end;
  double value;
};

// The value of digits (the point taken out) with fraction of them after the point, when
// decimalValue computes it exactly.
PlainNumber exactPlainValue(const char* end, std::uint64_t m, std::size_t digits,
                            std::size_t fraction, bool negative) {
  if (digits == 0 || digits > 19 || fraction > 22 || m > (std::uint64_t{1} << 53))
    return {nullptr, 0};
  return {end, negatedIf(static_cast<double>(m) / kExactPowersOfTen[fraction], negative)};
}

// readPlainNumber for a number whose digits run past the first word after the sign (q):
// m holds the word's digits, pointAt is where the point was in the word or 8 for none.
[[gnu::noinline]] PlainNumber readLongPlainNumber(const char* p, const char* q, const char* begin,
                                                  const char* end, std::uint64_t m,
                                                  unsigned pointAt) {
  const DigitRun more = readDigits(q + 8, begin, end, m);
  const auto count = static_cast<std::size_t>(more.end - q);  // characters so far
  if (pointAt < 8) {
    const std::size_t fraction = count - pointAt - 1;
    return exactPlainValue(more.end, more.value, count - 1, fraction, *p == '-');
  }
  if (more.end == end || *more.end != '.')
    return exactPlainValue(more.end, more.value, count, 0, *p == '-');
  const DigitRun all = readDigits(more.end + 1, begin, end, more.value);
  const auto fraction = static_cast<std::size_t>(all.end - more.end - 1);
  return exactPlainValue(all.end, all.value, count + fraction, fraction, *p == '-');
}

// One number of the plain form [sign] digits [. digits] from p (begin..end being the whole
// text), with at most 19 digits and a value that decimalValue computes exactly; no end for
// anything else. A number that ends within eight characters after the sign is read from
// one word (at most seven digits: always exact).
inline PlainNumber readPlainNumber(const char* p, const char* begin, const char* end) {
  const char* const q = p + isSign(*p);
  const std::uint64_t x = wordUpTo(q, begin, end);
  std::uint64_t marks = nonDigitBytes(x);
  if (marks == 0) return readLongPlainNumber(p, q, begin, end, digitsValue(x, 8), 8);
  const unsigned whole = static_cast<unsigned>(std::countr_zero(marks)) >> 3;
  unsigned stop = whole;
  unsigned fraction = 0;
  std::uint64_t digits = x;
  if (static_cast<char>(x >> (8 * whole)) == '.') {
    // The point is taken out of the word.
    marks &= marks - 1;
    stop = static_cast<unsigned>(std::countr_zero(marks)) >> 3;
    fraction = stop - whole - 1;
    const std::uint64_t below = (std::uint64_t{1} << (8 * whole)) - 1;
    digits = (x & below) | ((x >> 8) & ~below);
    // Digits up to the end of the word: a whole word of text, so the character after it
    // (if any) may be read.
    if (marks == 0 && q + 8 != end && isDigit(q[8]))
      return readLongPlainNumber(p, q, begin, end, digitsValue(digits, 7), whole);
  }
  const unsigned count = whole + fraction;
  if (count == 0) return {nullptr, 0};
  return {q + stop,
          negatedIf(static_cast<double>(digitsValue(digits, count)) / kExactPowersOfTen[fraction],
                    *p == '-')};
}

void normalizeSeparatorInPlace(std::string& s) {
  const std::size_t comma = s.find(',');
  if (comma == std::string::npos) return;
  const std::size_t dot = s.find('.');
  if (dot == std::string::npos) {
    for (char& c : s)
      if (c == ',') c = '.';
  } else if (dot < comma) {
    for (char& c : s) {
      if (c == ',')
        c = '.';
      else if (c == '.')
        c = ',';
    }
  }
}

// Polar input r(d): radius r, angle d in degrees, written as rectangular text into scratch.
std::string_view polarToRectangularText(std::string_view t, const NumberFormat& nf,
                                        std::string& scratch) {
  const std::size_t open = t.find('(');
  const std::size_t close = t.find(')');
  const std::string_view radiusText = t.substr(0, open);
  const std::string_view angleText =
      close > open ? t.substr(open + 1, close - open - 1) : std::string_view();
  const double radius = textToFloat(radiusText, nf.decimalSeparator);
  const double angle = textToFloat(angleText, nf.decimalSeparator);
  const double radians = angle / kDegreesPerRadian;
  const double x = radius * std::cos(radians);
  const double y = radius * std::sin(radians);
  // t may live in scratch: everything needed from it has been read.
  scratch.clear();
  const NumberPrinter printer(nf);
  printer.appendNumber(scratch, x);
  printer.appendSigned(scratch, y);
  scratch += 'i';
  return scratch;
}

}  // namespace

std::string normalizeDecimalSeparator(std::string_view s) {
  std::string out(s);
  normalizeSeparatorInPlace(out);
  return out;
}

namespace {

// What the normaliser looks for in a token, found in one pass without branching on each
// character: the characters that matter are classes of bits, or-ed together.
enum : std::uint8_t {
  kHasI = 1,
  kHasOpen = 2,
  kHasClose = 4,
  kHasComma = 8,
  kHasSign = 16,
};

constexpr auto kCharClass = [] {
  std::array<std::uint8_t, 256> table{};
  table['i'] = kHasI;
  table['('] = kHasOpen;
  table[')'] = kHasClose;
  table[','] = kHasComma;
  table['+'] = kHasSign;
  table['-'] = kHasSign;
  return table;
}();

struct TokenShape {
  std::uint8_t all = 0;    // classes of all characters
  std::uint8_t inner = 0;  // classes of all but the first and the last character
  std::size_t firstI = std::string_view::npos;
};

TokenShape shapeOf(std::string_view t) {
  TokenShape shape;
  if (t.empty()) return shape;
  const auto cls = [&](std::size_t k) { return kCharClass[static_cast<unsigned char>(t[k])]; };
  std::uint8_t inner = 0;
  for (std::size_t k = 1; k + 1 < t.size(); ++k) inner |= cls(k);
  shape.inner = inner;
  shape.all = inner | cls(0) | cls(t.size() - 1);
  if (shape.all & kHasI) shape.firstI = t.find('i');
  return shape;
}

}  // namespace

std::string_view normalizeTokenView(std::string_view token, const NumberFormat& nf,
                                    std::string& scratch) {
  std::string_view t = token;  // the token, as rewritten by the coefficient step
  std::string_view n = token;  // the normalised text
  TokenShape shape = shapeOf(t);
  bool lone = false;  // the token is i, +i or -i
  if (shape.firstI != std::string_view::npos) {
    const std::size_t p = shape.firstI;
    if (t == "i" || t == "+i") {
      n = "0+1i";
      lone = true;
    } else if (t == "-i") {
      n = "0-1i";
      lone = true;
    } else if (p > 0 && isSign(t[p - 1])) {
      // An "i" without a coefficient; the last character gives way, as it always has.
      scratch.assign(t.substr(0, t.size() - 1));
      scratch += "1i";
      t = n = scratch;
      shape = shapeOf(t);
    }
  }

  bool comma = shape.all & kHasComma;
  if ((shape.all & kHasOpen) && (shape.all & kHasClose)) {
    n = polarToRectangularText(t, nf, scratch);
    comma = n.find(',') != std::string_view::npos;
  } else if (shape.firstI != std::string_view::npos && !lone) {
    const char* prefix = nullptr;
    if (!(shape.all & kHasSign)) {
      prefix = "0+";  // 2.5i -> 0+2.5i
    } else if (t[0] == '-' && !(shape.inner & kHasSign)) {
      prefix = "0";  // -2i -> 0-2i
    }
    if (prefix) {
      if (t.data() == scratch.data()) {
        scratch.insert(0, prefix);
      } else {
        scratch.assign(prefix);
        scratch.append(t);
      }
      n = scratch;
    }
  }

  // A decimal separator in force other than "." and "," is read as "."; the printers write it.
  const char separator = nf.decimalSeparator;
  if (separator != '.' && separator != ',' && n.find(separator) != std::string_view::npos) {
    if (n.data() != scratch.data()) scratch.assign(n);
    std::replace(scratch.begin(), scratch.end(), separator, '.');
    n = scratch;
  }
  if (comma) {
    if (n.data() != scratch.data()) scratch.assign(n);
    normalizeSeparatorInPlace(scratch);
    n = scratch;
  }
  return n;
}

std::string normalizeToken(std::string_view token, const NumberFormat& nf) {
  std::string scratch;
  return std::string(normalizeTokenView(token, nf, scratch));
}

Element parseComplexText(std::string_view text) {
  Element value;
  std::size_t failPos = 0;
  if (const char* reason = readComplexText(text, value, failPos)) failParse(reason, text, failPos);
  return value;
}

bool tryParseComplexText(std::string_view text, Element& value) {
  std::size_t failPos = 0;
  return readComplexText(text, value, failPos) == nullptr;
}

bool readPlainComplexText(std::string_view text, Element& value) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  if (begin == end) return false;
  const PlainNumber re = readPlainNumber(begin, begin, end);
  if (re.end == nullptr) return false;
  if (re.end == end) {
    value = Element::complex(re.value, 0.0);
    return true;
  }
  if (!isSign(*re.end)) return false;
  const PlainNumber im = readPlainNumber(re.end, begin, end);
  if (im.end == nullptr || end - im.end != 1 || *im.end != 'i') return false;
  value = Element::complex(re.value, im.value);
  return true;
}

Element parseElement(std::string_view token, const NumberFormat& nf) {
  return ElementParser(nf)(token);
}

bool parseDecimal(std::string_view text, char separator, double& value) {
  const ScannedNumber n = scanNumber(text, skipSpaces(text, 0), separator);
  if (!n.complete || n.parts.digitCount == 0) return false;
  if (skipSpaces(text, n.end) != text.size()) return false;
  return decimalValue(n.parts, value);
}

double textToFloat(std::string_view text, char separator) {
  double value = 0;
  if (!parseDecimal(text, separator, value)) {
    throw CalcError("'" + quoteForMessage(text) + "' is not a valid floating point value");
  }
  return value;
}

std::int32_t textToInteger(std::string_view text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && isSign(text[pos])) negative = text[pos++] == '-';
  std::size_t end = pos;
  while (end < text.size() && isDigit(text[end])) ++end;
  std::int64_t magnitude = 0;
  bool valid = end > pos && end == text.size();
  for (std::size_t i = pos; valid && i < end; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    valid = magnitude <= std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (!valid || value > std::numeric_limits<std::int32_t>::max()) {
    throw CalcError("'" + quoteForMessage(text) + "' is not a valid integer value");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace kelvaro
