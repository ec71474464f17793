// Splitting a register into its parts: only a matrix of complex elements takes the fast
// paths, and the one pass that splits it must also be the one that turns the others away.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"
#include "tests/support/reference_kernels.h"

namespace kelvaro {
namespace {

RCOMat complexRegister(int rows, int cols) {
  RCOMat m(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) m[i][j] = Element::complex(i + 0.5, -j - 0.25);
  return m;
}

TEST(SplitIfComplex, SplitsOnlyMatricesWhoseEveryElementIsComplex) {
  const double inf = std::numeric_limits<double>::infinity();
  for (int threads : {1, 2, 3}) {
    setThreadCount(threads);
    const RCOMat all = complexRegister(300, 40);
    SplitMatrix s;
    ASSERT_TRUE(splitIfComplex(all, s, nullptr)) << threads;
    ASSERT_EQ(300, s.rows);
    ASSERT_EQ(40, s.cols);
    for (int i = 0; i < 300; ++i)
      for (int j = 0; j < 40; ++j) {
        ASSERT_EQ(i + 0.5, s.rowRe(i)[j]);
        ASSERT_EQ(-j - 0.25, s.rowIm(i)[j]);
      }

    // Another kind of element anywhere, first or last (where other threads have split rows
    // meanwhile), and the matrix is turned away with nothing kept.
    for (const Element other : {Element::real(1), Element::integer(2), Element()}) {
      for (const auto& [i, j] : {std::pair{0, 0}, std::pair{299, 39}, std::pair{150, 7}}) {
        RCOMat m = all;
        m[i][j] = other;
        SplitMatrix t;
        EXPECT_FALSE(splitIfComplex(m, t, nullptr)) << threads << " " << i;
        EXPECT_EQ(0, t.rows);
        EXPECT_TRUE(t.re.empty() && t.im.empty());
      }
    }

    // Non-finite parts pass unless finite ones are asked for.
    RCOMat m = all;
    m[299][0] = Element::complex(1, inf);
    EXPECT_TRUE(splitIfComplex(m, s, nullptr));
    EXPECT_EQ(inf, s.rowIm(299)[0]);
    EXPECT_FALSE(splitIfComplex(m, s, nullptr, true));
    m[299][0] = Element::complex(std::nan(""), 0);
    EXPECT_FALSE(splitIfComplex(m, s, nullptr, true));
    EXPECT_TRUE(splitIfComplex(all, s, nullptr, true));
  }
  setThreadCount(0);
  SplitMatrix e;
  EXPECT_TRUE(splitIfComplex(RCOMat(), e, nullptr));
  EXPECT_EQ(0, e.rows);
}

// The vector paths read eight elements at a time, each part from its own lane of three loads:
// every column of a row with two blocks and a tail must give its own parts, and turn the
// matrix away when it holds another kind or (where asked) a part that is not finite. Only the
// kind's byte counts, not the bytes that pad it.
TEST(SplitIfComplex, ReadsEveryColumnOfABlockOnEveryPath) {
  constexpr int kCols = 21;
  RCOMat all(2, kCols);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < kCols; ++j) {
      Element e = Element::complex(100 * i + j + 0.5, -(100 * i + j) - 0.25);
      unsigned char bytes[sizeof(Element)];
      std::memcpy(bytes, &e, sizeof e);
      std::memset(bytes + 2 * sizeof(double) + 1, 0xA5, sizeof(double) - 1);
      std::memcpy(&e, bytes, sizeof e);
      all[i][j] = e;
    }
  const double inf = std::numeric_limits<double>::infinity();
  reference::forEachSimdPath([&] {
    SplitMatrix s;
    ASSERT_TRUE(splitIfComplex(all, s, nullptr, true));
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < kCols; ++j) {
        ASSERT_EQ(100 * i + j + 0.5, s.rowRe(i)[j]) << i << " " << j;
        ASSERT_EQ(-(100 * i + j) - 0.25, s.rowIm(i)[j]) << i << " " << j;
      }
    for (int j = 0; j < kCols; ++j) {
      SCOPED_TRACE(j);
      RCOMat m = all;
      m[1][j] = Element::real(1);
      EXPECT_FALSE(splitIfComplex(m, s, nullptr));
      for (const Element odd : {Element::complex(inf, 0), Element::complex(0, -inf),
                                Element::complex(0, std::nan(""))}) {
        m[1][j] = odd;
        EXPECT_TRUE(splitIfComplex(m, s, nullptr));
        EXPECT_FALSE(splitIfComplex(m, s, nullptr, true));
      }
    }
  });
}

