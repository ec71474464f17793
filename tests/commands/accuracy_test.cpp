// The condition an operation reports for its square operand, and the words the strip shows.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "../support/calculator.h"
#include "commands/accuracy.h"
#include "commands/enclosure_check.h"
#include "exact/exact_algebra.h"
#include "numbers/result_writer.h"

namespace kelvaro {
namespace {

using test_support::Lines;
using test_support::startedWith;

TEST(Condition, InPlainWords) {
  EXPECT_EQ(conditionText({'A', 3.2e12}, '.'),
            "cond(A) = 3.2E+12: up to 12 of the 16 significant digits may be lost");
  EXPECT_EQ(conditionText({'B', 9.96}, ','),
            "cond(B) = 1,0E+01: up to 1 of the 16 significant digits may be lost");
  EXPECT_EQ(conditionText({'A', 1.0}, '.'),
            "cond(A) = 1.0E+00: none of the 16 significant digits need be lost");
  EXPECT_EQ(conditionText({'A', 5.1e17}, '.'),
            "cond(A) = 5.1E+17: A is singular to working precision");
  EXPECT_EQ(conditionText({'A', std::numeric_limits<double>::infinity()}, '.'),
            "A is singular to working precision");
}

using Integers = std::vector<std::vector<long>>;

// The 1-norm condition of the typed values, from their exact inverse; with upperOnly, of the
// symmetric matrix of their upper triangle.
double trueCondition(const Integers& m, bool upperOnly = false) {
  const int n = static_cast<int>(m.size());
  exact::ExactMatrix a(n, n);
  std::vector<exact::Rational> normA(n), normInv(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      a.re(i, j) = upperOnly && j < i ? m[j][i] : m[i][j];
      normA[j] += a.re(i, j).abs();
    }
  const auto inv = exact::inverse(a, {});
  if (!inv) return std::numeric_limits<double>::infinity();
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) normInv[j] += inv->re(i, j).abs();
  return std::ranges::max(normA).toDouble() * std::ranges::max(normInv).toDouble();
}

// Every operation that reports a condition, on random integer matrices, most of them nearly
// singular (a row close to a sum of two others) and symmetric, so that Chol runs too: the
// estimate from the factors is a lower bound within a factor of 3 of the true condition.
TEST(Condition, WithinAFactorOfThreeOfTheTrueOne) {
  std::mt19937 random(21);
  const char* operations[] = {"inv(A)", "inv(A)*B", "A/B",       "Det(A)",
                              "LU(A)",  "Chol(A)",  "Solve(A,B)"};
  std::map<std::string, int> reported;
  for (int round = 0; round < 100; ++round) {
    const int n = 2 + round % 7;
    Integers m(n, std::vector<long>(n));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j)
        m[i][j] = m[j][i] = std::uniform_int_distribution<long>(-9, 9)(random);
    if (round % 3 && n > 2)
      for (int j = 0; j < n; ++j) m[n - 1][j] = 1000 * (m[0][j] + m[1][j]) + (j == round % n);
    Lines a;
    for (const auto& row : m) {
      std::string line;
      for (long v : row) line += std::to_string(v) + " ";
      a.push_back(line);
    }
    for (const char* action : operations) {
      const double exact = trueCondition(m, std::string(action) == "Chol(A)");
      const bool divide = std::string(action) == "A/B";
      CalcState s = startedWith(divide ? Lines{a[0]} : a, a);
      findCommandByAction(action)->run(s);
      SCOPED_TRACE(std::string(action) + " of " + s.paneA.text() + " / " + s.paneB.text());
      if (!s.condition) {
        // Only the routines that refuse (a zero pivot, no LDL') say nothing.
        EXPECT_TRUE(s.result.text().find("Error") != std::string::npos ||
                    s.result.text().find("No Cholesky") != std::string::npos || divide);
        continue;
      }
      ++reported[action];
      if (std::isinf(exact) || std::isinf(s.condition->value)) continue;
      EXPECT_LE(s.condition->value, exact * 1.001);
      EXPECT_GE(s.condition->value * 3, exact);
    }
  }
  for (const char* action : operations) EXPECT_GT(reported[action], 80) << action;
}

