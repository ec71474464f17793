// kelvaro-cli end to end on the complex matrix commands: labels, results, error lines and
// message boxes, as a script sees them.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/cli_run.h"

namespace kelvaro {
namespace {

using test_support::Outcome;
using ComplexCli = test_support::Cli;

TEST_F(ComplexCli, ErrorLinesOfTheSizeChecks) {
  const std::string a = file("a.txt", "1 2 3\n4 5 6\n");
  const std::string b = file("b.txt", "1 2\n3 4\n");
  EXPECT_EQ(run({"--a=" + a, "--b=" + b, "A*B", "A.*B", "A./B", "A|B", "A/B", "Det(A)", "LU(A)",
                 "Chol(A)", "A^x", "B^x", "inv(A)*B"}),
            (Outcome{"A*B\n"
                     " Error: To Calculate A*B, A(Col)=B(Row)!\n"
                     "\n"
                     "A.*B\n"
                     " Error: To Calculate A.*B, the two Matrixs must be same dimensions!\n"
                     " \n"
                     "A./B\n"
                     " Error: To Calculate A./B, the two Matrixs must be same dimensions!\n"
                     "\n"
                     "A|B\n"
                     " Error: To Calculate A|B, the two Matrice must be same dimensions!\n"
                     "\n"
                     "A/B\n"
                     " Error: To Calculate A/B, B Should be square, and A(Col)=B(Row)!\n"
                     "\n"
                     "Det(A)\n"
                     " Error: To Calculate Det(A), the Matrix must be square!\n"
                     "\n"
                     "LU(A)\n"
                     " Error: To Calculate LU, Matrix must be square!\n"
                     "\n"
                     "Chol(A)\n"
                     " Error: To Calculate Cholesky, Row=Col!\n"
                     "\n"
                     "A^(1)\n"
                     " Error: To Calculate A^x, A must be square! \n"
                     "\n"
                     "B^(1)=\n"
                     "          1          2\n"
                     "          3          4\n"
                     "\n"
                     "inv(A)*B\n"
                     " Error: To Calculate A*B, A(Col)=B(Row)!\n"
                     "\n",
                     "", 0}));
}

TEST_F(ComplexCli, FailuresOfTheNumericRoutines) {
  const std::string a = file("a.txt", "0 1\n1 0\n");
  const std::string b = file("b.txt", "1 2\n2 4\n");
  EXPECT_EQ(run({"--a=" + a, "--b=" + b, "--x=-1", "LU(A)", "Chol(A)", "inv(B)", "A/B", "B^x",
                 "swap-ab", "A./B"}),
            (Outcome{"LU(A)\n"
                     " Error:  Calculate LU failed!\n"
                     "\n"
                     "Chol(A)\n"
                     " No Cholesky decomposition!\n"
                     "\n"
                     "inv(B)\n"
                     " Error: inv(B) has no result!\n"
                     "\n"
                     "A/B\n"
                     "B^(-1)\n"
                     "A./B\n"
                     " Error: To Calculate A./B, the Matrix B without 0!\n"
                     "\n",
                     "", 0}));
}

TEST_F(ComplexCli, MessageBoxesEndTheCommandAndTheRunGoesOn) {
  const std::string b = file("b.txt", "1e-7\n");
  EXPECT_EQ(run({"--a=" + b, "--b=" + b, "--x=7e9", "A/B", "A^x", "x=2.5", "B^x", "rows=1e3",
                 "fill-a", "--print=result,a"}),
            (Outcome{"[result]\n"
                     "A/B\n"
                     "B^(2)=\n"
                     "          0\n"
                     "\n"
                     "[a]\n"
                     "1e-7  \n",
                     "Error: Division by zero\n"
                     "Error: '7e9' is not a valid integer value\n"
                     "Error: '1e3' is not a valid integer value\n",
                     1}));
}

TEST_F(ComplexCli, FillWritesThePane) {
  EXPECT_EQ(run({"x=1+i", "rows=2", "columns=2", "fill-b", "B", "--print=b,result"}),
            (Outcome{"[b]\n"
                     "1+1i  1+1i  \n"
                     "1+1i  1+1i  \n"
                     "[result]\n"
                     "B=\n"
                     "        1+i        1+i\n"
                     "        1+i        1+i\n"
                     "\n",
                     "", 0}));
}

}  // namespace
}  // namespace kelvaro
