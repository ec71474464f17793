// Acceptance: worked examples run end to end through kelvaro-cli, each expected text written
// out by hand from the value the example gives, in the layout of the result writer.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"
#include "tests/support/result_text.h"

namespace kelvaro {
namespace {

using test_support::labelLines;
using test_support::Outcome;

// A printed row of cells with the LF that ends it.
std::string row(const std::vector<std::string>& texts) {
  return test_support::cells(texts) + "\n";
}

// A scalar result: the completed label, an empty line, three blanks and the value in ten.
std::string scalar(const std::string& label, const std::string& value) {
  return label + "=\n\n  " + row({value}) + "\n";
}

// The rows printed under a caption ("   S:"), up to the empty line that ends them.
std::vector<std::string> factorRows(const std::string& out, const std::string& caption) {
  std::vector<std::string> rows;
  const std::size_t at = out.find("\n" + caption + "\n");
  if (at == std::string::npos) return rows;
  std::istringstream in(out.substr(at + caption.size() + 2));
  for (std::string line; std::getline(in, line) && !line.empty();) rows.push_back(line + "\n");
  return rows;
}

class Acceptance : public test_support::Cli {
 protected:
  // Runs the actions on panes A and B holding the given text.
  Outcome on(const std::string& a, const std::string& b, std::vector<std::string> actions) {
    actions.insert(actions.begin(), {"--a=" + file("a.txt", a), "--b=" + file("b.txt", b)});
    return run(actions);
  }
};

TEST_F(Acceptance, DeterminantsAndRanks) {
  // [[1, 2], [2, 4]]: the last diagonal element becomes 0 and is multiplied in.
  EXPECT_EQ(
      on("5\n", "1 2\n2 4\n", {"Det(A)", "Det(B)", "Rank(B)"}),
      (Outcome{scalar("Det(A)", "5") + scalar("Det(B)", "0") + scalar("Rank(B)", "1"), "", 0}));
  // 1 - i*i = 2; a zero matrix has no pivot at all.
  EXPECT_EQ(on("1 i\ni 1\n", "0 0\n0 0\n", {"Det(A)", "Rank(B)"}),
            (Outcome{scalar("Det(A)", "2") + scalar("Rank(B)", "0"), "", 0}));
  // No tolerance in the rank: 1e-300 is a pivot; i has no real part to pivot on.
  EXPECT_EQ(on("0\n0\n5\n", "1 0\n0 1e-300\n", {"Rank(A)", "Rank(B)"}),
            (Outcome{scalar("Rank(A)", "1") + scalar("Rank(B)", "2"), "", 0}));
  EXPECT_EQ(on("1e-300\n", "i\n", {"Rank(A)", "Rank(B)"}),
            (Outcome{scalar("Rank(A)", "1") + scalar("Rank(B)", "0"), "", 0}));
}

TEST_F(Acceptance, LUFactorsWithoutPivoting) {
  EXPECT_EQ(on("4 3\n6 3\n", "5\n", {"LU(A)", "LU(B)"}),
            (Outcome{"LU(A)=\n\n   L:\n" + row({"1", "0"}) + row({"1.5", "1"}) + "\n   U:\n" +
                         row({"4", "3"}) + row({"0", "-1.5"}) + "\nLU(B)=\n\n   L:\n" + row({"1"}) +
                         "\n   U:\n" + row({"5"}) + "\n",
                     "", 0}));
  // A zero in the last pivot is a result, not an error.
  EXPECT_EQ(on("1 2\n2 4\n", "", {"LU(A)"}),
            (Outcome{"LU(A)=\n\n   L:\n" + row({"1", "0"}) + row({"2", "1"}) + "\n   U:\n" +
                         row({"1", "2"}) + row({"0", "0"}) + "\n",
                     "", 0}));
}

TEST_F(Acceptance, InversesOfImaginaryAndTinyMatrices) {
  // Gauss-Jordan pivots on the modulus, so a matrix without real parts inverts.
  EXPECT_EQ(on("i\n", "i 0\n0 i\n", {"inv(A)", "inv(B)"}),
            (Outcome{"inv(A)=\n" + row({"-i"}) + "\ninv(B)=\n" + row({"-i", "0"}) +
                         row({"0", "-i"}) + "\n",
                     "", 0}));
  // 1e-14 is above 2^-64, so 1e-7 has an inverse here (A/B fails on it).
  EXPECT_EQ(on("1\n", "1e-7\n", {"inv(B)"}),
            (Outcome{"inv(B)=\n" + row({"10000000"}) + "\n", "", 0}));
}

TEST_F(Acceptance, EigenvaluesInTheOrderTheySplitOff) {
  EXPECT_EQ(on("5\n", "4 1 0 0\n1 4 1 0\n0 1 4 1\n0 0 1 4\n", {"Eig(A)", "precision=5", "Eig(B)"}),
            (Outcome{"Eig(A)=\n\n\n" + row({"5"}) + "\nEig(B)=\n\n\n" + row({"2.38197"}) +
                         row({"5.61803"}) + row({"4.61803"}) + row({"3.38197"}) + "\n",
                     "", 0}));
}

TEST_F(Acceptance, SingularValues) {
  EXPECT_EQ(on("-5\n", "", {"Svd(A)"}), (Outcome{"Svd(A)=\n\n   U:\n" + row({"1"}) + "\n   S:\n" +
                                                     row({"5"}) + "\n   V:\n" + row({"-1"}) + "\n",
                                                 "", 0}));

  const Outcome square =
      on("1 2\n3 4\n", "1 2 3\n4 5 6\n7 8 10\n", {"precision=5", "Svd(A)", "Svd(B)"});
  ASSERT_EQ(square.status, 0) << square;
  const std::string svdB = square.out.substr(square.out.find("Svd(B)="));
  EXPECT_EQ(factorRows(square.out, "   S:"),
            (std::vector<std::string>{row({"5.46499", "0"}), row({"0", "0.36597"})}));
  EXPECT_EQ(factorRows(svdB, "   S:"),
            (std::vector<std::string>{row({"17.41251", "0", "0"}), row({"0", "0.87516", "0"}),
                                      row({"0", "0", "0.19687"})}));

  // Wide: S is 2x3 and V 3x3. Tall: S is 3x2 and the third column of U stays zero.
  const Outcome shapes =
      on("1 2 3\n4 5 6\n", "2 0\n1 1\n0 2\n", {"precision=5", "Svd(A)", "Svd(B)"});
  ASSERT_EQ(shapes.status, 0) << shapes;
  const std::string wide = shapes.out.substr(0, shapes.out.find("Svd(B)="));
  const std::string tall = shapes.out.substr(shapes.out.find("Svd(B)="));
  EXPECT_EQ(factorRows(wide, "   S:"),
            (std::vector<std::string>{row({"9.50803", "0", "0"}), row({"0", "0.77287", "0"})}));
  EXPECT_EQ(factorRows(wide, "   V:").size(), 3u);
  EXPECT_EQ(factorRows(tall, "   S:"),
            (std::vector<std::string>{row({"2.44949", "0"}), row({"0", "2"}), row({"0", "0"})}));
  const std::vector<std::string> u = factorRows(tall, "   U:");
  ASSERT_EQ(u.size(), 3u);
  for (const std::string& line : u) EXPECT_TRUE(line.ends_with(row({"0"}))) << line;
}

TEST_F(Acceptance, CholeskyOfAnIndefiniteAndASingleElement) {
  EXPECT_EQ(on("1 2\n2 1\n", "7\n", {"Chol(A)", "Chol(B)"}),
            (Outcome{"Chol(A)=\n\n   L:\n" + row({"1", "0"}) + row({"2", "1"}) + "\n   D:\n" +
                         row({"1", "0"}) + row({"0", "-3"}) + "\nChol(B)=\n\n   L:\n" + row({"1"}) +
                         "\n   D:\n" + row({"7"}) + "\n",
                     "", 0}));
}

TEST_F(Acceptance, FrobeniusNorms) {
  EXPECT_EQ(on("3 4\n", "-2\n", {"Norm(A)", "Norm(B)"}),
            (Outcome{scalar("Norm(A)", "5") + scalar("Norm(B)", "2"), "", 0}));
  EXPECT_EQ(on("1 1\n1 1\n", "0.001\n", {"Norm(A)", "Norm(B)"}),
            (Outcome{scalar("Norm(A)", "2") + scalar("Norm(B)", "0.001"), "", 0}));
}

TEST_F(Acceptance, AutoWithAnEmptyPaneA) {
  const Outcome o = on("", "1 2\n3 4\n", {"auto"});
  ASSERT_EQ(o.status, 0) << o;
  EXPECT_EQ(o.err, "");
  // Every step on B has its result; the steps on both panes refuse the sizes, and the
  // steps on A alone complete their label on an empty result.
  EXPECT_EQ(labelLines(o.out),
            (std::vector<std::string>{
                "A=",       "B=",       "A+B",      "A'=",       "B'=",       "A-B",      "inv(A)=",
                "inv(B)=",  "A*B",      "A.*B",     "A/B",       "Norm(A)=",  "Norm(B)=", "A./B",
                "Dim(A)=",  "Dim(B)=",  "A&B",      "Trace(A)=", "Trace(B)=", "A|B",      "Det(A)=",
                "Det(B)=",  "A#B",      "Rank(A)=", "Rank(B)=",  "A*x=",      "Eig(A)=",  "Eig(B)=",
                "B*x=",     "QR(A)=",   "QR(B)=",   "A^(1)=",    "LU(A)=",    "LU(B)=",   "B^(1)=",
                "Chol(A)=", "Chol(B)=", "Svd(A)=",  "Svd(B)="}));
  for (const std::string& block : std::vector<std::string>{
           "\nA=\n\nB=\n", "\nDim(A)=\n\n       0*0\n\n", scalar("\nNorm(A)", "0"),
           scalar("\nDet(A)", "1"), scalar("\nDet(B)", "-2"),
           "\nEig(A)=\n\n\n\nEig(B)=\n\n\n" + row({"-0.372"}) + row({"5.372"}) + "\n",
           "\nSvd(A)=\n\n   U:\n\n   S:\n\n   V:\n\nSvd(B)=\n"})
    EXPECT_NE(("\n" + o.out).find(block), std::string::npos) << block;
}

TEST_F(Acceptance, FieldOptionsAndTheInitialFormat) {
  // The initial format leaves the panes as they are; Fill writes copies of x; printed in
  // polar, i is 1(90). Choosing rectangular converts x and both panes.
  const Outcome o = run({"--format=polar", "--rows=1", "--columns=2", "--x=i", "fill-a", "A",
                         "format=rect", "A", "--print=a,b,x,result"});
  EXPECT_EQ(o, (Outcome{"[a]\n"
                        "0+1i  0+1i  \n"
                        "[b]\n"
                        "1       0       3-2.5i  \n"
                        "0       1       0       \n"
                        "0       0       1.5     \n"
                        "[x]\n"
                        "i\n"
                        "[result]\n"
                        "A=\n" +
                            row({"1(90)", "1(90)"}) + "\nA=\n" + row({"i", "i"}) + "\n",
                        "", 0}));
}

}  // namespace
}  // namespace kelvaro
