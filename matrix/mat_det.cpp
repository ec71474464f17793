#include "matrix/mat_det.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "matrix/parallel_steps.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

namespace {

struct Pivot {
  int row = 0, col = 0;
  double size = 0.0;  // |Re| of the pivot; 0 when none is left
};

// First strict maximum of |Re m[i][j]| over i in [k, rows), j in [k, cols), row by row.
Pivot searchElements(const RCOMat& m, int k, int rows, int cols, const CancelFlag* cancel) {
  Pivot p;
  for (int i = k; i < rows; ++i) {
    checkCancel(cancel);
    for (int j = k; j < cols; ++j) {
      const double t = std::fabs(m[i][j].re());
      if (t > p.size) p = {i, j, t};
    }
  }
  return p;
}

// Exchanges at step k that reach only the part still to be eliminated: rows over columns
// from k on, columns over rows from k on. With `pivots` the rows are exchanged whole, so that
// the multipliers left of that part go with them, and the exchanges are recorded there; the
// finished rows above take the column exchanges at the end (finishRows). Returns how many
// exchanges were made.
template <typename Swap>
int exchange(const Pivot& p, int k, int rows, int cols, Swap swapAt, DetPivots* pivots = nullptr) {
  int count = 0;
  if (p.row != k) {
    for (int j = pivots ? 0 : k; j < cols; ++j) swapAt(k, j, p.row, j);
    if (pivots) std::swap(pivots->rowPerm[k], pivots->rowPerm[p.row]);
    ++count;
  }
  if (pivots) pivots->pivotColumn.push_back(p.col);
  if (p.col != k) {
    for (int i = k; i < rows; ++i) swapAt(i, k, i, p.col);
    if (pivots) std::swap(pivots->colPerm[k], pivots->colPerm[p.col]);
    ++count;
  }
  return count;
}

// Row i of U, finished at step i, takes the column exchanges of the steps after it, in their
// order, along its own storage.
template <typename Swap>
void finishRows(const DetPivots& pivots, int n, Swap swapInRow) {
  const int steps = static_cast<int>(pivots.pivotColumn.size());
  for (int i = 0; i < n; ++i)
    for (int k = i + 1; k < steps; ++k)
      if (pivots.pivotColumn[k] != k) swapInRow(i, k, pivots.pivotColumn[k]);
}

// Bound: full pivoting must see the whole updated trailing matrix at every step, so every step
// reads all of it; this kernel also writes it at every step, n^3/3 element updates of 32
// bytes at the memory bandwidth (bench/README.md has the table). Passes that applied two to
// four steps' updates to each element before writing it, the passes between only looking for
// the next pivot, were slower on an AMD EPYC (order 1000: 148-172 ms in threes against 126-149;
// 2000: no change): there a pass that only reads a matrix from the third-level cache takes 80%
// of the time of one that also writes it back (machine_bounds_bench BM_ReadPass), and the
// repeated updates cost more than the writes saved.
// Split parts of a matrix under elimination with the pivot search of each step fused into
// the updates of the step before. The rows of a step are shared out over the threads.
//
// A matrix of real values, as a pane of real numbers reads (every imaginary part +0, every
// real part finite), keeps its imaginary parts at +0 through the steps: each update subtracts
// from +0 a sum of products with a zero. A multiplier through such a pivot has a zero
// imaginary part mi, and the real part of the update, y - (mr*x - mi*(+0)), is y - (mr*x - mi):
// the real kernel does those very operations, on half the bytes. Where the pivot's square
// overflows, the multiplier's real part is 0 or NaN; a NaN takes the complex update, which
// leaves NaN in both parts of the row after the pivot column, values no later step picks as
// a pivot or changes. Nothing overflows: while the pivot's square is finite a multiplier is at
// most about 1, so an update at most doubles values below 1.4e154, and where it is not the
// multiplier is 0 or NaN.
class SplitElimination {
 public:
  SplitElimination(SplitMatrix&& s, WorkToken* work)
      : s_(std::move(s)), kern_(splitKernels()), work_(work) {
    track_ = {0.0, -1.0};
    for (int i = 0; i < s_.rows; ++i)
      kern_.trackAbsRe(s_.cols, s_.rowRe(i), static_cast<double>(i) * s_.cols, &track_);
    real_ = realValued(s_, true);
  }

  Pivot pivot() const {
    if (track_.index < 0) return {};
    const auto at = static_cast<long long>(track_.index);
    return {static_cast<int>(at / s_.cols), static_cast<int>(at % s_.cols), track_.best};
  }

