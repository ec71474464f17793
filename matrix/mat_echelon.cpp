#include "matrix/mat_echelon.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "matrix/mat_condition.h"
#include "matrix/modulus_bounds.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

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

// max(m, n) * eps * the largest sum of moduli of a row, of the m x n values value(r, c).
// Eight rows go side by side, each its own sum in column order: one row's additions wait on
// each other, eight rows' do not. Complex values' rows are first summed from bounds on their
// moduli, and only the rows that may hold the largest sum take the moduli themselves.
template <class Value>
double toleranceOf(int m, int n, Value&& value) {
  constexpr int kRows = 8;
  double normInf = 0;
  if constexpr (std::is_same_v<std::decay_t<decltype(value(0, 0))>, Complex>) {
    std::vector<double> low(static_cast<std::size_t>(m)), high(low.size());
    for (int r0 = 0; r0 < m; r0 += kRows) {
      const int rows = std::min(kRows, m - r0);
      double lo[kRows] = {}, hi[kRows] = {};
      for (int c = 0; c < n; ++c)
        for (int k = 0; k < rows; ++k) {
          const Complex z = value(r0 + k, c);
          const ModulusBounds b = modulusBounds(z.real(), z.imag());
          lo[k] += b.low;
          hi[k] += b.high;
        }
      std::copy_n(lo, rows, low.begin() + r0);
      std::copy_n(hi, rows, high.begin() + r0);
    }
    normInf = largestSum(
        low, high,
        [&](std::size_t r) {
          double sum = 0;
          for (int c = 0; c < n; ++c) {
            const Complex z = value(static_cast<int>(r), c);
            sum += exactModulus(z.real(), z.imag());
          }
          return sum;
        },
        [](double best, double sum) { return std::max(best, sum); });
  } else {
    for (int r0 = 0; r0 < m; r0 += kRows) {
      const int rows = std::min(kRows, m - r0);
      double sum[kRows] = {};
      for (int c = 0; c < n; ++c)
        for (int k = 0; k < rows; ++k) sum[k] += std::abs(value(r0 + k, c));
      for (int k = 0; k < rows; ++k) normInf = std::max(normInf, sum[k]);
    }
  }
  return std::max(m, n) * std::numeric_limits<double>::epsilon() * normInf;
}

// The row of the first value of largest modulus among rows [row, m) of column c, and that
// modulus in `best`; `row` and 0 if none is above 0 (NaN moduli never are). Complex values
// are ruled out by bounds on their moduli first.
template <class T, class At>
int pivotSearch(At&& at, int c, int row, int m, double& best) {
  int p = row;
  best = 0;
  if constexpr (std::is_same_v<T, Complex>) {
    const int first = firstLargestModulus(
        m - row, [&](int i) { return Complex(at(row + i, c)); }, best);
    if (first >= 0) p = row + first;
  } else {
    for (int r = row; r < m; ++r)
      if (const double modulus = std::abs(T(at(r, c))); modulus > best) best = modulus, p = r;
  }
  return p;
}

// Columns [c0, c1) in order while rows remain: in each, the pivot search over the rows from
// `row` on, the first candidate of largest modulus; where even that is within the tolerance
// the candidates become zeros, otherwise step(c, p) takes the step with the pivot in row p,
// the column is noted and `row` moves on. Every column counts as a step of work. search(c,
// row, best) stands in for pivotSearch where given (the same row and modulus).
template <class T, class At, class Search, class Step>
void eachColumn(At&& at, int c0, int c1, int m, int& row, EchelonOutcome& out, WorkToken* work,
                Search&& search, Step&& step) {
  for (int c = c0; c < c1 && row < m; ++c) {
    checkCancel(work);
    double best;
    const int p = search(c, row, best);
    if (best <= out.tolerance) {
      out.pivotTakenAsZero = out.pivotTakenAsZero || best > 0;
      for (int r = row; r < m; ++r) at(r, c) = T(0);
    } else {
      step(c, p);
      out.pivotColumns.push_back(c);
      ++row;
    }
    stepDone(work);
  }
}

