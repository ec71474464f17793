// Reading element text: the token normaliser, the complex text parser and the decimal and
// integer conversions. The printers are in number_text.cpp.

#include "numbers/element_text.h"

#include <charconv>
#include <cmath>
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

std::size_t skipSpaces(std::string_view s, std::size_t pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
  return pos;
}

std::size_t skipDigits(std::string_view s, std::size_t pos) {
  while (pos < s.size() && isDigit(s[pos])) ++pos;
  return pos;
}

// A decimal number taken apart: sign, the digits before and after the point, exponent.
struct DecimalParts {
  bool negative = false;
  std::string_view intDigits;
  std::string_view fracDigits;
  std::int64_t exponent = 0;
};

// Far beyond any double's range, yet safe to add string lengths to.
constexpr std::int64_t kExponentLimit = 1'000'000'000'000'000;

std::int64_t readExponent(std::string_view digits, bool negative) {
  std::int64_t e = 0;
  for (char c : digits) {
    e = e * 10 + (c - '0');
    if (e >= kExponentLimit) {
      e = kExponentLimit;
      break;
    }
  }
  return negative ? -e : e;
}

std::string_view trimLeadingZeros(std::string_view digits) {
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == '0') ++i;
  return digits.substr(i);
}

constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The double nearest to the decimal number (halves to even). False when it lies beyond the
// largest double; a value below the smallest one becomes zero.
bool decimalValue(const DecimalParts& parts, double& out) {
  std::string_view intDigits = trimLeadingZeros(parts.intDigits);
  std::string_view fracDigits = parts.fracDigits;
  // The value is (intDigits fracDigits as one integer) * 10^e.
  std::int64_t e = parts.exponent - static_cast<std::int64_t>(fracDigits.size());
  if (intDigits.empty()) fracDigits = trimLeadingZeros(fracDigits);
  while (!fracDigits.empty() && fracDigits.back() == '0') {
    fracDigits.remove_suffix(1);
    ++e;
  }
  if (fracDigits.empty()) {
    while (!intDigits.empty() && intDigits.back() == '0') {
      intDigits.remove_suffix(1);
      ++e;
    }
  }
  const std::size_t digitCount = intDigits.size() + fracDigits.size();
  const double zero = parts.negative ? -0.0 : 0.0;
  if (digitCount == 0) {
    out = zero;
    return true;
  }

  // Both the integer and the power of ten are exact doubles, so one multiplication or
  // division rounds the value exactly once.
  if (digitCount <= 19 && e >= -22 && e <= 22) {
    std::uint64_t m = 0;
    for (char c : intDigits) m = m * 10 + static_cast<std::uint64_t>(c - '0');
    for (char c : fracDigits) m = m * 10 + static_cast<std::uint64_t>(c - '0');
    if (m <= (std::uint64_t{1} << 53)) {
      const double mantissa = static_cast<double>(m);
      const double v = e >= 0 ? mantissa * kExactPowersOfTen[e] : mantissa / kExactPowersOfTen[-e];
      out = parts.negative ? -v : v;
      return true;
    }
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

// The number syntax of the complex text parser, scanned from pos (after its spaces):
// [sign] digits [. digits] [(e|E) [sign] digits]. The scan stops at the first character that
// cannot continue the number; complete is false for a lone sign, nothing at all, or an
// exponent letter without digits.
struct ScannedNumber {
  std::size_t end = 0;
  bool complete = false;
  DecimalParts parts;
};

ScannedNumber scanNumber(std::string_view s, std::size_t pos) {
  ScannedNumber r;
  if (pos < s.size() && isSign(s[pos])) {
    r.parts.negative = s[pos] == '-';
    ++pos;
  }
  const std::size_t body = pos;
  std::size_t end = skipDigits(s, pos);
  r.parts.intDigits = s.substr(pos, end - pos);
  pos = end;
  if (pos < s.size() && s[pos] == '.') {
    end = skipDigits(s, ++pos);
    r.parts.fracDigits = s.substr(pos, end - pos);
    pos = end;
  }
  bool exponentComplete = true;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < s.size() && isSign(s[pos])) negativeExponent = s[pos++] == '-';
    end = skipDigits(s, pos);
    exponentComplete = end > pos;
    r.parts.exponent = readExponent(s.substr(pos, end - pos), negativeExponent);
    pos = end;
  }
  r.end = pos;
  r.complete = pos > body && exponentComplete;
  return r;
}

