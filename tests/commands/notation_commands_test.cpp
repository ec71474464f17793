#include "commands/notation_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/shell_commands.h"
#include "numbers/calc_error.h"

namespace kelvaro {
namespace {

using Lines = std::vector<std::string>;

CalcState startUp() {
  CalcState s;
  FormCreate(s, ".");
  return s;
}

TEST(ComplexFormat, SwitchingConvertsCoefficientAndBothPanes) {
  CalcState s = startUp();
  s.coefText = "3+2.5i";
  RadioGroup1Click(s, DisplayFormat::Polar);
  EXPECT_EQ(s.display, DisplayFormat::Polar);
  EXPECT_EQ(s.coefText, "3.905(39.806)");
  EXPECT_EQ(s.paneA.lines(), (Lines{"1  0  3.905(39.806)  ", "0  1  0  ", "0  0  1.5  ", ""}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"1  0  3.905(-39.806)  ", "0  1  0  ", "0  0  1.5  ", ""}));
  EXPECT_EQ(s.regs.RowN, 3);
  EXPECT_EQ(s.regs.ColN, 3);
  EXPECT_TRUE(s.result.empty());

  // Back to rectangular: the values come back rounded to the precision.
  RadioGroup1Click(s, DisplayFormat::Rectangular);
  EXPECT_EQ(s.display, DisplayFormat::Rectangular);
  EXPECT_EQ(s.coefText, "3+2.5i");
  EXPECT_EQ(s.paneA.lines(), (Lines{"1  0  3+2.5i  ", "0  1  0  ", "0  0  1.5  ", ""}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"1  0  3-2.5i  ", "0  1  0  ", "0  0  1.5  ", ""}));

  // Choosing the item already selected converts again; plain numbers stay as they are.
  s.coefText = std::string("2");
  RadioGroup1Click(s, DisplayFormat::Rectangular);
  EXPECT_EQ(s.coefText, "2");
  EXPECT_EQ(s.paneA.line(0), "1  0  3+2.5i  ");
}

TEST(ComplexFormat, PrecisionAppliesToTheConvertedText) {
  CalcState s = startUp();
  s.regs.PrecScale = 10;
  RadioGroup1Click(s, DisplayFormat::Polar);
  EXPECT_EQ(s.paneA.line(0), "1  0  3.9(39.8)  ");
  s.regs.PrecScale = 0;  // exponent format
  s.paneA.setLines({"3+4i"});
  RadioGroup1Click(s, DisplayFormat::Polar);
  EXPECT_EQ(s.paneA.line(0), "5.000E+000(5.313E+001)  ");
}

TEST(ComplexFormat, AnErrorStopsWhereItHappened) {
  CalcState s = startUp();
  s.paneB.setLines({"1 i", "2 1+xi"});
  EXPECT_THROW(RadioGroup1Click(s, DisplayFormat::Polar), CalcError);
  // The new format is chosen, x and A are converted, B keeps its text.
  EXPECT_EQ(s.display, DisplayFormat::Polar);
  EXPECT_EQ(s.paneA.line(0), "1  0  3.905(39.806)  ");
  EXPECT_EQ(s.paneB.lines(), (Lines{"1 i", "2 1+xi"}));

  CalcState t = startUp();
  t.coefText = "2(oops)";
  EXPECT_THROW(RadioGroup1Click(t, DisplayFormat::Rectangular), CalcError);
  EXPECT_EQ(t.coefText, "2(oops)");
  EXPECT_EQ(t.paneA.lines(), (Lines{"1 0 3+2.5i", "0 1 0", "0 0 1.5"}));
}

TEST(PaneNotation, EachCommandConvertsItsOwnPane) {
  CalcState s = startUp();
  s.paneA.setLines({"2(90) 3+4i", "5"});
  s.paneB.setLines({"1(0) -2i"});
  RecttoPolar1Click(s);
  EXPECT_EQ(s.paneA.lines(), (Lines{"2(90)  5(53.13)  ", "5  ", ""}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"1(0) -2i"}));
  EXPECT_EQ(s.regs.RowN, 2);
  EXPECT_EQ(s.regs.ColN, 2);
  // Short rows: the column count warns in the Result pane.
  EXPECT_EQ(s.result.lines().size(), 1u);

  RecttoPolar2Click(s);
  EXPECT_EQ(s.paneB.lines(), (Lines{"1(0)  2(-90)  ", ""}));
  PolarToRect2Click(s);
  EXPECT_EQ(s.paneB.lines(), (Lines{"1  0-2i  ", ""}));
  EXPECT_EQ(s.regs.RowN, 1);
  EXPECT_EQ(s.regs.ColN, 2);
  PolarToRect1Click(s);
  EXPECT_EQ(s.paneA.lines(), (Lines{"0+2i  3+4i  ", "5  ", ""}));

  // Under the polar display, "Polar To Rect" writes polar values again, rounded.
  s.display = DisplayFormat::Polar;
  s.paneA.setLines({"2.00001(90.00001) 7(0)"});
  PolarToRect1Click(s);
  EXPECT_EQ(s.paneA.lines(), (Lines{"2(90)  7  ", ""}));
}

}  // namespace
}  // namespace kelvaro