// The vector paths write whole blocks of elements from the first aligned one on: every start
// and length around a block, in the cache and around it, must give each element its parts and
// its kind and leave the elements beside the run alone.
TEST(WriteElements, GivesEveryElementItsPartsAndKindFromAnyStart) {
  std::vector<double> re(40), im(40);
  for (int j = 0; j < 40; ++j) re[j] = j + 0.5, im[j] = -j - 0.25;
  const Element guard = Element::integer(7);
  reference::forEachSimdPath([&] {
    for (bool stream : {false, true})
      for (int start = 0; start < 8; ++start)
        for (int count : {0, 1, 7, 8, 9, 16, 23, 31}) {
          SCOPED_TRACE(testing::Message() << stream << " " << start << " " << count);
          std::vector<Element> out(48, guard);
          writeElements(count, re.data(), im.data(), out.data() + start, stream);
          streamsDone();
          for (int j = 0; j < count; ++j) {
            const Element& e = out[start + j];
            ASSERT_TRUE(e.isComplex()) << j;
            ASSERT_EQ(re[j], e.re()) << j;
            ASSERT_EQ(im[j], e.im()) << j;
          }
          writeElements(count, re.data(), nullptr, out.data() + start, stream);
          for (int j = 0; j < count; ++j) {
            ASSERT_EQ(ElementKind::Real, out[start + j].kind()) << j;
            ASSERT_EQ(re[j], out[start + j].re()) << j;
            ASSERT_EQ(0.0, out[start + j].im()) << j;
          }
          writeElements(count, nullptr, nullptr, out.data() + start, stream);
          streamsDone();
          for (int j = 0; j < 48; ++j) {
            const bool inRun = j >= start && j < start + count;
            const Element& e = out[j];
            ASSERT_EQ(inRun ? ElementKind::Real : ElementKind::Integer, e.kind()) << j;
            ASSERT_EQ(inRun ? 0.0 : 7.0, e.re()) << j;
            ASSERT_EQ(0.0, e.im()) << j;
          }
        }
  });
}

// Cholesky splits only the upper triangle and the diagonal's tiles: an element elsewhere is
// neither copied nor looked at, one inside still turns the matrix away.
TEST(SplitUpperIfComplex, LooksOnlyAtTheUpperTriangleAndTheDiagonalTiles) {
  for (int threads : {1, 3}) {
    setThreadCount(threads);
    RCOMat m = complexRegister(40, 40);
    m[39][0] = m[16][15] = Element::real(1);
    m[20][3] = Element::complex(std::nan(""), 0);
    SplitMatrix s;
    ASSERT_TRUE(splitUpperIfComplex(m, s, nullptr, 16)) << threads;
    for (int i = 0; i < 40; ++i)
      for (int j = i - i % 16; j < 40; ++j) {
        ASSERT_EQ(i + 0.5, s.rowRe(i)[j]) << i << " " << j;
        ASSERT_EQ(-j - 0.25, s.rowIm(i)[j]) << i << " " << j;
      }
    for (const auto& [i, j] : {std::pair{17, 16}, std::pair{39, 39}, std::pair{0, 39}}) {
      RCOMat t = m;
      t[i][j] = Element::real(1);
      EXPECT_FALSE(splitUpperIfComplex(t, s, nullptr, 16)) << i << " " << j;
      t[i][j] = Element::complex(0, std::numeric_limits<double>::infinity());
      EXPECT_FALSE(splitUpperIfComplex(t, s, nullptr, 16)) << i << " " << j;
    }
  }
  setThreadCount(0);
}