template <class T, class At, class Step>
void eachColumn(At&& at, int c0, int c1, int m, int& row, EchelonOutcome& out, WorkToken* work,
                Step&& step) {
  const auto search = [&](int c, int from, double& best) {
    return pivotSearch<T>(at, c, from, m, best);
  };
  eachColumn<T>(at, c0, c1, m, row, out, work, search, step);
}

// Two rows' values exchanged, x and y apart: std::swap_ranges went one double at a time.
void swapValues(double* __restrict x, double* __restrict y, std::size_t count) {
  for (std::size_t j = 0; j < count; ++j) {
    const double t = x[j];
    x[j] = y[j];
    y[j] = t;
  }
}

// A step's elimination over columns [c, end) of every row but the pivot row `row`, the
// multiplier f = at(r, c) of each (below the pivot, also to keep's L), a zero one skipped.
// at(r, c) may be a reference to parts (PartsRef), read and written as a T.
template <class T, class At>
void eliminateRows(At&& at, int m, int row, int c, int end, SquareFactors<T>* keep) {
  for (int r = 0; r < m; ++r) {
    if (r == row) continue;
    const T f = at(r, c);
    if (keep && r > row) keep->lower(r, row) = f;
    if (f == T(0)) continue;
    for (int j = c; j < end; ++j) at(r, j) = T(at(r, j)) - f * T(at(row, j));
  }
}

// At a panel's end, every row's part right of the panel takes the `steps` steps it has not
// had (done[r] of them it has), in order, through catchUp(first row, count, from, upTo), which
// gives rows first .. first + count - 1 (count <= group) steps [from, upTo): `group` rows at
// a time where they have had as many, else each row alone up to the most any of the group has
// had (the panel's pivot rows have had each a step more than the one before), then the group
// together: with each of those rows alone for all its steps, Solve 200 took 4% longer. The
// groups are shared out over the threads in fine ranges, four rows counted as fourCost
// operations.
template <class CatchUp>
void finishPanel(const std::vector<int>& done, int steps, int group, std::int64_t fourCost,
                 WorkToken* work, CatchUp&& catchUp) {
  const int m = static_cast<int>(done.size());
  const int groups = (m + group - 1) / group;
  parallelForFine(groups, grainFor(fourCost * group / 4), 2, [&](int first, int last) {
    for (int g = first; g < last; ++g) {
      checkCancel(work);
      const int r0 = group * g, r1 = std::min(m, r0 + group);
      const int most = *std::max_element(done.begin() + r0, done.begin() + r1);
      for (int r = r0; r < r1; ++r) catchUp(r, 1, done[static_cast<std::size_t>(r)], most);
      catchUp(r0, r1 - r0, most, steps);
    }
  });
}

template <class T>
EchelonOutcome reduce(RCOMat& a, WorkToken* work, bool squareInverseNorm) {
  const int m = a.rows(), n = a.cols();
  std::vector<T> v = plain<T>(a);
  const auto at = [&](int r, int c) -> T& {
    return v[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(c)];
  };
  EchelonOutcome out;
  out.tolerance = toleranceOf(m, n, at);
  std::optional<SquareFactors<T>> square;
  if (squareInverseNorm && n >= m) square.emplace(m);
  beginWork(work, static_cast<std::uint64_t>(n));
  int row = 0;
  eachColumn<T>(at, 0, n, m, row, out, work, [&](int c, int p) {
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
    eliminateRows(at, m, row, c, n, keep);
  });
  finishWork(work);  // the columns past the last pivot row need no step
  store(a, v);
  if (square) out.squareInverseNorm1 = square->inverseNorm1();
  return out;
}

