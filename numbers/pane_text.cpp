#include "numbers/pane_text.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "numbers/calc_error.h"
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

// Most lines hold no quote at all: their tokens are the plain runs between separators,
// none needs quotes, and one pass over the characters is enough.
bool hasQuote(std::string_view line) {
  return line.find('"') != std::string_view::npos;
}

// Calls f(token) for each run of non-separator characters.
template <class F>
void forEachPlainToken(std::string_view line, F&& f) {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end) {
    p = text_scan::skipSeparators(p, end);
    if (p == end) break;
    const char* const start = p;
    p = text_scan::skipToken(p, end);
    f(std::string_view(start, static_cast<std::size_t>(p - start)));
  }
}

}  // namespace

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

void alignPane(Pane& pane, const CancelFlag* cancel) {
  pane.setLines(alignedLines(pane, cancel));
}

std::vector<std::string> alignedLines(const Pane& pane, const CancelFlag* cancel) {
  CancelCountdown countdown(cancel);
  // A plain line remembers its token count: once the width is known, each of its tokens
  // fills exactly width + 2 characters, so the padded line is laid out in place.
  constexpr std::size_t kQuoted = static_cast<std::size_t>(-1);
  const std::vector<std::string>& lines = pane.lines();
  std::vector<std::size_t> plainTokens(lines.size(), kQuoted);
  std::size_t width = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    countdown.tick();
    if (hasQuote(lines[i])) {
      width = std::max(width, widestToken(lines[i]));
      continue;
    }
    std::size_t count = 0;
    forEachPlainToken(lines[i], [&](std::string_view token) {
      ++count;
      width = std::max(width, token.size());
    });
    plainTokens[i] = count;
    countdown.tick(count);
  }

  // Every token takes the same cell, so the size of the result is known before it is built.
  const std::size_t cell = width + 2;
  std::size_t tokenTotal = 0;
  for (std::size_t i = 0; i < lines.size(); ++i)
    tokenTotal += plainTokens[i] == kQuoted ? tokenCount(lines[i]) : plainTokens[i];
  if (tokenTotal > kMaxAlignedCharacters / cell) {
    throw CalcError("Cannot align the pane: its " + std::to_string(tokenTotal) +
                    " elements in columns of " + std::to_string(cell) +
                    " characters would take more than " + std::to_string(kMaxAlignedCharacters) +
                    " characters.");
  }
  std::vector<std::string> aligned;
  aligned.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    countdown.tick(plainTokens[i] == kQuoted ? 1 : plainTokens[i] + 1);
    if (lines[i].empty()) continue;
    if (plainTokens[i] == kQuoted) {
      aligned.push_back(paddedLine(lines[i], width));
      continue;
    }
    std::string out(plainTokens[i] * cell, ' ');
    char* slot = out.data();
    forEachPlainToken(lines[i], [&](std::string_view token) {
      std::memcpy(slot, token.data(), token.size());
      slot += cell;
    });
    aligned.push_back(std::move(out));
  }
  return aligned;
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
