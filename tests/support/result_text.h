#pragma once
// The Result pane's text as the result writer lays it out, for writing expected values.

#include <sstream>
#include <string>
#include <vector>

namespace kelvaro::test_support {

// One blank, then the text right-aligned in ten characters, per cell.
inline std::string cells(const std::vector<std::string>& texts) {
  std::string row;
  for (const std::string& t : texts) {
    row += ' ';
    if (t.size() < 10) row.append(10 - t.size(), ' ');
    row += t;
  }
  return row;
}

// The lines that start a result: neither empty nor beginning with a blank.
inline std::vector<std::string> labelLines(const std::string& text) {
  std::vector<std::string> labels;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != ' ') labels.push_back(line);
  return labels;
}

}  // namespace kelvaro::test_support
