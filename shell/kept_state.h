#pragma once
// What the window keeps between runs (the panes as shown, the fields, the display format, the
// geometry and the recent projects) and its text file. No Qt here: the file's reader is the
// part that meets damaged input, and it is tested on its own.
//
// The file is a header line, then records "KEY SIZE", LF, SIZE bytes, LF, and ends with
// "end HASH", LF, HASH being the FNV-1a hash of everything before that line in 16 hex digits.
// A file cut short or changed anywhere does not read.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::shell {

struct KeptState {
  // The panes' texts, lines joined with LF (A, B, Result).
  std::string panes[3];
  std::string coef = "1", row = "3", column = "3", precision = "3";
  bool polar = false;
  // The window's normal geometry and whether it was maximized; none kept yet: width 0.
  int x = 0, y = 0, width = 0, height = 0;
  bool maximized = false;
  // Project paths, the latest first.
  std::vector<std::string> recent;
};

// How many recent projects are kept.
inline constexpr std::size_t kRecentProjects = 8;

std::string writeKeptState(const KeptState& state);
// The state the text holds, or nothing when it is not a whole, unchanged state file.
std::optional<KeptState> readKeptState(std::string_view text);

// Puts path first in the list of recent projects, once, keeping at most kRecentProjects.
void rememberProject(std::vector<std::string>& recent, const std::string& path);

}  // namespace kelvaro::shell
