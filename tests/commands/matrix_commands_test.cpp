// The commands on complex matrices as the Result pane shows them: labels, results, error and
// notice lines, and what a refused or failed command leaves behind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/elementwise_commands.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_text.h"
#include "tests/support/calculator.h"
#include "tests/support/result_text.h"

namespace kelvaro {
namespace {

using Lines = std::vector<std::string>;

using test_support::cells;

std::string scalarLine(const std::string& t) {
  return "  " + cells({t});
}

using test_support::Calc;

Lines resultOf(const char* action, const Lines& a, const Lines& b = {},
               const std::string& x = "1") {
  Calc c(a, b, x);
  EXPECT_EQ(c.run(action), "") << action;
  return c.result();
}

TEST(ElementwiseCommands, TransposeAndTimesX) {
  EXPECT_EQ(resultOf("A'", {"1 2 3", "4 5 i"}),
            (Lines{"A'=", cells({"1", "4"}), cells({"2", "5"}), cells({"3", "i"}), ""}));
  EXPECT_EQ(resultOf("B'", {}, {"1 2"}), (Lines{"B'=", cells({"1"}), cells({"2"}), ""}));
  EXPECT_EQ(resultOf("A*x", {"1 2+3i"}, {}, "i"), (Lines{"A*x=", cells({"i", "-3+2i"}), ""}));
  // An x that is not a number fails after the label.
  Calc bad({"1 2"}, {}, "x");
  EXPECT_EQ(bad.run("B*x"), "Could not parse real portion [<?>x]");
  EXPECT_EQ(bad.result(), (Lines{"B*x"}));
}

TEST(ElementwiseCommands, DimensionsAndTrace) {
  EXPECT_EQ(resultOf("Dim(A)", {"1 2 3", "4 5", "6 7 8"}),
            (Lines{std::string(kIncompleteMatrixWarning), "Dim(A)=", "", "       3*3", ""}));
  EXPECT_EQ(resultOf("Dim(B)", {"1"}, {}), (Lines{"Dim(B)=", "", "       0*0", ""}));
  EXPECT_EQ(resultOf("Trace(A)", {"1 2 3", "4 5+i 6"}),
            (Lines{"Trace(A)=", "", scalarLine("6+i"), ""}));
  EXPECT_EQ(resultOf("Trace(B)", {}, {}), (Lines{"Trace(B)=", "", scalarLine("0"), ""}));
}

TEST(ElementwiseCommands, ProductAndQuotientOfElements) {
  EXPECT_EQ(resultOf("A.*B", {"1 2", "i 4"}, {"3 4", "i 0.5"}),
            (Lines{"A.*B=", cells({"3", "8"}), cells({"-1", "2"}), ""}));
  EXPECT_EQ(resultOf("A./B", {"1 2"}, {"4 i"}), (Lines{"A./B=", cells({"0.25", "-2i"}), ""}));
  // The product's size error is followed by a line of one blank, the quotient's by an empty
  // line.
  EXPECT_EQ(
      resultOf("A.*B", {"1 2"}, {"1"}),
      (Lines{"A.*B", " Error: To Calculate A.*B, the two Matrixs must be same dimensions!", " "}));
  EXPECT_EQ(
      resultOf("A./B", {"1 2"}, {"1"}),
      (Lines{"A./B", " Error: To Calculate A./B, the two Matrixs must be same dimensions!", ""}));
}

TEST(ElementwiseCommands, QuotientStopsAtTheFirstZeroOfB) {
  const Lines zeroError = {"A./B", " Error: To Calculate A./B, the Matrix B without 0!", ""};
  EXPECT_EQ(resultOf("A./B", {"1 2", "3 4"}, {"1 2", "3 0+0i"}), zeroError);
  // B is checked as it is read: the zero comes before the bad element, so no message box.
  EXPECT_EQ(resultOf("A./B", {"1 2"}, {"1e-13 x"}), zeroError);
  // A short row of B is filled with zeros, and they are divisors too.
  Calc shortRow({"1 2", "3 4"}, {"1", "2 3"});
  EXPECT_EQ(shortRow.run("A./B"), "");
  EXPECT_EQ(shortRow.result(), (Lines{std::string(kIncompleteMatrixWarning), zeroError[0],
                                      zeroError[1], zeroError[2]}));
  // Not zero by the comparison, but too small to divide by.
  Calc tiny({"1"}, {"1e-7"});
  EXPECT_EQ(tiny.run("A./B"), "Division by zero");
  EXPECT_EQ(tiny.result(), (Lines{"A./B"}));
}

TEST(ElementwiseCommands, LogicOperations) {
  EXPECT_EQ(resultOf("A&B", {"0.5 1e-13 0"}, {"i 1 1"}),
            (Lines{"A&B=", cells({"1", "0", "0"}), ""}));
  EXPECT_EQ(resultOf("A|B", {"0 0"}, {"0 -3.2"}), (Lines{"A|B=", cells({"0", "1"}), ""}));
  EXPECT_EQ(resultOf("A#B", {"1 2"}, {"1 2"}), (Lines{"A#B=", cells({"0", "0"}), ""}));
  for (const char* op : {"A&B", "A|B", "A#B"}) {
    EXPECT_EQ(resultOf(op, {"1 2"}, {"1", "2"}),
              (Lines{op,
                     std::string(" Error: To Calculate ").append(op) +
                         ", the two Matrice must be same dimensions!",
                     ""}));
  }
}

TEST(FillCommands, WriteRowsOfPaddedCopiesOfX) {
  Calc c({"9 9"}, {"8"}, "i");
  c.size("2", "3");
  ASSERT_EQ(c.run("fill-a"), "");
  const std::string row = " 0+1i       0+1i       0+1i      ";
  EXPECT_EQ(c.s.paneA.lines(), (Lines{row, row, ""}));
  EXPECT_TRUE(c.result().empty());
  c.size("0", c.s.columnText);
  ASSERT_EQ(c.run("fill-b"), "");
  EXPECT_TRUE(c.s.paneB.empty());
  // Without columns the two rows are empty lines, and the empty line after them follows.
  c.size("2", "0");
  ASSERT_EQ(c.run("fill-b"), "");
  EXPECT_EQ(c.s.paneB.lines(), (Lines{"", "", ""}));
  c.size("1", "-4");
  ASSERT_EQ(c.run("fill-a"), "");
  EXPECT_EQ(c.s.paneA.lines(), (Lines{"", ""}));
}

TEST(FillCommands, RefusalLeavesThePaneAsItWas) {
  Calc c({"1 2", "3 4"}, {}, "5");
  const Lines aligned = c.s.paneA.lines();
  c.size("two", c.s.columnText);
  EXPECT_EQ(c.run("fill-a"), "'two' is not a valid integer value");
  c.size("2", "99999999999");
  EXPECT_EQ(c.run("fill-a"), "'99999999999' is not a valid integer value");
  // A typo must not fill the memory: more than ten million elements are refused.
  c.size("100000", "1000");
  EXPECT_EQ(c.run("fill-a"),
            "Cannot fill 100000 x 1000 elements: at most 10000000 elements can be filled.");
  c.size("20000000", "-5");
  EXPECT_NE(c.run("fill-a"), "");
  EXPECT_EQ(c.s.paneA.lines(), (Lines{"1  2  ", "3  4  "}));
  c.size("10000", "1000");
  EXPECT_EQ(c.run("fill-a"), "");  // exactly the limit
  EXPECT_EQ(c.s.paneA.lineCount(), 10001u);
}

const std::string kProductShapeError = " Error: To Calculate A*B, A(Col)=B(Row)!";

TEST(ProductCommands, ProductAndTransposedProduct) {
  EXPECT_EQ(resultOf("A*B", {"1 2", "3 4"}, {"5", "6"}),
            (Lines{"A*B=", cells({"17"}), cells({"39"}), ""}));
  EXPECT_EQ(resultOf("A*B", {"i"}, {"i"}), (Lines{"A*B=", cells({"-1"}), ""}));
  EXPECT_EQ(resultOf("A*B", {"1 2 3", "4 5 6"}, {"1 2", "3 4"}),
            (Lines{"A*B", kProductShapeError, ""}));
  // The plain transpose: the imaginary element is not conjugated.
  EXPECT_EQ(resultOf("A'*B", {"1 i"}, {"2"}), (Lines{"A'*B=", cells({"2"}), cells({"2i"}), ""}));
  EXPECT_EQ(resultOf("A'*B", {"1 2", "3 4", "5 6"}, {"1", "1", "1"}),
            (Lines{"A'*B=", cells({"9"}), cells({"12"}), ""}));
  // B is counted after the label, so its warning follows the label.
  EXPECT_EQ(resultOf("A'*B", {"1 2", "3 4", "5 6"}, {"1 2", "3"}),
            (Lines{"A'*B", std::string(kIncompleteMatrixWarning), kProductShapeError, ""}));
}

TEST(InverseCommands, GaussJordanInverse) {
  EXPECT_EQ(resultOf("inv(A)", {"1 2", "3 4"}),
            (Lines{"inv(A)=", cells({"-2", "1"}), cells({"1.5", "-0.5"}), ""}));
  EXPECT_EQ(resultOf("inv(B)", {}, {"1+i"}), (Lines{"inv(B)=", cells({"0.5-0.5i"}), ""}));
  EXPECT_EQ(resultOf("inv(A)", {"1e-9"}), (Lines{"inv(A)=", cells({"1000000000"}), ""}));
  EXPECT_EQ(resultOf("inv(A)", {"1 2", "2 4"}),
            (Lines{"inv(A)", " Error: inv(A) has no result!", ""}));
  EXPECT_EQ(resultOf("inv(B)", {}, {"1e-11"}),
            (Lines{"inv(B)", " Error: inv(B) has no result!", ""}));
  // Not square: the reciprocal of each element, 0 staying 0, and no message.
  EXPECT_EQ(resultOf("inv(A)", {"1 0 2", "4 0 0.5"}),
            (Lines{"inv(A)=", cells({"1", "0", "0.5"}), cells({"0.25", "0", "2"}), ""}));
}

TEST(InverseCommands, InverseTimesB) {
  EXPECT_EQ(resultOf("inv(A)*B", {"2 0", "0 4"}, {"2", "4"}),
            (Lines{"inv(A)*B=", cells({"1"}), cells({"1"}), ""}));
  EXPECT_EQ(resultOf("inv(A)*B", {"1 2", "2 4"}, {"1", "2"}),
            (Lines{"inv(A)*B", " Error: inv(A)*B has no result!", ""}));
  // The shape message comes before the singular one.
  EXPECT_EQ(resultOf("inv(A)*B", {"1 2", "2 4"}, {"1", "2", "3"}),
            (Lines{"inv(A)*B", kProductShapeError, ""}));
  // B is read even when A is singular, so a bad element of B is still reported.
  Calc bad({"1 2", "2 4"}, {"1", "y"});
  EXPECT_EQ(bad.run("inv(A)*B"), "Could not parse real portion [<?>y]");
}

TEST(InverseCommands, DivisionPivotsOnRealParts) {
  EXPECT_EQ(resultOf("A/B", {"1 2"}, {"1 1", "0 2"}), (Lines{"A/B=", cells({"1", "0.5"}), ""}));
  EXPECT_EQ(resultOf("A/B", {"1 2", "3 4"}, {"0 1", "1 0"}),
            (Lines{"A/B=", cells({"2", "1"}), cells({"4", "3"}), ""}));
  // Singular B, and B without real parts: only the label.
  EXPECT_EQ(resultOf("A/B", {"1 2"}, {"1 2", "2 4"}), (Lines{"A/B"}));
  EXPECT_EQ(resultOf("A/B", {"1 2"}, {"i 0", "0 i"}), (Lines{"A/B"}));
  EXPECT_EQ(resultOf("A/B", {"1 2"}, {"1 2", "3 4", "5 6"}),
            (Lines{"A/B", " Error: To Calculate A/B, B Should be square, and A(Col)=B(Row)!", ""}));
  Calc tiny({"1"}, {"1e-7"});
  EXPECT_EQ(tiny.run("A/B"), "Division by zero");
  EXPECT_EQ(tiny.result(), (Lines{"A/B"}));
}

TEST(ScalarCommands, DeterminantAndRank) {
  EXPECT_EQ(resultOf("Det(A)", {"1 2", "3 4"}), (Lines{"Det(A)=", "", scalarLine("-2"), ""}));
  EXPECT_EQ(resultOf("Det(B)", {}, {"2+3i"}), (Lines{"Det(B)=", "", scalarLine("2+3i"), ""}));
  EXPECT_EQ(resultOf("Det(A)", {"i 0", "0 i"}), (Lines{"Det(A)=", "", scalarLine("0"), ""}));
  EXPECT_EQ(resultOf("Det(A)", {"1 2 3", "4 5 6"}),
            (Lines{"Det(A)", " Error: To Calculate Det(A), the Matrix must be square!", ""}));
  // The determinant of an empty matrix is the empty product.
  EXPECT_EQ(resultOf("Det(B)", {"1"}, {}), (Lines{"Det(B)=", "", scalarLine("1"), ""}));
  EXPECT_EQ(resultOf("Rank(A)", {"1 0 1", "0 1 1", "1 1 2"}),
            (Lines{"Rank(A)=", "", scalarLine("2"), ""}));
  EXPECT_EQ(resultOf("Rank(B)", {}, {"1 i", "i -1"}), (Lines{"Rank(B)=", "", scalarLine("2"), ""}));
  EXPECT_EQ(resultOf("Rank(A)", {}), (Lines{"Rank(A)=", "", scalarLine("0"), ""}));
}

TEST(FactorCommands, LU) {
  EXPECT_EQ(resultOf("LU(A)", {"2 i", "4i 1"}),
            (Lines{"LU(A)=", "", "   L:", cells({"1", "0"}), cells({"2i", "1"}), "",
                   "   U:", cells({"2", "i"}), cells({"0", "3"}), ""}));
  EXPECT_EQ(resultOf("LU(B)", {}, {"0 1", "1 0"}),
            (Lines{"LU(B)", " Error:  Calculate LU failed!", ""}));
  EXPECT_EQ(resultOf("LU(A)", {"1 2 3", "4 5 6"}),
            (Lines{"LU(A)", " Error: To Calculate LU, Matrix must be square!", ""}));
  // The pane is read before the shape test.
  Calc bad({"1 2 z"});
  EXPECT_EQ(bad.run("LU(A)"), "Could not parse real portion [<?>z]");
}

TEST(FactorCommands, CholeskyReadsTheUpperTriangle) {
  const Lines expected = {"Chol(A)=",          "", "   L:", cells({"1", "0"}),
                          cells({"0.5", "1"}), "", "   D:", cells({"4", "0"}),
                          cells({"0", "2"}),   ""};
  EXPECT_EQ(resultOf("Chol(A)", {"4 2", "2 3"}), expected);
  EXPECT_EQ(resultOf("Chol(A)", {"4 2", "7 3"}), expected);
  // Transpose, not conjugate transpose.
  EXPECT_EQ(resultOf("Chol(B)", {}, {"2 1+1i", "1-1i 3"}),
            (Lines{"Chol(B)=", "", "   L:", cells({"1", "0"}), cells({"0.5+0.5i", "1"}), "",
                   "   D:", cells({"2", "0"}), cells({"0", "3-i"}), ""}));
  // A zero pivot with a zero coupling gives the multiplier 1.
  EXPECT_EQ(resultOf("Chol(A)", {"0 0", "0 5"}),
            (Lines{"Chol(A)=", "", "   L:", cells({"1", "0"}), cells({"1", "1"}), "",
                   "   D:", cells({"0", "0"}), cells({"0", "5"}), ""}));
  EXPECT_EQ(resultOf("Chol(A)", {"0 1", "1 0"}),
            (Lines{"Chol(A)", " No Cholesky decomposition!", ""}));
  EXPECT_EQ(resultOf("Chol(B)", {}, {"1 2 3", "4 5 6"}),
            (Lines{"Chol(B)", " Error: To Calculate Cholesky, Row=Col!", ""}));
}

TEST(PowerCommands, PositiveZeroAndNegativePowers) {
  EXPECT_EQ(resultOf("A^x", {"1 1", "0 1"}, {}, "3"),
            (Lines{"A^(3)=", cells({"1", "3"}), cells({"0", "1"}), ""}));
  EXPECT_EQ(resultOf("B^x", {}, {"5 i", "2 7"}, "0"),
            (Lines{"B^(0)=", cells({"1", "0"}), cells({"0", "1"}), ""}));
  EXPECT_EQ(resultOf("A^x", {"2 0", "0 4"}, {}, "-1"),
            (Lines{"A^(-1)=", cells({"0.5", "0"}), cells({"0", "0.25"}), ""}));
  Calc four({"2 0", "0 4"}, {}, "-2");
  four.s.precisionText = "4";
  ComboBox1Change(four.s);
  EXPECT_EQ(four.run("A^x"), "");
  EXPECT_EQ(four.result(), (Lines{"A^(-2)=", cells({"0.25", "0"}), cells({"0", "0.0625"}), ""}));
  EXPECT_EQ(resultOf("A^x", {"1 2", "2 4"}, {}, "-1"), (Lines{"A^(-1)"}));
  EXPECT_EQ(resultOf("B^x", {}, {"1 2 3"}, "2"),
            (Lines{"B^(2)", " Error: To Calculate B^x, B must be square! ", ""}));
}

TEST(PowerCommands, ARoundsHalvesToEvenWhileBTruncates) {
  const struct {
    const char* field;
    const char* labelA;
    const char* labelB;
  } cases[] = {{"2.5", "A^(2)=", "B^(2)="},
               {"3.5", "A^(4)=", "B^(3)="},
               {"2.7", "A^(3)=", "B^(2)="},
               {"-2.5", "A^(-2)=", "B^(-2)="}};
  for (const auto& c : cases) {
    EXPECT_EQ(resultOf("A^x", {"1"}, {}, c.field)[0], c.labelA) << c.field;
    EXPECT_EQ(resultOf("B^x", {}, {"1"}, c.field)[0], c.labelB) << c.field;
  }
  EXPECT_EQ(resultOf("A^x", {"2"}, {}, "2+5i"), (Lines{"A^(2)=", cells({"4"}), ""}));
  Calc complexField({}, {"2"}, "2+5i");
  EXPECT_EQ(complexField.run("B^x"), "'2+5i' is not a valid floating point value");
  EXPECT_TRUE(complexField.result().empty());
  Calc kept({}, {"2"}, "2.7");
  kept.run("B^x");
  EXPECT_EQ(kept.s.regs.CoefX.re(), 2.7);
}

TEST(PowerCommands, ExponentOutsideThirtyTwoBitsIsRefusedBeforeTheLabel) {
  for (const char* field : {"2147483648", "-2147483649", "1e10"}) {
    for (const char* action : {"A^x", "B^x"}) {
      Calc c({"1"}, {"1"}, field);
      EXPECT_EQ(c.run(action),
                std::string("'").append(field).append("' is not a valid integer value"));
      EXPECT_TRUE(c.result().empty()) << action;
    }
  }
  // The ends of the range still work (on empty panes, so that no power is formed).
  EXPECT_EQ(resultOf("A^x", {}, {}, "2147483647.4")[0], "A^(2147483647)=");
  EXPECT_EQ(resultOf("B^x", {}, {}, "-2147483648.9"), (Lines{"B^(-2147483648)"}));
}

TEST(NormCommands, FrobeniusNorm) {
  EXPECT_EQ(resultOf("Norm(A)", {"1 2", "3 4"}), (Lines{"Norm(A)=", "", scalarLine("5.477"), ""}));
  EXPECT_EQ(resultOf("Norm(B)", {}, {"3+4i"}), (Lines{"Norm(B)=", "", scalarLine("5"), ""}));
  EXPECT_EQ(resultOf("Norm(A)", {"100000000"}),
            (Lines{"Norm(A)=", "", scalarLine("100000000"), ""}));
  EXPECT_EQ(resultOf("Norm(A)", {}), (Lines{"Norm(A)=", "", scalarLine("0"), ""}));
}

}  // namespace
}  // namespace kelvaro
