// Splitting a line into tokens, and Align: lines without quotes take a shorter road through
// it, which must end where the general one does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "numbers/matrix_text.h"
#include "numbers/pane.h"
#include "numbers/pane_text.h"

namespace kelvaro {
namespace {

TEST(Tokens, BlanksControlCharactersAndQuotes) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(tokens("\t1\t2 \x01 3\r"), Lines({"1", "2", "3"}));
  EXPECT_EQ(tokens("caf\xe9 x"), Lines({"caf\xe9", "x"}));  // bytes above 127 are text
  EXPECT_EQ(tokens("\"1 + 2i\"  3"), Lines({"1 + 2i", "3"}));
  EXPECT_EQ(tokens("\"ab\"cd"), Lines({"ab", "cd"}));  // the next token starts after the quote
  EXPECT_EQ(tokens("\"ab cd"), Lines({"ab cd"}));      // unclosed: to the end of the line
  EXPECT_EQ(tokens("\"\" x"), Lines({"", "x"}));
  EXPECT_EQ(tokens("x\"y z\""), Lines({"x\"y", "z\""}));  // a quote inside is plain text
  EXPECT_EQ(tokens("\"a\"\"b\" \"c\"\"d\""), Lines({"a\"b", "c\"d"}));
  EXPECT_EQ(tokenCount(" a b\tc "), 3u);
  // Eight characters at a time while eight remain: codes 0 to 32 separate, 33 up do not.
  std::string line = "        !\x7f\x80\xff \x1f\x20\x21 long_token_of_many_bytes";
  line += '\0';
  line += "x";
  EXPECT_EQ(tokens(line), Lines({"!\x7f\x80\xff", "!", "long_token_of_many_bytes", "x"}));
}

// A caller that asks for fewer rows or columns than the pane has gets what fits, and nothing is
// written beyond the register.
TEST(ReadingLoop, StaysInsideTheRegister) {
  Pane p;
  p.setLines({"1 2 3", "4 5 6", "7 8 9"});
  RCOMat m;
  readPane(p, 2, 2, m, NumberFormat{});
  ASSERT_EQ(m.elements().size(), 4u);
  EXPECT_TRUE(m[0][1].re() == 2 && m[1][0].re() == 4 && m[1][1].re() == 5);
}

// The window redraws a pane from the first line that changed since it last looked.
TEST(Pane, RemembersTheFirstChangedLine) {
  Pane p;
  p.setLines({"A", "1", ""});
  EXPECT_TRUE(p.takeChange().rewritten);
  p.add("B");
  p.appendToLast("=");  // a label completed after its command ran
  EXPECT_EQ(p.takeChange().firstLine, 3u);
  p.appendToLast("x");
  p.setLine(1, "2");
  EXPECT_EQ(p.takeChange().firstLine, 1u);
  EXPECT_FALSE(p.takeChange().any());
}

TEST(AlignPaths, EveryByteSplitsAsTheTokenizerSplits) {
  // Random lines of letters, high bytes, "!" (33, the first non-separator) and separators
  // 1 to 32, at every offset: each aligns to its tokens, each padded to the widest plus two.
  const std::string alphabet = "aZ!~\x7f\x80\xa0\xff \t\x01\x1f\x20\x0d";
  std::uint32_t seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    seed = seed * 1664525u + 1013904223u;
    const int length = static_cast<int>(seed >> 26);  // 0 to 63
    for (int i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      line += alphabet[(seed >> 16) % alphabet.size()];
    }
    const std::vector<std::string> words = tokens(line);
    std::size_t width = 0;
    for (const auto& w : words) width = std::max(width, w.size());
    std::string expected;
    for (const auto& w : words) expected += w + std::string(width + 2 - w.size(), ' ');

    Pane pane;
    pane.setLines({line});
    alignPane(pane);
    if (line.empty()) {
      EXPECT_TRUE(pane.empty());
      continue;
    }
    ASSERT_EQ(pane.lineCount(), 1u);
    ASSERT_EQ(pane.line(0), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace kelvaro
