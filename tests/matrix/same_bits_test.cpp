// The fast kernels (panels, split parts, vector paths) against the plain loops: the same bits
// on every vector path the processor has, over shapes around the tile and panel sizes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "matrix/mat_cholesky.h"
#include "matrix/mat_det.h"
#include "matrix/mat_echelon.h"
#include "matrix/mat_eigen.h"
#include "matrix/mat_inverse.h"
#include "matrix/mat_lu.h"
#include "matrix/mat_power.h"
#include "matrix/mat_product.h"
#include "matrix/mat_qr.h"
#include "matrix/svd_columns.h"
#include "matrix/thread_pool.h"
#include "tests/support/reference_kernels.h"

namespace kelvaro {
namespace {

using namespace reference;

// MatMul of a and b on every vector path: the element loop's bits.
void expectProductAsElementLoop(const RCOMat& a, const RCOMat& b, const std::string& what) {
  RCOMat expected;
  MatMulElements(a, b, expected);
  forEachSimdPath([&] {
    RCOMat c;
    int err = -1;
    MatMul(a, b, c, err);
    EXPECT_EQ(err, kMatOk);
    EXPECT_TRUE(sameMatrix(c, expected)) << a.rows() << "x" << what;
  });
}

TEST(SameBits, Product) {
  std::mt19937_64 gen(11);
  std::uniform_real_distribution<double> u(-1e3, 1e3);
  // Across the register tiles, the blocks of rows (of 64, and of 256 as for a large B) and the
  // passes over the depth.
  const int shapes[][3] = {{1, 1, 1},     {3, 5, 2},     {17, 33, 9},  {130, 70, 150},
                           {67, 260, 45}, {9, 1100, 21}, {300, 40, 50}};
  for (const long wideFrom : {0L, 1L}) {
    setProductWideRowsFrom(wideFrom);
    for (const auto& s : shapes) {
      RCOMat a(s[0], s[1]), b(s[1], s[2]);
      for (auto& e : a.elements()) e = Element::complex(u(gen), u(gen));
      for (auto& e : b.elements()) e = Element::complex(u(gen), u(gen));
      a[0][0] = Element::complex(-0.0, 0.0);  // signed zeros come out as they would
      expectProductAsElementLoop(
          a, b, std::to_string(s[1]) + "x" + std::to_string(s[2]) + " " + std::to_string(wideFrom));
    }
  }
  setProductWideRowsFrom(0);
}

// Operands read from panes of real numbers, every imaginary part zero, take the real product:
// the same bits as the complex sums, with zeros of either sign among the values, products,
// sums and imaginary parts. An infinite value, whose product with a zero is a NaN, keeps the
// complex product.
TEST(SameBits, ProductOfRealValues) {
  std::mt19937_64 gen(12);
  std::uniform_int_distribution<int> small(-2, 2);
  std::uniform_real_distribution<double> u(0.1, 10.0);  // sums that depend on their order
  const int shapes[][3] = {{1, 1, 1}, {3, 5, 2}, {17, 33, 9}, {67, 260, 45}, {300, 40, 50}};
  for (const char* variant : {"real", "all negative", "-0 imaginary part", "infinite value"}) {
    for (const auto& s : shapes) {
      const int m = s[0], p = s[1], q = s[2];
      RCOMat a(m, p), b(p, q);
      const bool negative = variant == std::string("all negative");
      for (auto& e : a.elements())
        e = Element::complex(negative ? -1.0 - small(gen) * small(gen) : small(gen) * u(gen), 0.0);
      for (auto& e : b.elements()) e = Element::complex(negative ? -0.5 : small(gen) * 1.5, 0.0);
      a[0][0] = Element::complex(-0.0, 0.0);
      b[p - 1][q - 1] = Element::complex(-0.0, 0.0);
      if (variant == std::string("-0 imaginary part")) b[0][0] = Element::complex(1.0, -0.0);
      if (variant == std::string("infinite value"))
        a[m - 1][0] = Element::complex(std::numeric_limits<double>::infinity(), 0.0);
      expectProductAsElementLoop(a, b, variant);
    }
  }
}

// The powers of a real-valued matrix by the split products, until they overflow: from then on
// the complex product, as the element loop gives it.
TEST(SameBits, PowersOfRealValues) {
  RCOMat a(3, 3);
  const double values[3][3] = {{1e30, -2e30, 0.0}, {-0.0, 3e30, 1e30}, {2e30, 0.0, -1e30}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[i][j] = Element::complex(values[i][j], 0.0);
  for (const int x : {2, 5, 12}) {
    RCOMat expected = a, next;
    for (int k = 1; k < x; ++k) {
      MatMulElements(expected, a, next);
      expected = next;
    }
    forEachSimdPath([&] {
      RCOMat c, r;
      int err = -1;
      ASSERT_EQ(matrixPower(a, x, c, r, err), PowerOutcome::Done);
      EXPECT_TRUE(sameMatrix(r, expected)) << x;
    });
  }
}

TEST(SameBits, DeterminantAndRankOfEveryShape) {
  std::mt19937_64 gen(31);
  for (int round = 0; round < 20; ++round) {
    const bool general = round % 4 == 1;
    const int rows = 1 + round * 3;
    const int cols = general || round % 3 == 1 ? rows : round % 3 ? rows + 4 : (rows + 1) / 2;
    const RCOMat m =
        general ? randomWellConditioned(rows, gen) : randomSmallIntegers(rows, cols, gen);
    RCOMat plain = m, plainR = m;
    Element plainDet;
    double plainRank = -1;
    const bool detThrew = threw([&] { MatDetElements(plain, rows, cols, plainDet); });
    const bool rankThrew = threw([&] { plainRank = MatRankElements(plainR, rows, cols); });
    forEachSimdPath([&] {
      RCOMat a = m, b = m;
      Element d;
      double r = -1;
      EXPECT_EQ(threw([&] { MatDet(a, rows, cols, d); }), detThrew);
      EXPECT_EQ(threw([&] { r = MatRank(b, rows, cols); }), rankThrew);
      EXPECT_TRUE(detThrew || (sameBits(d, plainDet) && sameMatrix(a, plain))) << rows;
      EXPECT_TRUE(rankThrew || (r == plainRank && sameMatrix(b, plainR))) << rows;
    });
  }
}

// m with every NaN part the same NaN: the sign a NaN takes depends on the instructions that
// made it, and no output shows it.
RCOMat oneNaN(RCOMat m) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (auto& e : m.elements())
    e = Element::complex(std::isnan(e.re()) ? nan : e.re(), std::isnan(e.im()) ? nan : e.im());
  return m;
}

// MatInvLU of m on every vector path: the factors, the inverse and the error (or the
// exception) of the element loops.
void expectLUInverseAsElementLoop(const RCOMat& m, const std::string& what) {
  RCOMat plainFactors = m, plainInverse;
  int plainErr = -1;
  const bool plainThrew = threw([&] { MatInvLUElements(plainFactors, plainInverse, plainErr); });
  forEachSimdPath([&] {
    RCOMat factors = m, r;
    int err = -1;
    EXPECT_EQ(threw([&] { MatInvLU(factors, r, err); }), plainThrew) << what;
    if (plainThrew) return;
    EXPECT_EQ(err, plainErr) << what;
    EXPECT_TRUE(sameMatrix(oneNaN(factors), oneNaN(plainFactors))) << what;
    EXPECT_TRUE(err != kMatOk || sameMatrix(oneNaN(r), oneNaN(plainInverse))) << what;
  });
}

// Panes of real numbers: the determinant (with and without the factors kept), the rank and
// the factors of the inverse take the real updates, with the bits of the element loops. Zeros of
// either sign come out of the products and sums; rows of huge values give pivots whose squares
// overflow (multipliers that are zero, or NaN and complex steps from there on); a -0 imaginary part
// keeps the complex updates throughout.
TEST(SameBits, EliminationsOfRealValues) {
  std::mt19937_64 gen(32);
  std::uniform_int_distribution<int> small(-2, 2), coin(0, 1);
  std::uniform_real_distribution<double> u(0.1, 10.0);
  const std::pair<const char*, double> variants[] = {
      {"small integers", 1.0}, {"reals", 1.0}, {"huge rows", 1e160}, {"-0 im", 1.0}};
  for (const auto& v : variants) {
    const std::string variant = v.first;
    const double scale = v.second;
    const bool integers = variant == "small integers";
    for (const int n : {2, 5, 17, 40, 133}) {
      RCOMat m(n, n);
      for (int i = 0; i < n; ++i) {
        const double rowScale = coin(gen) ? scale : 1.0;
        for (int j = 0; j < n; ++j) {
          const double v = small(gen) * rowScale * (integers ? 1.0 : u(gen));
          m[i][j] = Element::complex(v == 0.0 && coin(gen) ? -0.0 : v, 0.0);
        }
      }
      if (variant == "-0 im") m[n / 2][n / 2] = Element::complex(1.0, -0.0);
      for (const bool keep : {false, true}) {
        RCOMat plain = m;
        Element plainDet;
        DetPivots plainPivots;
        MatDetElements(plain, n, n, plainDet, keep ? &plainPivots : nullptr);
        forEachSimdPath([&] {
          RCOMat a = m;
          Element d;
          DetPivots pivots;
          MatDet(a, n, n, d, nullptr, keep ? &pivots : nullptr);
          EXPECT_TRUE(sameBits(d, plainDet) && sameMatrix(a, plain)) << variant << " " << n;
          EXPECT_EQ(pivots.rowPerm, plainPivots.rowPerm);
          EXPECT_EQ(pivots.colPerm, plainPivots.colPerm);
          EXPECT_EQ(pivots.complete, plainPivots.complete);
        });
      }
      RCOMat plainR = m;
      const double plainRank = MatRankElements(plainR, n, n);
      forEachSimdPath([&] {
        RCOMat b = m;
        EXPECT_EQ(MatRank(b, n, n), plainRank);
        EXPECT_TRUE(sameMatrix(b, plainR)) << variant << " " << n;
      });
      expectLUInverseAsElementLoop(m, variant + " " + std::to_string(n));
    }
  }
}

// body(value) with set(value) in force, for each value in turn; then set back to the default.
template <class T, class Body>
void underEach(void (*set)(T), std::initializer_list<T> values, Body body) {
  for (const T value : values) {
    set(value);
    body(value);
  }
  set(T{});
}

TEST(SameBits, LUAcrossPanels) {
  // Rounds from `first` on, each matrix `larger` rows and columns larger.
  const auto check = [](const std::string& path, int first = 0, int larger = 0) {
    std::mt19937_64 gen(41);
    for (int round = first; round < 14; ++round) {
      const int n = (round < 12 ? 1 + round * 9 : 70) + larger;
      RCOMat m = operandOfRound(n, n, round, gen);
      // A zero pivot by step 40 at the latest, in a later panel than the first, its row
      // taking steps of that panel with multipliers near 1 before it; then one on the first
      // row of the third panel (row 32 taken away from it whole).
      if (round == 12)
        for (int j = 0; j <= 40; ++j) m[40][j] = m[33][j] + m[35][j];
      if (round == 13) std::copy_n(m[32], 65, m[64]);
      RCOMat plain = m, pl(n, n), pu(n, n);
      int plainResult = -2;
      const bool plainThrew = threw([&] { plainResult = MatLUElements(plain, pl, pu, n, n); });
      EXPECT_TRUE(round < 12 || plainResult == 0);
      forEachSimdPath([&] {
        RCOMat a = m, l(n, n), u(n, n);
        int result = -2;
        EXPECT_EQ(threw([&] { result = MatLU(a, l, u, n, n); }), plainThrew);
        if (plainThrew) return;
        EXPECT_EQ(result, plainResult);
        EXPECT_TRUE(sameMatrix(a, plain));
        EXPECT_TRUE(sameMatrix(l, pl));
        EXPECT_TRUE(sameMatrix(u, pu)) << n << " " << path;
      });
    }
  };
  // The rows' steps in place, then by register tiles from the smallest width on, then in
  // blocks of four columns.
  underEach(setLuTilesFrom, {0, 1}, [&](int from) { check("tiles from " + std::to_string(from)); });
  underEach(setLuColumnBlock, {4}, [&](int) { check("column blocks of 4"); });
  // The rows below a panel cut into ranges of a few rows (they are shared from 128 columns
  // right of the panel on), the next panel's pivot rows with the first.
  setThreadCount(3);
  underEach<std::int64_t>(setLeastParallelWork, {1},
                          [&](std::int64_t) { check("shared", 10, 130); });
  setThreadCount(0);
}

// The accumulation of U and V in the singular value decomposition: each column x takes
// x := x + d·v with d = -Σ v[i]·x[i] / pivot, the quotients double, the sum Extended, in row
// order. Lengths around the pairs and the blocks of quotients, odd and even column counts.
TEST(SameBits, SvdColumnReflections) {
  std::mt19937_64 gen(8);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  for (const std::size_t len : {1u, 2u, 3u, 63u, 64u, 65u, 129u, 300u}) {
    for (const int columns : {1, 2, 5}) {
      std::vector<double> v(len);
      for (double& e : v) e = dist(gen) * 1e3;
      std::vector<std::vector<double>> got(columns, std::vector<double>(len));
      for (auto& c : got)
        for (double& e : c) e = dist(gen);
      const double pivot = v[0] + 0.5;
      auto plain = got;
      for (auto& x : plain) {
        Extended sum = 0;
        for (std::size_t i = 0; i < len; ++i) sum += v[i] * x[i] / pivot;
        const Extended d = -sum;
        for (std::size_t i = 0; i < len; ++i) x[i] = static_cast<double>(x[i] + d * v[i]);
      }
      svd::reduceColumns<true>(
          v.data(), [&](int j) { return got[j].data(); }, len, pivot, 0, columns - 1);
      for (int j = 0; j < columns; ++j)
        EXPECT_EQ(0, std::memcmp(got[j].data(), plain[j].data(), len * sizeof(double)))
            << len << " " << j;
    }
  }
}

// The singular value decomposition's other column kernels: the plane rotations of its sweeps
// (Extended coefficients with bits below a double's), the sums of products of its reflections
// and its row sums over a column-major block, each against the loop it stands for.
TEST(SameBits, SvdRotationsAndSums) {
  std::mt19937_64 gen(9);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  const Extended t = 0.3L + 1e-17L;
  const Extended cs = 1 / std::sqrt(1 + t * t), sn = t * cs;
  for (const std::size_t len : {0u, 1u, 2u, 3u, 64u, 301u}) {
    std::vector<double> x(len), y(len), v(len);
    for (std::size_t i = 0; i < len; ++i)
      x[i] = dist(gen) * 1e3, y[i] = dist(gen), v[i] = dist(gen);
    auto px = x, py = y;
    for (std::size_t r = 0; r < len; ++r) {
      const double xr = px[r], yr = py[r];
      px[r] = static_cast<double>(cs * xr + sn * yr);
      py[r] = static_cast<double>(-sn * xr + cs * yr);
    }
    svd::rotateColumns(x.data(), y.data(), len, cs, sn);
    EXPECT_TRUE(len == 0 || std::memcmp(x.data(), px.data(), len * sizeof(double)) == 0) << len;
    EXPECT_TRUE(len == 0 || std::memcmp(y.data(), py.data(), len * sizeof(double)) == 0) << len;

    Extended expected[2] = {0.25L, -1e-3L}, got[2] = {0.25L, -1e-3L};
    const double* columns[] = {x.data(), y.data()};
    for (std::size_t i = 0; i < len; ++i)
      for (int c = 0; c < 2; ++c) expected[c] += v[i] * columns[c][i];
    svd::addTerms<2, false>(v.data(), columns, len, 0, got);
    EXPECT_TRUE(got[0] == expected[0] && got[1] == expected[1]) << len;

    // Four rows of a block with `len` columns and rows of stride 7.
    std::vector<double> block(len * 7 + 4);
    for (double& e : block) e = dist(gen) * 1e2;
    std::vector<Extended> e(len);
    for (std::size_t j = 0; j < len; ++j) e[j] = dist(gen) / 3.0L;
    Extended rows[4], plainRows[4] = {0, 0, 0, 0};
    for (std::size_t j = 0; j < len; ++j)
      for (int r = 0; r < 4; ++r) plainRows[r] += e[j] * block[j * 7 + r];
    svd::sumFourRows(e.data(), block.data(), 7, len, rows);
    for (int r = 0; r < 4; ++r) EXPECT_TRUE(rows[r] == plainRows[r]) << len << " " << r;
  }
}

TEST(SameBits, GaussJordanInverse) {
  std::mt19937_64 gen(5);
  const int sizes[] = {1, 2, 3, 7, 16, 31, 32, 33, 64, 65, 97, 130};
  for (int round = 0; round < 12; ++round) {
    const int n = sizes[round];
    const RCOMat m = operandOfRound(n, n, round, gen);
    std::vector<double> re, im;
    for (const Element& e : m.elements()) re.push_back(e.re()), im.push_back(e.im());
    RCOMat expected;
    const int expectedResult = plainGaussJordan(n, re, im, expected);
    forEachSimdPath([&] {
      RCoVecD ar(re.begin(), re.end()), ai(im.begin(), im.end());
      RCOMat r;
      EXPECT_EQ(MatInverse(n, ar, ai, r), expectedResult) << n;
      EXPECT_TRUE(expectedResult != 0 || sameMatrix(r, expected)) << n;
    });
  }
}

TEST(SameBits, LUInverseAcrossPanels) {
  // The solve's blocks of 32 columns, then of 16 (as on a small cache at large orders).
  underEach(setSolveCacheBytes, {0L, 32768L}, [](long cache) {
    std::mt19937_64 gen(21);
    for (int round = 0; round < 17; ++round) {
      const int n = round < 16 ? 1 + round * 5 : 70;
      RCOMat m = operandOfRound(n, n, round, gen);
      // No real part left at step 40, in the second panel.
      if (round == 16)
        for (int i = 40; i < n; ++i)
          for (int j = 0; j < n; ++j) m[i][j] = Element::complex(0, 0);
      expectLUInverseAsElementLoop(m, std::to_string(n) + " cache " + std::to_string(cache));
    }
  });
}

// Gauss-Jordan by panels against the elimination a step at a time, on real matrices and on
// complex ones: shapes around the panels, wide as Solve's [A|B] and tall. Small integers give
// exact cancellations and zero multipliers. In odd rounds a repeated row and column 1 within
// the tolerance give columns taken as zero, and a row of -0 keeps its signs only where zero
// multipliers are skipped, also after a step it takes; every fourth round a NaN at the end of
// the first pivot row makes the steps right of the first panel go in complex arithmetic (and an
// infinity in complex rounds those within it), and
// in the others a NaN in the last row is a multiplier, which is not skipped. With and without
// the factors kept for the estimate (finite in even rounds), on one thread and three. The
// tolerance is max(m, n)·eps times the largest sum of moduli of a row.
TEST(SameBits, RrefPanels) {
  std::mt19937_64 gen(17);
  std::uniform_real_distribution<double> u(-1, 1);
  const int shapes[][2] = {{1, 1}, {5, 9}, {33, 33}, {38, 80}, {70, 45}, {64, 130}, {260, 300}};
  for (int round = 0; round < 28; ++round) {
    const int m = shapes[round % 7][0], n = shapes[round % 7][1];
    const bool integers = round % 14 >= 7, complex = round >= 14;
    const auto value = [&] { return integers ? std::round(3 * u(gen)) : 100 * u(gen); };
    RCOMat a(m, n);
    for (Element& e : a.elements())
      e = complex ? Element::complex(value(), value()) : Element::real(value());
    if (round % 2 == 1 && m > 5 && n > 3) {
      for (int j = 0; j < n; ++j) a[2][j] = a[0][j], a[3][j] = Element::real(-0.0);
      for (int i = 0; i < m; ++i) a[i][1] = Element::real(1e-17 * u(gen));
      // Row 0 the first pivot row.
      a[0][0] = Element::real(1000);
      if (round % 4 == 3) {
        a[0][n - 1] = Element::complex(std::nan(""), 1);
        // Once divided, a pivot row part whose product with a multiplier of a zero part is
        // two NaNs by the formula, which complex arithmetic takes another way.
        constexpr double inf = std::numeric_limits<double>::infinity();
        if (complex) a[0][2] = Element::complex(inf, inf);
      } else {
        // Row 3 takes step 0 and keeps its -0, then only zero multipliers.
        for (int j = 2; j < n; ++j) a[0][j] = Element::real(0);
        a[3][0] = Element::real(1);
        a[m - 1][0] = complex ? Element::complex(std::nan(""), 0) : Element::real(std::nan(""));
      }
    }
    double normInf = 0;
    for (int i = 0; i < m; ++i) {
      double sum = 0;
      for (const Element& e : std::span(a[i], n)) sum += std::abs(std::complex(e.re(), e.im()));
      normInf = std::max(normInf, sum);
    }
    for (const bool square : {false, true}) {
      RCOMat plain = a;
      const EchelonOutcome expected = MatRrefElements(plain, nullptr, square);
      EXPECT_EQ(expected.tolerance,
                std::max(m, n) * std::numeric_limits<double>::epsilon() * normInf);
      for (const int threads : {1, 3}) {
        setThreadCount(threads);
        forEachSimdPath([&] {
          RCOMat b = a;
          const EchelonOutcome got = MatRref(b, nullptr, square);
          EXPECT_TRUE(sameMatrix(b, plain)) << m << "x" << n << " round " << round;
          EXPECT_EQ(got.pivotColumns, expected.pivotColumns);
          EXPECT_EQ(got.tolerance, expected.tolerance);
          EXPECT_EQ(got.pivotTakenAsZero, expected.pivotTakenAsZero);
          EXPECT_EQ(0, std::memcmp(&got.squareInverseNorm1, &expected.squareInverseNorm1,
                                   sizeof(double)));
        });
      }
    }
  }
  setThreadCount(0);
}

// A multiplier of a row above the pivot row that is infinite: its product with the pivot row's
// (3, 0) is two NaNs by the formula and two infinities in complex arithmetic, which the panel
// and the part right of it must take. Row 0's NaN keeps the tolerance finite.
TEST(SameBits, RrefInfiniteMultiplierAbove) {
  const double inf = std::numeric_limits<double>::infinity();
  const auto c = [](double re, double im) { return Element::complex(re, im); };
  constexpr int kCols = 40;
  RCOMat a(2, kCols);
  const Element first[2][4] = {{c(4, 0), c(inf, inf), c(1, 1), c(std::nan(""), 0)},
                               {c(0, 0), c(2, 0), c(6, 0), c(1, 2)}};
  for (int i = 0; i < 2; ++i) {
    std::copy_n(first[i], 4, a[i]);
    std::fill(a[i] + 4, a[i] + kCols, i == 0 ? c(1, 1) : c(6, 0));
  }
  RCOMat plain = a;
  MatRrefElements(plain, nullptr, false);
  for (const int j : {2, kCols - 1})
    ASSERT_TRUE(std::isinf(plain[0][j].re()) && std::isinf(plain[0][j].im())) << j;
  // And the other way round, in the rows that take the panel's steps four at a time: the
  // multipliers (0, 1) below the first pivot row, whose part right of the panel holds
  // (inf, inf); the panel's other columns are zero there, so that those rows stay fresh.
  RCOMat fours(12, kCols);
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < kCols; ++j)
      fours[i][j] = j == 0   ? c(i == 0 ? 10 : 0, i == 0 ? 0 : 1)
                    : j < 32 ? c(i == 0 && j == 3 ? std::nan("") : 0, 0)
                             : c(i == 0 && j == 35 ? inf : i, i == 0 && j == 35 ? inf : 1);
  RCOMat plainFours = fours;
  MatRrefElements(plainFours, nullptr, false);
  forEachSimdPath([&] {
    RCOMat b = a;
    MatRref(b, nullptr, false);
    EXPECT_TRUE(sameMatrix(b, plain));
    b = fours;
    MatRref(b, nullptr, false);
    EXPECT_TRUE(sameMatrix(b, plainFours));
  });
}

// L·D·Lᵀ on split parts, rows side by side, against the element path: orders around the
// groups of rows and the blocks, on one thread and three. Round 0 plants a zero pivot at row
// 100, in the second block, round 1 a pivot of 1e-7, whose square is within 1e-12 of zero (a
// division by zero): the fast path hands over to the element path there. Neither path reads
// below the diagonal: in round 12 the elements there (but in the diagonal's 16 x 16 blocks)
// are integers and infinities, and the split path takes the matrix all the same; in round 13
// a NaN sits in such a block, and the element path takes it.
TEST(SameBits, CholeskyAcrossBlocks) {
  std::mt19937_64 gen(9);
  const int sizes[] = {130, 130, 1, 2, 5, 16, 17, 33, 64, 65, 81, 150, 150, 150};
  for (int round = 0; round < 14; ++round) {
    const int n = sizes[round];
    RCOMat m = round == 3 ? randomSmallIntegers(n, n, gen) : randomWellConditioned(n, gen);
    if (round == 12)
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < i - i % 16; ++j)
          m[i][j] = (i + j) % 3 ? Element::integer(i - j)
                                : Element::complex(std::numeric_limits<double>::infinity(), 0);
    if (round == 13) m[100][97] = Element::complex(0, std::nan(""));
    if (round < 2) {
      // m := L·diag(1 .. 1, p, 1 .. 1)·Lᵀ with L unit lower.
      RCOMat lower = randomWellConditioned(n, gen);
      const double p = round == 0 ? 0.0 : 1e-7;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
          double re = 0, im = 0;
          for (int k = 0; k <= std::min(i, j); ++k) {
            const auto at = [&](int r, int c) {
              return c < r ? std::complex<double>(lower[r][c].re(), lower[r][c].im()) / 64.0
                           : std::complex<double>(c == r ? 1 : 0, 0);
            };
            const std::complex<double> t = at(i, k) * (k == 100 ? p : 1.0) * at(j, k);
            re += t.real(), im += t.imag();
          }
          m[i][j] = Element::complex(re, im);
        }
    }
    RCOMat plain = m, pl, pd;
    bool plainDone = false;
    const bool plainThrew = threw([&] { plainDone = choleskyLDLElements(plain, pl, pd); });
    EXPECT_TRUE(round != 1 || plainThrew);
    for (const int threads : {1, 3}) {
      setThreadCount(threads);
      forEachSimdPath([&] {
        RCOMat a = m, l, d;
        bool done = false;
        EXPECT_EQ(threw([&] { done = choleskyLDL(a, l, d); }), plainThrew) << n;
        EXPECT_EQ(done, plainDone) << n;
        EXPECT_TRUE(sameMatrix(a, plain)) << n << " threads " << threads;
        EXPECT_TRUE(sameMatrix(l, pl)) << n;
        EXPECT_TRUE(sameMatrix(d, pd)) << n;
      });
    }
  }
  setThreadCount(0);
}

