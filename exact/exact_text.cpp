#include "exact/exact_text.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/matrix_text.h"

namespace kelvaro::exact {

namespace {

constexpr std::size_t kCellWidth = 10;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t skipSpaces(std::string_view s, std::size_t pos) {
  while (pos < s.size() && s[pos] == ' ') ++pos;
  return pos;
}

// A number as the element parser scans it ([sign] digits [. digits] [(e|E) [sign] digits]),
// taken apart so that its exact value can be built: value = (sign) mantissa * 10^exponent.
struct ExactNumber {
  bool negative = false;
  std::string mantissa;  // digits without leading zeros ("" for 0)
  std::int64_t exponent = 0;
  std::size_t end = 0;
  bool complete = false;
};

// Far beyond any limit, yet safe to add to.
constexpr std::int64_t kExponentCap = 1'000'000'000'000'000;

ExactNumber scanNumber(std::string_view s, std::size_t pos) {
  ExactNumber n;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) n.negative = s[pos++] == '-';
  const std::size_t body = pos;
  std::size_t fraction = 0;
  for (; pos < s.size() && isDigit(s[pos]); ++pos) n.mantissa += s[pos];
  if (pos < s.size() && s[pos] == '.') {
    for (++pos; pos < s.size() && isDigit(s[pos]); ++pos, ++fraction) n.mantissa += s[pos];
  }
  bool exponentComplete = true;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negativeExponent = s[pos++] == '-';
    const std::size_t start = pos;
    std::int64_t e = 0;
    for (; pos < s.size() && isDigit(s[pos]); ++pos)
      if (e < kExponentCap) e = e * 10 + (s[pos] - '0');
    exponentComplete = pos > start;
    n.exponent = negativeExponent ? -e : e;
  }
  n.exponent -= static_cast<std::int64_t>(fraction);
  n.mantissa.erase(0, std::min(n.mantissa.find_first_not_of('0'), n.mantissa.size()));
  n.end = pos;
  n.complete = pos > body && exponentComplete;
  return n;
}

[[noreturn]] void failParse(std::string_view reason, std::string_view text, std::size_t pos) {
  throw CalcError(std::string(reason) + " [" + quoteEndForMessage(text.substr(0, pos)) + "<?>" +
                  quoteForMessage(text.substr(pos)) + "]");
}

class ValueBuilder {
 public:
  ValueBuilder(const std::string& place, std::string_view token, std::int64_t& budget)
      : place_(place), token_(token), budget_(budget) {}

  Rational value(const ExactNumber& n) {
    if (n.mantissa.empty()) return Rational();
    // Written out, the number has its digits and as many zeros as its exponent says.
    const std::int64_t digits =
        static_cast<std::int64_t>(n.mantissa.size()) + std::max<std::int64_t>(n.exponent, 0);
    const std::int64_t written = std::max(digits, -n.exponent);
    if (written > kMaxTypedDigits)
      throw CalcError(place_ + ": the exponent of " + quoteForMessage(token_) +
                      " is too large for exact arithmetic (a number may have at most " +
                      std::to_string(kMaxTypedDigits) + " digits).");
    budget_ += written;
    if (budget_ > kMaxPaneDigits)
      throw CalcError(place_ + ": the numbers up to " + quoteForMessage(token_) +
                      " have more than " + std::to_string(kMaxPaneDigits) +
                      " digits in all, more than exact arithmetic takes.");
    return Rational::fromDecimal((n.negative ? "-" : "") + n.mantissa, n.exponent);
  }

  // A number, or a fraction of two, at pos of text; false when there is none.
  bool readPart(std::string_view text, std::size_t& pos, Rational& out) {
    const ExactNumber n = scanNumber(text, pos);
    if (!n.complete) return false;
    out = value(n);
    pos = n.end;
    if (pos < text.size() && text[pos] == '/') {
      const ExactNumber d = scanNumber(text, pos + 1);
      if (!d.complete) return false;
      const Rational below = value(d);
      if (below.isZero())
        throw CalcError(place_ + ": " + quoteForMessage(token_) + " divides by zero.");
      out /= below;
      pos = d.end;
    }
    return true;
  }

