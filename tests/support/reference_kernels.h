#pragma once
// The matrix kernels written the plain way, element by element in their defining loop order,
// for the tests that require the fast kernels to give the same bits; and what those tests
// build their inputs and comparisons from.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "matrix/mat_eigen.h"
#include "matrix/mat_product.h"
#include "matrix/simd_path.h"
#include "numbers/extended.h"
#include "numbers/rcomat.h"

namespace kelvaro::reference {

// Row-major rows x cols doubles.
struct Dense {
  int rows = 0, cols = 0;
  std::vector<double> v;
  Dense() = default;
  Dense(int r, int c, std::vector<double> values = {}) : rows(r), cols(c), v(std::move(values)) {
    v.resize(static_cast<std::size_t>(r) * c, 0.0);
  }
  double& operator()(int i, int j) { return v[static_cast<std::size_t>(i) * cols + j]; }
  double operator()(int i, int j) const { return v[static_cast<std::size_t>(i) * cols + j]; }
};

inline Dense randomDense(int rows, int cols, std::mt19937_64& rng, double lo = -1, double hi = 1) {
  std::uniform_real_distribution<double> dist(lo, hi);
  Dense d(rows, cols);
  for (double& x : d.v) x = dist(rng);
  return d;
}

inline Dense multiply(const Dense& a, const Dense& b) {
  Dense c(a.rows, b.cols);
  for (int i = 0; i < a.rows; ++i)
    for (int k = 0; k < a.cols; ++k)
      for (int j = 0; j < b.cols; ++j) c(i, j) += a(i, k) * b(k, j);
  return c;
}

inline Dense transpose(const Dense& a) {
  Dense t(a.cols, a.rows);
  for (int i = 0; i < a.rows; ++i)
    for (int j = 0; j < a.cols; ++j) t(j, i) = a(i, j);
  return t;
}

inline Dense identity(int n) {
  Dense d(n, n);
  for (int i = 0; i < n; ++i) d(i, i) = 1;
  return d;
}

inline double maxAbsDiff(const Dense& a, const Dense& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.v.size(); ++i) worst = std::fmax(worst, std::fabs(a.v[i] - b.v[i]));
  return worst;
}

// Modified Gram-Schmidt on random columns, independent of the library's QR.
inline Dense randomOrthogonal(int n, std::mt19937_64& rng) {
  Dense q = randomDense(n, n, rng);
  for (int j = 0; j < n; ++j) {
    for (int p = 0; p < j; ++p) {
      double dot = 0;
      for (int i = 0; i < n; ++i) dot += q(i, p) * q(i, j);
      for (int i = 0; i < n; ++i) q(i, j) -= dot * q(i, p);
    }
    double norm = 0;
    for (int i = 0; i < n; ++i) norm += q(i, j) * q(i, j);
    for (int i = 0; i < n; ++i) q(i, j) /= std::sqrt(norm);
  }
  return q;
}

// The 1-based working matrix of the eigenvalue routines.
inline matrx2 working(const Dense& d) {
  matrx2 a(d.rows);
  for (int i = 0; i < d.rows; ++i)
    for (int j = 0; j < d.cols; ++j) a[i + 1][j + 1] = d(i, j);
  return a;
}

inline bool sameBits(const Element& a, const Element& b) {
  const double x[2] = {a.re(), a.im()}, y[2] = {b.re(), b.im()};
  return a.kind() == b.kind() && std::memcmp(x, y, sizeof x) == 0;
}

inline ::testing::AssertionResult sameMatrix(const RCOMat& a, const RCOMat& b) {
  bool same = a.rows() == b.rows() && a.cols() == b.cols();
  for (std::size_t i = 0; same && i < a.elements().size(); ++i)
    if (!sameBits(a.elements()[i], b.elements()[i]))
      return ::testing::AssertionFailure() << "element " << i << " differs";
  return same ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "shapes differ";
}

// max |a - b| over the elements, as complex numbers.
inline double maxDistance(const RCOMat& a, const RCOMat& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.elements().size(); ++i) {
    const Element &x = a.elements()[i], &y = b.elements()[i];
    worst = std::fmax(worst, std::abs(std::complex(x.re() - y.re(), x.im() - y.im())));
  }
  return worst;
}

inline RCOMat complexMatrix(int rows, int cols, const std::vector<std::complex<double>>& values) {
  RCOMat m(rows, cols);
  for (std::size_t i = 0; i < values.size(); ++i)
    m.elements()[i] = Element::complex(values[i].real(), values[i].imag());
  return m;
}

