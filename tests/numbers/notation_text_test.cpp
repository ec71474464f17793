#include "numbers/notation_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/calc_error.h"
#include "numbers/matrix_text.h"
#include "tests/support/error_message.h"

namespace kelvaro {
namespace {

using Lines = std::vector<std::string>;
using test_support::errorOf;

NumberFormat threeDecimals(DisplayFormat display = DisplayFormat::Rectangular, char sep = '.') {
  return NumberFormat{1000, sep, display};
}

Pane paneOf(Lines lines) {
  Pane p;
  p.setLines(std::move(lines));
  return p;
}

TEST(NotationText, TokensToPolar) {
  const NumberFormat nf = threeDecimals(DisplayFormat::Polar);
  // radius 3.9051248, angle 39.805571 degrees
  EXPECT_EQ(rectTokenToPolar("3+2.5i", nf), "3.905(39.806)");
  EXPECT_EQ(rectTokenToPolar("3-2.5i", nf), "3.905(-39.806)");
  EXPECT_EQ(rectTokenToPolar("3+0i", nf), "3(0)");
  EXPECT_EQ(rectTokenToPolar("-i", nf), "1(-90)");
  EXPECT_EQ(rectTokenToPolar("-2i", nf), "2(-90)");
  // The negative real axis is +180, never -180.
  EXPECT_EQ(rectTokenToPolar("-4+0i", nf), "4(180)");
  EXPECT_EQ(rectTokenToPolar("1,5+2i", nf), "2.5(53.13)");
  // Real numbers and tokens already polar are left alone.
  for (const char* same : {"5", "-5", "0", "1.25", "5(30)", "abc"})
    EXPECT_EQ(rectTokenToPolar(same, nf), same);
}

TEST(NotationText, TokensToRect) {
  const NumberFormat rect = threeDecimals();
  EXPECT_EQ(polarTokenToRect("5(30)", rect), "4.33+2.5i");
  // The angle constant keeps cos(90 degrees) from being zero, so the real part is written.
  EXPECT_EQ(polarTokenToRect("1(-90)", rect), "0-1i");
  EXPECT_EQ(polarTokenToRect("2(0)", rect), "2");
  // 180 / 57.29578 falls just short of pi: the imaginary part is about 2.67e-8, positive, and
  // printed as a rounded zero.
  EXPECT_EQ(polarTokenToRect("1(180)", rect), "-1+0i");
  EXPECT_EQ(polarTokenToRect("1,5(0)", threeDecimals(DisplayFormat::Rectangular, ',')), "1,5");
  for (const char* same : {"5", "-5", "3+2i", "i", "5(30", "5)30"})
    EXPECT_EQ(polarTokenToRect(same, rect), same);
  // Under the polar display the complex formatter writes polar text again, rounded.
  EXPECT_EQ(polarTokenToRect("3.90512(39.8056)", threeDecimals(DisplayFormat::Polar)),
            "3.905(39.806)");
}

TEST(NotationText, UnreadableTokensFailWithTheConversionMessage) {
  const NumberFormat nf = threeDecimals();
  EXPECT_EQ(errorOf([&] { polarTokenToRect("x(30)", nf); }),
            "'x' is not a valid floating point value");
  EXPECT_EQ(errorOf([&] { polarTokenToRect("5(3o)", nf); }),
            "'3o' is not a valid floating point value");
  // A ")" before the "(" belongs to the radius text.
  EXPECT_EQ(errorOf([&] { polarTokenToRect("5)(", nf); }),
            "'5)' is not a valid floating point value");
  EXPECT_EQ(errorOf([&] { polarTokenToRect("1,5(30)", nf); }),
            "'1,5' is not a valid floating point value");
  EXPECT_EQ(errorOf([&] { rectTokenToPolar("1+2ix", nf); }), "Unexpected characters [1+2i<?>x]");
}

TEST(NotationText, PaneConversionRebuildsEveryRow) {
  Pane result;
  Pane pane = paneOf({"1 0 3+2.5i", "0 1 0", "0 0 1.5"});
  const ConvertedSize size = convertPane(pane, DisplayFormat::Polar, threeDecimals(), result);
  EXPECT_EQ(size.rows, 3);
  EXPECT_EQ(size.cols, 3);
  EXPECT_EQ(pane.lines(), (Lines{"1  0  3.905(39.806)  ", "0  1  0  ", "0  0  1.5  ", ""}));
  EXPECT_TRUE(result.empty());

  // Blank lines anywhere do not cost a row; a short row warns.
  Pane gappy = paneOf({"", "i 2", "   ", "\t", "3(90) 5", "6"});
  const ConvertedSize g = convertPane(gappy, DisplayFormat::Rectangular, threeDecimals(), result);
  EXPECT_EQ(g.rows, 3);
  EXPECT_EQ(g.cols, 2);
  EXPECT_EQ(gappy.lines(), (Lines{"i  2  ", "0+3i  5  ", "6  ", ""}));
  EXPECT_EQ(result.lines(), (Lines{std::string(kIncompleteMatrixWarning)}));

  Pane empty;
  EXPECT_EQ(convertPane(empty, DisplayFormat::Polar, threeDecimals(), result).rows, 0);
  EXPECT_EQ(empty.lines(), (Lines{""}));
}

TEST(NotationText, QuotedTokensStayWhole) {
  // A token that holds blanks, or is empty, keeps its quotes, so the converted pane reads as
  // the same matrix: one element per token, in the same columns.
  Pane result;
  Pane pane = paneOf({"\"1 + 2i\" 3", "\"\" 5(0)"});
  convertPane(pane, DisplayFormat::Rectangular, threeDecimals(), result);
  EXPECT_EQ(pane.lines(), (Lines{"\"1 + 2i\"  3  ", "\"\"  5  ", ""}));
  convertPane(pane, DisplayFormat::Polar, threeDecimals(), result);
  EXPECT_EQ(pane.lines(), (Lines{"2.236(63.435)  3  ", "\"\"  5  ", ""}));
}

TEST(NotationText, FailedPaneConversionKeepsThePane) {
  Pane result;
  Pane pane = paneOf({"1(30) 2(45)", "3(x)"});
  EXPECT_THROW(convertPane(pane, DisplayFormat::Rectangular, threeDecimals(), result), CalcError);
  EXPECT_EQ(pane.lines(), (Lines{"1(30) 2(45)", "3(x)"}));
}

TEST(NotationText, RectToPolarToRectComesBackAtThePrecision) {
  const Lines original = {"3+4i -1-i 0.5-2i", "-3.25+0.5i 7 i", "2-7i -0.125i 1,5+1i"};
  Pane result;
  Pane pane = paneOf(original);
  const NumberFormat nf = threeDecimals();
  convertPane(pane, DisplayFormat::Polar, nf, result);
  EXPECT_EQ(pane.line(0), "5(53.13)  1.414(-135)  2.062(-75.964)  ");
  convertPane(pane, DisplayFormat::Rectangular, nf, result);
  // Radius and angle were rounded, so the parts come back near +-1 but not exactly: written
  // out as 1, not as a bare i.
  EXPECT_EQ(pane.lines(), (Lines{"3+4i  -1-1i  0.5-2i  ", "-3.25+0.5i  7  0+1i  ",
                                 "2-7i  0-0.125i  1.5+1i  ", ""}));
}

}  // namespace
}  // namespace kelvaro