 private:
  const std::string& place_;
  std::string_view token_;
  std::int64_t& budget_;
};

// The complex text parser's grammar and messages, with fractions as numbers.
GaussRational parseCanonical(std::string_view text, ValueBuilder& builder) {
  GaussRational v;
  std::size_t pos = skipSpaces(text, 0);
  if (!builder.readPart(text, pos, v.re)) failParse("Could not parse real portion", text, pos);
  pos = skipSpaces(text, pos);
  if (pos == text.size()) return v;
  if (text[pos] != '+' && text[pos] != '-')
    failParse("Could not parse required '+' (or '-') symbol", text, pos);
  const bool minus = text[pos] == '-';
  pos = skipSpaces(text, pos + 1);
  if (!builder.readPart(text, pos, v.im)) failParse("Could not parse imaginary portion", text, pos);
  if (minus) v.im = -v.im;
  pos = skipSpaces(text, pos);
  if (pos == text.size() || (text[pos] != 'i' && text[pos] != 'I'))
    failParse("Could not parse required 'i' symbol", text, pos);
  pos = skipSpaces(text, pos + 1);
  if (pos != text.size()) failParse("Unexpected characters", text, pos);
  return v;
}

// One real number of a polar element, exactly; the whole text must be the number.
Rational polarPart(std::string_view text, ValueBuilder& builder) {
  const std::string normal = normalizeDecimalSeparator(text);
  std::size_t pos = skipSpaces(normal, 0);
  Rational v;
  if (!builder.readPart(normal, pos, v) || skipSpaces(normal, pos) != normal.size())
    throw CalcError("'" + quoteForMessage(text) + "' is not a valid floating point value");
  return v;
}

void appendPadded(std::string& out, std::string_view text, std::size_t width) {
  out += ' ';
  if (text.size() < width) out.append(width - text.size(), ' ');
  out.append(text);
}

}  // namespace

GaussRational ExactReader::read(std::string_view token, int row, int col) {
  return readAt(
      token, where_ + ", row " + std::to_string(row + 1) + ", column " + std::to_string(col + 1));
}

GaussRational ExactReader::read(std::string_view token) {
  return readAt(token, where_);
}

GaussRational ExactReader::readAt(std::string_view token, const std::string& place) {
  ValueBuilder builder(place, token, digits_);
  const std::size_t open = token.find('('), close = token.find(')');
  if (open != std::string_view::npos && close != std::string_view::npos) {
    const Rational radius = polarPart(token.substr(0, open), builder);
    const std::size_t angleEnd = close > open ? close : open + 1;
    const Rational angle = polarPart(token.substr(open + 1, angleEnd - open - 1), builder);
    const Rational quarter = angle / Rational(90);
    if (!quarter.isInteger())
      throw CalcError(place + ": " + quoteForMessage(token) +
                      " has no exact value: exact arithmetic takes a polar element only at a "
                      "multiple of 90 degrees.");
    // The quarter turn, 0 to 3: the remainder nearest zero, then moved up a full turn.
    Rational turns = quarter - Rational(4) * (quarter / Rational(4)).roundHalfEven();
    if (turns.sign() < 0) turns += Rational(4);
    const int k = turns == Rational(0)   ? 0
                  : turns == Rational(1) ? 1
                  : turns == Rational(2) ? 2
                                         : 3;
    switch (k) {
      case 0:
        return radius;
      case 1:
        return {Rational(), radius};
      case 2:
        return -radius;
      default:
        return {Rational(), -radius};
    }
  }
  // Under exact arithmetic "/" is the fraction bar, also where it is the decimal separator.
  NumberFormat nf = nf_;
  if (nf.decimalSeparator == '/') nf.decimalSeparator = '.';
  const std::string_view canonical = normalizeTokenView(token, nf, scratch_);
  return parseCanonical(canonical, builder);
}