[[noreturn]] void failParse(std::string_view reason, std::string_view text, std::size_t pos) {
  std::string message(reason);
  message += " [";
  message.append(text.substr(0, pos));
  message += "<?>";
  message.append(text.substr(pos));
  message += ']';
  throw CalcError(message);
}

// Reads one number of the complex text at pos; fails with reason when there is none.
std::size_t readComplexPart(std::string_view text, std::size_t pos, std::string_view reason,
                            double& value) {
  const ScannedNumber n = scanNumber(text, pos);
  if (!n.complete || !decimalValue(n.parts, value)) failParse(reason, text, pos);
  return n.end;
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

std::string_view normalizeTokenView(std::string_view token, const NumberFormat& nf,
                                    std::string& scratch) {
  std::string_view t = token;  // the token, as rewritten by the coefficient step
  std::string_view n = token;  // the normalised text
  const std::size_t p = t.find('i');
  bool lone = false;  // the token is i, +i or -i
  if (p != std::string_view::npos) {
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
    }
  }

  if (t.find('(') != std::string_view::npos && t.find(')') != std::string_view::npos) {
    n = polarToRectangularText(t, nf, scratch);
  } else if (p != std::string_view::npos && !lone) {
    const char* prefix = nullptr;
    if (t.find_first_of("+-") == std::string_view::npos) {
      prefix = "0+";  // 2.5i -> 0+2.5i
    } else if (t[0] == '-' && (t.size() < 3 || t.substr(1, t.size() - 2).find_first_of("+-") ==
                                                   std::string_view::npos)) {
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

  if (n.find(',') != std::string_view::npos) {
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
  double re = 0;
  double im = 0;
  std::size_t pos = skipSpaces(text, 0);
  pos = skipSpaces(text, readComplexPart(text, pos, "Could not parse real portion", re));
  if (pos == text.size()) return Element::complex(re, 0.0);

  if (!isSign(text[pos])) failParse("Could not parse required '+' (or '-') symbol", text, pos);
  const bool minus = text[pos] == '-';
  pos = skipSpaces(text, pos + 1);
  pos = skipSpaces(text, readComplexPart(text, pos, "Could not parse imaginary portion", im));
  if (minus) im = -im;

  if (pos == text.size() || (text[pos] != 'i' && text[pos] != 'I'))
    failParse("Could not parse required 'i' symbol", text, pos);
  pos = skipSpaces(text, pos + 1);
  if (pos != text.size()) failParse("Unexpected characters", text, pos);
  return Element::complex(re, im);
}

Element parseElement(std::string_view token, const NumberFormat& nf) {
  return ElementParser(nf)(token);
}

bool parseDecimal(std::string_view text, char separator, double& value) {
  DecimalParts parts;
  std::size_t pos = skipSpaces(text, 0);
  if (pos < text.size() && isSign(text[pos])) parts.negative = text[pos++] == '-';
  std::size_t end = skipDigits(text, pos);
  parts.intDigits = text.substr(pos, end - pos);
  pos = end;
  if (pos < text.size() && text[pos] == separator) {
    end = skipDigits(text, ++pos);
    parts.fracDigits = text.substr(pos, end - pos);
    pos = end;
  }
  if (parts.intDigits.empty() && parts.fracDigits.empty()) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < text.size() && isSign(text[pos])) negativeExponent = text[pos++] == '-';
    end = skipDigits(text, pos);
    if (end == pos) return false;
    parts.exponent = readExponent(text.substr(pos, end - pos), negativeExponent);
    pos = end;
  }
  if (skipSpaces(text, pos) != text.size()) return false;
  return decimalValue(parts, value);
}

double textToFloat(std::string_view text, char separator) {
  double value = 0;
  if (!parseDecimal(text, separator, value)) {
    throw CalcError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return value;
}

std::int32_t textToInteger(std::string_view text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && isSign(text[pos])) negative = text[pos++] == '-';
  const std::size_t end = skipDigits(text, pos);
  std::int64_t magnitude = 0;
  bool valid = end > pos && end == text.size();
  for (std::size_t i = pos; valid && i < end; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    valid = magnitude <= std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (!valid || value > std::numeric_limits<std::int32_t>::max()) {
    throw CalcError("'" + std::string(text) + "' is not a valid integer value");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace kelvaro
