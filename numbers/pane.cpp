#include "numbers/pane.h"

#include <algorithm>
#include <utility>

namespace kelvaro {

void Pane::touched(std::size_t line) {
  if (change_.rewritten) return;
  change_.firstLine =
      change_.firstLine == std::string::npos ? line : std::min(change_.firstLine, line);
}

void Pane::add(std::string line) {
  touched(lines_.size());
  lines_.push_back(std::move(line));
}

void Pane::appendToLast(std::string_view text) {
  if (lines_.empty()) {
    add(std::string(text));
    return;
  }
  touched(lines_.size() - 1);
  lines_.back().append(text);
}

void Pane::setLine(std::size_t i, std::string line) {
  touched(i);
  lines_[i] = std::move(line);
}

void Pane::addBlock(std::string_view block) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const char c = block[i];
    if (c != '\r' && c != '\n') continue;
    add(std::string(block.substr(start, i - start)));
    if (c == '\r' && i + 1 < block.size() && block[i + 1] == '\n') ++i;
    start = i + 1;
  }
  add(std::string(block.substr(start)));
}

void Pane::clear() {
  lines_.clear();
  change_.rewritten = true;
}

void Pane::setLines(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  change_.rewritten = true;
}

std::string Pane::text() const {
  std::size_t size = 0;
  for (const auto& l : lines_) size += l.size() + 1;
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i) out.push_back('\n');
    out.append(lines_[i]);
  }
  return out;
}

Pane::Change Pane::takeChange() {
  return std::exchange(change_, Change{});
}

}  // namespace kelvaro
