// The size a pane's header shows, kept line by line while the pane is edited: after any run of
// edits it is the size the commands count on the whole pane.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "numbers/matrix_text.h"
#include "numbers/pane.h"
#include "numbers/pane_size_tally.h"

namespace kelvaro {
namespace {

TEST(PaneSizeTally, FollowsRandomEditsAsTheCommandsCount) {
  static const char* const kLines[] = {"",      "   ",       "1 2 3",    "4 5",    "\"1 + 2i\" 3",
                                       "\t7\t", "1 2 3 4 5", "\x01\x02", "a\"b c", "x"};
  std::mt19937 random(7);
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n)(random);
  };
  std::vector<std::string> lines = {""};
  PaneSizeTally tally;
  tally.replaceLines(0, 0, 1);
  int complete = 0, incomplete = 0;
  for (int edit = 0; edit < 3000; ++edit) {
    // Now and then the whole pane becomes rows of one length.
    const bool anew = edit % 40 == 0;
    const std::size_t first = anew ? 0 : pick(lines.size());
    const std::size_t end =
        anew ? lines.size() : first + pick(std::min<std::size_t>(3, lines.size() - first));
    const std::size_t count = pick(edit % 50 == 0 ? 12 : 3);
    std::vector<std::string> added;
    for (std::size_t i = 0; i < count; ++i) added.push_back(kLines[anew ? 2 : pick(9)]);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first),
                lines.begin() + static_cast<std::ptrdiff_t>(end));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(first), added.begin(), added.end());
    tally.replaceLines(first, end, count);
    // Half the lines as UTF-16 text, as the window gives them.
    for (std::size_t i = 0; i < count; ++i) {
      if (edit % 2) {
        tally.setLine(first + i, added[i]);
      } else {
        const std::u16string wide(added[i].begin(), added[i].end());
        tally.setLine(first + i, wide);
      }
    }

    Pane pane, warnings;
    pane.setLines(lines);
    ASSERT_EQ(tally.lineCount(), lines.size());
    ASSERT_EQ(tally.rows(), rowCount(pane)) << edit;
    ASSERT_EQ(tally.columns(), columnCount(pane, warnings)) << edit;
    std::set<std::size_t> lengths;
    for (const std::string& line : lines)
      if (tokenCount(line) > 0) lengths.insert(tokenCount(line));
    ASSERT_EQ(tally.incomplete(), lengths.size() > 1) << edit;
    ++(tally.incomplete() ? incomplete : complete);
  }
  EXPECT_TRUE(incomplete > 100 && complete > 100);
}

TEST(PaneSizeTally, RowsOfOneLengthAreComplete) {
  PaneSizeTally tally;
  const std::vector<std::string> lines = {"1 2", "", " 3 4 ", "\t", "5 6"};
  tally.replaceLines(0, 0, lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) tally.setLine(i, lines[i]);
  EXPECT_EQ(tally.rows(), 3);
  EXPECT_EQ(tally.columns(), 2);
  EXPECT_FALSE(tally.incomplete());
  tally.setLine(3, "7");  // the blank line between becomes a short row
  EXPECT_TRUE(tally.incomplete());
  tally.replaceLines(3, 4, 0);
  EXPECT_FALSE(tally.incomplete());
  EXPECT_EQ(tally.rows(), 3);
  // Characters above 127 are letters, in one byte or two; a quoted token holds its blanks.
  tally.setLine(0, u"\u20ac\u00a0x\u3000y 2");
  tally.setLine(2, u"\"\u20ac 1\" 2");
  EXPECT_EQ(tally.columns(), 2);
  EXPECT_FALSE(tally.incomplete());
}

}  // namespace
}  // namespace kelvaro
