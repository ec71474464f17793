#include "numbers/result_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/calc_error.h"
#include "test_panes.h"

namespace kelvaro {
namespace {

const NumberFormat kThree{1000, '.'};

RCOMat complexMatrix(std::initializer_list<std::initializer_list<Element>> rows) {
  RCOMat m(static_cast<int>(rows.size()), static_cast<int>(rows.begin()->size()));
  int r = 0;
  for (const auto& row : rows) {
    int c = 0;
    for (const Element& e : row) m[r][c++] = e;
    ++r;
  }
  return m;
}

Element cx(double re, double im = 0) {
  return Element::complex(re, im);
}

// Writes under a label the way a command does and returns the pane's lines.
Lines written(Registers& regs, const NumberFormat& nf = kThree, const char* label = "L") {
  Pane result;
  result.add(label);
  writeResult(result, regs, nf);
  return result.lines();
}

TEST(ResultWriter, MatrixInCellsOfElevenCharacters) {
  Registers regs;
  regs.MatR = complexMatrix({{cx(2), cx(4)}, {cx(1.5, -1), cx(0.0625)}});
  regs.RowN = 2;
  regs.ColN = 2;
  EXPECT_EQ(written(regs, kThree, "A+B"),
            Lines({"A+B=", "          2          4", "      1.5-i      0.062", ""}));
  EXPECT_EQ(regs.ResKind, kResMatrix);
}

TEST(ResultWriter, LongCellsWidenTheirRow) {
  Registers regs;
  regs.MatR = complexMatrix({{cx(2), cx(-2), cx(3)}});
  regs.RowN = 1;
  regs.ColN = 3;
  EXPECT_EQ(written(regs, NumberFormat{0, '.'}),
            Lines({"L=", " 2.000E+000 -2.000E+000 3.000E+000", ""}));
  regs.MatR = complexMatrix({{cx(1, 1)}});
  regs.ColN = 1;
  EXPECT_EQ(written(regs, NumberFormat{1000, '.', DisplayFormat::Polar}),
            Lines({"L=", "  1.414(45)", ""}));
}

TEST(ResultWriter, EmptyResultAndUnknownKinds) {
  Registers regs;
  EXPECT_EQ(written(regs), Lines({"L=", ""}));
  // Any kind above 7 prints MatR and is left as it is.
  regs.ResKind = 9;
  regs.MatR = complexMatrix({{cx(1)}});
  regs.RowN = regs.ColN = 1;
  EXPECT_EQ(written(regs), Lines({"L=", "          1", ""}));
  EXPECT_EQ(regs.ResKind, 9);
  // The label goes on the last line; an empty pane gets a line of its own.
  Pane result;
  regs.ResKind = kResMatrix;
  regs.RowN = 0;
  writeResult(result, regs, kThree);
  EXPECT_EQ(result.lines(), Lines({"=", ""}));
}

TEST(ResultWriter, RowsAndColumnsBeyondTheRegisterPrintAsZero) {
  Registers regs;
  regs.MatR = complexMatrix({{cx(1)}});
  regs.RowN = 2;
  regs.ColN = 2;
  EXPECT_EQ(written(regs), Lines({"L=", "          1          0", "          0          0", ""}));
}

TEST(ResultWriter, ScalarAndDimensions) {
  Registers regs;
  regs.ResKind = kResScalar;
  regs.ScalarR = Element::integer(5);
  EXPECT_EQ(written(regs), Lines({"L=", "", "            5", ""}));
  EXPECT_EQ(regs.ResKind, kResMatrix);

  regs.ResKind = kResScalar;
  regs.ScalarR = cx(1, -2);
  EXPECT_EQ(written(regs), Lines({"L=", "", "         1-2i", ""}));

  regs.ResKind = kResDimensions;
  regs.DimRows = 3;
  regs.DimCols = 4;
  EXPECT_EQ(written(regs), Lines({"L=", "", "       3*4", ""}));
  EXPECT_EQ(regs.ResKind, kResMatrix);
}

TEST(ResultWriter, FactorsWithTheirCaptionsAndElementText) {
  Registers regs;
  regs.RowN = 1;
  regs.ColN = 2;
  regs.MatF1 = complexMatrix({{cx(1, 2)}});
  regs.MatF2 = complexMatrix({{cx(3, 4), cx(5)}});

  // Each caption is followed by an empty line that the factor's first row fills.
  regs.ResKind = kResQR;  // R is printed real-only
  EXPECT_EQ(written(regs),
            Lines({"L=", "", "   Q:", "       1+2i", "", "   R:", "          3          5", ""}));
  EXPECT_EQ(regs.ResKind, kResMatrix);

  regs.ResKind = kResLU;
  EXPECT_EQ(written(regs),
            Lines({"L=", "", "   L:", "       1+2i", "", "   U:", "       3+4i          5", ""}));

  regs.ResKind = kResLDL;
  EXPECT_EQ(written(regs),
            Lines({"L=", "", "   L:", "       1+2i", "", "   D:", "       3+4i          5", ""}));

  regs.ResKind = kResSVD;  // U, S and V all real-only; V is ColN x ColN
  regs.MatA = complexMatrix({{cx(7, 1), cx(8)}});
  regs.MatF2 = complexMatrix({{cx(1), cx(2)}, {cx(3), cx(4, 9)}});
  EXPECT_EQ(written(regs),
            Lines({"L=", "", "   U:", "          1", "", "   S:", "          7          8", "",
                   "   V:", "          1          2", "          3          4", ""}));
  EXPECT_EQ(regs.ResKind, kResMatrix);
}

TEST(ResultWriter, Eigenvalues) {
  Registers regs;
  regs.ResKind = kResEigenvalues;
  regs.ColN = 4;
  regs.EigRe = {99, 1, 0, 2.5, 0};  // index 0 is unused
  regs.EigIm = {99, -2, 0, 0, 0.5};
  EXPECT_EQ(written(regs), Lines({"L=", "", "", "          1+        -2i", "        2.5",
                                  "          0+       0.5i", ""}));
  EXPECT_EQ(regs.ResKind, kResMatrix);
  // Fewer stored eigenvalues than ColN: the missing ones are zero and print nothing.
  regs.ResKind = kResEigenvalues;
  regs.EigRe = {0, 3};
  regs.EigIm = {0, 0};
  EXPECT_EQ(written(regs), Lines({"L=", "", "", "          3", ""}));
}

TEST(PrecisionBox, ChangesTheScale) {
  Registers regs;
  changePrecision("e", '.', regs);
  EXPECT_EQ(regs.PrecScale, 0);
  changePrecision("5", '.', regs);
  EXPECT_EQ(regs.PrecScale, 100000);
  changePrecision("2,5", ',', regs);
  EXPECT_NEAR(static_cast<double>(regs.PrecScale), 316.227766, 1e-6);
  changePrecision(" 1 ", '.', regs);
  EXPECT_EQ(regs.PrecScale, 10);
}

TEST(PrecisionBox, TextThatIsNoNumberKeepsTheScale) {
  Registers regs;
  changePrecision("4", '.', regs);
  for (const char* text : {"", "E", "x", "2.5", "nan", "1e999"}) {
    try {
      changePrecision(text, ',', regs);
      ADD_FAILURE() << text;
    } catch (const CalcError& e) {
      EXPECT_EQ(e.what(),
                std::string("'").append(text).append("' is not a valid floating point value"));
    }
    EXPECT_EQ(regs.PrecScale, 10000);
  }
}

}  // namespace
}  // namespace kelvaro
