#include "matrix/mat_condition.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <vector>

namespace kelvaro {

namespace {

using Complex = std::complex<double>;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kMostIterations = 5;

double conjugate(double x) {
  return x;
}
Complex conjugate(const Complex& x) {
  return std::conj(x);
}
double direction(double x) {
  return x < 0 ? -1.0 : 1.0;
}
Complex direction(const Complex& x) {
  const double r = std::abs(x);
  return r == 0.0 ? Complex(1.0) : x / r;
}
template <class T>
T valueOf(const Element& e);
template <>
double valueOf<double>(const Element& e) {
  return e.re();
}
template <>
Complex valueOf<Complex>(const Element& e) {
  return {e.re(), e.im()};
}

// A square matrix of triangular factors, copied once into compact storage by rows, so that
// every solve below runs along contiguous memory: the forward ones as sums in four
// independent parts, the others as independent updates. The solves only estimate a norm:
// the order of their operations matters to nothing printed.
template <class T>
class Factors {
 public:
  // Element (i, j) from at(i, j), i and j in [0, n).
  template <class At>
  Factors(int n, At at) : n_(n), rows_(static_cast<std::size_t>(n) * n) {
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) rows_[index(i, j)] = at(i, j);
  }

  int size() const { return n_; }
  T diagonal(int i) const { return rows_[index(i, i)]; }
  bool singular() const {
    for (int i = 0; i < n_; ++i)
      if (diagonal(i) == T(0)) return true;
    return false;
  }

  // L x = b, L the lower triangle (unit: 1 on the diagonal, which is not read).
  void lower(bool unit, std::vector<T>& x) const {
    for (int i = 0; i < n_; ++i) {
      const T s = x[i] - dot(&rows_[index(i, 0)], x.data(), 0, i);
      x[i] = unit ? s : s / diagonal(i);
    }
  }
  // U x = b, U the upper triangle with the diagonal.
  void upper(std::vector<T>& x) const {
    for (int i = n_ - 1; i >= 0; --i)
      x[i] = (x[i] - dot(&rows_[index(i, 0)], x.data(), i + 1, n_)) / diagonal(i);
  }
  // U^H x = b.
  void upperAdjoint(std::vector<T>& x) const {
    for (int i = 0; i < n_; ++i) {
      x[i] /= conjugate(diagonal(i));
      const T xi = x[i];
      const T* r = &rows_[index(i, 0)];
      for (int j = i + 1; j < n_; ++j) x[j] -= conjugate(r[j]) * xi;
    }
  }
  // L' x = b, or L^H x = b with adjoint.
  void lowerTransposed(bool unit, bool adjoint, std::vector<T>& x) const {
    for (int j = n_ - 1; j >= 0; --j) {
      if (!unit) x[j] /= adjoint ? conjugate(diagonal(j)) : diagonal(j);
      const T xj = x[j];
      const T* r = &rows_[index(j, 0)];
      if (adjoint)
        for (int i = 0; i < j; ++i) x[i] -= conjugate(r[i]) * xj;
      else
        for (int i = 0; i < j; ++i) x[i] -= r[i] * xj;
    }
  }

 private:
  std::size_t index(int i, int j) const { return static_cast<std::size_t>(i) * n_ + j; }

  // Sum of r[k] * x[k] over [first, last).
  static T dot(const T* r, const T* x, int first, int last) {
    T s[4] = {};
    int k = first;
    for (; k + 4 <= last; k += 4)
      for (int p = 0; p < 4; ++p) s[p] += r[k + p] * x[k + p];
    for (; k < last; ++k) s[0] += r[k] * x[k];
    return (s[0] + s[1]) + (s[2] + s[3]);
  }

  int n_;
  std::vector<T> rows_;
};

template <class T>
double sumOfModuli(const std::vector<T>& v) {
  double s = 0.0;
  for (const T& c : v) s += std::abs(c);
  return s;
}

template <class T>
std::size_t largestModulus(const std::vector<T>& v) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < v.size(); ++i)
    if (std::abs(v[i]) > std::abs(v[best])) best = i;
  return best;
}

// Hager's estimate of ||inv(A)||_1 with Higham's safeguards, step by step as the usual
// library routine takes it: a few steps of ascent on the vertices of the unit ball, then the
// alternating vector that catches the cases where the ascent stops early. Every value taken
// is the norm of inv(A) times a vector of norm at most 1: a lower bound.
template <class T, class Solve, class SolveAdjoint>
double estimate(int n, Solve solve, SolveAdjoint solveAdjoint) {
  if (n == 0) return 0.0;
  std::vector<T> x(n, T(1.0 / n)), z(n);
  const auto directions = [&] {
    for (int i = 0; i < n; ++i) z[i] = direction(x[i]);
  };
  solve(x);
  double est = sumOfModuli(x);
  if (n == 1 || !std::isfinite(est)) return est;
  directions();
  solveAdjoint(z);
  std::size_t j = largestModulus(z);
  for (int iteration = 2;; ++iteration) {
    std::fill(x.begin(), x.end(), T(0));
    x[j] = 1.0;
    solve(x);
    const double previous = est;
    est = sumOfModuli(x);
    if (!std::isfinite(est)) return est;
    if (est <= previous) {
      est = previous;
      break;
    }
    directions();
    solveAdjoint(z);
    const std::size_t last = j;
    j = largestModulus(z);
    if (std::abs(z[last]) == std::abs(z[j]) || iteration >= kMostIterations) break;
  }
  for (int i = 0; i < n; ++i)
    x[i] = (i % 2 ? -1.0 : 1.0) * (1.0 + static_cast<double>(i) / (n - 1));
  solve(x);
  est = std::max(est, 2.0 * sumOfModuli(x) / (3.0 * n));
  // One more ascent step, from where the alternating vector led: two solves that catch most of
  // the matrices on which the steps above stop at a third of the norm or less.
  directions();
  solveAdjoint(z);
  std::fill(x.begin(), x.end(), T(0));
  x[largestModulus(z)] = 1.0;
  solve(x);
  return std::max(est, sumOfModuli(x));
}

