#include "numbers/notation_text.h"

#include <vector>

#include "numbers/calc_error.h"
#include "numbers/element.h"
#include "numbers/element_text.h"
#include "numbers/matrix_text.h"
#include "numbers/pane_text.h"

namespace kelvaro {

std::string polarTokenToRect(std::string_view token, const NumberFormat& nf) {
  const std::size_t open = token.find('(');
  const std::size_t close = token.find(')');
  if (open == std::string_view::npos || close == std::string_view::npos) return std::string(token);
  const std::string_view radiusText = token.substr(0, open);
  // A ")" before the "(" leaves no angle text at all.
  const std::string_view angleText =
      close > open ? token.substr(open + 1, close - open - 1) : std::string_view();
  const double radius = textToFloat(radiusText, nf.decimalSeparator);
  const double degrees = textToFloat(angleText, nf.decimalSeparator);
  return formatComplex(fromPolar(radius, degrees / kDegreesPerRadian), nf);
}

std::string rectTokenToPolar(std::string_view token, const NumberFormat& nf) {
  if (token.find('i') == std::string_view::npos) return std::string(token);
  const Element value = parseComplexText(normalizeToken(token, nf));
  const Polar p = toPolar(value.re(), value.im());
  const double degrees = p.angle * kDegreesPerRadian;
  std::string out = formatNumber(p.radius, nf);
  out.push_back('(');
  appendNumber(out, degrees, nf);
  out.push_back(')');
  return out;
}

std::string convertToken(std::string_view token, DisplayFormat to, const NumberFormat& nf) {
  return to == DisplayFormat::Polar ? rectTokenToPolar(token, nf) : polarTokenToRect(token, nf);
}

ConvertedSize convertPane(Pane& pane, DisplayFormat to, const NumberFormat& nf, Pane& result,
                          const CancelFlag* cancel) {
  CancelCountdown countdown(cancel);
  ConvertedSize size;
  size.rows = rowCount(pane);
  size.cols = columnCount(pane, result, cancel);
  std::string text;
  for (const std::size_t line : rowLines(pane)) {
    // A token that only quotes keep whole is written back in quotes.
    TokenCursor cursor(pane.line(line));
    std::string_view token;
    while (cursor.next(token)) {
      countdown.tick();
      appendWritten(text, convertToken(token, to, nf));
      text += "  ";
      // Converted text may be longer than the token: no more than an aligned pane may hold.
      if (text.size() > kMaxAlignedCharacters) {
        throw CalcError("Cannot convert the pane: it would hold more than " +
                        std::to_string(kMaxAlignedCharacters) + " characters.");
      }
    }
    text.push_back('\r');
  }
  pane.clear();
  pane.addBlock(text);
  return size;
}

}  // namespace kelvaro