ExactMatrix readExactPane(const Pane& pane, int rows, int cols, std::string_view where,
                          const NumberFormat& nf, bool negate, const CancelFlag* cancel) {
  ExactMatrix m(rows, cols);
  ExactReader reader(std::string(where), nf);
  forEachPaneToken(
      pane, rows, cols,
      [&](int r, int c, std::string_view token) {
        GaussRational v = reader.read(token, r, c);
        m.set(r, c, negate ? -v : v);
      },
      cancel);
  m.dropZeroImaginary();
  return m;
}

std::uint64_t matrixTextSize(const ExactMatrix& m) {
  std::uint64_t total = 0;
  for (int c = 0; c < m.cols(); ++c) {
    std::uint64_t widest = kCellWidth;
    for (int r = 0; r < m.rows(); ++r) {
      const std::uint64_t w = m.at(r, c).textLength();
      widest = std::max(widest, w);
    }
    total += (1 + widest) * static_cast<std::uint64_t>(m.rows());
  }
  return total + static_cast<std::uint64_t>(m.rows());
}

void appendMatrixRows(Pane& out, const ExactMatrix& m, const CancelFlag* cancel) {
  CancelCountdown countdown(cancel);
  std::vector<std::string> texts(m.size());
  std::vector<std::size_t> widths(static_cast<std::size_t>(m.cols()), kCellWidth);
  for (int r = 0; r < m.rows(); ++r)
    for (int c = 0; c < m.cols(); ++c) {
      const GaussRational& v = m.at(r, c);
      countdown.tick(v.textWork());
      std::string& t = texts[static_cast<std::size_t>(r) * static_cast<std::size_t>(m.cols()) +
                             static_cast<std::size_t>(c)];
      v.appendText(t);
      widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)], t.size());
    }
  std::string line;
  for (int r = 0; r < m.rows(); ++r) {
    line.clear();
    countdown.tick(static_cast<std::size_t>(m.cols()));
    for (int c = 0; c < m.cols(); ++c) {
      std::string& t = texts[static_cast<std::size_t>(r) * static_cast<std::size_t>(m.cols()) +
                             static_cast<std::size_t>(c)];
      appendPadded(line, t, widths[static_cast<std::size_t>(c)]);
      std::string().swap(t);
    }
    out.appendToLast(line);
    out.add(std::string());
  }
}

std::string scalarLine(std::string_view text) {
  std::string line = "  ";
  appendPadded(line, text, kCellWidth);
  return line;
}

std::string decimalText(const Rational& q, int significant, char point) {
  if (q.isZero()) return "0";
  const Rational a = q.abs();
  // 10^e <= a < 10^(e+1), from the bit lengths, then checked.
  std::int64_t e = static_cast<std::int64_t>(
      (static_cast<double>(a.numeratorBits()) - static_cast<double>(a.denominatorBits())) *
      0.30102999566398120);
  const auto pow10 = [](std::int64_t k) {
    return k >= 0 ? Rational::fromDecimal("1", static_cast<long>(k))
                  : Rational::fromDecimal("1", static_cast<long>(k));
  };
  while (a < pow10(e)) --e;
  while (!(a < pow10(e + 1))) ++e;
  const std::int64_t shift = significant - 1 - e;
  Rational k = (a * pow10(shift)).roundHalfEven();
  if (!(k < pow10(significant))) {
    ++e;
    k = (a * pow10(shift - 1)).roundHalfEven();
  }
  std::string digits = k.text();
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out(digits.size() + 32, '\0');
  out.resize(writeGeneralDigits(out.data(), q.sign() < 0, digits, static_cast<int>(e), point));
  return out;
}

}  // namespace kelvaro::exact
