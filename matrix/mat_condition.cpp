#include "matrix/mat_condition.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "matrix/modulus_bounds.h"

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
Complex complexOf(const Element& e) {
  return {e.re(), e.im()};
}

template <class T>
using Values = FactorValues<T>;

// One or two vectors that a solve takes together.
template <class T>
using Vectors = std::span<std::vector<T>* const>;

// A square matrix of triangular factors in compact storage by rows, so that every solve
// below runs along contiguous memory: the forward ones as sums in four independent parts,
// the others as independent updates. The solves only estimate a norm: the order of their
// operations matters to nothing printed. A solve with two vectors reads each row of the
// factors once for both and gives each the operations it would have alone.
template <class T>
class Factors {
 public:
  Factors(int n, Values<T>&& rows) : n_(n), rows_(std::move(rows)) {}

  int size() const { return n_; }
  T diagonal(int i) const { return rows_[index(i, i)]; }
  bool singular() const {
    for (int i = 0; i < n_; ++i)
      if (diagonal(i) == T(0)) return true;
    return false;
  }

  // L x = b, L the lower triangle (unit: 1 on the diagonal, which is not read).
  void lower(bool unit, Vectors<T> xs) const {
    for (int i = 0; i < n_; ++i)
      for (std::vector<T>* x : xs) {
        const T s = (*x)[i] - dot(row(i), x->data(), 0, i);
        (*x)[i] = unit ? s : s / diagonal(i);
      }
  }
  // U x = b, U the upper triangle (unit: 1 on the diagonal, which is not read).
  void upper(bool unit, Vectors<T> xs) const {
    for (int i = n_ - 1; i >= 0; --i)
      for (std::vector<T>* x : xs) {
        const T s = (*x)[i] - dot(row(i), x->data(), i + 1, n_);
        (*x)[i] = unit ? s : s / diagonal(i);
      }
  }
  // U^H x = b.
  void upperAdjoint(bool unit, Vectors<T> xs) const {
    for (int i = 0; i < n_; ++i)
      for (std::vector<T>* x : xs) {
        if (!unit) (*x)[i] /= conjugate(diagonal(i));
        const T xi = (*x)[i];
        const T* r = row(i);
        T* v = x->data();
        for (int j = i + 1; j < n_; ++j) v[j] -= conjugate(r[j]) * xi;
      }
  }
  // L' x = b, or L^H x = b with adjoint.
  void lowerTransposed(bool unit, bool adjoint, Vectors<T> xs) const {
    for (int j = n_ - 1; j >= 0; --j)
      for (std::vector<T>* x : xs) {
        if (!unit) (*x)[j] /= adjoint ? conjugate(diagonal(j)) : diagonal(j);
        const T xj = (*x)[j];
        const T* r = row(j);
        T* v = x->data();
        if (adjoint)
          for (int i = 0; i < j; ++i) v[i] -= conjugate(r[i]) * xj;
        else
          for (int i = 0; i < j; ++i) v[i] -= r[i] * xj;
      }
  }

 private:
  std::size_t index(int i, int j) const { return static_cast<std::size_t>(i) * n_ + j; }
  const T* row(int i) const { return &rows_[index(i, 0)]; }

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
  Values<T> rows_;
};

// The values of m by rows, in doubles when every element is real (then true), else as
// complex numbers: one pass over a real matrix.
bool realValues(const RCOMat& m, Values<double>& re) {
  const std::span<const Element> e = m.elements();
  re.resize(e.size());
  bool real = true;
  for (std::size_t i = 0; i < e.size(); ++i) {
    re[i] = e[i].re();
    real = real && e[i].im() == 0.0;
  }
  return real;
}

Values<Complex> complexValues(const RCOMat& m) {
  const std::span<const Element> e = m.elements();
  Values<Complex> v(e.size());
  for (std::size_t i = 0; i < e.size(); ++i) v[i] = complexOf(e[i]);
  return v;
}

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

template <class T>
void directions(const std::vector<T>& x, std::vector<T>& z) {
  for (std::size_t i = 0; i < x.size(); ++i) z[i] = direction(x[i]);
}

template <class T>
void unitVector(std::vector<T>& x, std::size_t j) {
  std::fill(x.begin(), x.end(), T(0));
  x[j] = 1.0;
}

