#include "exact/steps.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <utility>

#include "numbers/element_text.h"

namespace kelvaro::exact {

namespace {

// prefix followed by n ("R2"), built without a temporary on the left of + (which GCC 12
// takes for an overlapping copy).
std::string numbered(const char* prefix, int n) {
  std::string s(prefix);
  s += std::to_string(n);
  return s;
}

// Exact arithmetic: the first non-zero entry is the pivot.
struct ExactField {
  using Value = GaussRational;
  bool pivotByMagnitude() const { return false; }
  bool negligible(const Value& v) const { return v.isZero(); }
  double magnitude(const Value&) const { return 0; }
  bool isReal(const Value& v) const { return v.isReal(); }
  bool isNegative(const Value& v) const { return v.isReal() && v.re.sign() < 0; }
  std::string text(const Value& v) const { return v.text(); }
};

// Doubles: the entry of largest modulus is the pivot, and one within the tolerance is none.
struct DoubleField {
  using Value = std::complex<double>;
  NumberPrinter printer;
  double tolerance = 0;
  bool pivotByMagnitude() const { return true; }
  bool negligible(const Value& v) const { return std::abs(v) <= tolerance; }
  double magnitude(const Value& v) const { return std::abs(v); }
  bool isReal(const Value& v) const { return v.imag() == 0; }
  bool isNegative(const Value& v) const { return v.imag() == 0 && v.real() < 0; }
  std::string text(const Value& v) const {
    std::string s;
    printer.appendComplex(
        s, v.imag() == 0 ? Element::real(v.real()) : Element::complex(v.real(), v.imag()));
    return s;
  }
};

template <class F>
class Recorder {
 public:
  using V = typename F::Value;

  Recorder(F field, std::vector<V> m, int rows, int cols, int split)
      : f_(std::move(field)), m_(std::move(m)), rows_(rows), cols_(cols), split_(split) {
    snapshot("", "");
  }

  V& at(int r, int c) {
    return m_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_) +
              static_cast<std::size_t>(c)];
  }
  int rows() const { return rows_; }
  const F& field() const { return f_; }
  StepRecord& record() { return record_; }

  // The pivot row of column c from row `from` on, or -1.
  int pivot(int c, int from) {
    int best = -1;
    for (int r = from; r < rows_; ++r) {
      if (f_.negligible(at(r, c))) continue;
      if (!f_.pivotByMagnitude()) return r;
      if (best < 0 || f_.magnitude(at(r, c)) > f_.magnitude(at(best, c))) best = r;
    }
    return best;
  }

  void swapRows(int i, int j, const std::string& note) {
    for (int c = 0; c < cols_; ++c) std::swap(at(i, c), at(j, c));
    snapshot(row(std::min(i, j)) + " <-> " + row(std::max(i, j)), note);
  }

  // R_i := factor * R_i
  void scaleRow(int i, const V factor) {
    for (int c = 0; c < cols_; ++c) at(i, c) = at(i, c) * factor;
    snapshot(row(i) + " := " + coefficient(factor) + "*" + row(i), "");
  }

  // R_i := R_i - factor * R_j
  void subtractRow(int i, int j, const V factor, const std::string& note) {
    for (int c = 0; c < cols_; ++c) at(i, c) = at(i, c) - factor * at(j, c);
    const bool negative = f_.isNegative(factor);
    const std::string c = coefficient(negative ? V() - factor : factor);
    snapshot(
        row(i) + " := " + row(i) + (negative ? " + " : " - ") + (c == "1" ? "" : c + "*") + row(j),
        note);
  }

 private:
  static std::string row(int i) { return numbered("R", i + 1); }

  std::string coefficient(const V& v) const {
    const std::string t = f_.text(v);
    return f_.isReal(v) ? t : "(" + t + ")";
  }

  void snapshot(std::string operation, std::string note) {
    Step s{std::move(operation), std::move(note), rows_, cols_, split_, {}};
    s.cells.reserve(m_.size());
    for (const V& v : m_) s.cells.push_back(f_.text(v));
    record_.steps.push_back(std::move(s));
  }

  F f_;
  std::vector<V> m_;
  int rows_, cols_, split_;
  StepRecord record_;
};

// Gauss-Jordan on the columns before `split`: exchange, scale the pivot to 1, clear the
// column above and below.
template <class F>
void gaussJordan(Recorder<F>& rec, int split) {
  using V = typename F::Value;
  int row = 0;
  for (int c = 0; c < split && row < rec.rows(); ++c) {
    const int p = rec.pivot(c, row);
    if (p < 0) continue;
    if (p != row) rec.swapRows(p, row, "");
    if (!(rec.at(row, c) == V(1))) rec.scaleRow(row, V(1) / rec.at(row, c));
    for (int i = 0; i < rec.rows(); ++i)
      if (i != row && !(rec.at(i, c) == V())) rec.subtractRow(i, row, rec.at(i, c), "");
    ++row;
  }
}

template <class F>
std::string wrapped(const F& f, const typename F::Value& v) {
  const std::string t = f.text(v);
  return f.isReal(v) && !f.isNegative(v) ? t : "(" + t + ")";
}

