#pragma once
// Building small matrices by hand, random ones for the fast-path comparisons, and exact
// (bit for bit) comparison of results.

#include <gtest/gtest.h>

#include <complex>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <random>
#include <vector>

#include "matrix/simd_path.h"
#include "numbers/rcomat.h"

namespace kelvaro::test {

using C = std::complex<double>;

// A matrix of complex elements, as the panes give them.
inline RCOMat cmat(std::initializer_list<std::initializer_list<C>> rows) {
  const int r = static_cast<int>(rows.size());
  const int c = r ? static_cast<int>(rows.begin()->size()) : 0;
  RCOMat m(r, c);
  int i = 0;
  for (const auto& row : rows) {
    int j = 0;
    for (const C& v : row) m[i][j++] = Element::complex(v.real(), v.imag());
    ++i;
  }
  return m;
}

inline bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool sameBits(const Element& a, const Element& b) {
  return a.kind() == b.kind() && sameBits(a.re(), b.re()) && sameBits(a.im(), b.im());
}

inline ::testing::AssertionResult sameMatrix(const RCOMat& a, const RCOMat& b) {
  if (a.rows() != b.rows() || a.cols() != b.cols())
    return ::testing::AssertionFailure()
           << "shapes " << a.rows() << "x" << a.cols() << " and " << b.rows() << "x" << b.cols();
  for (int i = 0; i < a.rows(); ++i)
    for (int j = 0; j < a.cols(); ++j)
      if (!sameBits(a[i][j], b[i][j]))
        return ::testing::AssertionFailure()
               << "element [" << i << "][" << j << "]: " << a[i][j].re() << "," << a[i][j].im()
               << " kind " << int(a[i][j].kind()) << " vs " << b[i][j].re() << "," << b[i][j].im()
               << " kind " << int(b[i][j].kind());
  return ::testing::AssertionSuccess();
}

// Within tol of the expected value in both parts.
inline ::testing::AssertionResult near(const Element& e, C expected, double tol = 1e-9) {
  if (std::abs(e.re() - expected.real()) <= tol && std::abs(e.im() - expected.imag()) <= tol)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << e.re() << (e.im() < 0 ? "" : "+") << e.im() << "i, expected " << expected;
}

inline ::testing::AssertionResult nearMatrix(const RCOMat& m,
                                             std::initializer_list<std::initializer_list<C>> rows,
                                             double tol = 1e-9) {
  int i = 0;
  if (m.rows() != static_cast<int>(rows.size()))
    return ::testing::AssertionFailure() << "rows " << m.rows();
  for (const auto& row : rows) {
    int j = 0;
    if (m.cols() != static_cast<int>(row.size()))
      return ::testing::AssertionFailure() << "cols " << m.cols();
    for (const C& v : row) {
      auto r = near(m[i][j], v, tol);
      if (!r) return r << " at [" << i << "][" << j << "]";
      ++j;
    }
    ++i;
  }
  return ::testing::AssertionSuccess();
}

// Random complex matrices of two sorts: small integers (many zeros and exact ties in every
// pivot search) and general doubles with a heavy diagonal (well conditioned).
inline RCOMat randomSmallIntegers(int rows, int cols, std::mt19937_64& gen) {
  std::uniform_int_distribution<int> d(-2, 2);
  RCOMat m(rows, cols);
  for (auto& e : m.elements()) e = Element::complex(d(gen), d(gen) * (d(gen) == 0 ? 0 : 1));
  return m;
}

inline RCOMat randomWellConditioned(int n, std::mt19937_64& gen) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  RCOMat m(n, n);
  for (auto& e : m.elements()) e = Element::complex(u(gen), u(gen));
  for (int i = 0; i < n; ++i) m[i][i] = Element::complex(m[i][i].re() + 2 * n, m[i][i].im());
  return m;
}

// Odd rounds of a randomised test get a well-conditioned matrix, even rounds small integers.
inline RCOMat randomOfRound(int round, int n, std::mt19937_64& gen) {
  return round % 2 ? randomWellConditioned(n, gen) : randomSmallIntegers(n, n, gen);
}

// Runs body once per vector path the processor has, restoring the path afterwards.
inline void forEachSimdPath(const std::function<void(SimdPath)>& body) {
  const SimdPath saved = simdPath();
  for (SimdPath p : {SimdPath::Generic, SimdPath::Avx2, SimdPath::Avx512}) {
    if (!setSimdPath(p)) continue;
    SCOPED_TRACE(simdPathName(p));
    body(p);
  }
  setSimdPath(saved);
}

// The result of a routine that may end with "Division by zero".
template <typename F>
bool threw(F&& f) {
  try {
    f();
    return false;
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace kelvaro::test
