// Splitting a register into its parts: only a matrix of complex elements takes the fast
// paths, and the one pass that splits it must also be the one that turns the others away.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

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

}  // namespace
}  // namespace kelvaro