// A singular matrix whose routine still gives a result: its zero pivot is named, and the
// operations without an operand to condition say nothing.
TEST(Condition, SingularAndNone) {
  for (const char* action : {"Det(B)", "LU(B)"}) {
    CalcState s = startedWith({"1"}, {"1 2", "2 4"});
    findCommandByAction(action)->run(s);
    ASSERT_TRUE(s.condition) << action;
    EXPECT_EQ(accuracyNote(s), "B is singular to working precision");
    findCommandByAction("A+B")->run(s);
    EXPECT_EQ(accuracyNote(s), "");
  }
  // Solve conditions a square A from its elimination; an A of another shape has no condition.
  const CommandInfo& solve = *findCommandByAction("Solve(A,B)");
  CalcState s = startedWith({"1 2", "2 4"}, {"1", "2"});
  solve.run(s);
  EXPECT_EQ(accuracyNote(s), "A is singular to working precision");
  s = startedWith({"1 2 3", "4 5 6"}, {"1", "2"});
  solve.run(s);
  EXPECT_EQ(accuracyNote(s), "");
}

// An exact value rounded to three decimals (halves to even) and written out by hand.
std::string atThreeDecimals(const exact::Rational& t) {
  const exact::Rational k = (t * exact::Rational(1000)).roundHalfEven();
  std::string digits = k.abs().text();
  digits.insert(0, digits.size() < 4 ? 4 - digits.size() : 0, '0');
  std::string fraction = digits.substr(digits.size() - 3);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  const std::string whole = digits.substr(0, digits.size() - 3);
  if (k.isZero()) return "0";
  return (k.sign() < 0 ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction);
}

// On nearly singular integer matrices the entries flagged are exactly those whose printed text
// differs from the exact inverse's rounded text; a cancelled check says so.
TEST(PrintedEntries, FlaggedExactlyWhereTheTextDiffers) {
  std::mt19937 random(7);
  const CommandInfo& inverse = *findCommandByAction("inv(A)");
  int flagged = 0;
  for (int round = 0; round < 40; ++round) {
    const int n = 3 + round % 2;
    Integers m(n, std::vector<long>(n));
    for (auto& row : m)
      for (long& v : row) v = std::uniform_int_distribution<long>(-9, 9)(random);
    for (int j = 0; j < n; ++j) m[n - 1][j] = 99991 * m[0][j] + 99989 * m[1][j] + (j == 0);
    Lines a;
    exact::ExactMatrix e(n, n);
    for (int i = 0; i < n; ++i) {
      a.emplace_back();
      for (int j = 0; j < n; ++j) a.back() += std::to_string(m[i][j]) + " ", e.re(i, j) = m[i][j];
    }
    const auto inv = exact::inverse(e, {});
    CalcState s = startedWith(a);
    inverse.run(s);
    if (!inv || s.lastResult.empty()) continue;
    WorkToken work;
    const AccuracyCheck check = checkPrintedEntries(s, inverse, work);
    std::set<std::string> expected, found;
    std::istringstream printed(s.result.text().substr(s.result.text().find('\n') + 1));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        std::string token;
        printed >> token;
        if (token != atThreeDecimals(inv->re(i, j)))
          expected.insert("row " + std::to_string(i + 1) + ", column " + std::to_string(j + 1));
      }
    for (const std::string& entry : check.differing) found.insert(entry.substr(0, entry.find(':')));
    EXPECT_EQ(found, expected) << s.result.text() << check.verdict;
    flagged += static_cast<int>(found.size());
    if (found.empty()) {
      EXPECT_EQ(check.verdict, "all " + std::to_string(n * n) + " printed entries are correct");
    }
    work.requestCancel();
    EXPECT_EQ(checkPrintedEntries(s, inverse, work).verdict, "not checked: beyond the time budget");
  }
  EXPECT_GT(flagged, 20);
}

CalcState ran(const Lines& a, const char* action, std::string_view precision = "3") {
  CalcState s = startedWith(a);
  changePrecision(precision, '.', s.regs);
  findCommandByAction(action)->run(s);
  return s;
}

// Checked on the slim copy the window hands its check.
std::string verdict(const CalcState& s, const char* action) {
  WorkToken work;
  return checkPrintedEntries(enclosedCheckState(s), *findCommandByAction(action), work).verdict;
}

const Lines kSymmetric = {"4 1 0", "1 4 1", "0 1 4"};

