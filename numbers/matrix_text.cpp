#include "numbers/matrix_text.h"

#include <algorithm>

#include "numbers/element_text.h"

namespace kelvaro {

bool isBlankLine(std::string_view line) {
  return std::all_of(line.begin(), line.end(), isSeparatorChar);
}

// At the opening quote of a quoted token.
bool TokenCursor::nextQuoted(std::string_view& token) {
  const std::size_t size = line_.size();
  const std::size_t start = ++pos_;
  std::size_t quote = line_.find('"', start);
  if (quote == std::string_view::npos) {  // unclosed: the rest of the line
    pos_ = size;
    token = line_.substr(start);
    return true;
  }
  if (quote + 1 >= size || line_[quote + 1] != '"') {  // no doubled quote: a plain view
    pos_ = quote + 1;
    token = line_.substr(start, quote - start);
    return true;
  }
  unquoted_.clear();
  std::size_t from = start;
  while (quote != std::string_view::npos && quote + 1 < size && line_[quote + 1] == '"') {
    unquoted_.append(line_.substr(from, quote + 1 - from));  // keeps one of the two quotes
    from = quote + 2;
    quote = line_.find('"', from);
  }
  if (quote == std::string_view::npos) {
    unquoted_.append(line_.substr(from));
    pos_ = size;
  } else {
    unquoted_.append(line_.substr(from, quote - from));
    pos_ = quote + 1;
  }
  token = unquoted_;
  return true;
}

std::vector<std::string> tokens(std::string_view line) {
  std::vector<std::string> out;
  TokenCursor cursor(line);
  std::string_view token;
  while (cursor.next(token)) out.emplace_back(token);
  return out;
}

std::size_t tokenCount(std::string_view line) {
  TokenCursor cursor(line);
  std::string_view token;
  std::size_t n = 0;
  while (cursor.next(token)) ++n;
  return n;
}

int rowCount(const Pane& pane) {
  return static_cast<int>(std::count_if(pane.lines().begin(), pane.lines().end(),
                                        [](const std::string& l) { return !isBlankLine(l); }));
}

int columnCount(const Pane& pane, Pane& result, const CancelFlag* cancel) {
  CancelCountdown countdown(cancel);
  std::size_t max = 0;
  std::size_t prev = 0;
  int mismatches = 0;
  for (const std::string& line : pane.lines()) {
    // An empty line is passed over; a line of blanks counts 0 and breaks the comparison.
    if (line.empty()) continue;
    const std::size_t n = tokenCount(line);
    countdown.tick(n + 1);
    max = std::max(max, n);
    if (n != 0 && prev != 0 && n != prev) ++mismatches;
    prev = n;
  }
  if (mismatches >= 1) result.add(std::string(kIncompleteMatrixWarning));
  return static_cast<int>(max);
}

std::vector<std::size_t> rowLines(const Pane& pane) {
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < pane.lineCount(); ++i) {
    if (!isBlankLine(pane.line(i))) rows.push_back(i);
  }
  return rows;
}

void readPane(const Pane& pane, int rows, int cols, RCOMat& reg, const NumberFormat& nf,
              ElementReading reading, const CancelFlag* cancel) {
  CancelCountdown countdown(cancel);
  // Every element is written once: read, or zero where a row is short. The register is
  // not zeroed first, which would write the whole matrix twice.
  reg.resizeForOverwrite(rows, cols, cancel);
  rows = reg.rows();
  cols = reg.cols();
  const Element zero = Element::complex(0.0, 0.0);
  ElementParser parse(nf);
  const bool negate = reading == ElementReading::Negated;
  int r = 0;
  int c = 0;
  try {
    for (const std::string& line : pane.lines()) {
      if (r >= rows) break;
      if (isBlankLine(line)) continue;
      Element* row = reg[r];
      TokenCursor cursor(line);
      std::string_view token;
      for (c = 0; c < cols && cursor.next(token); ++c) {
        countdown.tick();
        const Element e = parse(token);
        row[c] = negate ? -e : e;
      }
      std::fill(row + c, row + cols, zero);
      ++r;
      c = 0;
    }
  } catch (...) {
    // What was read stays; everything after it is zero.
    std::fill(reg[r] + c, reg.elements().data() + reg.elements().size(), zero);
    throw;
  }
  std::fill(reg[r], reg.elements().data() + reg.elements().size(), zero);
}

}  // namespace kelvaro