// Small integers (many zeros and exact ties in every pivot search), or general doubles with a
// heavy diagonal (well conditioned); tests take them in turns.
inline RCOMat randomSmallIntegers(int rows, int cols, std::mt19937_64& gen) {
  std::uniform_int_distribution<int> d(-2, 2);
  RCOMat m(rows, cols);
  for (auto& e : m.elements()) e = Element::complex(d(gen), d(gen) * (d(gen) == 0 ? 0 : 1));
  return m;
}

inline RCOMat randomWellConditioned(int rows, int cols, std::mt19937_64& gen) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  RCOMat m(rows, cols);
  for (auto& e : m.elements()) e = Element::complex(u(gen), u(gen));
  for (int i = 0; i < rows && i < cols; ++i)
    m[i][i] = Element::complex(m[i][i].re() + 2 * cols, m[i][i].im());
  return m;
}
inline RCOMat randomWellConditioned(int n, std::mt19937_64& gen) {
  return randomWellConditioned(n, n, gen);
}

// The operand of a test's round: well conditioned in odd rounds, small integers in even ones.
inline RCOMat operandOfRound(int rows, int cols, int round, std::mt19937_64& gen) {
  return round % 2 ? randomWellConditioned(rows, cols, gen) : randomSmallIntegers(rows, cols, gen);
}

// Runs body once per vector path the processor has, restoring the path afterwards.
inline void forEachSimdPath(const std::function<void()>& body) {
  const SimdPath saved = simdPath();
  for (SimdPath p : {SimdPath::Generic, SimdPath::Avx2, SimdPath::Avx512}) {
    if (!setSimdPath(p)) continue;
    SCOPED_TRACE(simdPathName(p));
    body();
  }
  setSimdPath(saved);
}

// Whether f ends with an exception ("Division by zero").
template <typename F>
bool threw(F&& f) {
  try {
    f();
    return false;
  } catch (const std::exception&) {
    return true;
  }
}

// Householder QR over the whole matrix, one reflection at a time: r becomes R, q the Q with
// Q·A = R.
inline void plainQR(Dense& r, Dense& q) {
  const int m = r.rows, n = r.cols;
  q = identity(m);
  for (int k = 0; k <= std::min(m - 2, n - 1); ++k) {
    double s = 0;
    for (int i = k; i < m; ++i) s += std::fabs(r(i, k));
    if (s == 0) continue;
    double sigma = 0;
    for (int i = k; i < m; ++i) {
      r(i, k) = r(i, k) / s;
      sigma += r(i, k) * r(i, k);
    }
    const double alpha = -(r(k, k) >= 0 ? 1.0 : -1.0) * std::sqrt(sigma);
    r(k, k) = r(k, k) - alpha;
    const double beta = -alpha * r(k, k);
    auto reflect = [&](Dense& target, int j) {
      double t = 0;
      for (int i = k; i < m; ++i) t += r(i, k) * target(i, j);
      t /= beta;
      for (int i = k; i < m; ++i) target(i, j) -= r(i, k) * t;
    };
    for (int j = k + 1; j < n; ++j) reflect(r, j);
    for (int j = 0; j < m; ++j) reflect(q, j);
    r(k, k) = alpha * s;
    for (int i = k + 1; i < m; ++i) r(i, k) = 0;
  }
}

// Balancing by powers of two, one index at a time.
inline void plainBalance(matrx2& a, int n) {
  bool last = false;
  while (!last) {
    last = true;
    for (int i = 1; i <= n; ++i) {
      double c = 0, r = 0;
      for (int j = 1; j <= n; ++j)
        if (j != i) {
          c += std::fabs(a[j][i]);
          r += std::fabs(a[i][j]);
        }
      if (c == 0 || r == 0 || !std::isfinite(c) || !std::isfinite(r)) continue;
      double g = r / 2, f = 1;
      const double s = c + r;
      while (c < g) f *= 2, c *= 4;
      g = r * 2;
      while (c > g) f /= 2, c /= 4;
      if (!std::isfinite(f) || f == 0 || !std::isfinite(1 / f)) continue;
      if ((c + r) / f < 0.95 * s) {
        last = false;
        for (int j = 1; j <= n; ++j) a[i][j] *= 1 / f;
        for (int j = 1; j <= n; ++j) a[j][i] *= f;
      }
    }
  }
}

