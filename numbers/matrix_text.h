#pragma once
// The matrix text of a pane: which lines are rows, how a line is cut into tokens, the row
// and column counts, and the reading loop that fills a register from a pane.
//
// Row r of a pane is its r-th non-blank line (blank: empty, or only characters 1 to 32).

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "numbers/cancel_flag.h"
#include "numbers/number_format.h"
#include "numbers/pane.h"
#include "numbers/rcomat.h"

namespace kelvaro {

inline constexpr std::string_view kIncompleteMatrixWarning =
    "Warning : Matrix is incomplete, and the null elements will be replaced by zeros.";

// True when the character separates tokens (codes 1 to 32; a NUL is taken as one too).
inline bool isSeparatorChar(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// True when the line is empty or holds only characters with codes 1 to 32.
bool isBlankLine(std::string_view line);

namespace text_scan {

// Eight characters as one word, the first in the lowest byte.
inline std::uint64_t wordAt(const char* p) {
  std::uint64_t x;
  static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");
  std::memcpy(&x, p, sizeof x);
  return x;
}

// The top bit of each byte of x that is no separator (above 32): its low seven bits plus
// 95 carry into the top bit exactly when they exceed 32, never into the next byte, and a
// byte from 128 up has the top bit already.
inline std::uint64_t tokenBytes(std::uint64_t x) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  return (((x & kOnes * 0x7F) + kOnes * 95) | x) & kOnes * 0x80;
}

// The first character at or after p (before end) that is no separator, or end; and the
// first that is one. Eight characters at a time while eight remain, after a look at the
// first for the single blank between the tokens of text as typed.
inline const char* skipSeparators(const char* p, const char* end) {
  if (p == end || !isSeparatorChar(*p) || ++p == end || !isSeparatorChar(*p)) return p;
  for (; end - p >= 8; p += 8)
    if (const std::uint64_t marked = tokenBytes(wordAt(p)))
      return p + (std::countr_zero(marked) >> 3);
  while (p != end && isSeparatorChar(*p)) ++p;
  return p;
}
inline const char* skipToken(const char* p, const char* end) {
  constexpr std::uint64_t kTops = 0x8080808080808080u;
  for (; end - p >= 8; p += 8)
    if (const std::uint64_t marked = ~tokenBytes(wordAt(p)) & kTops)
      return p + (std::countr_zero(marked) >> 3);
  while (p != end && !isSeparatorChar(*p)) ++p;
  return p;
}

}  // namespace text_scan

// Walks the tokens of one line without allocating: characters 1 to 32 separate tokens; a
// token that begins with a double quote runs to the closing quote ("" inside stands for one
// quote, an unclosed quote runs to the end of the line) and the next token starts right
// after the closing quote. Only a quoted token with doubled quotes is built, in the cursor's
// own buffer; every other token is a view of the line.
class TokenCursor {
 public:
  explicit TokenCursor(std::string_view line) : line_(line) {}
  // The next token (valid until the next call), or false at the end of the line.
  bool next(std::string_view& token) {
    const char* const text = line_.data();
    const char* const end = text + line_.size();
    const char* const start = text_scan::skipSeparators(text + pos_, end);
    pos_ = static_cast<std::size_t>(start - text);
    if (start == end || *start == '"') return start != end && nextQuoted(token);
    const char* const stop = text_scan::skipToken(start, end);
    pos_ = static_cast<std::size_t>(stop - text);
    token = std::string_view(start, static_cast<std::size_t>(stop - start));
    return true;
  }

 private:
  bool nextQuoted(std::string_view& token);

  std::string_view line_;
  std::size_t pos_ = 0;
  std::string unquoted_;
};

// The tokens of one line, in order.
std::vector<std::string> tokens(std::string_view line);
std::size_t tokenCount(std::string_view line);

// Number of non-blank lines.
int rowCount(const Pane& pane);
// Largest token count of any line; appends the incomplete-matrix warning to result when
// neighbouring non-empty lines differ.
int columnCount(const Pane& pane, Pane& result, const CancelFlag* cancel = nullptr);

// Indexes of the non-blank lines, in order: rowLines(p)[r] is the line of row r.
std::vector<std::size_t> rowLines(const Pane& pane);

// Calls f(row, col, token) for the tokens of rows 0 to rows-1 (row r being the r-th
// non-blank line), columns below cols, in reading order. Commands that convert tokens their
// own way walk a pane with this. An f that returns bool ends the walk by returning false.
template <class F>
void forEachPaneToken(const Pane& pane, int rows, int cols, F&& f,
                      const CancelFlag* cancel = nullptr) {
  CancelCountdown countdown(cancel);
  int r = 0;
  for (const std::string& line : pane.lines()) {
    if (r >= rows) break;
    if (isBlankLine(line)) continue;
    TokenCursor cursor(line);
    std::string_view token;
    for (int c = 0; c < cols && cursor.next(token); ++c) {
      countdown.tick();
      if constexpr (std::is_same_v<std::invoke_result_t<F&, int, int, std::string_view>, bool>) {
        if (!f(r, c, token)) return;
      } else {
        f(r, c, token);
      }
    }
    ++r;
  }
}

// The reading loop: reg := rows x cols complex zeros, then row r (the r-th non-blank line),
// token c goes to reg[r][c] through the element parser (negated for A-B). The first
// conversion error propagates; what was read so far stays.
enum class ElementReading { Plain, Negated };
void readPane(const Pane& pane, int rows, int cols, RCOMat& reg, const NumberFormat& nf,
              ElementReading reading = ElementReading::Plain, const CancelFlag* cancel = nullptr);

}  // namespace kelvaro
