// The lists of operations kept outside the code follow the command table: the manual names
// every operation and what Auto leaves out, and every operation has a fuzz seed that names it.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
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

std::string html(std::string_view text) {
  std::string out;
  for (const char c : text) out += c == '&' ? std::string("&amp;") : std::string(1, c);
  return out;
}

TEST(OperationLists, TheManualNamesEveryOperationAndWhatAutoLeavesOut) {
  const std::string manual = sourceFile("shell/matrix.html");
  const std::size_t from = manual.find("<h2 id=\"operations\">");
  ASSERT_NE(from, std::string::npos);
  const std::string section = manual.substr(from, manual.find("<h2", from + 1) - from);
  // The first cell of each row of its tables: captions separated by ", ".
  std::set<std::string> named;
  for (std::size_t at = 0; (at = section.find("<tr><td>", at)) != std::string::npos;) {
    at += 8;
    const std::string cell = section.substr(at, section.find("</td>", at) - at);
    for (std::size_t start = 0, comma;; start = comma + 2) {
      comma = cell.find(", ", start);
      named.insert(cell.substr(start, comma - start));
      if (comma == std::string::npos) break;
    }
  }
  std::set<std::string> expected = {"AuTo", "Swap"};
  for (const CommandInfo& command : commandTable()) expected.insert(html(captionOf(command)));
  EXPECT_EQ(named, expected);

  const std::size_t but = section.find("(all but ");
  ASSERT_NE(but, std::string::npos);
  const std::string leftOut = section.substr(but, section.find("</td>", but) - but);
  const std::span<const std::string_view> sequence = autoSequence();
  for (const CommandInfo& command : commandTable()) {
    const bool inAuto = std::ranges::count(sequence, std::string_view(command.button)) > 0;
    // The menu's items are left out as a whole.
    if (!command.cell.onPanel())
      EXPECT_FALSE(inAuto) << command.action;
    else
      EXPECT_EQ(leftOut.find("<code>" + html(captionOf(command)) + "</code>") == std::string::npos,
                inAuto)
          << command.action;
  }
  EXPECT_NE(section.find("runs " + std::to_string(sequence.size()) + " of the operations"),
            std::string::npos);
}

TEST(OperationLists, EveryOperationHasAFuzzSeedThatNamesIt) {
  for (const CommandInfo& command : commandTable()) {
    // fuzz/seeds.py's name for it: letters and digits as they are, the rest as _ and its code.
    std::string name = "fuzz/corpus/fuzz_commands/seed-op-";
    for (const char c : std::string_view(command.action)) {
      char code[4];
      std::snprintf(code, sizeof code, "_%02x", static_cast<unsigned char>(c));
      name += std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c) : code;
    }
    EXPECT_NE(sourceFile(name).find(std::string(command.action) + "\\x"), std::string::npos)
        << name << ": run fuzz/seeds.py";
  }
}

}  // namespace
}  // namespace kelvaro