// Hager's estimate of ||inv(A)||_1 with Higham's safeguards, step by step as the usual
// library routine takes it: a few steps of ascent on the vertices of the unit ball, then the
// alternating vector that catches the cases where the ascent stops early, and one more ascent
// step from where that vector leads, which catches most of the matrices on which the others
// stop at a third of the norm or less. Every value taken is the norm of inv(A) times a vector
// of norm at most 1: a lower bound. The alternating vector is known from the start, so its
// solve and its ascent step ride along with the first three solves of the ascent.
template <class T, class Solve, class SolveAdjoint>
double estimate(int n, Solve solve, SolveAdjoint solveAdjoint) {
  if (n == 0) return 0.0;
  std::vector<T> x(n, T(1.0 / n)), z(n);
  std::vector<T>* xz[] = {&x, &z};
  if (n == 1) {
    solve(Vectors<T>(xz, 1));
    return sumOfModuli(x);
  }
  std::vector<T> y(n), w(n);
  for (int i = 0; i < n; ++i)
    y[i] = (i % 2 ? -1.0 : 1.0) * (1.0 + static_cast<double>(i) / (n - 1));
  std::vector<T>* const xy[] = {&x, &y};
  std::vector<T>* const zw[] = {&z, &w};
  solve(Vectors<T>(xy));
  double est = sumOfModuli(x);
  if (!std::isfinite(est)) return est;
  const double alternating = 2.0 * sumOfModuli(y) / (3.0 * n);
  directions(x, z);
  directions(y, w);
  solveAdjoint(Vectors<T>(zw));
  std::size_t j = largestModulus(z);
  unitVector(y, largestModulus(w));
  double fromAlternating = 0.0;
  for (int iteration = 2;; ++iteration) {
    unitVector(x, j);
    if (iteration == 2) {
      solve(Vectors<T>(xy));
      fromAlternating = sumOfModuli(y);
    } else {
      solve(Vectors<T>(xy, 1));
    }
    const double previous = est;
    est = sumOfModuli(x);
    if (!std::isfinite(est)) return est;
    if (est <= previous) {
      est = previous;
      break;
    }
    directions(x, z);
    solveAdjoint(Vectors<T>(zw, 1));
    const std::size_t last = j;
    j = largestModulus(z);
    if (std::abs(z[last]) == std::abs(z[j]) || iteration >= kMostIterations) break;
  }
  est = std::max(est, alternating);
  return std::max(est, fromAlternating);
}

// ||inv(A)||_1 for A(rowPerm, colPerm) = L*U, L and U in f, L with the unit diagonal or U.
template <class T>
double luEstimate(const Factors<T>& f, bool unitLower, const int* rowPerm, const int* colPerm) {
  if (f.singular()) return kInfinity;
  const int n = f.size();
  if (!rowPerm && !colPerm)
    return estimate<T>(
        n,
        [&](Vectors<T> xs) {
          f.lower(unitLower, xs);
          f.upper(!unitLower, xs);
        },
        [&](Vectors<T> xs) {
          f.upperAdjoint(!unitLower, xs);
          f.lowerTransposed(unitLower, true, xs);
        });
  std::vector<T> t[2] = {std::vector<T>(n), std::vector<T>(n)};
  std::vector<T>* const ts[] = {&t[0], &t[1]};
  const auto at = [](const int* perm, int i) { return perm ? perm[i] : i; };
  // inv(A) = Q inv(U) inv(L) P and its adjoint P' inv(L)^H inv(U)^H Q'.
  return estimate<T>(
      n,
      [&](Vectors<T> xs) {
        for (std::size_t q = 0; q < xs.size(); ++q)
          for (int i = 0; i < n; ++i) t[q][i] = (*xs[q])[at(rowPerm, i)];
        const Vectors<T> tq(ts, xs.size());
        f.lower(unitLower, tq);
        f.upper(!unitLower, tq);
        for (std::size_t q = 0; q < xs.size(); ++q)
          for (int j = 0; j < n; ++j) (*xs[q])[at(colPerm, j)] = t[q][j];
      },
      [&](Vectors<T> xs) {
        for (std::size_t q = 0; q < xs.size(); ++q)
          for (int j = 0; j < n; ++j) t[q][j] = (*xs[q])[at(colPerm, j)];
        const Vectors<T> tq(ts, xs.size());
        f.upperAdjoint(!unitLower, tq);
        f.lowerTransposed(unitLower, true, tq);
        for (std::size_t q = 0; q < xs.size(); ++q)
          for (int i = 0; i < n; ++i) (*xs[q])[at(rowPerm, i)] = t[q][i];
      });
}

