#pragma once
// Rewriting element text between rectangular notation (a+bi) and polar notation
// (radius(degrees)): one token, or every row of a pane.

#include <string>
#include <string_view>

#include "numbers/cancel_flag.h"
#include "numbers/number_format.h"
#include "numbers/pane.h"

namespace kelvaro {

// A token with "(" and ")" is read as radius(degrees) and written by the complex formatter, so
// in the display format of nf; any other token stays as it is. A radius or angle that is not
// a number throws "'<text>' is not a valid floating point value".
std::string polarTokenToRect(std::string_view token, const NumberFormat& nf);

// A token with "i" is read as a complex number and written as fmt(radius)(fmt(degrees)); any
// other token (a real number, or one already polar) stays as it is. A token that cannot be
// read throws the parser's conversion error.
std::string rectTokenToPolar(std::string_view token, const NumberFormat& nf);

// The conversion of one token into the given notation.
std::string convertToken(std::string_view token, DisplayFormat to, const NumberFormat& nf);

struct ConvertedSize {
  int rows = 0;
  int cols = 0;
};

// Rebuilds pane from its rows (its non-blank lines): every token converted and followed by two
// blanks, every row one line, then one empty line (a pane without rows becomes one empty
// line). Counting the columns may append the incomplete-matrix warning to result. The pane is
// replaced only once all of it converted; a conversion error, or a text beyond what an aligned
// pane may hold (kMaxAlignedCharacters), leaves it as it was.
ConvertedSize convertPane(Pane& pane, DisplayFormat to, const NumberFormat& nf, Pane& result,
                          const CancelFlag* cancel = nullptr);

}  // namespace kelvaro
