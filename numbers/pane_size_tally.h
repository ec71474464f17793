#pragma once
// The size of the matrix a pane holds, counted as the commands count it (rows: the non-blank
// lines; columns: the most tokens on one line) and kept up to date line by line while the
// pane is edited: a keystroke in a large pane recounts the lines it touched, not the pane.

#include <cstddef>
#include <map>
#include <string_view>
#include <vector>

namespace kelvaro {

class PaneSizeTally {
 public:
  // Lines [first, end) give way to `count` new lines, blank until set with setLine.
  void replaceLines(std::size_t first, std::size_t end, std::size_t count);
  void setLine(std::size_t line, std::string_view text);
  // The same for a line of UTF-16 text (a character above 255 is a letter, as '?', which it
  // becomes in one byte).
  void setLine(std::size_t line, std::u16string_view text);

  std::size_t lineCount() const { return tokens_.size(); }
  int rows() const { return static_cast<int>(rows_); }
  int columns() const { return lengths_.empty() ? 0 : lengths_.rbegin()->first; }
  // Some rows are shorter than others: a command fills them up with zeros.
  bool incomplete() const { return lengths_.size() > 1; }

 private:
  void count(int tokens, int by);

  // Each line's tokens; kBlank for a line that is no row.
  static constexpr int kBlank = -1;
  std::vector<int> tokens_;
  std::size_t rows_ = 0;
  // How many rows have each number of tokens (rows with none are not in it).
  std::map<int, std::size_t> lengths_;
};

}  // namespace kelvaro
