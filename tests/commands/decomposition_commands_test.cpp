// QR, Eig and Svd as the buttons run them: what lands in the Result pane and what a failure
// leaves behind.

#include "commands/decomposition_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"
#include "numbers/result_writer.h"

namespace kelvaro {
namespace {

using Lines = std::vector<std::string>;

CalcState withPanes(const Lines& a, const Lines& b = {}, const char* precision = "3") {
  CalcState s;
  FormCreate(s, ".");
  s.paneA.setLines(a);
  s.paneB.setLines(b);
  changePrecision(precision, '.', s.regs);
  return s;
}

// Runs the command through the button table, as the window and kelvaro-cli do.
const Lines& run(CalcState& s, const char* action) {
  findCommandByAction(action)->run(s);
  return s.result.lines();
}

TEST(QRCommand, PrintsQAndRWithTheirSigns) {
  CalcState s = withPanes({"1 2", "3 4"}, {}, "5");
  EXPECT_EQ(run(s, "QR(A)"),
            (Lines{"QR(A)=", "", "   Q:", "   -0.31623   -0.94868", "   -0.94868    0.31623", "",
                   "   R:", "   -3.16228   -4.42719", "          0   -0.63246", ""}));
  EXPECT_EQ(s.regs.ResKind, kResMatrix);
}

TEST(QRCommand, TallMatrixAndRowsFromNonBlankLines) {
  // The line of blanks is no row: the matrix is 3x2.
  CalcState s = withPanes({}, {"1 2", "   ", "3 4", "5 6"}, "5");
  const Lines& out = run(s, "QR(B)");
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[0], "QR(B)=");
  EXPECT_EQ(out[3], "   -0.16903   -0.50709   -0.84515");
  EXPECT_EQ(out[8], "   -5.91608   -7.43736");
  EXPECT_EQ(out[9], "          0    0.82808");
  EXPECT_EQ(out[10], "          0          0");
}

TEST(QRCommand, RefusesWideAndComplexMatrices) {
  CalcState s = withPanes({"1 2 3", "4 5 6"}, {"1 2", "3 2+3i"});
  EXPECT_EQ(run(s, "QR(A)"), (Lines{"QR(A)", " Error: To Calculate QR, Row>=Col!", ""}));
  s.result.clear();
  EXPECT_EQ(run(s, "QR(B)"), (Lines{"QR(B)", " Notice: Please input real matrix!", ""}));
}

TEST(QRCommand, TokenThatIsNoNumberEndsTheCommand) {
  CalcState s = withPanes({"1 2", "4I 1/2"});
  try {
    run(s, "QR(A)");
    FAIL() << "no conversion error";
  } catch (const CalcError& e) {
    EXPECT_STREQ(e.what(), "'4I' is not a valid floating point value");
  }
  EXPECT_EQ(s.result.lines(), (Lines{"QR(A)"}));
}

TEST(EigCommand, PrintOrderAndHiddenZero) {
  CalcState s = withPanes({"0 -1", "1 0"}, {"1 2", "2 4"});
  run(s, "Eig(A)");
  run(s, "Eig(B)");
  EXPECT_EQ(s.result.lines(),
            (Lines{"Eig(A)=", "", "", "          0+        -1i", "          0+         1i", "",
                   "Eig(B)=", "", "", "          5", ""}));
}

TEST(EigCommand, EigenvaluesStayWhereTheySplitOff) {
  CalcState s = withPanes({"1 2 3", "4 5 6", "7 8 10"}, {"0 0 1", "1 0 0", "0 1 0"}, "5");
  run(s, "Eig(A)");
  run(s, "Eig(B)");
  EXPECT_EQ(s.result.lines(), (Lines{"Eig(A)=", "", "", "   16.70749", "   -0.90574", "    0.19825",
                                     "", "Eig(B)=", "", "", "       -0.5+  -0.86603i",
                                     "       -0.5+   0.86603i", "          1", ""}));
}

TEST(EigCommand, ShapeErrorsAndEmptyPane) {
  CalcState s = withPanes({"1 2 3", "4 5 6"}, {"1 2", "3 4", "5 6"});
  run(s, "Eig(A)");
  run(s, "Eig(B)");
  s.paneA.clear();
  run(s, "Eig(A)");
  EXPECT_EQ(s.result.lines(),
            (Lines{"Eig(A)", " Error: To Calculate Eig(A), Row=Col!", "", "Eig(B)",
                   " Error: To Calculate Eig(B), Row=Col!", "", "Eig(A)=", "", "", ""}));
}

TEST(EigCommand, UnfinishedIterationIsReportedAndLeavesNoOldValues) {
  CalcState s = withPanes({"-5e307 1.5e308 0", "-1.5e308 0 5e307", "-1.5e308 0 1e308"});
  // Values of an earlier, larger command must not show up in the entries not reached.
  s.regs.EigRe.assign(10, 7.0);
  s.regs.EigIm.assign(10, 7.0);
  const Lines& out = run(s, "Eig(A)");
  ASSERT_GE(out.size(), 5u);
  EXPECT_EQ(out[out.size() - 2], " Notice: Eigenvalue iteration did not converge!");
  EXPECT_EQ(out.back(), "");
  for (const std::string& line : out) EXPECT_EQ(line.find('7'), std::string::npos) << line;
  EXPECT_EQ(s.regs.EigRe.size(), 4u);
}

TEST(SvdCommand, FactorsOfBothPanes) {
  CalcState s = withPanes({"3 0", "0 -2"}, {"1 0", "0 2"});
  run(s, "Svd(A)");
  EXPECT_EQ(s.result.lines(),
            (Lines{"Svd(A)=", "", "   U:", "         -1          0", "          0          1", "",
                   "   S:", "          3          0", "          0          2", "",
                   "   V:", "         -1          0", "          0         -1", ""}));
  s.result.clear();
  // S of B is printed from MatA.
  run(s, "Svd(B)");
  EXPECT_EQ(s.result.line(7), "          2          0");
  EXPECT_EQ(s.result.line(8), "          0          1");
  ASSERT_EQ(s.regs.MatA.rows(), 2);
  EXPECT_EQ(s.regs.MatA[0][0].re(), 2);
}

TEST(SvdCommand, AnyShapeAndTheEmptyPane) {
  CalcState s = withPanes({"1 2 3"}, {}, "5");
  run(s, "Svd(A)");
  EXPECT_EQ(s.result.line(6), "    3.74166          0          0");
  s.result.clear();
  run(s, "Svd(B)");
  EXPECT_EQ(s.result.lines(), (Lines{"Svd(B)=", "", "   U:", "", "   S:", "", "   V:", ""}));
  s.paneA.setLines({"1 2", "3i 4"});
  s.result.clear();
  EXPECT_EQ(run(s, "Svd(A)"), (Lines{"Svd(A)", " Notice: Please input real matrix!", ""}));
}

}  // namespace
}  // namespace kelvaro