// reduce<double> with the columns in panels. Within a panel every row's part in the panel's
// columns takes each step as it comes (the pivot searches need them current), in a copy held
// by columns; the part right of the panel waits, and takes the panel's steps at its
// end, all of them for a block of elements while it stays in registers, as many rows at a
// time as the kernel takes (scaledRows: eight with AVX-512, else four).
// For that the panel keeps each row's multipliers (exchanged with the row's part right of it)
// and each pivot row right of it once divided; the pivot rows' parts right of it are brought
// up to date first, in step order, each divided once it has its steps. Every element takes the
// same steps with the same operands in the same order as step by step, a zero multiplier
// skipped as there.
//
// Bound: the elimination of [A|B] with A n x n and B n x k takes about n^2 (n/2 + k) multiply-
// subtracts, all but those within the panels deferrable: arithmetic (bench/README.md). v holds
// the real parts of a (splitIfReal).
EchelonOutcome reduceReal(RCOMat& a, DoubleArray& v, WorkToken* work, bool squareInverseNorm) {
  constexpr int kPanel = 32;
  const SplitKernels& kern = splitKernels();
  const int m = a.rows(), n = a.cols();
  const auto at = [&](int r, int c) -> double& {
    return v[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(c)];
  };
  EchelonOutcome out;
  out.tolerance = toleranceOf(m, n, at);
  std::optional<SquareFactors<double>> square;
  if (squareInverseNorm && n >= m) square.emplace(m);
  beginWork(work, static_cast<std::uint64_t>(n));
  // The panel by columns: column c's rows lie together, so that a step goes down them in
  // vectors, as does the pivot search.
  DoubleArray block(static_cast<std::size_t>(m) * kPanel);
  // Row r's multiplier of the panel's step s: at s·m + r while the panel goes (a step's column
  // of the block), at r·kPanel + s for the part right of the panel; step s's pivot row right of
  // the panel, once divided, at s·right, and its part in the panel in pivotParts.
  DoubleArray bySteps(block.size()), mult(block.size()), pivotRows;
  // Step s's pivot row in the panel, once divided, at s·kPanel + (c - c0).
  double pivotParts[kPanel * kPanel];
  std::vector<int> done(static_cast<std::size_t>(m));  // steps row r's right part has had
  // Each step's pivot, and whether S keeps its row.
  struct StepPivot {
    double pivot;
    bool kept;
  } pivots[kPanel];
  int row = 0;
  for (int c0 = 0; c0 < n && row < m; c0 += kPanel) {
    const int c1 = std::min(n, c0 + kPanel);
    const int right = n - c1;
    // The pivot rows' parts right of the panel, which the panel's steps left alone: the pivot
    // row of step s (at first + s) takes steps 0 .. s - 1, each from a pivot row above it,
    // final by then, and is divided by its pivot; then it is step s's row for the others. A
    // block of columns at a time for all of them, so that the pivot rows' block stays in the
    // first-level cache; four rows at a time take the steps before the four together, then
    // each the four's earlier steps in turn.
    const auto pivotRowsRight = [&](int first, int count, int from) {
      constexpr int kColumns = 64;
      for (int j0 = from; j0 < n; j0 += kColumns) {
        const int len = std::min(n, j0 + kColumns) - j0;
        for (int s0 = 0; s0 < count; s0 += 4) {
          const int rows = std::min(4, count - s0);
          const double* f[4];
          double* y[4];
          for (int i = 0; i < rows; ++i) {
            f[i] = mult.data() + static_cast<std::size_t>(first + s0 + i) * kPanel;
            y[i] = &at(first + s0 + i, j0);
          }
          const double* x = pivotRows.data() + (j0 - from);
          if (s0 > 0) kern.subScaledRowsSteps(rows, len, s0, f, x, right, y);
          for (int i = 0; i < rows; ++i) {
            const int s = s0 + i;
            if (i > 0) {
              const double* fi[1] = {f[i] + s0};
              kern.subScaledRowsSteps(1, len, i, fi, x + static_cast<std::size_t>(s0) * right,
                                      right, y + i);
            }
            double* const yi = y[i];
            double* const kept =
                pivotRows.data() + static_cast<std::size_t>(s) * right + (j0 - from);
            for (int j = 0; j < len; ++j) kept[j] = yi[j] /= pivots[s].pivot;
          }
        }
      }
      // What S keeps of each pivot row right of the panel (its square part ends at column m),
      // as the row stood at its step: the copy just made.
      if (m > from)
        for (int s = 0; s < count; ++s)
          if (pivots[s].kept)
            std::copy_n(pivotRows.data() + static_cast<std::size_t>(s) * right, m - from,
                        square->upper(first + s, from));
    };
    const auto b = [&](int r, int c) -> double& {
      return block[static_cast<std::size_t>(c - c0) * m + static_cast<std::size_t>(r)];
    };
    const auto multOf = [&](int r, int s) -> double& {
      return bySteps[static_cast<std::size_t>(s) * m + static_cast<std::size_t>(r)];
    };
    kern.transpose(m, c1 - c0, &at(0, c0), n, block.data(), m);
    std::fill(done.begin(), done.end(), 0);
    pivotRows.resize(static_cast<std::size_t>(kPanel) * right);
    // The parts right of the panel of rows r .. r + count - 1 (count <= scaledRows) take the
    // panel's steps from .. upTo - 1.
    const auto catchUp = [&](int r, int count, int from, int upTo) {
      if (right == 0 || upTo <= from) return;
      const double* f[8];
      double* y[8];
      for (int i = 0; i < count; ++i) {
        f[i] = mult.data() + static_cast<std::size_t>(r + i) * kPanel + from;
        y[i] = &at(r + i, c1);
      }
      kern.subScaledRowsSteps(count, right, upTo - from, f,
                              pivotRows.data() + static_cast<std::size_t>(from) * right, right, y);
    };
    int steps = 0;
    const int firstPivotRow = row;
    // A step's columns of the panel from the pivot's on: those of its group of kColumnSteps
    // columns at once (the group's next pivot searches need them), the others (from
    // deferFrom) with all the group's steps together, when the next group starts or the panel
    // ends. An element of the panel (32 columns as long as the matrix, in the second-level
    // cache) is then read and written once a group rather than once a step: Solve on one
    // thread, least of five, 1000 65.3 -> 65.1 ms, 500 10.24 -> 9.92, 400 5.81 -> 5.56; on two
    // threads, where the panel goes on one, 1000 42.6 -> 41.8, 500 8.39 -> 7.97. The steps
    // from groupFirst on wait so far.
    int deferFrom = c0, groupFirst = 0;
    // Rows [r0, r1) of the columns from deferFrom on take the waiting steps from s0 on.
    const auto catchUpRows = [&](int r0, int r1, int s0) {
      if (r0 < r1 && s0 < steps && deferFrom < c1)
        kern.subScaledColumnsSteps(r1 - r0, c1 - deferFrom, steps - s0, &multOf(r0, s0), m,
                                   pivotParts + s0 * kPanel + (deferFrom - c0), kPanel,
                                   &b(r0, deferFrom), m);
    };
    // The group's pivot rows took its earlier steps as they became pivot rows, and none takes
    // its own (its multiplier is a zero, below): their multipliers of the earlier steps are
    // zeros meanwhile, so that one call takes all the rows (the rows around them in two calls
    // and each pivot row in one of its own: Solve 500 on one thread 10.02 against 9.89 ms,
    // 1000 65.7 against 65.4, least of eight).
    const auto catchUpColumns = [&] {
      const int first = groupFirst;
      // Those multipliers and held trade places: zeros during the call, as they were after it.
      double held[kColumnSteps * kColumnSteps] = {};
      const auto swapHeld = [&] {
        for (int t = first + 1, h = 0; t < steps; ++t)
          for (int s = first; s < t; ++s) std::swap(multOf(firstPivotRow + t, s), held[h++]);
      };
      swapHeld();
      catchUpRows(0, m, first);
      swapHeld();
      groupFirst = steps;
    };
    // Down the panel's column in vectors: the first of the largest |value|, as pivotSearch.
    const auto searchColumn = [&](int c, int from, double& best) {
      if (c >= deferFrom) {
        catchUpColumns();
        deferFrom = std::min(c1, c0 + ((c - c0) / kColumnSteps + 1) * kColumnSteps);
      }
      PivotTrack track{0.0, static_cast<double>(from)};
      kern.trackAbsRe(m - from, &b(from, c), from, &track);
      best = track.best;
      return static_cast<int>(track.index);
    };
    eachColumn<double>(b, c0, c1, m, row, out, work, searchColumn, [&](int c, int p) {
      // Rows p and row: their panel part from c, their part right of the panel and the
      // multipliers it waits on (neither has been a pivot row: those lie above row).
      for (int j = c; j < c1; ++j) std::swap(b(p, j), b(row, j));
      if (right > 0 && p != row) swapValues(&at(p, c1), &at(row, c1), right);
      for (int s = 0; s < steps; ++s) std::swap(multOf(p, s), multOf(row, s));
      SquareFactors<double>* const keep = square && square->takes(row, c) ? &*square : nullptr;
      if (keep) keep->begin(p, row);
      // The pivot row's columns from deferFrom on take the group's earlier steps first.
      catchUpRows(row, row + 1, groupFirst);
      const double pivot = b(row, c);
      double* const pivotPart = pivotParts + steps * kPanel;
      for (int j = c; j < c1; ++j) pivotPart[j - c0] = b(row, j) /= pivot;
      // The pivot row's part right of the panel waits for the panel's end (pivotRowsRight).
      pivots[steps] = {pivot, keep != nullptr};
      done[static_cast<std::size_t>(row)] = steps + 1;
      if (keep) {
        keep->lower(row, row) = pivot;
        double* const upper = keep->upper(row, row + 1);
        for (int j = c + 1; j < std::min(m, c1); ++j) upper[j - c - 1] = b(row, j);
      }
      // Every other row: the step's column becomes its multipliers, then the step over the
      // group's columns. The pivot row's multiplier is a zero, so that it takes no step of its
      // own in one call down all the rows (two calls around it, the second starting past a
      // vector's boundary: Solve 200 on one thread 0.726 against 0.714 ms, 1000 66.1 against
      // 65.7); nothing reads it later (the part right of the panel starts each pivot row after
      // its own step).
      double* const f = &multOf(0, steps);
      std::copy_n(&b(0, c), m, f);
      f[row] = 0.0;
      kern.subScaledColumns(m, deferFrom - c, f, pivotPart + (c - c0), &b(0, c), m);
      if (keep)
        for (int r = row + 1; r < m; ++r) keep->lower(r, row) = f[r];
      ++steps;
    });
    catchUpColumns();
    // Four rows count as one row's work: a real multiply-subtract in registers takes a
    // fraction of what the pool's least work counts an operation at, and counted whole, Solve
    // on 200 x 400 was shared out and took 1.09x the time of one thread on two.
    if (right > 0 && steps > 0) {
      kern.transpose(steps, m, bySteps.data(), m, mult.data(), kPanel);
      pivotRowsRight(firstPivotRow, steps, c1);
      finishPanel(done, steps, kern.scaledRows, static_cast<std::int64_t>(steps) * right, work,
                  catchUp);
    }
    kern.transpose(c1 - c0, m, block.data(), m, &at(0, c0), n);
  }
  finishWork(work);  // the columns past the last pivot row need no step
  // Every element of a is real.
  writeElementRows(m, n, v.data(), nullptr, a.elements().data(), work);
  if (square) out.squareInverseNorm1 = square->inverseNorm1();
  return out;
}

