#pragma once
// Exact values as typed and as printed. A pane's token is read as the value it shows: 0.1 is
// 1/10, 2.5e-3 is 1/400, 2/3 and -5/7+1/2i are fractions, and a polar element whose angle is
// a multiple of 90 degrees is 5, 5i, -5 or -5i. Results print as integers, fractions p/q and
// a+bi, each column right-aligned to its widest entry.

#include <cstdint>
#include <string>
#include <string_view>

#include "exact/exact_matrix.h"
#include "numbers/cancel_flag.h"
#include "numbers/number_format.h"
#include "numbers/pane.h"

namespace kelvaro::exact {

// The most digits one typed number may have written out (its exponent included): 1e-999999999
// would be a denominator of a billion digits.
inline constexpr std::int64_t kMaxTypedDigits = std::int64_t{1} << 20;
// The most digits all the numbers of one pane may have together.
inline constexpr std::int64_t kMaxPaneDigits = std::int64_t{1} << 26;

// Reads tokens as exact values. `where` names the place in messages ("Matrix A"); each
// value read counts against the pane's budget of digits. Errors are CalcError: the element
// parser's messages for text that is no number, and messages naming the row and column for a
// polar angle that is not a multiple of 90 degrees, a zero denominator or too many digits.
class ExactReader {
 public:
  ExactReader(std::string where, const NumberFormat& nf) : where_(std::move(where)), nf_(nf) {}
  GaussRational read(std::string_view token, int row, int col);
  // The coefficient field and other single values: no row and column in messages.
  GaussRational read(std::string_view token);

 private:
  GaussRational readAt(std::string_view token, const std::string& place);

  std::string where_;
  NumberFormat nf_;
  std::int64_t digits_ = 0;
  std::string scratch_;
};

// rows x cols of the pane's tokens (row r the r-th non-blank line), missing ones 0; negated
// for A-B.
ExactMatrix readExactPane(const Pane& pane, int rows, int cols, std::string_view where,
                          const NumberFormat& nf, bool negate = false,
                          const CancelFlag* cancel = nullptr);

// How many characters the matrix's rows take as appendMatrixRows prints them (at most; a
// few more per entry than the exact count).
std::uint64_t matrixTextSize(const ExactMatrix& m);

// Appends the rows as the result writer lays out a matrix: the first row goes on the last
// line of out, an empty line follows each row. Every cell is a blank and the entry right-
// aligned to the widest entry of its column (at least ten characters).
void appendMatrixRows(Pane& out, const ExactMatrix& m, const CancelFlag* cancel = nullptr);

// "   " and the value right-aligned in ten characters, as a scalar result prints.
std::string scalarLine(std::string_view text);

// The decimal digits of q rounded to `significant` digits (halves to even), in the general
// form of the number formatter: "3.14159265358979", "1.5E-7"; for the decimals after exact
// results. The decimal point is `point`.
std::string decimalText(const Rational& q, int significant, char point);

}  // namespace kelvaro::exact
