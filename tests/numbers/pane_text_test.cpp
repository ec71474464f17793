#include "numbers/pane_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/matrix_text.h"
#include "test_panes.h"

namespace kelvaro {
namespace {

Lines aligned(Lines lines) {
  Pane p = paneOf(std::move(lines));
  alignPane(p);
  return p.lines();
}

TEST(Align, ColumnsTakeTheWidestTokenPlusTwo) {
  const Lines out = aligned({"1 0 3+2.5i", "0 1 0", "0 0 1.5"});
  EXPECT_EQ(out, Lines({"1       0       3+2.5i  ", "0       1       0       ",
                        "0       0       1.5     "}));
  for (const std::string& line : out) EXPECT_EQ(line.size(), 24u);
}

TEST(Align, DropsEmptyLinesAndEmptiesBlankOnes) {
  // A line of blanks becomes an empty line, which the next Align drops.
  EXPECT_EQ(aligned({"", "1  2", "", "\t ", "3 4", ""}), Lines({"1  2  ", "", "3  4  "}));
  EXPECT_EQ(aligned({}), Lines());
  EXPECT_EQ(aligned({"", ""}), Lines());
}

TEST(Align, IsIdempotent) {
  const Lines once = aligned({"1 -2.5 3+i", "", "4\t5  6", "12345678901234 0"});
  EXPECT_EQ(aligned(once), once);
}

TEST(Align, OneLongTokenWidensEveryColumn) {
  EXPECT_EQ(aligned({"1 2", "123456"}), Lines({"1       2       ", "123456  "}));
}

TEST(Align, QuotedTokensStillReadTheSame) {
  // Quotes that were only decoration go; those that hold a token together stay.
  const Lines out = aligned({"\"1+2i\" \"1 + 2i\" \"\" \"a\"\"b\" \"\"\"\""});
  EXPECT_EQ(out, Lines({"1+2i      \"1 + 2i\"  \"\"        a\"b       \"\"\"\"      "}));
  EXPECT_EQ(tokens(out[0]), tokens("\"1+2i\" \"1 + 2i\" \"\" \"a\"\"b\" \"\"\"\""));
}

TEST(Align, Helpers) {
  EXPECT_EQ(widestToken("  ab  abcd a "), 4u);
  EXPECT_EQ(widestToken(" \t "), 0u);
  EXPECT_EQ(paddedLine("ab c", 3), "ab   c    ");
  EXPECT_EQ(paddedLine("abcdef", 2), "abcdef");  // never cut
  EXPECT_EQ(paddedLine("   ", 5), "");
}

TEST(SeparatorSwap, ReplacesEveryOccurrence) {
  Pane p = paneOf({"A.*B=", "        1.5       -0.25", "", "no dots"});
  p.takeChange();
  replaceCharacter(p, '.', ',');
  EXPECT_EQ(p.lines(), Lines({"A,*B=", "        1,5       -0,25", "", "no dots"}));
  replaceCharacter(p, ',', '.');
  EXPECT_EQ(p.line(1), "        1.5       -0.25");

  // Nothing to replace: the pane is not touched.
  Pane plain = paneOf({"1 2"});
  plain.takeChange();
  replaceCharacter(plain, ',', '.');
  EXPECT_FALSE(plain.takeChange().any());
  EXPECT_EQ(plain.lines(), Lines({"1 2"}));
}

}  // namespace
}  // namespace kelvaro