TEST(SameBits, QRPanels) {
  std::mt19937_64 rng(11);
  // Up to 800 rows: the reflections take four strips of columns at a time from the
  // second-level cache, then one, two or four from the first as their rows shrink
  // (first-level caches from 16 to 64 KB); 517 columns end in a part strip.
  for (auto [rows, cols] :
       {std::pair{31, 31}, {33, 33}, {70, 45}, {100, 3}, {64, 64}, {20, 90}, {800, 517}}) {
    const int m = rows, n = cols;  // a lambda may not capture a structured binding in C++20
    Dense a = randomDense(m, n, rng, -100, 100);
    // Integer entries and a zero column: exact cancellation and a skipped step.
    for (int i = 0; i < m; ++i) {
      a(i, 1) = std::round(a(i, 1));
      a(i, 2) = 0;
    }
    Dense rPlain = a, qPlain;
    plainQR(rPlain, qPlain);
    forEachSimdPath([&] {
      Dense r = a, q(m, m);
      householderQR(r.v.data(), m, n, q.v.data());
      EXPECT_EQ(0, std::memcmp(r.v.data(), rPlain.v.data(), r.v.size() * sizeof(double))) << m;
      EXPECT_EQ(0, std::memcmp(q.v.data(), qPlain.v.data(), q.v.size() * sizeof(double))) << m;
    });
  }
}

