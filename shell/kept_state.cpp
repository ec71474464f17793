#include "shell/kept_state.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace kelvaro::shell {

namespace {

constexpr std::string_view kHeader = "kelvaro window state 1\n";
constexpr std::string_view kEnd = "end ";
constexpr std::size_t kHashDigits = 16;
// Nothing the window shows is near this size; a larger count is damage.
constexpr std::size_t kLargestRecord = std::size_t{1} << 32;
constexpr int kLargestCoordinate = 1 << 20;
constexpr std::string_view kPaneKeys[3] = {"pane-a", "pane-b", "result"};

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

void record(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append(" ").append(std::to_string(value.size())).append("\n");
  out.append(value).append("\n");
}

template <class Int>
bool number(std::string_view text, Int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

// "X Y WIDTH HEIGHT normal|maximized"
bool readGeometry(std::string_view text, KeptState& state) {
  int values[4];
  for (int& v : values) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos || !number(text.substr(0, blank), v) ||
        v < -kLargestCoordinate || v > kLargestCoordinate)
      return false;
    text.remove_prefix(blank + 1);
  }
  if (values[2] <= 0 || values[3] <= 0 || (text != "normal" && text != "maximized")) return false;
  state.x = values[0];
  state.y = values[1];
  state.width = values[2];
  state.height = values[3];
  state.maximized = text == "maximized";
  return true;
}

}  // namespace

std::string writeKeptState(const KeptState& state) {
  std::string out(kHeader);
  if (state.width > 0)
    record(out, "geometry",
           std::to_string(state.x) + " " + std::to_string(state.y) + " " +
               std::to_string(state.width) + " " + std::to_string(state.height) +
               (state.maximized ? " maximized" : " normal"));
  record(out, "format", state.polar ? "polar" : "rect");
  record(out, "coef", state.coef);
  record(out, "row", state.row);
  record(out, "column", state.column);
  record(out, "precision", state.precision);
  for (const std::string& path : state.recent) record(out, "recent", path);
  for (int i = 0; i < 3; ++i) record(out, kPaneKeys[i], state.panes[i]);
  char hash[kHashDigits + 1];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(out)));
  out.append(kEnd).append(hash).append("\n");
  return out;
}

std::optional<KeptState> readKeptState(std::string_view text) {
  // The end line first: without it, or with another hash, nothing below is trusted.
  const std::size_t endLine = kEnd.size() + kHashDigits + 1;
  if (text.size() < kHeader.size() + endLine || !text.starts_with(kHeader) || text.back() != '\n')
    return std::nullopt;
  const std::string_view end = text.substr(text.size() - endLine);
  std::uint64_t hash = 0;
  const std::string_view body = text.substr(0, text.size() - endLine);
  const std::string_view digits = end.substr(kEnd.size(), kHashDigits);
  if (!end.starts_with(kEnd) || digits.find_first_not_of("0123456789abcdef") != digits.npos ||
      std::from_chars(digits.data(), digits.data() + digits.size(), hash, 16).ptr !=
          digits.data() + digits.size() ||
      hash != fnv1a(body))
    return std::nullopt;

  KeptState state;
  std::string_view rest = body.substr(kHeader.size());
  while (!rest.empty()) {
    const std::size_t lineEnd = rest.find('\n');
    if (lineEnd == std::string_view::npos) return std::nullopt;
    const std::string_view head = rest.substr(0, lineEnd);
    const std::size_t blank = head.find(' ');
    std::size_t size = 0;
    if (blank == std::string_view::npos || !number(head.substr(blank + 1), size) ||
        size > kLargestRecord || rest.size() - lineEnd - 1 < size + 1 ||
        rest[lineEnd + 1 + size] != '\n')
      return std::nullopt;
    const std::string_view key = head.substr(0, blank);
    const std::string_view value = rest.substr(lineEnd + 1, size);
    rest.remove_prefix(lineEnd + size + 2);

    if (key == "geometry") {
      if (!readGeometry(value, state)) return std::nullopt;
    } else if (key == "format") {
      if (value != "rect" && value != "polar") return std::nullopt;
      state.polar = value == "polar";
    } else if (key == "recent") {
      if (value.empty() || state.recent.size() >= kRecentProjects) return std::nullopt;
      state.recent.emplace_back(value);
    } else {
      std::string* field = nullptr;
      if (key == "coef") field = &state.coef;
      if (key == "row") field = &state.row;
      if (key == "column") field = &state.column;
      if (key == "precision") field = &state.precision;
      for (int i = 0; i < 3; ++i)
        if (key == kPaneKeys[i]) field = &state.panes[i];
      // A key of a later version is passed over.
      if (field) field->assign(value);
    }
  }
  return state;
}

void rememberProject(std::vector<std::string>& recent, const std::string& path) {
  std::erase(recent, path);
  recent.insert(recent.begin(), path);
  if (recent.size() > kRecentProjects) recent.resize(kRecentProjects);
}

}  // namespace kelvaro::shell
