// Auto, project files and the notation commands through kelvaro-cli.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/cli_run.h"
#include "tests/support/result_text.h"

namespace kelvaro {
namespace {

using test_support::Cli;
using test_support::labelLines;
using test_support::Outcome;

TEST_F(Cli, AutoOnTheStartUpExample) {
  const std::string old = file("old.txt", "an earlier result\n");
  const Outcome o = run({"--result=" + old, "auto"});
  EXPECT_EQ(o.status, 0) << o;
  EXPECT_EQ(o.err, "");
  // The first three steps, as worked out by hand: A, B and their sum.
  EXPECT_EQ(o.out.substr(0, 200), std::string("A=\n"
                                              "          1          0     3+2.5i\n"
                                              "          0          1          0\n"
                                              "          0          0        1.5\n\n"
                                              "B=\n"
                                              "          1          0     3-2.5i\n"
                                              "          0          1          0\n"
                                              "          0          0        1.5\n\n"
                                              "A+B=\n"
                                              "          2          0          6\n"
                                              "          0          2          0\n"
                                              "          0          0          3\n\n")
                                      .substr(0, 200));
  // Every step in its order; the real-only ones leave their notice, the others a result
  // (A./B refuses a B with zeros).
  EXPECT_EQ(labelLines(o.out),
            (std::vector<std::string>{
                "A=",       "B=",       "A+B=",     "A'=",       "B'=",       "A-B=",     "inv(A)=",
                "inv(B)=",  "A*B=",     "A.*B=",    "A/B=",      "Norm(A)=",  "Norm(B)=", "A./B",
                "Dim(A)=",  "Dim(B)=",  "A&B=",     "Trace(A)=", "Trace(B)=", "A|B=",     "Det(A)=",
                "Det(B)=",  "A#B=",     "Rank(A)=", "Rank(B)=",  "A*x=",      "Eig(A)",   "Eig(B)",
                "B*x=",     "QR(A)",    "QR(B)",    "A^(1)=",    "LU(A)=",    "LU(B)=",   "B^(1)=",
                "Chol(A)=", "Chol(B)=", "Svd(A)",   "Svd(B)"}));
  for (const char* step : {"Eig(A)", "Eig(B)", "QR(A)", "QR(B)", "Svd(A)", "Svd(B)"})
    EXPECT_NE(o.out.find(std::string(step) + "\n Notice: Please input real matrix!\n\n"),
              std::string::npos)
        << step;
  EXPECT_EQ(o.out.find("earlier"), std::string::npos);
}

TEST_F(Cli, AutoStopsAtAnElementThatCannotBeRead) {
  const std::string a = file("a.txt", "1 2\n3 4x\n");
  const Outcome o = run({"--a=" + a, "auto", "A+B"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out,
            "A\nA+B\n Error: To Calculate A+B, the two Matrice must be same dimensions!\n\n");
  EXPECT_EQ(o.err.rfind("Error: ", 0), 0u) << o;
}

TEST_F(Cli, ProjectRoundTripAndRefusals) {
  const std::string a = file("a.txt", "1 0 3\n0 1 0\n0 0 1.5\n");
  const std::string b = file("b.txt", "");
  const std::string project = (dir_ / "p.mtx").string();
  Outcome o = run({"--a=" + a, "--b=" + b, "--x=0.25", "--precision=5", "save-project=" + project});
  EXPECT_EQ(o, (Outcome{"", "", 0}));
  EXPECT_EQ(contentOf(project).size(), 10u + 4 + 8 + 9 * 10 + 8);

  o = run({"open-project=" + project, "--print=a,b,x"});
  EXPECT_EQ(o, (Outcome{"[a]\n 1 0 3\n 0 1 0\n 0 0 1.5\n\n"
                        "[b]\n1 0 3-2.5i\n0 1 0\n0 0 1.5\n"  // stored without rows: kept
                        "[x]\n0.25\n",
                        "", 0}));
  // The precision came back too.
  o = run({"open-project=" + project, "x=0.123456", "A*x"});
  EXPECT_EQ(o.out.substr(0, 39), "A*x=\n    0.12346          0    0.37037\n");

  // The start-up A is complex: no project is written, the old one stays.
  o = run({"save-project=" + project});
  EXPECT_EQ(o, (Outcome{"", "Error: '3+2.5i' is not a valid floating point value\n", 1}));
  EXPECT_EQ(contentOf(project).size(), 120u);

  const std::string cut = file("cut.mtx", contentOf(project).substr(0, 60));
  o = run({"open-project=" + cut, "open-project=" + (dir_ / "none.mtx").string(), "--print=a"});
  EXPECT_EQ(o, (Outcome{"1 0 3+2.5i\n0 1 0\n0 0 1.5\n",
                        "Error: '" + cut + "' is not a valid project file\n", 1}));
}

TEST_F(Cli, ComplexFormatAndPaneConversions) {
  Outcome o = run({"--x=3+2.5i", "format=polar", "--print=x,a"});
  EXPECT_EQ(o, (Outcome{"[x]\n3.905(39.806)\n"
                        "[a]\n1  0  3.905(39.806)  \n0  1  0  \n0  0  1.5  \n\n",
                        "", 0}));
  // Results are written in the chosen notation; the polar text reads back as 3+2.5i.
  o = run({"format=polar", "A"});
  EXPECT_EQ(o, (Outcome{"A=\n"
                        "          1          0 3.905(39.806)\n"
                        "          0          1          0\n"
                        "          0          0        1.5\n\n",
                        "", 0}));

  const std::string b = file("b.txt", "2(90) 1(0)\n\n5(-30)\n");
  o = run({"--b=" + b, "polar-to-rect-b", "rect-to-polar-a", "--print=a,b,result"});
  EXPECT_EQ(o, (Outcome{"[a]\n1  0  3.905(39.806)  \n0  1  0  \n0  0  1.5  \n\n"
                        "[b]\n0+2i  1  \n4.33-2.5i  \n\n"
                        "[result]\n"
                        "Warning : Matrix is incomplete, and the null elements will be replaced "
                        "by zeros.\n",
                        "", 0}));
}

}  // namespace
}  // namespace kelvaro
