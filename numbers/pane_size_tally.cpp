#include "numbers/pane_size_tally.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "numbers/matrix_text.h"

namespace kelvaro {

void PaneSizeTally::count(int tokens, int by) {
  if (tokens == kBlank) return;
  rows_ += static_cast<std::size_t>(by);
  if (tokens == 0) return;
  std::size_t& rowsOfLength = lengths_[tokens];
  rowsOfLength += static_cast<std::size_t>(by);
  if (rowsOfLength == 0) lengths_.erase(tokens);
}

void PaneSizeTally::replaceLines(std::size_t first, std::size_t end, std::size_t count) {
  end = std::min(end, tokens_.size());
  first = std::min(first, end);
  const auto from = tokens_.begin() + static_cast<std::ptrdiff_t>(first);
  const auto to = tokens_.begin() + static_cast<std::ptrdiff_t>(end);
  std::for_each(from, to, [this](int tokens) { this->count(tokens, -1); });
  // Lines that stay keep their place when the count stays, as while typing within a line.
  const std::size_t kept = std::min(end - first, count);
  std::fill_n(from, kept, kBlank);
  if (end - first > kept)
    tokens_.erase(from + static_cast<std::ptrdiff_t>(kept), to);
  else
    tokens_.insert(to, count - kept, kBlank);
}

void PaneSizeTally::setLine(std::size_t line, std::string_view text) {
  if (line >= tokens_.size()) return;
  int& tokens = tokens_[line];
  count(tokens, -1);
  tokens = isBlankLine(text) ? kBlank : static_cast<int>(tokenCount(text));
  count(tokens, +1);
}

void PaneSizeTally::setLine(std::size_t line, std::u16string_view text) {
  // Most lines hold no quote: their tokens are the runs of characters above 32, each starting
  // where a separator (or the line's start) is followed by one. Counted in one pass without a
  // copy, in a loop the compiler can vectorise. A quote takes the commands' own way.
  const char16_t* c = text.data();
  const std::size_t n = text.size();
  unsigned found = n > 0 && c[0] > 32, quotes = n > 0 && c[0] == u'"';
  for (std::size_t i = 1; i < n; ++i) {
    found += (c[i] > 32) & (c[i - 1] <= 32);
    quotes |= c[i] == u'"';
  }
  if (quotes) {
    std::string bytes(n, '?');
    for (std::size_t i = 0; i < n; ++i)
      if (c[i] < 256) bytes[i] = static_cast<char>(c[i]);
    return setLine(line, bytes);
  }
  if (line >= tokens_.size()) return;
  int& tokens = tokens_[line];
  count(tokens, -1);
  tokens = found == 0 ? kBlank : static_cast<int>(found);
  count(tokens, +1);
}

}  // namespace kelvaro
