#include "numbers/matrix_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/calc_error.h"
#include "test_panes.h"

namespace kelvaro {
namespace {

const NumberFormat kThree{1000, '.'};

TEST(Tokens, BlanksAndControlCharactersSeparate) {
  EXPECT_EQ(tokens("1  2"), Lines({"1", "2"}));
  EXPECT_EQ(tokens("\t1\t2 \x01 3\r"), Lines({"1", "2", "3"}));
  EXPECT_EQ(tokens("   "), Lines());
  EXPECT_EQ(tokens(""), Lines());
  EXPECT_EQ(tokens("caf\xe9 x"), Lines({"caf\xe9", "x"}));  // bytes above 127 are text
  EXPECT_EQ(tokenCount(" a b\tc "), 3u);
}

TEST(Tokens, QuotedTokens) {
  EXPECT_EQ(tokens("\"1+2i\""), Lines({"1+2i"}));
  EXPECT_EQ(tokens("\"1 + 2i\"  3"), Lines({"1 + 2i", "3"}));
  EXPECT_EQ(tokens("\"a\"\"b\" c"), Lines({"a\"b", "c"}));
  EXPECT_EQ(tokens("\"ab\"cd"), Lines({"ab", "cd"}));  // next token right after the quote
  EXPECT_EQ(tokens("\"ab cd"), Lines({"ab cd"}));      // unclosed: to the end of the line
  EXPECT_EQ(tokens("\"a\"\"b"), Lines({"a\"b"}));
  EXPECT_EQ(tokens("\"\" x"), Lines({"", "x"}));
  EXPECT_EQ(tokens("x\"y z\""), Lines({"x\"y", "z\""}));  // a quote inside is plain text
  EXPECT_EQ(tokens("\"a\"\"b\" \"c\"\"d\""), Lines({"a\"b", "c\"d"}));
}

TEST(RowAndColumnCounts, BlankLinesAreNoRows) {
  const Pane p = paneOf({"", "  ", "1 2 3", "\t", "4 5 6", "", " "});
  EXPECT_EQ(rowCount(p), 2);
  EXPECT_EQ(rowLines(p), std::vector<std::size_t>({2, 4}));
  Pane result;
  EXPECT_EQ(columnCount(p, result), 3);
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(rowCount(Pane()), 0);
  EXPECT_EQ(columnCount(Pane(), result), 0);
}

TEST(RowAndColumnCounts, IncompleteMatrixWarning) {
  Pane result;
  EXPECT_EQ(columnCount(paneOf({"1 2 3", "4 5"}), result), 3);
  EXPECT_EQ(result.lines(), Lines({std::string(kIncompleteMatrixWarning)}));

  // A line of blanks breaks the comparison; an empty line does not.
  result.clear();
  EXPECT_EQ(columnCount(paneOf({"1 2", "   ", "1 2 3"}), result), 3);
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(columnCount(paneOf({"1 2", "", "1 2 3"}), result), 3);
  EXPECT_EQ(result.lineCount(), 1u);

  // At most once per call, however many rows differ.
  result.clear();
  columnCount(paneOf({"1", "1 2", "1 2 3", "1"}), result);
  EXPECT_EQ(result.lineCount(), 1u);
}

TEST(ReadingLoop, ShortRowsAreZeroAndBlankLinesAreSkipped) {
  const Pane p = paneOf({"", "1 2 3", "  \t ", "4 5", ""});
  RCOMat m;
  readPane(p, rowCount(p), 3, m, kThree);
  ASSERT_EQ(m.rows(), 2);
  ASSERT_EQ(m.cols(), 3);
  EXPECT_EQ(m[1][0].re(), 4);  // the row after the line of blanks is row 1
  EXPECT_EQ(m[1][1].re(), 5);
  EXPECT_TRUE(m[1][2].isComplex());
  EXPECT_EQ(m[1][2].re(), 0);
  EXPECT_EQ(m[0][2].re(), 3);
}

TEST(ReadingLoop, ReadsEveryKindOfToken) {
  const Pane p = paneOf({"i -2i 3-i", "1,5 5(30) \"1+2i\""});
  RCOMat m;
  readPane(p, 2, 3, m, kThree);
  const double expected[2][3][2] = {{{0, 1}, {0, -2}, {3, -1}}, {{1.5, 0}, {4.33, 2.5}, {1, 2}}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(m[r][c].re(), expected[r][c][0]) << r << ',' << c;
      EXPECT_EQ(m[r][c].im(), expected[r][c][1]) << r << ',' << c;
    }
  }
}

TEST(ReadingLoop, NothingOfAnEarlierReadSurvives) {
  RCOMat m;
  readPane(paneOf({"7 8", "9 9"}), 2, 2, m, kThree);
  readPane(paneOf({"1 2", "3"}), 2, 2, m, kThree);
  EXPECT_EQ(m[1][1].re(), 0);
  readPane(paneOf({"1 2", "3"}), 2, 2, m, kThree);
  EXPECT_EQ(m[1][1].re(), 0);
}

TEST(ReadingLoop, NegatedReading) {
  RCOMat m;
  readPane(paneOf({"1-2i 3"}), 1, 2, m, kThree, ElementReading::Negated);
  EXPECT_EQ(m[0][0].re(), -1);
  EXPECT_EQ(m[0][0].im(), 2);
  EXPECT_EQ(m[0][1].re(), -3);
}

TEST(ReadingLoop, ErrorStopsAndKeepsWhatWasRead) {
  RCOMat m;
  readPane(paneOf({"9 9 9", "9 9 9", "9 9 9"}), 3, 3, m, kThree);  // an earlier command's
  try {
    readPane(paneOf({"1 2", "3 x4 5"}), 2, 3, m, kThree);
    FAIL();
  } catch (const CalcError& e) {
    EXPECT_STREQ(e.what(), "Could not parse real portion [<?>x4]");
  }
  EXPECT_EQ(m[0][1].re(), 2);
  EXPECT_EQ(m[1][0].re(), 3);
  EXPECT_EQ(m[1][2].re(), 0);  // never reached
  EXPECT_TRUE(m[1][2].isComplex());
  EXPECT_EQ(m[1][1].re(), 0);  // the element that failed
}

TEST(ReadingLoop, StaysInsideTheRegister) {
  // A caller that sizes the register smaller than the pane gets what fits.
  RCOMat m;
  readPane(paneOf({"1 2 3", "4 5 6", "7 8 9"}), 2, 2, m, kThree);
  EXPECT_EQ(m.rows(), 2);
  EXPECT_EQ(m[1][1].re(), 5);
  readPane(paneOf({"1 2"}), 0, 2, m, kThree);
  EXPECT_TRUE(m.empty());
}

TEST(ReadingLoop, ForEachPaneTokenVisitsRowsInOrder) {
  std::string visits;
  forEachPaneToken(paneOf({"a b", " ", "c", "d e f"}), 3, 2,
                   [&](int r, int c, std::string_view token) {
                     visits += std::to_string(r) + std::to_string(c);
                     visits.append(token);
                     visits += ' ';
                   });
  EXPECT_EQ(visits, "00a 01b 10c 20d 21e ");
}

}  // namespace
}  // namespace kelvaro
