#pragma once
// A text pane (Matrix A, Matrix B, Result) as the calculator sees it: a list of single-byte
// lines. The pane remembers what changed since a window last showed it, so the window can
// append new result lines instead of rebuilding a large pane.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro {

class Pane {
 public:
  // What changed since the last takeChange(): either the whole pane, or the lines from
  // firstLine to the end (changed or added); nothing when !rewritten && firstLine == npos.
  struct Change {
    bool rewritten = false;
    std::size_t firstLine = std::string::npos;
    bool any() const { return rewritten || firstLine != std::string::npos; }
  };

  const std::vector<std::string>& lines() const { return lines_; }
  std::size_t lineCount() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  const std::string& line(std::size_t i) const { return lines_[i]; }

  // Adds one line at the end.
  void add(std::string line);
  // Appends text to the last line (to a new line when the pane has none).
  void appendToLast(std::string_view text);
  // Replaces line i.
  void setLine(std::size_t i, std::string line);
  // Adds a block of text: every CR, LF or CRLF ends a line, and the text after the last
  // break is one more line (so a block ending in a break leaves an empty last line, and an
  // empty block adds one empty line).
  void addBlock(std::string_view block);
  void clear();
  void setLines(std::vector<std::string> lines);
  // The lines joined with LF, as a window shows them.
  std::string text() const;

  Change takeChange();

 private:
  void touched(std::size_t line);

  std::vector<std::string> lines_;
  Change change_;
};

}  // namespace kelvaro
