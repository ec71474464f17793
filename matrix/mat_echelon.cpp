#include "matrix/mat_echelon.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <optional>
#include <utility>

#include "matrix/mat_condition.h"

namespace kelvaro {

namespace {

using Complex = std::complex<double>;

bool isComplexMatrix(const RCOMat& a) {
  return std::any_of(a.elements().begin(), a.elements().end(),
                     [](const Element& e) { return e.im() != 0; });
}

template <class T>
T valueOf(const Element& e) {
  if constexpr (std::is_same_v<T, double>)
    return e.re();
  else
    return Complex(e.re(), e.im());
}

Element elementOf(double v) {
  return Element::real(v);
}
Element elementOf(Complex v) {
  return Element::complex(v.real(), v.imag());
}

// The matrix as plain values of T, row-major.
template <class T>
std::vector<T> plain(const RCOMat& a) {
  std::vector<T> v;
  v.reserve(a.elements().size());
  for (const Element& e : a.elements()) v.push_back(valueOf<T>(e));
  return v;
}

template <class T>
void store(RCOMat& a, const std::vector<T>& v) {
  std::size_t i = 0;
  for (Element& e : a.elements()) e = elementOf(v[i++]);
}

// The factors of the square block S of the first m columns as the elimination meets them:
// S(order) = L*U in Crout's form, L's columns the pivot columns below (and at) the pivot
// before each step, U's rows the pivot rows divided by their pivot. Once a column of S is
// taken as zero, no later step is one of S's: the pivots from there on stay zero, and S is
// singular.
//
// L is kept a column at a time, each entry under the name (first place) of its row, so that a
// step writes one column in order and a row swap moves two names, not two rows: written
// across the rows of a large matrix, the column cost a cache miss an entry. Its columns go to
// their rows once, at the end.
template <class T>
class SquareFactors {
 public:
  explicit SquareFactors(int m)
      : m_(m),
        lu_(static_cast<std::size_t>(m) * m, T(0)),
        lower_(static_cast<std::size_t>(m) * m),
        order_(m) {
    for (int i = 0; i < m; ++i) order_[static_cast<std::size_t>(i)] = i;
  }

  // Whether step `row` (its pivot in column c) is one of S's.
  bool takes(int row, int c) const { return c < m_ && row == c; }
  // Step `row` begins with the swap of rows p and row.
  void begin(int p, int row) {
    std::swap(order_[static_cast<std::size_t>(p)], order_[static_cast<std::size_t>(row)]);
    steps_ = row + 1;
  }
  // L at the row now at r, column k.
  T& lower(int r, int k) {
    return lower_[static_cast<std::size_t>(k) * m_ +
                  static_cast<std::size_t>(order_[static_cast<std::size_t>(r)])];
  }
  T* upper(int r, int c) { return lu_.data() + static_cast<std::size_t>(r) * m_ + c; }

  double inverseNorm1() {
    constexpr int kBlock = 32;  // columns moved together: their lines stay in the cache
    for (int k0 = 0; k0 < steps_; k0 += kBlock)
      for (int i = k0; i < m_; ++i) {
        const int end = std::min({k0 + kBlock, i + 1, steps_});
        for (int k = k0; k < end; ++k) *upper(i, k) = lower(i, k);
      }
    return inverseNorm1Crout(std::move(lu_), order_);
  }

