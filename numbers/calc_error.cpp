#include "numbers/calc_error.h"

#include <algorithm>

namespace kelvaro {

namespace {

void appendShown(std::string& out, std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += c == '\t' ? ' ' : byte < 32 ? '?' : c;
  }
}

// A cut never falls inside a UTF-8 character: its continuation bytes are 10xxxxxx.
bool insideCharacter(std::string_view text, std::size_t at) {
  return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

}  // namespace

std::string quoteForMessage(std::string_view text, std::size_t limit) {
  std::size_t cut = std::min(limit, text.size());
  while (cut > 0 && insideCharacter(text, cut)) --cut;
  std::string out;
  appendShown(out, text.substr(0, cut));
  if (text.size() > limit) out += "...";
  return out;
}

std::string quoteEndForMessage(std::string_view text, std::size_t limit) {
  std::string out;
  if (text.size() > limit) {
    out = "...";
    std::size_t start = text.size() - limit;
    while (insideCharacter(text, start)) ++start;
    text.remove_prefix(start);
  }
  appendShown(out, text);
  return out;
}

}  // namespace kelvaro