template <class T>
double pivotedLU(const RCOMat& lu, const RCoVecE& rowPerm, const RCoVecE& colPerm) {
  const Factors<T> f(lu.rows(), [&](int i, int j) { return valueOf<T>(lu[i][j]); });
  if (f.singular()) return kInfinity;
  const int n = f.size();
  std::vector<T> t(n);
  // inv(A) = Q inv(U) inv(L) P and its adjoint P' inv(L)^H inv(U)^H Q'.
  return estimate<T>(
      n,
      [&](std::vector<T>& x) {
        for (int i = 0; i < n; ++i) t[i] = x[rowPerm[i]];
        f.lower(true, t);
        f.upper(t);
        for (int j = 0; j < n; ++j) x[colPerm[j]] = t[j];
      },
      [&](std::vector<T>& x) {
        for (int j = 0; j < n; ++j) t[j] = x[colPerm[j]];
        f.upperAdjoint(t);
        f.lowerTransposed(true, true, t);
        for (int i = 0; i < n; ++i) x[rowPerm[i]] = t[i];
      });
}

template <class T>
double lu(const RCOMat& l, const RCOMat& u) {
  const Factors<T> f(u.rows(), [&](int i, int j) { return valueOf<T>(j < i ? l[i][j] : u[i][j]); });
  if (f.singular()) return kInfinity;
  return estimate<T>(
      f.size(),
      [&](std::vector<T>& x) {
        f.lower(true, x);
        f.upper(x);
      },
      [&](std::vector<T>& x) {
        f.upperAdjoint(x);
        f.lowerTransposed(true, true, x);
      });
}

template <class T>
double ldl(const RCOMat& l, const RCOMat& d) {
  const Factors<T> f(l.rows(),
                     [&](int i, int j) { return valueOf<T>(j == i ? d[i][i] : l[i][j]); });
  if (f.singular()) return kInfinity;
  const auto solve = [&](std::vector<T>& x) {
    f.lower(true, x);
    for (int i = 0; i < f.size(); ++i) x[i] /= f.diagonal(i);
    f.lowerTransposed(true, false, x);
  };
  // The matrix equals its plain transpose, so its adjoint is its conjugate.
  return estimate<T>(f.size(), solve, [&](std::vector<T>& x) {
    for (T& c : x) c = conjugate(c);
    solve(x);
    for (T& c : x) c = conjugate(c);
  });
}

bool real(const RCOMat& m) {
  for (const Element& e : m.elements())
    if (e.im() != 0.0) return false;
  return true;
}

double modulus(const Element& e) {
  return e.im() == 0.0 ? std::fabs(e.re()) : std::hypot(e.re(), e.im());
}

double largest(const std::vector<double>& sums) {
  double best = 0.0;
  for (double s : sums)
    if (s > best || std::isnan(s)) best = s;
  return best;
}

}  // namespace

double norm1(const RCOMat& a) {
  std::vector<double> sums(static_cast<std::size_t>(a.cols()), 0.0);
  for (int i = 0; i < a.rows(); ++i)
    for (int j = 0; j < a.cols(); ++j) sums[j] += modulus(a[i][j]);
  return largest(sums);
}

double upperSymmetricNorm1(const RCOMat& a) {
  const int n = a.rows();
  std::vector<double> sums(static_cast<std::size_t>(n), 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) {
      const double r = modulus(a[i][j]);
      sums[j] += r;
      if (j != i) sums[i] += r;
    }
  return largest(sums);
}

double inverseNorm1PivotedLU(const RCOMat& lu, const RCoVecE& rowPerm, const RCoVecE& colPerm) {
  return real(lu) ? pivotedLU<double>(lu, rowPerm, colPerm)
                  : pivotedLU<Complex>(lu, rowPerm, colPerm);
}

double inverseNorm1LU(const RCOMat& l, const RCOMat& u) {
  return real(l) && real(u) ? lu<double>(l, u) : lu<Complex>(l, u);
}

double inverseNorm1LDL(const RCOMat& l, const RCOMat& d) {
  return real(l) && real(d) ? ldl<double>(l, d) : ldl<Complex>(l, d);
}

}  // namespace kelvaro
