#pragma once
// The text of one element: what a user may type for it (token normaliser, complex text
// parser), the standard decimal and integer conversions, and the two printers (number
// formatter, complex formatter). Conversion failures throw CalcError with the message the
// user sees.

#include <cstdint>
#include <string>
#include <string_view>

#include "numbers/element.h"
#include "numbers/extended.h"
#include "numbers/number_format.h"

namespace kelvaro {

// "," and "." arranged so that "." is the decimal point.
std::string normalizeDecimalSeparator(std::string_view s);

// A token as typed (i, -2i, 3-i, 5(30), 1,5) to canonical rectangular text. The polar branch
// prints through the number formatter, so the precision of nf applies to polar input. A
// decimal separator in force other than "." and "," (nf.decimalSeparator, which the printers
// write) is read as "." too.
std::string normalizeToken(std::string_view token, const NumberFormat& nf);
// The same without building a string when the token is already canonical: returns the token
// itself, a constant, or a view of scratch (valid until scratch changes).
std::string_view normalizeTokenView(std::string_view token, const NumberFormat& nf,
                                    std::string& scratch);

// Canonical text to a complex value; failures: "<reason> [<consumed><?><rest>]".
Element parseComplexText(std::string_view text);
// The same without an exception: false when the text is not canonical complex text.
bool tryParseComplexText(std::string_view text, Element& value);
// The complex text parser for the plainest texts only ("-12.375", "-12.375+0.5i": no
// spaces, no exponent, up to 19 digits a number): false for any other text, which the
// parser itself must then read. Where it reads a value, it is the parser's value.
bool readPlainComplexText(std::string_view text, Element& value);

// The element parser: normaliser, then complex text parser. Always gives a complex element.
Element parseElement(std::string_view token, const NumberFormat& nf);

// The element parser for many tokens in a row: keeps its scratch text between calls, so
// reading a pane allocates nothing per token.
class ElementParser {
 public:
  explicit ElementParser(const NumberFormat& nf) : nf_(nf) {}
  Element operator()(std::string_view token) {
    // A token the complex text parser accepts as it stands is one the normaliser leaves
    // unchanged: it rewrites only tokens with parentheses or commas and tokens whose "i"
    // does not end a signed second number, and the parser accepts none of those. So most
    // tokens are read without normalising.
    Element value;
    if (readPlainComplexText(token, value) || tryParseComplexText(token, value)) return value;
    return parseComplexText(normalizeTokenView(token, nf_, scratch_));
  }

 private:
  NumberFormat nf_;
  std::string scratch_;
};

// The standard decimal conversion: optional spaces around, optional sign, digits with at most
// one decimal separator and at least one digit, optional exponent; the value must be a
// finite double. Returns false when the text is not such a number.
bool parseDecimal(std::string_view text, char separator, double& value);
// As parseDecimal; a text that is not a number throws
// "'<text>' is not a valid floating point value".
double textToFloat(std::string_view text, char separator);
// Optional sign and digits only, within 32 bits; otherwise throws
// "'<text>' is not a valid integer value".
std::int32_t textToInteger(std::string_view text);

// The number formatter fmt(x) at the precision of nf (rounded general form, or "%1.4e" with
// three exponent digits when precScale is 0).
std::string formatNumber(Extended x, const NumberFormat& nf);
void appendNumber(std::string& out, Extended x, const NumberFormat& nf);

// The shortest general form: at most 15 significant digits, no rounding to the precision.
std::string formatGeneral(Extended x, char decimalSeparator);
void appendGeneral(std::string& out, Extended x, char decimalSeparator);
// The notation of the general form for a value already rounded: digits (no trailing zeros,
// at least one) whose first stands for 10^exponent. Writes to dst, which takes
// digits.size() + 30 bytes, and returns the length.
std::size_t writeGeneralDigits(char* dst, bool negative, std::string_view digits, int exponent,
                               char decimalSeparator);

// The complex formatter, in the display format of nf. A non-complex element prints as
// fmt of its value.
std::string formatComplex(const Element& e, const NumberFormat& nf);
void appendComplex(std::string& out, const Element& e, const NumberFormat& nf);

// The number and complex formatters for printing many values at one precision: the
// precision is looked at once, and a whole number of decimals prints through direct paths
// that give the same text as the definition.
class NumberPrinter {
 public:
  explicit NumberPrinter(const NumberFormat& nf);
  const NumberFormat& format() const { return nf_; }
  void appendNumber(std::string& out, Extended x) const;
  // fmt(x) with a "+" in front unless the text starts with "-": the imaginary part after
  // a real part. The sign is taken from the text, so a part that rounds to 0 keeps its "+".
  void appendSigned(std::string& out, Extended x) const;
  void appendComplex(std::string& out, const Element& e) const;

  // The longest text fmt can give, and the longest text of an element.
  static constexpr std::size_t kMaxNumberText = 48;
  static constexpr std::size_t kMaxElementText = 2 * kMaxNumberText + 4;
  // Writes the complex formatter's text of e to dst (room for kMaxElementText characters),
  // or with realOnly fmt of its real part; returns the length.
  std::size_t writeElement(char* dst, const Element& e, bool realOnly = false) const;

 private:
  // Each writes to dst (room for kMaxNumberText characters, one more for writeSigned) and
  // returns the length.
  std::size_t writeNumber(char* dst, Extended x) const;
  std::size_t writeDouble(char* dst, double x) const;  // fmt(x), without going through x87
  std::size_t writeSigned(char* dst, double x) const;
  std::size_t writeRounded(char* dst, long long k) const;  // k / PrecScale
  std::size_t writeRectangular(char* dst, double re, double im) const;

  NumberFormat nf_;
  // For a whole number p of decimals (precScale exactly 10^p, p up to 8): p, and the
  // writer of k / 10^p. Otherwise -1 and nullptr.
  int decimals_ = -1;
  std::size_t (*fixed_)(char*, long long, char) = nullptr;
};

}  // namespace kelvaro