 private:
  int m_;
  FactorValues<T> lu_;
  FactorValues<T> lower_;
  std::vector<int> order_;
  int steps_ = 0;
};

template <class T>
EchelonOutcome reduce(RCOMat& a, WorkToken* work, bool squareInverseNorm) {
  const int m = a.rows(), n = a.cols();
  std::vector<T> v = plain<T>(a);
  const auto at = [&](int r, int c) -> T& {
    return v[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(c)];
  };
  EchelonOutcome out;
  double normInf = 0;
  for (int r = 0; r < m; ++r) {
    double sum = 0;
    for (int c = 0; c < n; ++c) sum += std::abs(at(r, c));
    normInf = std::max(normInf, sum);
  }
  out.tolerance = std::max(m, n) * std::numeric_limits<double>::epsilon() * normInf;
  std::optional<SquareFactors<T>> square;
  if (squareInverseNorm && n >= m) square.emplace(m);
  beginWork(work, static_cast<std::uint64_t>(n));
  int row = 0;
  for (int c = 0; c < n && row < m; ++c) {
    checkCancel(work);
    int p = row;
    double best = 0;
    for (int r = row; r < m; ++r)
      if (std::abs(at(r, c)) > best) best = std::abs(at(r, c)), p = r;
    if (best <= out.tolerance) {
      out.pivotTakenAsZero = out.pivotTakenAsZero || best > 0;
      for (int r = row; r < m; ++r) at(r, c) = T(0);
      stepDone(work);
      continue;
    }
    for (int j = c; j < n; ++j) std::swap(at(p, j), at(row, j));
    SquareFactors<T>* const keep = square && square->takes(row, c) ? &*square : nullptr;
    if (keep) keep->begin(p, row);
    const T pivot = at(row, c);
    for (int j = c; j < n; ++j) at(row, j) /= pivot;
    if (keep) {
      const T* const pivotRow = &at(row, 0);
      keep->lower(row, row) = pivot;
      std::copy(pivotRow + c + 1, pivotRow + m, keep->upper(row, row + 1));
    }
    for (int r = 0; r < m; ++r) {
      if (r == row) continue;
      const T f = at(r, c);
      if (keep && r > row) keep->lower(r, row) = f;
      if (f == T(0)) continue;
      for (int j = c; j < n; ++j) at(r, j) -= f * at(row, j);
    }
    out.pivotColumns.push_back(c);
    ++row;
    stepDone(work);
  }
  finishWork(work);  // the columns past the last pivot row need no step
  store(a, v);
  if (square) out.squareInverseNorm1 = square->inverseNorm1();
  return out;
}

template <class T>
std::vector<Element> charpoly(const RCOMat& a, WorkToken* work) {
  const int n = a.rows();
  std::vector<T> h = plain<T>(a);
  const auto at = [&](int r, int c) -> T& {
    return h[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(c)];
  };
  beginWork(work, static_cast<std::uint64_t>(2 * n));
  // Hessenberg form: below the subdiagonal of each column, eliminated against the largest
  // candidate, each row operation undone on the columns to keep the similarity.
  for (int c = 0; c + 2 < n; ++c) {
    checkCancel(work);
    int p = c + 1;
    for (int r = c + 2; r < n; ++r)
      if (std::abs(at(r, c)) > std::abs(at(p, c))) p = r;
    if (at(p, c) != T(0)) {
      if (p != c + 1) {
        for (int j = 0; j < n; ++j) std::swap(at(p, j), at(c + 1, j));
        for (int i = 0; i < n; ++i) std::swap(at(i, p), at(i, c + 1));
      }
      for (int r = c + 2; r < n; ++r) {
        const T t = at(r, c) / at(c + 1, c);
        if (t == T(0)) continue;
        for (int j = c; j < n; ++j) at(r, j) -= t * at(c + 1, j);
        for (int i = 0; i < n; ++i) at(i, c + 1) += t * at(i, r);
      }
    }
    stepDone(work);
  }
  // p_m(x) = (x - h_mm) p_{m-1}(x) - sum_i h_im (h_{i+1,i} ... h_{m,m-1}) p_{i-1}(x).
  std::vector<std::vector<T>> p(static_cast<std::size_t>(n) + 1);
  p[0] = {T(1)};
  for (int m = 1; m <= n; ++m) {
    checkCancel(work);
    std::vector<T> next(static_cast<std::size_t>(m) + 1, T(0));
    const std::vector<T>& prev = p[static_cast<std::size_t>(m) - 1];
    for (std::size_t i = 0; i < prev.size(); ++i) {
      next[i + 1] += prev[i];
      next[i] -= at(m - 1, m - 1) * prev[i];
    }
    T product(1);
    for (int i = m - 1; i >= 1; --i) {
      product *= at(i, i - 1);
      if (product == T(0)) break;
      const T t = at(i - 1, m - 1) * product;
      const std::vector<T>& q = p[static_cast<std::size_t>(i) - 1];
      for (std::size_t j = 0; j < q.size(); ++j) next[j] -= t * q[j];
    }
    p[static_cast<std::size_t>(m)] = std::move(next);
    stepDone(work);
  }
  finishWork(work);
  std::vector<Element> out;
  for (auto it = p.back().rbegin(); it != p.back().rend(); ++it) out.push_back(elementOf(*it));
  return out;
}

}  // namespace

EchelonOutcome MatRref(RCOMat& a, WorkToken* work, bool squareInverseNorm) {
  return isComplexMatrix(a) ? reduce<Complex>(a, work, squareInverseNorm)
                            : reduce<double>(a, work, squareInverseNorm);
}

RCOMat MatNullBasis(const RCOMat& reduced, const std::vector<int>& pivotColumns, int cols) {
  std::vector<bool> pivot(static_cast<std::size_t>(cols), false);
  for (int c : pivotColumns)
    if (c < cols) pivot[static_cast<std::size_t>(c)] = true;
  std::vector<int> free;
  for (int c = 0; c < cols; ++c)
    if (!pivot[static_cast<std::size_t>(c)]) free.push_back(c);
  RCOMat basis;
  basis.assign(cols, static_cast<int>(free.size()), Element::real(0));
  for (int k = 0; k < static_cast<int>(free.size()); ++k) {
    const int f = free[static_cast<std::size_t>(k)];
    basis[f][k] = Element::real(1);
    for (int r = 0; r < static_cast<int>(pivotColumns.size()); ++r)
      if (pivotColumns[static_cast<std::size_t>(r)] < cols)
        basis[pivotColumns[static_cast<std::size_t>(r)]][k] = -reduced[r][f];
  }
  return basis;
}

std::vector<Element> MatCharPoly(const RCOMat& a, WorkToken* work) {
  return isComplexMatrix(a) ? charpoly<Complex>(a, work) : charpoly<double>(a, work);
}

}  // namespace kelvaro