TEST(SameBits, Balancing) {
  std::mt19937_64 rng(10);
  // The sums go four indices at a time, and one at a time for the one to three left at the
  // end: orders 5, 30 and 43. The rows and columns are scaled far apart (rounds, indices
  // scaled among others that are not); at 43 a zero row and column, an infinity and a NaN,
  // which keep their indices as they are.
  for (int n : {5, 30, 43}) {
    Dense d = randomDense(n, n, rng, -10, 10);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) d(i, j) = std::ldexp(d(i, j), (i * 7 % 11) - (j * 5 % 13));
    // The last two indices far out of balance, each its own way.
    for (int j = 0; j < n; ++j) d(n - 1, j) *= 0x1p20, d(j, n - 2) *= 0x1p-20;
    if (n == 43) {
      for (int j = 0; j < n; ++j) d(4, j) = d(j, 4) = 0;
      d(9, 20) = std::numeric_limits<double>::infinity();
      d(30, 12) = std::nan("");
    }
    matrx2 plain = working(d);
    plainBalance(plain, n);
    matrx2 a = working(d);
    MatBalance(a, n);
    EXPECT_EQ(0, std::memcmp(a[0], plain[0], (n + 1) * a.stride() * sizeof(double))) << n;
  }
}

TEST(SameBits, HessenbergReduction) {
  std::mt19937_64 rng(9);
  // At 45 every row has a multiplier from the second step on: the columns go in one pass.
  // At 7 the first pivot column is NaN below the diagonal: no pivot, the step skipped. At 40
  // the matrix is zero below its second subdiagonal and at some places on its first: the rows
  // with multipliers are a run below the pivot row, or not, as the steps fill the band in; at
  // 41 the first step's run starts two rows below its pivot.
  for (int n : {3, 4, 17, 60, 6, 45, 7, 40, 41}) {
    Dense d = randomDense(n, n, rng, -10, 10);
    // Zeros in the pivot column: skipped multipliers and row swaps.
    for (int i = 0; i < n; i += 3) d(i, 0) = 0;
    if (n == 7)
      for (int i = 1; i < n; ++i) d(i, 0) = std::nan("");
    if (n > 4) d(n - 1, 1) = 50;
    if (n == 40)
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j)
          if (j < i - 2 || (j == i - 1 && i % 5 == 0)) d(i, j) = 0;
    if (n == 41) {
      for (int i = 3; i < n; ++i) d(i, 0) = d(i, 0) == 0 ? 1 : d(i, 0);
      d(1, 0) = 20;
      d(2, 0) = 0;
      // In the first row of the one column left of that run, which has no multiplier: it must
      // not reach column 2 (0·inf would).
      d(0, 2) = std::numeric_limits<double>::infinity();
    }
    if (n == 6) {
      // Already reduced but for the last pivot column, whose pivot is in the last row: the
      // last step exchanges the last two rows, the last column's alone after the pivot's.
      for (int i = 2; i < n; ++i)
        for (int j = 0; j < i - 1; ++j) d(i, j) = 0;
      d(n - 1, n - 3) = 100;
    }
    if (n == 17 || n == 60) {
      // A multiplier that underflows to zero still reduces its row: -0 - (+0·-3) is +0.
      d(1, 0) = 1e10;
      d(n - 1, 0) = 1e-320;
      for (int j = 1; j < n; ++j) d(1, j) = -3, d(n - 1, j) = -0.0;
    }
    matrx2 b = working(d);
    plainHessenberg(b, n);
    forEachSimdPath([&] {
      matrx2 a = working(d);
      MatHessenberg(a, n);
      EXPECT_EQ(0, std::memcmp(a[0], b[0], (n + 1) * (n + 1) * sizeof(double))) << n;
    });
  }
}