// Reduction to upper Hessenberg form by stabilised elementary similarity transformations.
inline void plainHessenberg(matrx2& a, int n) {
  for (int m = 2; m < n; ++m) {
    double x = 0;
    int i = m;
    for (int j = m; j <= n; ++j) {
      if (std::fabs(a[j][m - 1]) > std::fabs(x)) {
        x = a[j][m - 1];
        i = j;
      }
    }
    if (i != m) {
      for (int j = m - 1; j <= n; ++j) std::swap(a[i][j], a[m][j]);
      for (int j = 1; j <= n; ++j) std::swap(a[j][i], a[j][m]);
    }
    if (x == 0) continue;
    for (i = m + 1; i <= n; ++i) {
      double y = a[i][m - 1];
      if (y == 0) continue;
      y /= x;
      a[i][m - 1] = y;
      for (int j = m; j <= n; ++j) a[i][j] -= y * a[m][j];
      for (int j = 1; j <= n; ++j) a[j][m] += y * a[j][i];
    }
  }
}

// The shifted double-step QR iteration on an upper Hessenberg matrix, each step's row and
// column modifications applied at once, in full.
inline bool plainHqr(matrx2& a, int n, std::vector<double>& wr, std::vector<double>& wi) {
  const auto small = [](double u, double v) {
    return static_cast<Extended>(u) + static_cast<Extended>(v) == static_cast<Extended>(v);
  };
  double anorm = std::fabs(a[1][1]), t = 0, p = 0, q = 0, r = 0, s, w, x, y, z;
  for (int i = 2; i <= n; ++i)
    for (int j = i - 1; j <= n; ++j) anorm += std::fabs(a[i][j]);
  wr.assign(n + 1, 0.0), wi.assign(n + 1, 0.0);
  for (int nn = n, its = 0, l, m; nn >= 1;) {
    for (l = nn; l >= 2; --l) {
      s = std::fabs(a[l - 1][l - 1]) + std::fabs(a[l][l]);
      if (small(std::fabs(a[l][l - 1]), s == 0 ? anorm : s)) break;
    }
    l = std::max(l, 1), x = a[nn][nn];
    if (l == nn) {
      wr[nn] = x + t, wi[nn--] = 0, its = 0;
      continue;
    }
    y = a[nn - 1][nn - 1], w = a[nn][nn - 1] * a[nn - 1][nn];
    if (l == nn - 1) {
      p = 0.5 * (y - x), q = p * p + w, z = std::sqrt(std::fabs(q)), x += t;
      if (q >= 0) {
        z = p >= 0 ? p + std::fabs(z) : p - std::fabs(z);
        wr[nn - 1] = wr[nn] = x + z;
        if (z != 0) wr[nn] = x - w / z;
        wi[nn - 1] = wi[nn] = 0;
      } else {
        wr[nn - 1] = wr[nn] = x + p, wi[nn] = z, wi[nn - 1] = -z;
      }
      nn -= 2, its = 0;
      continue;
    }
    if (its == 30) return false;
    if (its == 10 || its == 20) {
      t += x;
      for (int i = 1; i <= nn; ++i) a[i][i] -= x;
      s = std::fabs(a[nn][nn - 1]) + std::fabs(a[nn - 1][nn - 2]);
      x = y = 0.75 * s, w = -0.4375 * (s * s);
    }
    ++its;
    for (m = nn - 2; m >= l; --m) {
      z = a[m][m], r = x - z, s = y - z;
      p = (r * s - w) / a[m + 1][m] + a[m][m + 1], q = a[m + 1][m + 1] - z - r - s;
      r = a[m + 2][m + 1], s = std::fabs(p) + std::fabs(q) + std::fabs(r);
      p /= s, q /= s, r /= s;
      if (m == l) break;
      const double u = std::fabs(a[m][m - 1]) * (std::fabs(q) + std::fabs(r));
      if (small(u, std::fabs(p) *
                       (std::fabs(a[m - 1][m - 1]) + std::fabs(z) + std::fabs(a[m + 1][m + 1]))))
        break;
    }
    for (int i = m + 2; i <= nn; ++i) {
      a[i][i - 2] = 0;
      if (i != m + 2) a[i][i - 3] = 0;
    }
    for (int k = m; k <= nn - 1; ++k) {
      if (k != m) {
        p = a[k][k - 1], q = a[k + 1][k - 1], r = k != nn - 1 ? a[k + 2][k - 1] : 0;
        if ((x = std::fabs(p) + std::fabs(q) + std::fabs(r)) != 0) p /= x, q /= x, r /= x;
      }
      const double norm = std::sqrt(p * p + q * q + r * r);
      if ((s = p >= 0 ? norm : -norm) == 0) continue;
      if (k == m) {
        if (l != m) a[k][k - 1] = -a[k][k - 1];
      } else {
        a[k][k - 1] = -s * x;
      }
      p += s, x = p / s, y = q / s, z = r / s, q /= p, r /= p;
      const bool three = k != nn - 1;
      for (int j = k; j <= nn; ++j) {
        p = a[k][j] + q * a[k + 1][j];
        if (three) p += r * a[k + 2][j], a[k + 2][j] -= p * z;
        a[k + 1][j] -= p * y, a[k][j] -= p * x;
      }
      for (int i = l; i <= std::min(nn, k + 3); ++i) {
        p = x * a[i][k] + y * a[i][k + 1];
        if (three) p += z * a[i][k + 2], a[i][k + 2] -= p * r;
        a[i][k + 1] -= p * q, a[i][k] -= p;
      }
    }
  }
  return true;
}