// Eigenvalues, singular values and vectors, QR factors and the norm against enclosures of
// their true values (right and wrong digits: tests/cases/accuracy.txt): complex and zero
// eigenvalues are paired with theirs, and faults planted in a result are found.
TEST(EnclosedEntries, PlantedFaults) {
  // Complex eigenvalues; a zero eigenvalue, whose line is left out.
  EXPECT_EQ(verdict(ran({"0 -1", "1 0"}, "Eig(A)"), "Eig(A)"), "all 2 printed entries are correct");
  EXPECT_EQ(verdict(ran({"1 2", "2 4"}, "Eig(A)"), "Eig(A)"), "all 1 printed entries are correct");
  CalcState eig = ran(kSymmetric, "Eig(A)");
  eig.lastResult[0].values[1][0] = Element::real(4.001);
  EXPECT_EQ(verdict(eig, "Eig(A)"),
            "1 of 3 printed entries differ from the true result (first: eigenvalue 2, printed "
            "4.001, true 4)");

  // A column of U is right up to its sign, but all of it has the same sign.
  CalcState svd = ran(kSymmetric, "Svd(A)");
  RCOMat& u = svd.lastResult[0].values;
  for (int r = 0; r < 3; ++r) u[r][1] = Element::real(-u[r][1].re());
  EXPECT_EQ(verdict(svd, "Svd(A)"), "all 27 printed entries are correct");
  u[0][0] = Element::real(-u[0][0].re());
  EXPECT_EQ(verdict(svd, "Svd(A)"),
            "1 of 27 printed entries differ from the true result (first: U, row 1, column 1, "
            "printed 0.5, true -0.5)");

  // Q and R with their first rows negated still give A, but not with the routine's signs.
  CalcState qr = ran(kSymmetric, "QR(A)");
  std::size_t negated = 0;
  for (MatrixPart& part : qr.lastResult)
    for (int c = 0; c < 3; ++c)
      if (const double x = part.values[0][c].re(); x != 0) {
        part.values[0][c] = Element::real(-x);
        ++negated;
      }
  WorkToken work;
  const AccuracyCheck check = checkPrintedEntries(qr, *findCommandByAction("QR(A)"), work);
  EXPECT_EQ(check.differing.size(), negated);
  EXPECT_TRUE(check.verdict.starts_with(std::to_string(negated) + " of 18 printed entries differ"));

  CalcState norm = ran(kSymmetric, "Norm(A)");
  norm.lastResult[0].values[0][0] = Element::real(7.2115);
  EXPECT_EQ(verdict(norm, "Norm(A)"),
            "1 of 1 printed entries differ from the true result (first: row 1, column 1, printed "
            "7.212, true 7.211)");
}

// What the true result leaves open, or what cannot be told, is said, never called correct.
TEST(EnclosedEntries, OpenQuestionsAreSaid) {
  const Lines identity = {"1 0 0", "0 1 0", "0 0 1"};
  EXPECT_EQ(verdict(ran(identity, "Svd(A)"), "Svd(A)"),
            "9 of 27 printed entries are correct; 18 not checked: not unique");
  EXPECT_EQ(verdict(ran({"1 2 3", "4 5 6"}, "Svd(A)"), "Svd(A)"),
            "16 of 19 printed entries are correct; 3 not checked: not unique");
  for (const Lines& a : {identity, Lines{"2 1", "0 2"}})
    EXPECT_EQ(verdict(ran(a, "Eig(A)"), "Eig(A)"),
              "not certified: the eigenvalues are multiple or too close to tell apart");
  EXPECT_EQ(verdict(ran({"1 2", "2 4"}, "QR(A)"), "QR(A)"), "not checked: not unique");
  // 0.0005 is a tie at three decimals: no enclosure of it decides.
  EXPECT_EQ(verdict(ran({"0.0005 1", "0 0.0007"}, "Eig(A)"), "Eig(A)"),
            "1 of 2 printed entries are correct; 1 not certified: too close to a rounding "
            "boundary");
  WorkToken work;
  work.requestCancel();
  EXPECT_EQ(
      checkPrintedEntries(ran(kSymmetric, "Svd(A)"), *findCommandByAction("Svd(A)"), work).verdict,
      "not checked: beyond the time budget");
}

}  // namespace
}  // namespace kelvaro
