// Lines without quotes take a shorter road through Align; it must end where the general one
// does, also when both kinds of line share a pane.

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

  // A quoted token wider than every plain one sets the width of the plain lines too.
  Pane mixed;
  mixed.setLines({"1 2", "\"a b\""});
  alignPane(mixed);
  EXPECT_EQ(mixed.lines(), (std::vector<std::string>{"1      2      ", "\"a b\"  "}));
}

}  // namespace
}  // namespace kelvaro