// Below each pivot only, without scaling: the determinant is the product of the diagonal,
// each exchange contributing -1; the rank is the number of pivots.
template <class F>
void forward(Recorder<F>& rec, int cols, bool determinant) {
  using V = typename F::Value;
  int row = 0, swaps = 0;
  for (int c = 0; c < cols && row < rec.rows(); ++c) {
    const int p = rec.pivot(c, row);
    if (p < 0) {
      if (determinant) break;
      continue;
    }
    if (p != row) {
      rec.swapRows(p, row, determinant ? "det factor -1" : "");
      ++swaps;
    }
    for (int i = row + 1; i < rec.rows(); ++i)
      if (!(rec.at(i, c) == V()))
        rec.subtractRow(i, row, rec.at(i, c) / rec.at(row, c), determinant ? "det factor 1" : "");
    ++row;
  }
  const F& f = rec.field();
  if (!determinant) {
    rec.record().conclusion = numbered("Rank = ", row) + ", the number of pivots";
    return;
  }
  if (row < rec.rows()) {
    rec.record().conclusion = numbered("Det = 0: column ", row + 1) + " has no pivot";
    return;
  }
  V product(1);
  std::string factors = swaps % 2 ? "-1" : "";
  for (int k = 0; k < rec.rows(); ++k) {
    product = product * rec.at(k, k);
    factors += (factors.empty() ? "" : " * ") + wrapped(f, rec.at(k, k));
  }
  if (swaps % 2) product = V() - product;
  rec.record().conclusion = "Det = " + factors + " = " + f.text(product);
}

// Doolittle without exchanges (LU), or the same on the symmetric matrix (L D L'), where a
// zero pivot over a zero column takes the multiplier 1.
template <class F>
void withoutExchanges(Recorder<F>& rec, bool symmetric) {
  using V = typename F::Value;
  const int n = rec.rows();
  const auto label = [](int i, int k) { return numbered("L", i + 1) + std::to_string(k + 1); };
  for (int k = 0; k + 1 < n; ++k) {
    if (rec.at(k, k) == V()) {
      bool zeroColumn = true;
      for (int i = k + 1; i < n; ++i) zeroColumn = zeroColumn && rec.at(i, k) == V();
      if (!symmetric || !zeroColumn) {
        rec.record().conclusion =
            "Pivot " + std::to_string(k + 1) + " is zero: no exchange is made";
        return;
      }
      continue;
    }
    for (int i = k + 1; i < n; ++i) {
      const V l = rec.at(i, k) / rec.at(k, k);
      if (!(l == V())) rec.subtractRow(i, k, l, label(i, k) + " = " + rec.field().text(l));
    }
  }
  if (symmetric) rec.record().conclusion = "D is the diagonal, L holds the multipliers";
}

template <class F>
StepRecord run(StepsOf what, F field, std::vector<typename F::Value> a, int rows, int cols,
               std::vector<typename F::Value> b, int bCols) {
  using V = typename F::Value;
  // The augmented matrix of Solve ([A | B]) and of the inverse ([A | I]).
  int extra = what == StepsOf::Solve ? bCols : what == StepsOf::Inverse ? rows : 0;
  std::vector<V> m;
  m.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols + extra));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c)
      m.push_back(what == StepsOf::Cholesky
                      ? a[static_cast<std::size_t>(std::min(r, c) * cols + std::max(r, c))]
                      : a[static_cast<std::size_t>(r * cols + c)]);
    for (int c = 0; c < extra; ++c)
      m.push_back(what == StepsOf::Solve ? b[static_cast<std::size_t>(r * bCols + c)]
                                         : V(r == c ? 1 : 0));
  }
  Recorder<F> rec(std::move(field), std::move(m), rows, cols + extra, cols);
  switch (what) {
    case StepsOf::Rref:
    case StepsOf::Solve:
    case StepsOf::Inverse:
      gaussJordan(rec, cols);
      break;
    case StepsOf::Determinant:
    case StepsOf::Rank:
      forward(rec, cols, what == StepsOf::Determinant);
      break;
    case StepsOf::LU:
    case StepsOf::Cholesky:
      withoutExchanges(rec, what == StepsOf::Cholesky);
      break;
  }
  return std::move(rec.record());
}

}  // namespace

StepRecord exactSteps(StepsOf what, const ExactMatrix& a, const ExactMatrix* b) {
  const auto values = [](const ExactMatrix& m) {
    std::vector<GaussRational> v;
    for (int r = 0; r < m.rows(); ++r)
      for (int c = 0; c < m.cols(); ++c) v.push_back(m.at(r, c));
    return v;
  };
  return run(what, ExactField{}, values(a), a.rows(), a.cols(),
             b ? values(*b) : std::vector<GaussRational>{}, b ? b->cols() : 0);
}

StepRecord doubleSteps(StepsOf what, const RCOMat& a, const RCOMat* b, const NumberFormat& nf) {
  const auto values = [](const RCOMat& m) {
    std::vector<std::complex<double>> v;
    for (const Element& e : m.elements()) v.emplace_back(e.re(), e.im());
    return v;
  };
  double normInf = 0;
  for (int r = 0; r < a.rows(); ++r) {
    double sum = 0;
    for (int c = 0; c < a.cols(); ++c) sum += std::hypot(a[r][c].re(), a[r][c].im());
    normInf = std::max(normInf, sum);
  }
  DoubleField field{NumberPrinter(nf), std::max(a.rows(), a.cols()) *
                                           std::numeric_limits<double>::epsilon() * normInf};
  return run(what, std::move(field), values(a), a.rows(), a.cols(),
             b ? values(*b) : std::vector<std::complex<double>>{}, b ? b->cols() : 0);
}

}  // namespace kelvaro::exact