  // The exchange of rows, and of columns in row k: the rows below take the exchange of
  // columns in eliminateBelow(k, p.col, ...), on the thread that updates them.
  int exchange(const Pivot& p, int k, DetPivots* pivots = nullptr) {
    return kelvaro::exchange(
        p, k, k + 1, s_.cols,
        [this](int i1, int j1, int i2, int j2) {
          std::swap(s_.rowRe(i1)[j1], s_.rowRe(i2)[j2]);
          std::swap(s_.rowIm(i1)[j1], s_.rowIm(i2)[j2]);
        },
        pivots);
  }

  Element at(int i, int j) const { return Element::complex(s_.rowRe(i)[j], s_.rowIm(i)[j]); }

  // Each row i > k, its columns k and pivotColumn exchanged, minus multiplierOf(element (i, k))
  // times row k, over the columns after k. multiplierOf divides by the pivot, which has been
  // tried on this thread. keep: the multiplier takes the place of element (i, k).
  template <class Multiplier>
  void eliminateBelow(int k, int pivotColumn, Multiplier multiplierOf, bool keep = false) {
    const int rows = s_.rows - k - 1, len = s_.cols - k - 1;
    RangeTracks tracks(rows, pivotStepGrain(len, s_.rows - 1, s_.cols - 1));
    // Where the values are real, the imaginary parts being exchanged are both +0.
    const auto exchangeColumns = [&](int r) {
      if (pivotColumn != k) s_.swapInRow(k + 1 + r, k, pivotColumn, real_);
    };
    exchangeThenUpdate(
        rows, tracks.ranges(), exchangeColumns, [&](int range, int first, int last, auto ahead) {
          for (int r = first; r < last; ++r) {
            checkCancel(work_);
            ahead(r);
            const int i = k + 1 + r;
            const Element m = multiplierOf(at(i, k));
            eliminateRowTrackAbsRe(kern_, real_, len, m, s_.rowRe(k) + k + 1, s_.rowIm(k) + k + 1,
                                   s_.rowRe(i) + k + 1, s_.rowIm(i) + k + 1,
                                   static_cast<double>(i) * s_.cols + k + 1, tracks.of(range));
            if (keep) s_.rowRe(i)[k] = m.re(), s_.rowIm(i)[k] = m.im();
          }
        });
    track_ = tracks.merged();
  }

  void finishRows(const DetPivots& pivots) {
    kelvaro::finishRows(pivots, s_.rows,
                        [this](int i, int j1, int j2) { s_.swapInRow(i, j1, j2); });
  }

  void writeBack(RCOMat& m) const { assignFrom(s_, m, work_); }