// The same with L and U both in lu.
double luEstimate(const RCOMat& lu, bool unitLower, const int* rowPerm, const int* colPerm) {
  const int n = lu.rows();
  Values<double> re;
  if (realValues(lu, re))
    return luEstimate(Factors<double>(n, std::move(re)), unitLower, rowPerm, colPerm);
  return luEstimate(Factors<Complex>(n, complexValues(lu)), unitLower, rowPerm, colPerm);
}

template <class T>
double ldl(Factors<T> f) {
  if (f.singular()) return kInfinity;
  const auto solve = [&](Vectors<T> xs) {
    f.lower(true, xs);
    for (std::vector<T>* x : xs)
      for (int i = 0; i < f.size(); ++i) (*x)[i] /= f.diagonal(i);
    f.lowerTransposed(true, false, xs);
  };
  // The matrix equals its plain transpose, so its adjoint is its conjugate.
  return estimate<T>(f.size(), solve, [&](Vectors<T> xs) {
    for (std::vector<T>* x : xs)
      for (T& c : *x) c = conjugate(c);
    solve(xs);
    for (std::vector<T>* x : xs)
      for (T& c : *x) c = conjugate(c);
  });
}

double modulus(const Element& e) {
  return exactModulus(e.re(), e.im());
}

// The largest of the sums, but a NaN one: then the last NaN.
double largest(double best, double sum) {
  return sum > best || std::isnan(sum) ? sum : best;
}

}  // namespace

// The column sums of moduli are first formed from bounds on the moduli, in the same order, and
// only the columns that may hold the largest take the moduli themselves.
double norm1(const RCOMat& a) {
  const auto columns = static_cast<std::size_t>(a.cols());
  std::vector<double> low(columns, 0.0), high(columns, 0.0);
  for (int i = 0; i < a.rows(); ++i)
    for (std::size_t j = 0; j < columns; ++j) {
      const ModulusBounds b = modulusBounds(a[i][j].re(), a[i][j].im());
      low[j] += b.low;
      high[j] += b.high;
    }
  return largestSum(
      low, high,
      [&](std::size_t j) {
        double sum = 0;
        for (int i = 0; i < a.rows(); ++i) sum += modulus(a[i][j]);
        return sum;
      },
      largest);
}

// Column j's sum takes the upper triangle's column j down to the diagonal, then row j right of
// it; by bounds first, as norm1.
double upperSymmetricNorm1(const RCOMat& a) {
  const int n = a.rows();
  std::vector<double> low(static_cast<std::size_t>(n), 0.0), high(low.size(), 0.0);
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) {
      const ModulusBounds b = modulusBounds(a[i][j].re(), a[i][j].im());
      low[j] += b.low;
      high[j] += b.high;
      if (j != i) low[i] += b.low, high[i] += b.high;
    }
  return largestSum(
      low, high,
      [&](std::size_t k) {
        const int c = static_cast<int>(k);
        double sum = 0;
        for (int i = 0; i <= c; ++i) sum += modulus(a[i][c]);
        for (int j = c + 1; j < n; ++j) sum += modulus(a[c][j]);
        return sum;
      },
      largest);
}

double inverseNorm1PivotedLU(const RCOMat& lu, const RCoVecE& rowPerm, const RCoVecE& colPerm) {
  return luEstimate(lu, true, rowPerm.data(), colPerm.data());
}

double inverseNorm1LU(const RCOMat& lu) {
  return luEstimate(lu, true, nullptr, nullptr);
}

double inverseNorm1Crout(FactorValues<double>&& lu, const RCoVecE& rowPerm) {
  const int n = static_cast<int>(rowPerm.size());
  return luEstimate(Factors<double>(n, std::move(lu)), false, rowPerm.data(), nullptr);
}

double inverseNorm1Crout(FactorValues<Complex>&& lu, const RCoVecE& rowPerm) {
  const int n = static_cast<int>(rowPerm.size());
  return luEstimate(Factors<Complex>(n, std::move(lu)), false, rowPerm.data(), nullptr);
}

double inverseNorm1LDL(const RCOMat& l, const RCOMat& d) {
  const int n = l.rows();
  Values<double> re;
  bool real = realValues(l, re);
  for (int i = 0; i < n; ++i) real = real && d[i][i].im() == 0.0;
  if (real) {
    for (int i = 0; i < n; ++i) re[static_cast<std::size_t>(i) * n + i] = d[i][i].re();
    return ldl(Factors<double>(n, std::move(re)));
  }
  Values<Complex> v = complexValues(l);
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i) * n + i] = complexOf(d[i][i]);
  return ldl(Factors<Complex>(n, std::move(v)));
}

}  // namespace kelvaro