// Whether every part of the count values at re and im is finite and at most 2^510 in size: a
// product of two such values, and the sum or difference of two such products, is then finite,
// so the element product never takes its way for a result of two NaN parts, and the vector
// kernels give its bits.
bool tame(const double* re, const double* im, int count) {
  constexpr double kLimit = 0x1p510;
  for (int j = 0; j < count; ++j)
    if (!(std::fabs(re[j]) <= kLimit && std::fabs(im[j]) <= kLimit)) return false;
  return true;
}

// An element of a matrix held by parts, read and written as a complex value.
struct PartsRef {
  double& re;
  double& im;
  operator Complex() const { return {re, im}; }
  PartsRef& operator=(const Complex& z) {
    re = z.real(), im = z.imag();
    return *this;
  }
};

// reduce<Complex> in panels, as reduceReal, on the parts of the elements. Where a step's
// multipliers and pivot row are tame, the panel's own columns take it through mulSubColumns
// and the parts right of the panel through the elimination's vector kernels (one row at a
// time around zero multipliers, which a step skips); otherwise both take it in complex
// arithmetic, as step by step.
EchelonOutcome reduceComplex(RCOMat& a, WorkToken* work, bool squareInverseNorm) {
  constexpr int kPanel = 32;
  const SplitKernels& kern = splitKernels();
  const int m = a.rows(), n = a.cols();
  SplitMatrix v;
  v.rows = m;
  v.cols = n;
  v.re.resize(a.elements().size());
  v.im.resize(v.re.size());
  for (std::size_t i = 0; i < v.re.size(); ++i)
    v.re[i] = a.elements()[i].re(), v.im[i] = a.elements()[i].im();
  EchelonOutcome out;
  out.tolerance =
      toleranceOf(m, n, [&](int r, int c) { return Complex(v.rowRe(r)[c], v.rowIm(r)[c]); });
  std::optional<SquareFactors<Complex>> square;
  if (squareInverseNorm && n >= m) square.emplace(m);
  beginWork(work, static_cast<std::uint64_t>(n));
  // As in reduceReal, by parts: the panel by columns, the multipliers by steps and by rows, the
  // pivot rows; and whether each step's multipliers and pivot row are tame.
  const std::size_t panelSize = static_cast<std::size_t>(m) * kPanel;
  DoubleArray blockRe(panelSize), blockIm(panelSize), byStepsRe(panelSize), byStepsIm(panelSize);
  DoubleArray multRe(panelSize), multIm(panelSize), pivotRe, pivotIm;
  double pivotPartRe[kPanel], pivotPartIm[kPanel];
  std::vector<int> done(static_cast<std::size_t>(m));
  bool tameSteps[kPanel];
  int row = 0;
  for (int c0 = 0; c0 < n && row < m; c0 += kPanel) {
    const int c1 = std::min(n, c0 + kPanel);
    const int right = n - c1;
    const auto panelAt = [&](int r, int c) {
      return static_cast<std::size_t>(c - c0) * m + static_cast<std::size_t>(r);
    };
    const auto b = [&](int r, int c) {
      return PartsRef{blockRe[panelAt(r, c)], blockIm[panelAt(r, c)]};
    };
    const auto stepAt = [&](int r, int s) {
      return static_cast<std::size_t>(s) * m + static_cast<std::size_t>(r);
    };
    kern.transpose(m, c1 - c0, v.rowRe(0) + c0, n, blockRe.data(), m);
    kern.transpose(m, c1 - c0, v.rowIm(0) + c0, n, blockIm.data(), m);
    std::fill(done.begin(), done.end(), 0);
    pivotRe.resize(static_cast<std::size_t>(kPanel) * right);
    pivotIm.resize(pivotRe.size());
    const auto multAt = [&](int r, int s) { return static_cast<std::size_t>(r) * kPanel + s; };
    const auto pivotAt = [&](int s) { return static_cast<std::size_t>(s) * right; };
    // Row r's part right of the panel takes steps [from, upTo) one at a time in complex
    // arithmetic, or by runs of non-zero multipliers through the kernel.
    const auto rowSteps = [&](int r, int from, int upTo, bool tameAll) {
      double* yre = v.rowRe(r) + c1;
      double* yim = v.rowIm(r) + c1;
      for (int s = from; s < upTo;) {
        const Complex f(multRe[multAt(r, s)], multIm[multAt(r, s)]);
        if (f == Complex(0)) {
          ++s;
          continue;
        }
        if (!tameAll) {
          for (int j = 0; j < right; ++j) {
            Complex y(yre[j], yim[j]);
            y -= f * Complex(pivotRe[pivotAt(s) + j], pivotIm[pivotAt(s) + j]);
            yre[j] = y.real(), yim[j] = y.imag();
          }
          ++s;
          continue;
        }
        int end = s + 1;
        while (end < upTo && Complex(multRe[multAt(r, end)], multIm[multAt(r, end)]) != Complex(0))
          ++end;
        kern.mulSubRowSteps(right, end - s, &multRe[multAt(r, s)], &multIm[multAt(r, s)],
                            &pivotRe[pivotAt(s)], &pivotIm[pivotAt(s)], right, yre, yim);
        s = end;
      }
    };
    // The parts right of the panel of rows r .. r + count - 1 (count <= 4) take the panel's
    // steps from .. upTo - 1.
    const auto catchUp = [&](int r, int count, int from, int upTo) {
      if (right == 0 || upTo <= from) return;
      const bool tameAll =
          std::all_of(tameSteps + from, tameSteps + upTo, [](bool t) { return t; });
      bool zero = false;
      for (int i = 0; i < count; ++i)
        for (int s = from; s < upTo; ++s)
          zero = zero || (multRe[multAt(r + i, s)] == 0 && multIm[multAt(r + i, s)] == 0);
      if (count < 4 || zero || !tameAll) {
        for (int i = 0; i < count; ++i) rowSteps(r + i, from, upTo, tameAll);
        return;
      }
      const double* mre[4];
      const double* mim[4];
      double* yre[4];
      double* yim[4];
      for (int i = 0; i < 4; ++i) {
        mre[i] = &multRe[multAt(r + i, from)];
        mim[i] = &multIm[multAt(r + i, from)];
        yre[i] = v.rowRe(r + i) + c1;
        yim[i] = v.rowIm(r + i) + c1;
      }
      kern.mulSubFourRowsSteps(right, upTo - from, mre, mim, &pivotRe[pivotAt(from)],
                               &pivotIm[pivotAt(from)], right, yre, yim);
    };
    int steps = 0;
    eachColumn<Complex>(b, c0, c1, m, row, out, work, [&](int c, int p) {
      for (DoubleArray* part : {&blockRe, &blockIm})
        for (int j = c; j < c1; ++j) std::swap((*part)[panelAt(p, j)], (*part)[panelAt(row, j)]);
      if (p != row)
        for (DoubleArray* part : {&v.re, &v.im}) {
          double* const base = part->data();
          swapValues(base + static_cast<std::size_t>(p) * n + c1,
                     base + static_cast<std::size_t>(row) * n + c1, right);
        }
      for (DoubleArray* part : {&byStepsRe, &byStepsIm})
        for (int s = 0; s < steps; ++s) std::swap((*part)[stepAt(p, s)], (*part)[stepAt(row, s)]);
      SquareFactors<Complex>* const keep = square && square->takes(row, c) ? &*square : nullptr;
      if (keep) keep->begin(p, row);
      const Complex pivot = b(row, c);
      for (int j = c; j < c1; ++j) {
        Complex x = b(row, j);
        x /= pivot;
        b(row, j) = x;
        pivotPartRe[j - c0] = x.real(), pivotPartIm[j - c0] = x.imag();
      }
      for (int s = 0; s < steps; ++s) {
        multRe[multAt(row, s)] = byStepsRe[stepAt(row, s)];
        multIm[multAt(row, s)] = byStepsIm[stepAt(row, s)];
      }
      catchUp(row, 1, done[static_cast<std::size_t>(row)], steps);
      double* const pre = v.rowRe(row) + c1;
      double* const pim = v.rowIm(row) + c1;
      for (int j = 0; j < right; ++j) {
        Complex x(pre[j], pim[j]);
        x /= pivot;
        pre[j] = x.real(), pim[j] = x.imag();
      }
      std::copy_n(pre, right, pivotRe.data() + pivotAt(steps));
      std::copy_n(pim, right, pivotIm.data() + pivotAt(steps));
      tameSteps[steps] = tame(pre, pim, right);
      done[static_cast<std::size_t>(row)] = steps + 1;
      if (keep) {
        keep->lower(row, row) = pivot;
        Complex* const upper = keep->upper(row, row + 1);
        for (int j = c + 1; j < m; ++j)
          upper[j - c - 1] = j < c1 ? Complex(b(row, j)) : Complex(pre[j - c1], pim[j - c1]);
      }
      // Every other row: the step's column becomes its multipliers, then the step, through the
      // kernel where the multipliers and the pivot row's part are tame, else in complex
      // arithmetic as step by step (eliminateRows).
      double* const fre = &byStepsRe[stepAt(0, steps)];
      double* const fim = &byStepsIm[stepAt(0, steps)];
      std::copy_n(&blockRe[panelAt(0, c)], m, fre);
      std::copy_n(&blockIm[panelAt(0, c)], m, fim);
      const bool tameRows = tame(fre, fim, row) && tame(fre + row + 1, fim + row + 1, m - row - 1);
      tameSteps[steps] = tameSteps[steps] && tameRows;
      const double* const xre = pivotPartRe + (c - c0);
      const double* const xim = pivotPartIm + (c - c0);
      if (tameRows && tame(xre, xim, c1 - c)) {
        for (const auto& [first, count] : {std::pair{0, row}, std::pair{row + 1, m - row - 1}})
          kern.mulSubColumns(count, c1 - c, fre + first, fim + first, xre, xim,
                             &blockRe[panelAt(first, c)], &blockIm[panelAt(first, c)], m);
        if (keep)
          for (int r = row + 1; r < m; ++r) keep->lower(r, row) = Complex(fre[r], fim[r]);
      } else {
        eliminateRows(b, m, row, c, c1, keep);
      }
      ++steps;
    });
    // A four counts as two rows' work (at 200 x 400, shared, eight threads took 1.03x the
    // time of one).
    if (right > 0 && steps > 0) {
      kern.transpose(steps, m, byStepsRe.data(), m, multRe.data(), kPanel);
      kern.transpose(steps, m, byStepsIm.data(), m, multIm.data(), kPanel);
      finishPanel(done, steps, 4, static_cast<std::int64_t>(2) * steps * right, work, catchUp);
    }
    kern.transpose(c1 - c0, m, blockRe.data(), m, v.rowRe(0) + c0, n);
    kern.transpose(c1 - c0, m, blockIm.data(), m, v.rowIm(0) + c0, n);
  }
  finishWork(work);
  writeElementRows(m, n, v.re.data(), v.im.data(), a.elements().data(), work);
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
  DoubleArray v;  // set as it is read
  return splitIfReal(a, v, work) ? reduceReal(a, v, work, squareInverseNorm)
                                 : reduceComplex(a, work, squareInverseNorm);
}

EchelonOutcome MatRrefElements(RCOMat& a, WorkToken* work, bool squareInverseNorm) {
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
