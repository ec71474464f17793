// The frame as the first four commands run it: what lands in the Result pane, in which order,
// and what a failure leaves behind.

#include "commands/basic_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_frame.h"
#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_text.h"
#include "tests/support/error_message.h"

namespace kelvaro {
namespace {

using Lines = std::vector<std::string>;

const std::string kWarning(kIncompleteMatrixWarning);
const std::string kSizeErrorAdd =
    " Error: To Calculate A+B, the two Matrice must be same dimensions!";
const std::string kSizeErrorSub =
    " Error: To Calculate A-B, the two Matrice must be same dimensions!";

CalcState startedWith(const Lines& a, const Lines& b, const std::string& separator = ".") {
  CalcState s;
  FormCreate(s, separator);
  s.paneA.setLines(a);
  s.paneB.setLines(b);
  return s;
}

using test_support::errorOf;

TEST(BasicCommands, StartUpExamplesPrintThroughAllFourCommands) {
  CalcState s;
  FormCreate(s, ".");
  for (const char* action : {"A", "B", "A+B", "A-B"}) findCommandByAction(action)->run(s);
  const Lines expected = {
      "A=",
      "          1          0     3+2.5i",
      "          0          1          0",
      "          0          0        1.5",
      "",
      "B=",
      "          1          0     3-2.5i",
      "          0          1          0",
      "          0          0        1.5",
      "",
      "A+B=",
      "          2          0          6",
      "          0          2          0",
      "          0          0          3",
      "",
      "A-B=",
      "          0          0         5i",
      "          0          0          0",
      "          0          0          0",
      "",
  };
  EXPECT_EQ(s.result.lines(), expected);
  // Every operation command aligns both operand panes first.
  EXPECT_EQ(s.paneA.lines(), (Lines{"1       0       3+2.5i  ", "0       1       0       ",
                                    "0       0       1.5     "}));
  EXPECT_EQ(s.paneB.line(0), "1       0       3-2.5i  ");
}

TEST(BasicCommands, ShortRowWarnsAboveTheLabelAndReadsZero) {
  CalcState s = startedWith({"1 2 3", "4 5"}, {"1 1 1", "1 1 1"});
  SpeedButton13Click(s);
  EXPECT_EQ(s.result.lines(), (Lines{kWarning, "A+B=", "          2          3          4",
                                     "          5          6          1", ""}));
  // Both panes are counted, so each short pane warns once, A's warning first.
  CalcState both = startedWith({"1 2", "3"}, {"1", "2 3"});
  SpeedButton9Click(both);
  EXPECT_EQ(both.result.lines(), (Lines{kWarning, kWarning, "A-B=", "          0          2",
                                        "          1         -3", ""}));
}

TEST(BasicCommands, DifferentSizesGiveTheErrorLineAndLeaveRegistersAlone) {
  CalcState s = startedWith({"1 2 3", "4 5 6"}, {"1 2", "3 4", "5 6"});
  s.regs.MatA.assign(1, 1, Element::complex(7, 0));
  s.regs.RowN = 9;
  SpeedButton13Click(s);
  SpeedButton9Click(s);
  EXPECT_EQ(s.result.lines(), (Lines{"A+B", kSizeErrorAdd, "", "A-B", kSizeErrorSub, ""}));
  EXPECT_EQ(s.regs.MatA.rows(), 1);
  EXPECT_EQ(s.regs.MatA[0][0].re(), 7);
  EXPECT_EQ(s.regs.RowN, 9);
}

TEST(BasicCommands, ConversionErrorLeavesTheBareLabelAndPropagates) {
  CalcState s = startedWith({"1 2", "3 x"}, {"1 2", "3 4"});
  EXPECT_EQ(errorOf([&] { SpeedButton11Click(s); }), "Could not parse real portion [<?>x]");
  EXPECT_EQ(s.result.lines(), (Lines{"A"}));
  // What was read before the bad element stays in the register.
  EXPECT_EQ(s.regs.MatR[1][0].re(), 3);

  // An error in B: A was read whole, the label stays bare and no result follows it.
  CalcState t = startedWith({"1 2"}, {"5 1+"});
  EXPECT_EQ(errorOf([&] { SpeedButton9Click(t); }), "Could not parse imaginary portion [1+<?>]");
  EXPECT_EQ(t.result.lines(), (Lines{"A-B"}));
  EXPECT_EQ(t.regs.MatA[0][1].re(), 2);
  EXPECT_EQ(t.regs.MatB[0][0].re(), -5);  // B is read negated for A-B
}

TEST(BasicCommands, EmptyPanesPrintOnlyTheCompletedLabel) {
  CalcState s = startedWith({}, {});
  SpeedButton13Click(s);
  SpeedButton11Click(s);
  EXPECT_EQ(s.result.lines(), (Lines{"A+B=", "", "A=", ""}));
  EXPECT_EQ(s.regs.MatErr, 5);
}

TEST(BasicCommands, BlankLinesBetweenRowsAreNeitherRowsNorLoseARow) {
  // A line of blanks or tabs between rows is not a row of zeros, and the last row is read.
  CalcState s = startedWith({"", "1 2", "  \t ", "3 4", "\t"}, {"1 1", "1 1"});
  SpeedButton11Click(s);
  SpeedButton13Click(s);
  EXPECT_EQ(s.result.lines(),
            (Lines{"A=", "          1          2", "          3          4", "",
                   "A+B=", "          2          3", "          4          5", ""}));
}

TEST(BasicCommands, ResultsAccumulateAndRegistersAreReadAfresh) {
  // The same short matrix twice: zeros in the missing places both times.
  CalcState s = startedWith({"1 2", "3"}, {});
  SpeedButton11Click(s);
  SpeedButton11Click(s);
  const Lines block = {kWarning, "A=", "          1          2", "          3          0", ""};
  Lines twice = block;
  twice.insert(twice.end(), block.begin(), block.end());
  EXPECT_EQ(s.result.lines(), twice);
}

TEST(BasicCommands, ReaderAcceptsBothSeparatorsAndWritesTheLocalesOwn) {
  CalcState dot = startedWith({"1,5 2.25"}, {}, ".");
  SpeedButton11Click(dot);
  EXPECT_EQ(dot.result.line(1), "        1.5       2.25");
  CalcState comma = startedWith({"1,5 2.25"}, {}, ",");
  SpeedButton11Click(comma);
  EXPECT_EQ(comma.result.line(1), "        1,5       2,25");
}

TEST(BasicCommands, PrecisionComesFromTheState) {
  CalcState s = startedWith({"0.0625 2"}, {"-2 0.1875"});
  SpeedButton11Click(s);
  s.regs.PrecScale = 0;  // exponent format
  SpeedButton12Click(s);
  EXPECT_EQ(s.result.lines(),
            (Lines{"A=", "      0.062          2", "", "B=", " -2.000E+000 1.875E-001", ""}));
}

TEST(CommandFrame, StepsCanRunInAnyOrder) {
  // A command that counts B after its label: B's warning lands below the label.
  CalcState s = startedWith({"1 2"}, {"1 2", "3"});
  runPrelude(s, kResScalar);
  EXPECT_EQ(s.regs.ResKind, kResScalar);
  EXPECT_EQ(countPane(s, s.paneA), (PaneSize{1, 2}));
  appendLabel(s, "A'*B");
  EXPECT_EQ(countPane(s, s.paneB), (PaneSize{2, 2}));
  appendErrorLine(s, " Error: sizes");
  EXPECT_EQ(s.result.lines(), (Lines{"A'*B", kWarning, " Error: sizes", ""}));
}

}  // namespace
}  // namespace kelvaro