// A sweep of a large matrix on two threads: the first large iteration times sweeps shared and
// not in turn (its choice then stands), and both ways must give the bits of one thread. At
// the usual least work: the thread-count tests lower it, which shares every chunk.
TEST(SameBits, LargeSweepsOnTwoThreads) {
  std::mt19937_64 rng(6);
  const int n = 760;
  matrx2 h = working(randomDense(n, n, rng, -10, 10));
  MatHessenberg(h, n);
  std::vector<std::pair<matrx2, std::vector<double>>> runs;
  for (const int threads : {1, 2}) {
    setThreadCount(threads);
    matrx2 a = h;
    std::vector<double> wr(n + 1, 0.0), wi(n + 1, 0.0);
    EXPECT_TRUE(MatHqr(a, n, wr, wi));
    wr.insert(wr.end(), wi.begin(), wi.end());
    runs.emplace_back(std::move(a), std::move(wr));
  }
  setThreadCount(0);
  EXPECT_EQ(0, std::memcmp(runs[0].first[0], runs[1].first[0], (n + 1) * (n + 1) * sizeof(double)));
  EXPECT_EQ(runs[0].second, runs[1].second);
}

TEST(SameBits, QRSweepsInChunks) {
  std::mt19937_64 rng(5);
  // Orders around the sweep's chunks of steps, the blocks of rows above them and the vector
  // tiles; the last one split in two by a zero on the subdiagonal.
  const int orders[] = {5, 41, 150, 150};
  for (int round = 0; round < 4; ++round) {
    const int n = orders[round];
    matrx2 h = working(randomDense(n, n, rng, -10, 10));
    MatHessenberg(h, n);
    if (round == 3) h[90][89] = 0;
    std::vector<double> wr0, wi0;
    matrx2 plain = h;
    const bool converged = plainHqr(plain, n, wr0, wi0);
    forEachSimdPath([&] {
      matrx2 a = h;
      std::vector<double> wr(n + 1, 0.0), wi(n + 1, 0.0);
      EXPECT_EQ(MatHqr(a, n, wr, wi), converged);
      EXPECT_EQ(0, std::memcmp(a[0], plain[0], (n + 1) * (n + 1) * sizeof(double))) << n;
      EXPECT_EQ(wr, wr0);
      EXPECT_EQ(wi, wi0);
    });
  }
}

}  // namespace
}  // namespace kelvaro
