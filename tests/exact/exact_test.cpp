// The exact library: values as typed and printed, and the identities its results must satisfy
// on random rational and Gaussian-rational matrices, singular and rectangular ones included.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "exact/exact_algebra.h"
#include "exact/exact_bounds.h"
#include "exact/exact_eigen.h"
#include "exact/exact_text.h"
#include "exact/steps.h"
#include "matrix/mat_echelon.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_text.h"

namespace kelvaro::exact {
namespace {

std::string readText(std::string_view token) {
  return ExactReader("Matrix A", NumberFormat{}).read(token, 1, 2).text();
}

TEST(ExactText, ValuesReadAsTypedAndPrintAsPeopleWriteThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.1", "1/10"},       {"2.5e-3", "1/400"}, {"-5/7+1/2i", "-5/7+1/2i"},
      {"3/4i", "3/4i"},      {"-3/4i", "-3/4i"},  {"1,5", "3/2"},
      {"6/-4", "-3/2"},      {"i", "i"},          {"3-i", "3-i"},
      {"-2i", "-2i"},        {"1+1i", "1+i"},     {"5(90)", "5i"},
      {"2(180)", "-2"},      {"1(-90)", "-i"},    {"3(720)", "3"},
      {"1e3", "1000"},       {"1/2+0i", "1/2"},   {"-0", "0"},
      {"1.5(270)", "-3/2i"}, {"1(360)", "1"},     {"2(-360)", "2"},
      {"1(-270)", "i"},      {"1(450)", "i"},     {"1(-180)", "-1"}};
  for (const auto& [token, text] : cases) EXPECT_EQ(readText(token), text) << token;
  const std::pair<const char*, const char*> refused[] = {
      {"5(30)", "row 2, column 3: 5(30) has no exact value"},
      {"1e-999999999", "row 2, column 3: the exponent of 1e-999999999 is too large"},
      {"1/0", "1/0 divides by zero"},
      {"2/3+x", "Could not parse imaginary portion"},
      {"1/", "Could not parse real portion"}};
  for (const auto& [token, message] : refused) {
    std::string error = "no error";
    try {
      readText(token);
    } catch (const CalcError& e) {
      error = e.what();
    }
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

TEST(ExactText, DoublesAndDecimalsRoundOnceToTheNearest) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    const double d =
        std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 2090) - 1126);
    EXPECT_EQ(Rational::fromDouble(d).toDouble(), d);
    const Rational q(static_cast<long>(random() >> 2) - (1L << 60),
                     static_cast<long>(random() % 100000) + 1);
    const double n = q.toDouble();
    for (double other : {std::nextafter(n, -HUGE_VAL), std::nextafter(n, HUGE_VAL)})
      EXPECT_LE((q - Rational::fromDouble(n)).abs(), (q - Rational::fromDouble(other)).abs());
  }
  EXPECT_EQ(Rational(1, 3).toDouble(), 1.0 / 3);
  EXPECT_EQ(decimalText(Rational(2, 3), 15, '.'), "0.666666666666667");
  EXPECT_EQ(decimalText(Rational(-1, 8000000), 15, ','), "-1,25E-7");
  EXPECT_EQ(decimalText(Rational(5, 2).roundHalfEven(), 3, '.'), "2");
}

ExactMatrix randomMatrix(std::mt19937& random, int rows, int cols, bool complex, int rank) {
  ExactMatrix m(rows, cols, complex);
  // Numerator before denominator and real part before imaginary part on every compiler.
  const auto value = [&] {
    const long p = static_cast<long>(random() % 11) - 5;
    return Rational(p, static_cast<long>(random() % 3) + 1);
  };
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const Rational re = value();
      m.set(r, c, GaussRational(re, complex ? value() : Rational()));
    }
  // Rows past `rank` are combinations of the rows before.
  for (int r = std::max(rank, 1); r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      m.set(r, c, m.at(r - 1, c) * GaussRational(Rational(2)) - m.at(0, c));
  m.dropZeroImaginary();
  return m;
}

class ExactAlgebra : public ::testing::TestWithParam<Isolation> {};

