// The manual's list of operations follows the command table: it names every operation and
// what Auto leaves out. (fuzz/seeds.py --check does as much for the fuzz seeds.)

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "commands/auto_calculate.h"
#include "commands/command_table.h"

namespace kelvaro {
namespace {

std::string sourceFile(const std::string& path) {
  std::ifstream in(std::string(KELVARO_SOURCE_DIR) + "/" + path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(OperationLists, TheManualNamesEveryOperationAndWhatAutoLeavesOut) {
  const std::string manual = sourceFile("shell/matrix.html");
  const std::size_t from = manual.find("<h2 id=\"operations\">");
  std::string section = manual.substr(from, manual.find("<h2", from + 1) - from);
  for (std::size_t amp; (amp = section.find("&amp;")) != std::string::npos;)
    section.erase(amp + 1, 4);
  // The first cells of its tables name operations, separated by ", ".
  std::set<std::string> named, expected = {"AuTo", "Swap"};
  for (std::size_t at = 0; (at = section.find("<tr><td>", at)) != std::string::npos;) {
    const std::size_t end = section.find("</td>", at += 8);
    for (std::size_t comma; (comma = section.find(", ", at)) < end; at = comma + 2)
      named.insert(section.substr(at, comma - at));
    named.insert(section.substr(at, end - at));
  }
  for (const CommandInfo& command : commandTable()) expected.emplace(captionOf(command));
  EXPECT_EQ(named, expected);

  // Auto leaves out the menu's items as a whole, and the panel's by name.
  const std::size_t but = section.find("(all but ");
  const std::string leftOut = section.substr(but, section.find("</td>", but) - but);
  const std::span<const std::string_view> sequence = autoSequence();
  for (const CommandInfo& command : commandTable()) {
    const std::string code = "<code>" + std::string(captionOf(command)) + "</code>";
    const bool byName = leftOut.find(code) != std::string::npos;
    const bool inAuto = std::ranges::count(sequence, std::string_view(command.button)) > 0;
    EXPECT_EQ(inAuto, command.cell.onPanel() && !byName) << command.action;
  }
}

}  // namespace
}  // namespace kelvaro
