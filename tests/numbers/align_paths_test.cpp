// Lines without quotes take a shorter road through Align; it must end where the general one
// does.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/pane_text.h"

namespace kelvaro {
namespace {

TEST(AlignPaths, LinesWithAndWithoutQuotesAlignAlike) {
  // A decorative pair of quotes sends a line down the general road without changing its
  // tokens, so both spellings must align to the same text.
  const std::vector<std::string> plain = {"1 -2.5\t3+i", " \x01 7  123456789 ", "", "x"};
  const std::vector<std::string> quoted = {"1 \"-2.5\"\t3+i", " \x01 \"7\"  123456789 ", "",
                                           "\"x\""};
  Pane a, b;
  a.setLines(plain);
  b.setLines(quoted);
  alignPane(a);
  alignPane(b);
  EXPECT_EQ(a.lines(), b.lines());
  EXPECT_EQ(a.line(0), "1          -2.5       3+i        ");
  EXPECT_EQ(widestToken("ab \"abcd\" a"), widestToken("ab abcd a"));
  EXPECT_EQ(paddedLine("ab \"c\"", 3), paddedLine("ab c", 3));
}

}  // namespace
}  // namespace kelvaro