TEST_P(ExactAlgebra, ResultsSatisfyTheirDefinitions) {
  const Work work{nullptr, nullptr, GetParam()};
  std::mt19937 random(11);
  for (int round = 0; round < (GetParam() == Isolation::Always ? 4 : 40); ++round) {
    const int n = 1 + static_cast<int>(random() % 5), cols = 1 + static_cast<int>(random() % 6);
    const bool complex = round % 3 == 0;
    const ExactMatrix a = randomMatrix(random, n, n, complex, n - static_cast<int>(random() % 2));
    const GaussRational det = determinant(a, work);
    const int r = rank(a, work);
    EXPECT_EQ(det.isZero(), r < n);
    // The steps a person writes reach the same determinant and reduced form.
    const std::string product = exactSteps(StepsOf::Determinant, a).conclusion;
    EXPECT_TRUE(det.isZero() ? product.starts_with("Det = 0:")
                             : product.ends_with("= " + det.text()));
    const std::vector<std::string> last = exactSteps(StepsOf::Rref, a).steps.back().cells;
    const ExactMatrix reduced = reducedRowEchelon(a, work).reduced;
    for (int k = 0; k < n * n; ++k) EXPECT_EQ(last[k], reduced.at(k / n, k % n).text());
    EXPECT_LE(det.textLength() + 2, determinantSizeBound(a));
    if (const auto inv = inverse(a, work)) {
      EXPECT_EQ(multiply(a, *inv, work), ExactMatrix::identity(n));
      EXPECT_LE(matrixTextSize(*inv), inverseSizeBound(a));
    } else {
      EXPECT_TRUE(det.isZero());
    }
    const auto lu = luWithoutPivoting(a, work);
    EXPECT_TRUE(!lu || multiply(lu->lower, lu->upper, work) == a);
    // L D L' is the symmetric matrix of a's upper triangle.
    if (const auto f = ldlWithoutPivoting(a, work)) {
      const ExactMatrix s =
          multiply(multiply(f->lower, f->diagonal, work), transpose(f->lower, work), work);
      for (int k = 0; k < n * n; ++k)
        EXPECT_EQ(s.at(k / n, k % n), a.at(std::min(k / n, k % n), std::max(k / n, k % n)));
    }
    // Cayley-Hamilton: the polynomial evaluated at a by Horner's rule is zero.
    const std::vector<GaussRational> p = characteristicPolynomial(a, work);
    ASSERT_EQ(p.size(), static_cast<std::size_t>(n) + 1);
    ExactMatrix h(n, n);
    for (const GaussRational& c : p)
      h = add(multiply(h, a, work), scale(ExactMatrix::identity(n), c, work), work);
    EXPECT_TRUE(h.isZero());
    const ExactMatrix square = multiply(a, a, work);
    EXPECT_EQ(power(a, 6, work), multiply(multiply(square, square, work), square, work));
    EXPECT_LE(matrixTextSize(power(a, 3, work)), powerSizeBound(a, 3));
    EXPECT_LE(matrixTextSize(multiply(a, a, work)), productSizeBound(a, a));

    // A rectangular system: the reduced form does not change when the rows are shuffled;
    // a X0 = b and a N = 0 with N of full column rank.
    const ExactMatrix m =
        randomMatrix(random, n, cols, complex, n - static_cast<int>(random() % 3));
    const EchelonForm e = reducedRowEchelon(m, work);
    ExactMatrix shuffled(n, cols, m.isComplex());
    for (int row = 0; row < n; ++row)
      for (int c = 0; c < cols; ++c) shuffled.set(row, c, m.at((row + 1) % n, c));
    EXPECT_EQ(reducedRowEchelon(shuffled, work).reduced, e.reduced);
    EXPECT_LE(matrixTextSize(e.reduced), echelonSizeBound(m));
    const ExactMatrix b = multiply(m, randomMatrix(random, cols, 2, false, cols), work);
    const Solution s = solve(m, b, work);
    ASSERT_TRUE(s.solvable);
    EXPECT_EQ(multiply(m, s.particular, work), b);
    EXPECT_EQ(s.nullBasis.cols(), cols - static_cast<int>(e.pivotColumns.size()));
    if (s.nullBasis.cols() > 0) {
      EXPECT_TRUE(multiply(m, s.nullBasis, work).isZero());
      EXPECT_EQ(rank(s.nullBasis, work), s.nullBasis.cols());
    }
    // Below full row rank some unit vector is outside the column space.
    bool refused = e.pivotColumns.size() == static_cast<std::size_t>(n);
    for (int k = 0; k < n && !refused; ++k) {
      ExactMatrix changed = b;
      changed.re(k, 0) += Rational(1);
      refused = !solve(m, changed, work).solvable;
    }
    EXPECT_TRUE(refused);
  }
}

INSTANTIATE_TEST_SUITE_P(InProcessAndInAChild, ExactAlgebra,
                         ::testing::Values(Isolation::Never, Isolation::Always));

