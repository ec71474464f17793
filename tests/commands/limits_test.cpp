// What keeps a command from taking memory or time without end: the largest matrix, the
// largest aligned pane, and the power commands' repeat shortcut and work limit.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "matrix/Zezizir2.h"
#include "numbers/matrix_text.h"
#include "numbers/pane_text.h"
#include "tests/support/calculator.h"
#include "tests/support/error_message.h"

namespace kelvaro {
namespace {

using Lines = std::vector<std::string>;
using test_support::errorOf;

// The power as the definition forms it: count - 1 products, the running power on the left.
RCOMat leftToRight(const RCOMat& a, long long count) {
  RCOMat c = a, r;
  int err = 0;
  for (long long k = 1; k < count; ++k) {
    MatMul(c, a, r, err);
    c = r;
  }
  return c;
}

bool sameBits(const RCOMat& x, const RCOMat& y) {
  if (x.rows() != y.rows() || x.cols() != y.cols()) return false;
  for (std::size_t i = 0; i < x.elements().size(); ++i) {
    const Element &p = x.elements()[i], &q = y.elements()[i];
    if (p.kind() != q.kind() ||
        std::bit_cast<std::uint64_t>(p.re()) != std::bit_cast<std::uint64_t>(q.re()) ||
        std::bit_cast<std::uint64_t>(p.im()) != std::bit_cast<std::uint64_t>(q.im()))
      return false;
  }
  return true;
}

RCOMat complexMatrix(int n, const std::vector<Element>& values) {
  RCOMat m(n, n);
  for (int i = 0; i < n * n; ++i) m.elements()[i] = values[static_cast<std::size_t>(i)].toComplex();
  return m;
}

struct Power {
  PowerOutcome outcome;
  RCOMat r;
};
Power power(RCOMat a, int x, std::uint64_t limit = kPowerWorkLimit) {
  RCOMat c, r;
  int err = 0;
  const PowerOutcome outcome = matrixPower(a, x, c, r, err, limit);
  return {outcome, r};
}

TEST(MatrixPower, SkippingRepeatedPowersChangesNoBit) {
  const std::vector<RCOMat> matrices = {
      // Converges (to a fixed point, or to powers that alternate in their last bits).
      complexMatrix(
          2, {Element::real(0.9), Element::real(0.1), Element::real(0.5), Element::real(0.5)}),
      complexMatrix(1, {Element::real(2)}),            // overflows to INF, then stays
      complexMatrix(1, {Element::complex(0.5, 0.5)}),  // underflows to 0
      complexMatrix(2, {Element::real(0), Element::real(1), Element::real(1), Element::real(0)}),
      complexMatrix(1, {Element::complex(0, 1)}),  // i, -1, -i, 1, i, ...
      complexMatrix(2, {Element::real(0.6), Element::real(-0.8), Element::real(0.8),
                        Element::real(0.6)}),  // turns without settling
      complexMatrix(2, {Element::real(1e300), Element::real(-1e300), Element::real(1),
                        Element::real(0)}),  // INF - INF: NaN
  };
  for (std::size_t m = 0; m < matrices.size(); ++m) {
    for (const int x : {2, 3, 4, 5, 7, 8, 9, 33, 64, 65, 1000, 1023, 1024, 1025, 3001}) {
      SCOPED_TRACE("matrix " + std::to_string(m) + ", x = " + std::to_string(x));
      const Power p = power(matrices[m], x);
      ASSERT_EQ(p.outcome, PowerOutcome::Done);
      EXPECT_TRUE(sameBits(p.r, leftToRight(matrices[m], x)));
      // A negative power inverts the same positive power (or fails as its inversion does).
      RCOMat inverse, positive = leftToRight(matrices[m], x);
      int err = 0;
      const std::string failure = errorOf([&] { MatInvLU(positive, inverse, err); });
      Power n{};
      EXPECT_EQ(errorOf([&] { n = power(matrices[m], -x); }), failure);
      if (!failure.empty()) continue;
      EXPECT_EQ(n.outcome, err == kMatOk ? PowerOutcome::Done : PowerOutcome::Singular);
      if (err == kMatOk) {
        EXPECT_TRUE(sameBits(n.r, inverse));
      }
    }
  }
}

TEST(MatrixPower, HugeExponentsOfRepeatingPowersFinish) {
  // With the limit of the commands: far more products than it allows, yet the powers repeat.
  const RCOMat swap =
      complexMatrix(2, {Element::real(0), Element::real(1), Element::real(1), Element::real(0)});
  EXPECT_TRUE(sameBits(power(swap, 2147483647).r, swap));
  const Power even = power(swap, -2147483647 - 1);  // the inverse of the identity
  ASSERT_EQ(even.outcome, PowerOutcome::Done);
  EXPECT_EQ(even.r[0][0].re(), 1);
  EXPECT_EQ(even.r[0][1].re(), 0);
  const Power i = power(complexMatrix(1, {Element::complex(0, 1)}), 2147483647);  // 4k + 3
  EXPECT_EQ(i.r[0][0].re(), 0);
  EXPECT_EQ(i.r[0][0].im(), -1);
  EXPECT_EQ(power(complexMatrix(1, {Element::real(0.5)}), 2147483647).r[0][0].re(), 0);
  EXPECT_EQ(power(complexMatrix(1, {Element::real(1)}), 2147483647).r[0][0].re(), 1);
}

TEST(MatrixPower, BeyondTheWorkLimitOnlyRepeatsFinish) {
  const RCOMat shear =
      complexMatrix(2, {Element::real(1), Element::real(1), Element::real(0), Element::real(1)});
  // 2 x 2 products count kLeastProductCost each: this limit allows exactly 100 products.
  const std::uint64_t limit = 100 * kLeastProductCost;
  EXPECT_EQ(largestFullPower(2, limit), 101);
  const Power full = power(shear, 101, limit);
  ASSERT_EQ(full.outcome, PowerOutcome::Done);
  EXPECT_EQ(full.r[0][1].re(), 101);
  EXPECT_EQ(power(shear, 102, limit).outcome, PowerOutcome::TooMuchWork);
  EXPECT_EQ(power(shear, -102, limit).outcome, PowerOutcome::TooMuchWork);
  EXPECT_EQ(power(shear, 2147483647, limit).outcome, PowerOutcome::TooMuchWork);

  // Beyond the limit, a 64th of it goes to looking for a repeat (here 100 products).
  const RCOMat swap =
      complexMatrix(2, {Element::real(0), Element::real(1), Element::real(1), Element::real(0)});
  const std::uint64_t larger = 64 * 100 * kLeastProductCost;
  const Power repeated = power(swap, 1000001, larger);
  ASSERT_EQ(repeated.outcome, PowerOutcome::Done);
  EXPECT_TRUE(sameBits(repeated.r, swap));
  // Larger matrices count n^3 per product.
  EXPECT_EQ(largestFullPower(1000, kPowerWorkLimit), 1 + (std::int64_t{1} << 36) / 1000000000);
}

// One long first row over many one-element rows: little text, a matrix of n x n.
Lines ragged(int n) {
  Lines lines;
  std::string first;
  for (int c = 0; c < n; ++c) first += "1 ";
  lines.push_back(first);
  for (int r = 1; r < n; ++r) lines.push_back("1");
  return lines;
}

using test_support::Calc;

TEST(Limits, MatricesBeyondTheLargestAreRefusedBeforeMemoryIsTaken) {
  const std::string tooLarge =
      "A 5000 x 5000 matrix is too large: a matrix has at most 16777216 elements.";
  for (const char* action : {"A", "A'", "Det(A)", "Eig(A)", "Svd(A)", "Norm(A)", "inv(A)"}) {
    Calc c(ragged(5000));
    EXPECT_EQ(c.run(action), tooLarge) << action;
    // The label (under the warning about the short rows) stays without "=".
    EXPECT_EQ(c.s.result.lines().back(), action);
  }
  // A tall A times a wide B: small operands, a product of 5000 x 5000.
  Calc product(Lines(5000, "2"), {ragged(5000)[0]});
  EXPECT_EQ(product.run("A*B"), tooLarge);
  // QR of a tall column needs an orthogonal factor of 20000 x 20000.
  Calc qr(Lines(20000, "1"));
  EXPECT_EQ(qr.run("QR(A)"),
            "A 20000 x 20000 matrix is too large: a matrix has at most 16777216 elements.");
  // The largest square matrix still reads.
  Calc largest(ragged(4096));
  EXPECT_EQ(largest.run("Dim(A)"), "");
  EXPECT_EQ(largest.s.result.lines().back(), "");
  EXPECT_EQ(largest.s.result.lines()[largest.s.result.lineCount() - 2], "       4096*4096");
}

TEST(Limits, AligningThatWouldOutgrowMemoryIsRefusedAndChangesNothing) {
  // 1100 short elements and one of 2^20 characters: every column would be as wide as it.
  Lines lines(10, std::string(110 * 2, ' '));
  for (std::string& line : lines)
    for (std::size_t c = 0; c < line.size(); c += 2) line[c] = '7';
  lines.push_back(std::string(1 << 20, '8'));
  const std::string refusal =
      "Cannot align the pane: its 1101 elements in columns of 1048578 characters would take "
      "more than 1073741824 characters.";
  Pane pane;
  pane.setLines(lines);
  EXPECT_EQ(errorOf([&] { alignPane(pane); }), refusal);
  EXPECT_EQ(pane.lines(), lines);
  // Every command aligns first: it ends there, before its label.
  Calc c({"1"}, lines);
  EXPECT_EQ(c.run("A"), refusal);
  EXPECT_TRUE(c.s.result.empty());
  EXPECT_EQ(c.s.paneB.lines(), lines);
}

TEST(PowerCommands, ExponentBeyondTheWorkLimitIsRefusedUnlessThePowersRepeat) {
  Calc shear({"1 1", "0 1"}, {"1 1", "0 1"}, "102");
  shear.s.powerWorkLimit = 100 * kLeastProductCost;
  EXPECT_EQ(shear.run("A^x"), "");
  EXPECT_EQ(shear.run("B^x"), "");
  EXPECT_EQ(
      shear.s.result.lines(),
      (Lines{"A^(102)",
             " Error: To Calculate A^x, x is too large for a 2 x 2 matrix (at most 101)!", "",
             "B^(102)",
             " Error: To Calculate B^x, x is too large for a 2 x 2 matrix (at most 101)!", ""}));
  // With the limit of the window, the powers of a permutation repeat long before it.
  Calc swap({"0 1", "1 0"}, {}, "2147483647");
  EXPECT_EQ(swap.run("A^x"), "");
  EXPECT_EQ(swap.s.result.lines(),
            (Lines{"A^(2147483647)=", "          0          1", "          1          0", ""}));
}

}  // namespace
}  // namespace kelvaro