// Gauss-Jordan inversion with full pivoting on the squared modulus, in the split parts, each
// complex product as three real ones. Returns 1 (r sized only) when the largest squared
// modulus is at most 2^-64, else 0.
inline int plainGaussJordan(int n, std::vector<double> ar, std::vector<double> ai, RCOMat& r) {
  r.resize(n, n);
  std::vector<int> prow(n), pcol(n);
  auto at = [n](int i, int j) { return static_cast<std::size_t>(i) * n + j; };
  auto times = [](double xr, double xi, double yr, double yi, double& p, double& q, double& s) {
    p = xr * yr;
    q = xi * yi;
    s = (xr + xi) * (yr + yi);
  };
  auto swapRows = [&](int i, int j) {
    for (int c = 0; c < n; ++c)
      std::swap(ar[at(i, c)], ar[at(j, c)]), std::swap(ai[at(i, c)], ai[at(j, c)]);
  };
  auto swapColumns = [&](int i, int j) {
    for (int c = 0; c < n; ++c)
      std::swap(ar[at(c, i)], ar[at(c, j)]), std::swap(ai[at(c, i)], ai[at(c, j)]);
  };
  for (int k = 0; k < n; ++k) {
    double d = 0.0;
    for (int i = k; i < n; ++i)
      for (int j = k; j < n; ++j) {
        const double p = ar[at(i, j)] * ar[at(i, j)] + ai[at(i, j)] * ai[at(i, j)];
        if (p > d) d = p, prow[k] = i, pcol[k] = j;
      }
    if (static_cast<Extended>(1.0) + d == static_cast<Extended>(1.0)) return 1;
    swapRows(k, prow[k]);
    swapColumns(k, pcol[k]);
    ar[at(k, k)] = ar[at(k, k)] / d;
    ai[at(k, k)] = -ai[at(k, k)] / d;
    const double vr = ar[at(k, k)], vi = ai[at(k, k)];
    double p, q, s;
    for (int j = 0; j < n; ++j) {
      if (j == k) continue;
      times(ar[at(k, j)], ai[at(k, j)], vr, vi, p, q, s);
      ar[at(k, j)] = p - q;
      ai[at(k, j)] = s - p - q;
    }
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        if (i == k || j == k) continue;
        times(ar[at(k, j)], ai[at(k, j)], ar[at(i, k)], ai[at(i, k)], p, q, s);
        ar[at(i, j)] = ar[at(i, j)] - (p - q);
        ai[at(i, j)] = ai[at(i, j)] - (s - p - q);
      }
    for (int i = 0; i < n; ++i) {
      if (i == k) continue;
      times(ar[at(i, k)], ai[at(i, k)], vr, vi, p, q, s);
      ar[at(i, k)] = q - p;
      ai[at(i, k)] = p + q - s;
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    swapRows(k, pcol[k]);
    swapColumns(k, prow[k]);
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) r[i][j] = Element::complex(ar[at(i, j)], ai[at(i, j)]);
  return 0;
}

// a^count as count - 1 products, the running power always the left factor.
inline RCOMat powerLeftToRight(const RCOMat& a, long long count) {
  RCOMat c = a, r;
  for (long long k = 1; k < count; ++k) {
    MatMulElements(c, a, r);
    c = r;
  }
  return c;
}

}  // namespace kelvaro::reference
