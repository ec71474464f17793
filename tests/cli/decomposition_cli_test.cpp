// QR, Eig and Svd through kelvaro-cli: real-only reading with the locale's separator, the
// printed layout and the exit status.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/cli_run.h"

namespace kelvaro {
namespace {

using test_support::Cli;
using test_support::Outcome;

// Worked by hand: R = [[-2, 0, 0], [0, -5, -9.6], [0, 0, 2.2]] from the reflections of
// (2, 0, 0) and (3, 4); the singular values of this symmetric matrix are its eigenvalues, U's
// columns and V's rows its eigenvectors (1, 2)/√5, (1, 0, 0) and (2, -1)/√5.
TEST_F(Cli, DecompositionsOfOnePane) {
  const std::string a = file("a.txt", "2 0 0\n0 3 4\n0 4 9\n");
  const Outcome o = run({"--a=" + a, "Eig(A)", "QR(A)", "Svd(A)", "--print=result"});
  EXPECT_EQ(o.status, 0) << o;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out,
            "Eig(A)=\n\n\n          2\n          1\n         11\n\n"
            "QR(A)=\n\n   Q:\n"
            "         -1          0          0\n"
            "          0       -0.6       -0.8\n"
            "          0       -0.8        0.6\n\n"
            "   R:\n"
            "         -2          0          0\n"
            "          0         -5       -9.6\n"
            "          0          0        2.2\n\n"
            "Svd(A)=\n\n   U:\n"
            "          0         -1          0\n"
            "     -0.447          0     -0.894\n"
            "     -0.894          0      0.447\n\n"
            "   S:\n"
            "         11          0          0\n"
            "          0          2          0\n"
            "          0          0          1\n\n"
            "   V:\n"
            "          0     -0.447     -0.894\n"
            "         -1          0          0\n"
            "          0     -0.894      0.447\n\n");
}

TEST_F(Cli, RealOnlyReadingUsesTheLocaleSeparator) {
  const std::string comma = file("comma.txt", "1,5 2\n3 4\n");
  Outcome o = run({"--decimal-separator=,", "--a=" + comma, "Eig(A)"});
  EXPECT_EQ(o, (Outcome{"Eig(A)=\n\n\n        5,5\n\n", "", 0}));
  // The standard conversion knows one separator only; a complex token is refused first.
  const std::string dot = file("dot.txt", "1.5 2\n3 4\n");
  o = run({"--decimal-separator=,", "--a=" + dot, "Eig(A)"});
  EXPECT_EQ(o, (Outcome{"Eig(A)\n", "Error: '1.5' is not a valid floating point value\n", 1}));
  const std::string complex = file("complex.txt", "1 2\n3 4-i\n");
  o = run({"--b=" + complex, "Svd(B)", "QR(B)"});
  EXPECT_EQ(o, (Outcome{"Svd(B)\n Notice: Please input real matrix!\n\n"
                        "QR(B)\n Notice: Please input real matrix!\n\n",
                        "", 0}));
}

}  // namespace
}  // namespace kelvaro