 private:
  SplitMatrix s_;
  const SplitKernels& kern_;
  WorkToken* work_;
  PivotTrack track_;
  bool real_;  // the values read are real: every imaginary part +0, every real part finite
};

Element detSplit(RCOMat& m, SplitMatrix&& s, int n, WorkToken* work, DetPivots* pivots) {
  SplitElimination e(std::move(s), work);
  Element prod = Element::integer(1);
  int sign = 1;
  for (int k = 0; k < n - 1; ++k) {
    checkCancel(work);
    const Pivot p = e.pivot();
    if (p.size == 0.0) {
      e.writeBack(m);
      return Element::integer(0);
    }
    if (e.exchange(p, k, pivots) % 2) sign = -sign;
    const Element pivot = e.at(k, k);
    prod = prod * pivot;
    tryDivisor(pivot);
    e.eliminateBelow(
        k, p.col, [&pivot](const Element& below) { return below / pivot; }, pivots);
    stepDone(work);
  }
  if (pivots) e.finishRows(*pivots), pivots->complete = true;
  e.writeBack(m);
  return (prod * Element::integer(sign)) * m[n - 1][n - 1];
}

Element detElements(RCOMat& m, int n, WorkToken* work, DetPivots* pivots) {
  Element prod = Element::integer(1);
  int sign = 1;
  for (int k = 0; k < n - 1; ++k) {
    const Pivot p = searchElements(m, k, n, n, work);
    if (p.size == 0.0) return Element::integer(0);
    const int swaps = exchange(
        p, k, n, n, [&m](int i1, int j1, int i2, int j2) { std::swap(m[i1][j1], m[i2][j2]); },
        pivots);
    if (swaps % 2) sign = -sign;
    prod = prod * m[k][k];
    for (int i = k + 1; i < n; ++i) {
      checkCancel(work);
      const Element mult = m[i][k] / m[k][k];
      for (int j = k + 1; j < n; ++j) m[i][j] = m[i][j] - mult * m[k][j];
      if (pivots) m[i][k] = mult;
    }
    stepDone(work);
  }
  if (pivots) {
    finishRows(*pivots, n, [&m](int i, int j1, int j2) { std::swap(m[i][j1], m[i][j2]); });
    pivots->complete = true;
  }
  return (prod * Element::integer(sign)) * m[n - 1][n - 1];
}

// The multiplier of the rank: the real part of the quotient, as a real number.
Element rankMultiplier(const Element& below, const Element& pivot) {
  return Element::real((below / pivot).re());
}

double rankSplit(RCOMat& m, SplitMatrix&& s, int rows, int cols, WorkToken* work) {
  SplitElimination e(std::move(s), work);
  const int steps = std::min(rows, cols);
  int r = 0;
  for (int l = 0; l < steps; ++l) {
    checkCancel(work);
    const Pivot p = e.pivot();
    if (p.size == 0.0) break;
    ++r;
    stepDone(work);
    if (l == steps - 1) break;
    e.exchange(p, l);
    const Element pivot = e.at(l, l);
    tryDivisor(pivot);
    e.eliminateBelow(l, p.col,
                     [&pivot](const Element& below) { return rankMultiplier(below, pivot); });
  }
  e.writeBack(m);
  return r;
}

double rankElements(RCOMat& m, int rows, int cols, WorkToken* work) {
  const int steps = std::min(rows, cols);
  int r = 0;
  for (int l = 0; l < steps; ++l) {
    const Pivot p = searchElements(m, l, rows, cols, work);
    if (p.size == 0.0) break;
    ++r;
    stepDone(work);
    if (l == steps - 1) break;
    exchange(p, l, rows, cols,
             [&m](int i1, int j1, int i2, int j2) { std::swap(m[i1][j1], m[i2][j2]); });
    for (int i = l + 1; i < rows; ++i) {
      checkCancel(work);
      const Element d = rankMultiplier(m[i][l], m[l][l]);
      for (int j = l + 1; j < cols; ++j) m[i][j] = m[i][j] - d * m[l][j];
    }
  }
  return r;
}

// The cases without elimination; false when det still has to be computed.
bool detWithoutElimination(const RCOMat& m, int rows, int cols, Element& det) {
  if (rows == 0 && cols == 0) {
    det = Element::integer(1);  // the empty product
    return true;
  }
  if (rows == 1 && cols == 1) {
    det = m[0][0];
    return true;
  }
  if (rows != cols) {
    det = Element::integer(0);
    return true;
  }
  return false;
}

// No exchanges yet.
void startPivots(DetPivots* pivots, int rows, int cols) {
  if (!pivots) return;
  *pivots = {};
  if (rows == cols) {
    pivots->rowPerm.resize(rows);
    for (int i = 0; i < rows; ++i) pivots->rowPerm[i] = i;
    pivots->colPerm = pivots->rowPerm;
    pivots->complete = rows == 1;
  }
}

}  // namespace

void MatDet(RCOMat& m, int rows, int cols, Element& det, WorkToken* work, DetPivots* pivots) {
  startPivots(pivots, rows, cols);
  if (detWithoutElimination(m, rows, cols, det)) return;
  beginWork(work, rows - 1);
  SplitMatrix s;
  det = splitIfComplex(m, s, work) ? detSplit(m, std::move(s), rows, work, pivots)
                                   : detElements(m, rows, work, pivots);
}

void MatDetElements(RCOMat& m, int rows, int cols, Element& det, DetPivots* pivots) {
  startPivots(pivots, rows, cols);
  if (detWithoutElimination(m, rows, cols, det)) return;
  det = detElements(m, rows, nullptr, pivots);
}

double MatRank(RCOMat& m, int rows, int cols, WorkToken* work) {
  if (rows <= 0 || cols <= 0) return 0;
  beginWork(work, std::min(rows, cols));
  SplitMatrix s;
  return splitIfComplex(m, s, work) ? rankSplit(m, std::move(s), rows, cols, work)
                                    : rankElements(m, rows, cols, work);
}

double MatRankElements(RCOMat& m, int rows, int cols) {
  if (rows <= 0 || cols <= 0) return 0;
  return rankElements(m, rows, cols, nullptr);
}

}  // namespace kelvaro
