#include "numbers/pane_text.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "numbers/matrix_text.h"

namespace kelvaro {

namespace {

// A token that the tokenizer would split, drop or unquote differently keeps its quotes, so
// that aligning never changes what a pane reads as.
bool needsQuotes(std::string_view token) {
  return token.empty() || token.front() == '"' ||
         std::any_of(token.begin(), token.end(), isSeparatorChar);
}

std::size_t writtenLength(std::string_view token) {
  if (!needsQuotes(token)) return token.size();
  return token.size() + 2 + static_cast<std::size_t>(std::count(token.begin(), token.end(), '"'));
}

void appendWritten(std::string& out, std::string_view token) {
  if (!needsQuotes(token)) {
    out.append(token);
    return;
  }
  out += '"';
  for (char c : token) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::size_t widestToken(std::string_view line) {
  std::size_t widest = 0;
  TokenCursor cursor(line);
  std::string_view token;
  while (cursor.next(token)) widest = std::max(widest, writtenLength(token));
  return widest;
}

std::string paddedLine(std::string_view line, std::size_t width) {
  std::string out;
  TokenCursor cursor(line);
  std::string_view token;
  while (cursor.next(token)) {
    const std::size_t start = out.size();
    appendWritten(out, token);
    const std::size_t written = out.size() - start;
    if (written < width + 2) out.append(width + 2 - written, ' ');
  }
  return out;
}

void alignPane(Pane& pane) {
  std::size_t width = 0;
  for (const std::string& line : pane.lines()) width = std::max(width, widestToken(line));
  std::vector<std::string> aligned;
  aligned.reserve(pane.lineCount());
  for (const std::string& line : pane.lines()) {
    if (!line.empty()) aligned.push_back(paddedLine(line, width));
  }
  pane.setLines(std::move(aligned));
}

void replaceCharacter(Pane& pane, char from, char to) {
  if (from == to) return;
  for (std::size_t i = 0; i < pane.lineCount(); ++i) {
    const std::string& line = pane.line(i);
    if (line.find(from) == std::string::npos) continue;
    std::string changed = line;
    std::replace(changed.begin(), changed.end(), from, to);
    pane.setLine(i, std::move(changed));
  }
}

}  // namespace kelvaro