// A real matrix's values for the echelon form: every element whose imaginary part is a zero,
// of either sign, gives its real part; any other imaginary part, a NaN too, in any lane of a
// block or the tail, turns the row away.
TEST(RealWords, TakesRealPartsWhereEveryImaginaryPartIsZero) {
  constexpr int kCols = 21;
  std::vector<Element> row(kCols);
  for (int j = 0; j < kCols; ++j)
    row[j] = j % 3 ? Element::integer(j) : Element::complex(j + 0.5, j % 2 ? -0.0 : 0.0);
  reference::forEachSimdPath([&] {
    const SplitKernels& kern = splitKernels();
    std::vector<double> re(kCols);
    ASSERT_TRUE(kern.realWords(kCols, reinterpret_cast<const double*>(row.data()), re.data()));
    for (int j = 0; j < kCols; ++j) ASSERT_EQ(row[j].re(), re[j]) << j;
    for (int j = 0; j < kCols; ++j)
      for (const double im : {1e-300, std::nan("")}) {
        std::vector<Element> odd = row;
        odd[j] = Element::complex(1, im);
        EXPECT_FALSE(kern.realWords(kCols, reinterpret_cast<const double*>(odd.data()), re.data()))
            << j;
      }
  });
}

// The eliminations' deferred steps, more steps than the kernel gathers at once and zero
// multipliers skipped (an infinite x would turn the products of a zero into NaNs), against the
// steps one at a time.
TEST(SubScaledRowsSteps, TakesEveryStepInOrderOnEveryPath) {
  constexpr int kSteps = 150, kLen = 37;
  std::mt19937_64 gen(11);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> x(kSteps * kLen), f(8 * kSteps), start(8 * kLen);
  for (double& v : x) v = u(gen);
  for (double& v : f) v = u(gen);
  for (double& v : start) v = u(gen);
  x[100 * kLen + 3] = std::numeric_limits<double>::infinity();
  for (int r = 0; r < 8; ++r) f[r * kSteps + 100] = r % 2 ? 0.0 : f[r * kSteps + 100];
  reference::forEachSimdPath([&] {
    const int most = splitKernels().scaledRows;
    for (int count : {most, most - 3, 3}) {
      std::vector<double> got = start, want = start;
      const double* fr[8];
      double* y[8];
      for (int r = 0; r < count; ++r) {
        fr[r] = f.data() + r * kSteps;
        y[r] = got.data() + r * kLen;
        for (int s = 0; s < kSteps; ++s)
          if (fr[r][s] != 0.0)
            for (int j = 0; j < kLen; ++j)
              want[r * kLen + j] = want[r * kLen + j] - fr[r][s] * x[s * kLen + j];
      }
      splitKernels().subScaledRowsSteps(count, kLen, kSteps, fr, x.data(), kLen, y);
      for (int i = 0; i < 8 * kLen; ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(want[i]), std::bit_cast<std::uint64_t>(got[i]))
            << count << " " << i;
    }
  });
}

TEST(SubScaledColumnsSteps, TakesTheStepsInOrderSkippingZeroMultipliersOnEveryPath) {
  constexpr int kRows = 21, kCols = 11, kLd = 24;
  std::mt19937_64 gen(12);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> x(kColumnSteps * kCols), f(kColumnSteps * kLd), start(kCols * kLd);
  for (double& v : x) v = u(gen);
  for (double& v : f) v = u(gen);
  for (double& v : start) v = u(gen);
  // Zero multipliers meet an infinity, which would make NaNs, and the last row's keep its -0s.
  x[2 * kCols + 4] = -std::numeric_limits<double>::infinity();
  for (int r = 0; r < kRows; r += 2) f[2 * kLd + r] = r % 4 ? 0.0 : -0.0;
  for (int s = 0; s < kColumnSteps; ++s) f[s * kLd + kRows - 1] = 0.0;
  for (int j = 0; j < kCols; ++j) start[j * kLd + kRows - 1] = -0.0;
  reference::forEachSimdPath([&] {
    for (int steps : {1, 3, kColumnSteps}) {
      std::vector<double> got = start, want = start;
      for (int s = 0; s < steps; ++s)
        for (int j = 0; j < kCols; ++j)
          for (int r = 0; r < kRows; ++r)
            if (f[s * kLd + r] != 0.0)
              want[j * kLd + r] = want[j * kLd + r] - f[s * kLd + r] * x[s * kCols + j];
      splitKernels().subScaledColumnsSteps(kRows, kCols, steps, f.data(), kLd, x.data(), kCols,
                                           got.data(), kLd);
      for (int i = 0; i < kCols * kLd; ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(want[i]), std::bit_cast<std::uint64_t>(got[i]))
            << steps << " " << i;
    }
  });
}

}  // namespace
}  // namespace kelvaro