// The new operations in doubles agree with the exact ones on well-conditioned matrices.
TEST(DoubleEchelon, AgreesWithExactArithmetic) {
  std::mt19937 random(5);
  const Work work;
  const auto near = [](const RCOMat& d, const ExactMatrix& e) {
    for (int r = 0; r < e.rows(); ++r)
      for (int c = 0; c < e.cols(); ++c)
        if (std::hypot(d[r][c].re() - e.re(r, c).toDouble(), d[r][c].im() - e.im(r, c).toDouble()) >
            1e-9)
          return false;
    return d.rows() == e.rows() && d.cols() == e.cols();
  };
  for (int round = 0; round < 30; ++round) {
    const int n = 1 + static_cast<int>(random() % 5), cols = 1 + static_cast<int>(random() % 6);
    const ExactMatrix a =
        randomMatrix(random, n, cols, round % 2, n - static_cast<int>(random() % 2));
    RCOMat d(n, cols);
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < cols; ++c)
        d[r][c] = Element::complex(a.re(r, c).toDouble(), a.im(r, c).toDouble());
    const EchelonForm e = reducedRowEchelon(a, work);
    RCOMat reduced = d;
    EXPECT_EQ(MatRref(reduced).pivotColumns, e.pivotColumns);
    EXPECT_TRUE(near(reduced, e.reduced));
    EXPECT_TRUE(near(MatNullBasis(reduced, e.pivotColumns, cols), nullSpace(a, work)));
    if (n != cols) continue;
    const std::vector<GaussRational> exactPoly = characteristicPolynomial(a, work);
    const std::vector<Element> poly = MatCharPoly(d);
    ExactMatrix coefficients(1, n + 1, true);
    RCOMat row(1, n + 1);
    for (int k = 0; k <= n; ++k) coefficients.set(0, k, exactPoly[k]), row[0][k] = poly[k];
    EXPECT_TRUE(near(row, coefficients));
  }
}

ExactMatrix fromText(const char* text) {
  Pane pane, warnings;
  pane.addBlock(text);
  return readExactPane(pane, rowCount(pane), columnCount(pane, warnings), "A", NumberFormat{});
}

std::string eigenText(const char* matrix) {
  std::string text;
  for (const EigenvalueLine& l : exactEigenvalues(fromText(matrix), '.', 15, Work{}))
    text += l.text + (l.multiplicity > 1 ? " x" + std::to_string(l.multiplicity) : "") + "; ";
  return text;
}

TEST(ExactBounds, APowerOfAMatrixOfNormOneStaysSmallHoweverHigh) {
  EXPECT_LT(powerSizeBound(fromText("0 1 0\n0 0 1\n1 0 0"), 2147483647), 200u);
  EXPECT_LT(powerSizeBound(fromText("2 1\n1 1"), 100000), 2000000u);
}

TEST(ExactEigen, ExactWhereTheDegreeAllowsAndCertifiedDigitsBeyond) {
  EXPECT_EQ(eigenText("1 2\n3 4"), "(5 +- sqrt(33))/2; ");
  EXPECT_EQ(eigenText("2 0 0\n0 2 0\n0 0 1/2"), "1/2; 2 x2; ");
  EXPECT_EQ(eigenText("1 -3\n1 1"), "1 +- i*sqrt(3); ");
  EXPECT_EQ(eigenText("0 0 2\n1 0 0\n0 1 0"),
            "~-0.629960524947437-1.09112363597172i; ~-0.629960524947437+1.09112363597172i; "
            "~1.25992104989487; ");
  EXPECT_EQ(eigenText("i 0\n1 2-i"), "i; 2-i; ");
  EXPECT_EQ(eigenText("0 i\n1 0"), "+-sqrt(4i)/2; ");
  const NormText norm = exactNorm(fromText("1/2 1/2\n3i 0"), '.', 15);
  EXPECT_EQ(norm.root + " " + norm.decimals, "sqrt(38)/2 3.08220700148449");
  EXPECT_EQ(exactNorm(fromText("0 0"), '.', 15).root, "0");
}

TEST(ExactWork, ACancelEndsTheChildAndAChildsErrorComesBack) {
  CancelFlag flag;
  flag.requestCancel();
  std::mt19937 random(3);
  const ExactMatrix a = randomMatrix(random, 6, 6, false, 6);
  EXPECT_THROW(inverse(a, Work{&flag, nullptr, Isolation::Always}), CommandCancelled);
  EXPECT_THROW(exactEigenvalues(a, '.', 15, Work{&flag, nullptr, Isolation::Always}),
               CommandCancelled);
}

}  // namespace
}  // namespace kelvaro::exact
