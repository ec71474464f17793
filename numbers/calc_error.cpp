#include "numbers/calc_error.h"

namespace kelvaro {

namespace {

void appendShown(std::string& out, std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += c == '\t' ? ' ' : byte < 32 ? '?' : c;
  }
}

}  // namespace

std::string quoteForMessage(std::string_view text, std::size_t limit) {
  std::string out;
  appendShown(out, text.substr(0, limit));
  if (text.size() > limit) out += "...";
  return out;
}

std::string quoteEndForMessage(std::string_view text, std::size_t limit) {
  std::string out;
  if (text.size() > limit) {
    out = "...";
    text.remove_prefix(text.size() - limit);
  }
  appendShown(out, text);
  return out;
}

}  // namespace kelvaro
