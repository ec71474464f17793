#include "matrix/mat_inverse.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include <unistd.h>

#include "matrix/parallel_steps.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"
#include "numbers/extended.h"

namespace kelvaro {

namespace {

// Columns of the identity solved together in one pass of the fast solve: 32, or 16 where 32
// columns of the solution would fill more than half of the second-level cache. Each row of
// the solution reads its part of every row below it once, so that part should stay in that
// cache. Measured on one thread: with 1 MB, at order 1000, 32 columns (512 KB) ran fastest and
// 64 spilled; with 512 KB, 16 columns took 0.85x the time of 32 at orders 1000 and 2000, and 8
// columns (shorter vectors in the kernel) were no faster than 32. The width never changes a
// column's arithmetic.
std::atomic<long> solveCacheBytes{0};

int solveBlockFor(int n) {
  static const long systemCache = [] {
    const long bytes = sysconf(_SC_LEVEL2_CACHE_SIZE);
    return bytes > 0 ? bytes : 1L << 20;
  }();
  const long set = solveCacheBytes.load(std::memory_order_relaxed);
  return 32L * 16 * n <= (set > 0 ? set : systemCache) / 2 ? 32 : 16;
}

// Pivot steps, then the columns of the identity solved.
std::uint64_t inversionSteps(int n) {
  return static_cast<std::uint64_t>(n - 1) + n;
}

Element complexAt(const SplitMatrix& s, int i, int j) {
  const std::size_t at = static_cast<std::size_t>(i) * s.cols + j;
  return Element::complex(s.re[at], s.im[at]);
}

void swapRows(double* re, double* im, int n, int r1, int r2) {
  std::swap_ranges(re + static_cast<std::size_t>(r1) * n, re + static_cast<std::size_t>(r1 + 1) * n,
                   re + static_cast<std::size_t>(r2) * n);
  std::swap_ranges(im + static_cast<std::size_t>(r1) * n, im + static_cast<std::size_t>(r1 + 1) * n,
                   im + static_cast<std::size_t>(r2) * n);
}

// Exchanges of columns, pairs (c1, c2) in order, from `from` on, along one row.
using ColumnExchanges = std::vector<std::pair<int, int>>;
void exchangeInRow(double* re, double* im, const ColumnExchanges& exchanges, std::size_t from) {
  for (std::size_t t = from; t < exchanges.size(); ++t) {
    std::swap(re[exchanges[t].first], re[exchanges[t].second]);
    std::swap(im[exchanges[t].first], im[exchanges[t].second]);
  }
}

// MatLUPivot on split parts; the same steps as the element version below, with the pivot
// search of each step done while the step before writes the values it searches. The steps
// run in panels: the columns left of a panel take the panel's updates at its end (all
// steps for one element while it stays in registers), and a pivot row's left part is
// brought up to date just before its step. The multipliers of the panel are kept aside,
// since the matrix itself holds them only until a later step changes them.
void luPivotSplit(SplitMatrix& a, RCoVecE& colPerm, RCoVecE& rowPerm, int& MatErr,
                  WorkToken* work) {
  constexpr int kPanel = 32;
  const SplitKernels& kern = splitKernels();
  const int n = a.rows;
  LineDoubles multRe(static_cast<std::size_t>(n) * kPanel), multIm(multRe.size());
  const auto mult = [&](int i) { return static_cast<std::size_t>(i) * kPanel; };
  // Panel steps [0, steps) for the left part [0, k0) of row i.
  const auto catchUp = [&](int i, int k0, int first, int steps) {
    if (first >= steps || k0 == 0) return;
    kern.mulSubRowSteps(k0, steps - first, multRe.data() + mult(i) + first,
                        multIm.data() + mult(i) + first, a.rowRe(k0 + first), a.rowIm(k0 + first),
                        n, a.rowRe(i), a.rowIm(i));
  };

  // The exchanges of columns for the rows above the panel wait until the end: nothing here
  // reads those rows again, and one pass along each row then costs far less than two lines
  // of every row above, fetched from memory, at every step.
  ColumnExchanges exchanges;                 // the steps' exchanges of columns, in order
  std::vector<std::size_t> exchangesBefore;  // of each panel, how many came before it

  // Real values keep +0 imaginary parts right of the pivot column, and those elements take
  // the real updates there, as in MatDet (mat_det.cpp says why that gives the same bits); the
  // multipliers left of it have imaginary parts of either sign and take the complex ones.
  const bool real = realValued(a, true);
  PivotTrack track{0.0, -1.0};
  for (int i = 0; i < n; ++i) kern.trackAbsRe(n, a.rowRe(i), static_cast<double>(i) * n, &track);
  for (int k0 = 0; k0 < n - 1 && MatErr == kMatOk; k0 += kPanel) {
    exchangesBefore.push_back(exchanges.size());
    const int k1 = std::min(n - 1, k0 + kPanel);
    int k = k0;
    for (; k < k1; ++k) {
      checkCancel(work);
      const int s = k - k0;
      // The search starts from |Re a[k][k]|: the tracked first maximum over the region is
      // the same pivot, except when that start is NaN, which no later value can beat.
      const double start = std::fabs(a.rowRe(k)[k]);
      double best = track.best;
      long long at = static_cast<long long>(track.index);
      if (std::isnan(start) || at < 0) {
        best = start;
        at = static_cast<long long>(k) * n + k;
      }
      if (best == 0.0) {
        MatErr = kMatSingular;
        break;
      }
      const int pr = static_cast<int>(at / n), pc = static_cast<int>(at % n);
      if (pr != k) {
        swapRows(a.re.data(), a.im.data(), n, k, pr);
        std::swap(rowPerm[k], rowPerm[pr]);
        std::swap_ranges(multRe.begin() + mult(k), multRe.begin() + mult(k) + s,
                         multRe.begin() + mult(pr));
        std::swap_ranges(multIm.begin() + mult(k), multIm.begin() + mult(k) + s,
                         multIm.begin() + mult(pr));
      }
      // The exchange of columns reaches the rows below the pivot row with the step's updates.
      if (pc != k) {
        for (int i = k0; i <= k; ++i) a.swapInRow(i, k, pc);
        exchanges.emplace_back(k, pc);
        std::swap(colPerm[k], colPerm[pc]);
      }
      catchUp(k, k0, 0, s);
      const Element pivot = complexAt(a, k, k);
      tryDivisor(pivot);
      RangeTracks tracks(n - k - 1, pivotStepGrain(n - k0, n - 1, n));
      const auto exchangeColumns = [&](int r) {
        if (pc != k) a.swapInRow(k + 1 + r, k, pc, real);
      };
      exchangeThenUpdate(n - k - 1, tracks.ranges(), exchangeColumns,
                         [&](int range, int first, int last, auto ahead) {
                           PivotTrack* rangeTrack = tracks.of(range);
                           for (int r = first; r < last; ++r) {
                             ahead(r);
                             const int i = k + 1 + r;
                             double* yre = a.rowRe(i);
                             double* yim = a.rowIm(i);
                             const Element m = Element::complex(yre[k], yim[k]) / pivot;
                             multRe[mult(i) + s] = m.re();
                             multIm[mult(i) + s] = m.im();
                             eliminateRowTrackAbsRe(kern, real, n - k - 1, m, a.rowRe(k) + k + 1,
                                                    a.rowIm(k) + k + 1, yre + k + 1, yim + k + 1,
                                                    static_cast<double>(i) * n + k + 1, rangeTrack);
                             kern.mulSubRow(k - k0, m.re(), m.im(), a.rowRe(k) + k0,
                                            a.rowIm(k) + k0, yre + k0, yim + k0);
                             yre[k] = -m.re();
                             yim[k] = -m.im();
                           }
                         });
      track = tracks.merged();
      stepDone(work);
    }
    // Rows from k on have not been pivot rows yet: they take every step made in the panel,
    // four rows at a time (each pivot row's part read once for four rows: MatInvLU 1000 on
    // one thread 354-356 -> 348-352 ms, against two at a time), sixteen rows between looks at
    // the cancel flag.
    parallelFor(
        n - k, grainFor(static_cast<std::int64_t>(k0) * (k - k0)), [&](int first, int last) {
          if (k0 == 0 || k == k0) return;
          for (int i0 = k + first; i0 < k + last; i0 += 16) {
            checkCancel(work);
            mulSubRowsSteps(kern, std::min(16, k + last - i0), k0, k - k0, a.rowRe(k0), a.rowIm(k0),
                            n, [&](int r) {
                              const int i = i0 + r;
                              return StepRow{multRe.data() + mult(i), multIm.data() + mult(i),
                                             a.rowRe(i), a.rowIm(i)};
                            });
          }
        });
  }
  // Row i sits above every panel after its own: those panels' exchanges, in order.
  parallelFor(n, grainFor(static_cast<std::int64_t>(exchanges.size())), [&](int first, int last) {
    for (int i = first; i < last; ++i) {
      const std::size_t panel = static_cast<std::size_t>(i / kPanel) + 1;
      exchangeInRow(a.rowRe(i), a.rowIm(i), exchanges,
                    panel < exchangesBefore.size() ? exchangesBefore[panel] : exchanges.size());
    }
  });
  if (MatErr != kMatOk) return;
  for (int i = 0; i < n; ++i)
    if (isZero(complexAt(a, i, i))) {
      MatErr = kMatSingular;
      return;
    }
}

// All columns of the identity through the factors at once. With finite factors the
// forward part is exact without arithmetic: the right-hand side e_c holds a single 1, every
// other product is a zero that leaves the running sum as it is (the sum is never -0 there),
// so row i starts from 1 (i at the 1), from 0 + a[i][j] (j the position of the 1, below it),
// or from 0.
void solveIdentitySplit(const SplitMatrix& a, const RCoVecE& rowPerm, const RCoVecE& colPerm,
                        RCOMat& dst, WorkToken* work) {
  const SplitKernels& kern = splitKernels();
  const int n = a.rows;
  RCoVecE positionOf(n);
  for (int i = 0; i < n; ++i) positionOf[rowPerm[i]] = i;
  // Every element is written below.
  dst.resizeForOverwrite(n, n, work);
  const bool stream = streamResult(static_cast<std::size_t>(n) * n);
  const int blockWidth = solveBlockFor(n);
  const int blocks = (n + blockWidth - 1) / blockWidth;
  const std::int64_t blockCost = static_cast<std::int64_t>(n) * n * blockWidth / 2;
  // Its ranges carry four times the usual least work: at order 100 two threads took
  // 1.10-1.16x the time of one, at 200 and up they gain. Below order 250 or so the
  // factorization before the solve keeps to one thread for longer than the pool's threads
  // poll, so the hand-over likely includes waking one (35-150 us).
  parallelFor(blocks, grainFor(blockCost / 4), [&](int firstBlock, int lastBlock) {
    LineDoubles yre(static_cast<std::size_t>(n) * blockWidth);
    LineDoubles yim(yre.size());
    for (int c0 = firstBlock * blockWidth; c0 < std::min(n, lastBlock * blockWidth);
         c0 += blockWidth) {
      const int width = std::min(blockWidth, n - c0);
      for (int i = n - 1; i >= 0; --i) {
        if (i % 32 == 0) checkCancel(work);
        double* sre = yre.data() + static_cast<std::size_t>(i) * blockWidth;
        double* sim = yim.data() + static_cast<std::size_t>(i) * blockWidth;
        const double* are = a.rowRe(i);
        const double* aim = a.rowIm(i);
        for (int c = 0; c < width; ++c) {
          const int one = positionOf[c0 + c];
          sre[c] = one == i ? 1.0 : one < i ? 0.0 + are[one] : 0.0;
          sim[c] = one < i ? 0.0 + aim[one] : 0.0;
        }
        const std::size_t below = static_cast<std::size_t>(i + 1) * blockWidth;
        kern.mulSubRowSteps(width, n - i - 1, are + i + 1, aim + i + 1, yre.data() + below,
                            yim.data() + below, blockWidth, sre, sim);
        const Element d = Element::complex(are[i], aim[i]);
        for (int c = 0; c < width; ++c) {
          const Element y = Element::complex(sre[c], sim[c]) / d;
          sre[c] = y.re();
          sim[c] = y.im();
        }
      }
      for (int i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * blockWidth;
        writeElements(width, yre.data() + at, yim.data() + at, dst[colPerm[i]] + c0, stream);
      }
      stepDone(work, width);
    }
    streamsDone();
  });
}

// dst := the solutions for every column of the identity, one MatLUSolve each.
void solveIdentityElements(const RCOMat& a, const RCoVecE& rowPerm, const RCoVecE& colPerm,
                           RCOMat& dst, int& MatErr, WorkToken* work) {
  const int n = a.rows();
  dst.resize(n, n, work);
  parallelFor(n, grainFor(static_cast<std::int64_t>(n) * n), [&](int first, int last) {
    RCOVec x(n);
    int err = kMatOk;
    for (int j = first; j < last; ++j) {
      for (int i = 0; i < n; ++i) x[i] = Element::integer(i == j ? 1 : 0);
      MatLUSolve(a, n, x, rowPerm, colPerm, err, work);
      for (int i = 0; i < n; ++i) dst[i][j] = x[i];
      stepDone(work);
    }
  });
  MatErr = kMatOk;
}

bool finite(const SplitMatrix& s) {
  for (std::size_t i = 0; i < s.re.size(); ++i)
    if (!std::isfinite(s.re[i]) || !std::isfinite(s.im[i])) return false;
  return true;
}

// Bound: the pivot searches need the trailing part updated at every step (n^3/3 element
// updates of 32 bytes, at the memory bandwidth: a pass that writes less often but must read
// as often gained nothing in MatDet, see mat_det.cpp); the rows above and the columns left of
// a panel
// are arithmetic, 2n^3/3 complex multiply-adds of eight operations each (three multiplies,
// five subtractions), at the rate of that mix (machine_bounds_bench BM_GaussJordanMixPeak:
// where adds have units of their own, they set the pace; bench/README.md).
// Gauss-Jordan inversion in place on split parts, in panels of steps.
//
// Every element receives the updates of the steps in ascending order with the very operands
// of the step-by-step elimination; only the time at which some of them are applied moves.
// Within a panel of steps [k0, k1) the part that pivot searches look at (rows and columns
// from k0 on) is updated at once; the rows above k0 and the columns left of k0 collect their
// updates, which are applied once at the end of the panel, all steps for one element in a
// row while it stays in registers. For that the panel keeps, per step, the scaled pivot row
// (all columns) and the old pivot column (all rows); exchanges of rows and columns carry
// these records along, and a pivot row or column is brought up to date just before its step
// uses it.
class GaussJordan {
 public:
  GaussJordan(int n, double* re, double* im, WorkToken* work)
      : n_(n),
        work_(work),
        re_(re),
        im_(im),
        kern_(splitKernels()),
        pivotRow_(n),
        pivotCol_(n),
        rowRe_(static_cast<std::size_t>(kPanel) * n),
        rowIm_(rowRe_.size()),
        rowSum_(rowRe_.size()),
        colRe_(rowRe_.size()),
        colIm_(rowRe_.size()),
        colSum_(rowRe_.size()) {}

  // False when the matrix is singular (the arrays are then partly transformed).
  bool run() {
    track_ = {0.0, -1.0};
    for (int i = 0; i < n_; ++i)
      kern_.trackModulus(n_, rowRe(i), rowIm(i), static_cast<double>(i) * n_, &track_);
    for (int k0 = 0; k0 < n_; k0 += kPanel) {
      const int k1 = std::min(n_, k0 + kPanel);
      for (int k = k0; k < k1; ++k) {
        checkCancel(work_);
        if (!step(k0, k)) return false;
        stepDone(work_);
      }
      catchUp(k0, k1);
    }
    // The exchanges undone, the latest first: those of rows and those of columns commute, so
    // the columns' go a row at a time (each column's would fetch a line of every row).
    ColumnExchanges exchanges;
    for (int k = n_ - 1; k >= 0; --k) {
      if (pivotCol_[k] != k) swapRows(re_, im_, n_, k, pivotCol_[k]);
      if (pivotRow_[k] != k) exchanges.emplace_back(k, pivotRow_[k]);
    }
    parallelFor(n_, grainFor(n_), [&](int first, int last) {
      for (int i = first; i < last; ++i) {
        if (i % kPanel == 0) checkCancel(work_);
        exchangeInRow(rowRe(i), rowIm(i), exchanges, 0);
      }
    });
    return true;
  }

 private:
  static constexpr int kPanel = 32;

  double* rowRe(int i) { return re_ + static_cast<std::size_t>(i) * n_; }
  double* rowIm(int i) { return im_ + static_cast<std::size_t>(i) * n_; }
  // Records of panel step s: the pivot row (index s * n + column) and the pivot column
  // (index row * kPanel + s).
  std::size_t rowRecord(int s) const { return static_cast<std::size_t>(s) * n_; }
  std::size_t colRecord(int i) const { return static_cast<std::size_t>(i) * kPanel; }

  // Applies panel steps [first, last) to y[0 .. len) of row i, where column j of y is
  // column c0 + j of the matrix, held in the row at y0 + j (y0 < 0: at c0 + j).
  void applySteps(int i, int first, int last, int c0, int len, int y0 = -1) {
    if (first >= last || len <= 0) return;
    const std::size_t c = colRecord(i) + first, x = rowRecord(first) + c0;
    const int at = y0 < 0 ? c0 : y0;
    kern_.gjUpdateRowSteps(len, last - first, colRe_.data() + c, colIm_.data() + c,
                           colSum_.data() + c, rowRe_.data() + x, rowIm_.data() + x,
                           rowSum_.data() + x, n_, rowRe(i) + at, rowIm(i) + at);
  }

  // How many rows from i on (of those before end) take their steps side by side: four, or
  // one where fewer are left.
  static int rowsTogether(int i, int end) { return end - i >= 4 ? 4 : 1; }

  // Panel steps [first, last) to columns c0 .. c0+len-1 of rows i .. i+count-1, held at y0 as
  // in applySteps: one row, or four side by side.
  void applyAllSteps(int i, int count, int first, int last, int c0, int len, int y0 = -1) {
    if (count == 1) return applySteps(i, first, last, c0, len, y0);
    if (first >= last || len <= 0) return;
    const int at = y0 < 0 ? c0 : y0;
    const double *cre[4], *cim[4], *csum[4];
    double *yre[4], *yim[4];
    for (int r = 0; r < 4; ++r) {
      const std::size_t c = colRecord(i + r) + first;
      cre[r] = colRe_.data() + c;
      cim[r] = colIm_.data() + c;
      csum[r] = colSum_.data() + c;
      yre[r] = rowRe(i + r) + at;
      yim[r] = rowIm(i + r) + at;
    }
    const std::size_t x = rowRecord(first) + c0;
    kern_.gjUpdateFourRowsSteps(len, last - first, cre, cim, csum, rowRe_.data() + x,
                                rowIm_.data() + x, rowSum_.data() + x, n_, yre, yim);
  }

  bool step(int k0, int k) {
    const int s = k - k0;
    const double d = track_.best;
    // 1 + d rounds to 1 in the 64-bit significand exactly when d <= 2^-64.
    if (static_cast<Extended>(1.0) + static_cast<Extended>(d) == static_cast<Extended>(1.0))
      return false;
    const long long at = static_cast<long long>(track_.index);
    const int pr = pivotRow_[k] = static_cast<int>(at / n_);
    const int pc = pivotCol_[k] = static_cast<int>(at % n_);
    if (pr != k) {
      swapRows(re_, im_, n_, k, pr);
      for (auto* rec : {&colRe_, &colIm_, &colSum_})
        std::swap_ranges(rec->begin() + colRecord(k), rec->begin() + colRecord(k) + s,
                         rec->begin() + colRecord(pr));
    }
    // The exchange of columns: the pivot row's now, every other row from k0 on in the loop
    // that updates it (exchangeThenUpdate). The rows above the panel take the panel's
    // exchanges at its end, before its steps.
    const int busy = n_ - k0;
    RangeTracks tracks(busy, pivotStepGrain(busy, n_, n_));
    const auto exchangeColumns = [&](int i) {
      if (pc == k) return;
      std::swap(rowRe(i)[k], rowRe(i)[pc]);
      std::swap(rowIm(i)[k], rowIm(i)[pc]);
    };
    exchangeColumns(k);
    if (pc != k) {
      for (auto* rec : {&rowRe_, &rowIm_, &rowSum_})
        for (int t = 0; t < s; ++t) std::swap((*rec)[rowRecord(t) + k], (*rec)[rowRecord(t) + pc]);
      if (k0 > 0) aboveExchanges_.emplace_back(k, pc);
    }
    // The pivot row's part left of the panel; the pivot column's part in the panel's rows
    // above the pivot row comes with the rows below it, above the panel in catchUp.
    applySteps(k, 0, s, 0, k0);

    double* kre = rowRe(k);
    double* kim = rowIm(k);
    kre[k] = kre[k] / d;
    kim[k] = -kim[k] / d;
    const double vr = kre[k], vi = kim[k], vs = vr + vi;
    double* recRe = rowRe_.data() + rowRecord(s);
    double* recIm = rowIm_.data() + rowRecord(s);
    double* recSum = rowSum_.data() + rowRecord(s);
    for (int j = 0; j < n_; ++j) {
      if (j != k) {
        const double xr = kre[j], xi = kim[j];
        const double p = xr * vr, q = xi * vi, t = (xr + xi) * vs;
        kre[j] = p - q;
        kim[j] = (t - p) - q;
      }
      recRe[j] = kre[j];
      recIm[j] = kim[j];
      recSum[j] = kre[j] + kim[j];
    }

    // Every other row from k0 on, which carry the work and the pivot search, on its own,
    // shared out over the threads in even runs (each range its own search). The rows above
    // take the step at the panel's end (catchUp), column k with the rest.
    const auto exchangeBelow = [&](int r) {
      if (k0 + r != k) exchangeColumns(k0 + r);
    };
    exchangeThenUpdate(
        busy, tracks.ranges(), exchangeBelow, [&](int range, int first, int last, auto ahead) {
          PivotTrack* track = tracks.of(range);
          for (int i = k0 + first; i < k0 + last; ++i) {
            ahead(i - k0);
            if (i == k) continue;
            double* yre = rowRe(i);
            double* yim = rowIm(i);
            const double cr = yre[k], ci = yim[k];
            record(i, s, cr, ci);
            kern_.gjUpdateRow(k - k0, cr, ci, kre + k0, kim + k0, recSum + k0, yre + k0, yim + k0);
            if (i > k)
              kern_.gjUpdateRowTrackModulus(n_ - k - 1, cr, ci, kre + k + 1, kim + k + 1,
                                            recSum + k + 1, yre + k + 1, yim + k + 1,
                                            static_cast<double>(i) * n_ + k + 1, track);
            else
              kern_.gjUpdateRow(n_ - k - 1, cr, ci, kre + k + 1, kim + k + 1, recSum + k + 1,
                                yre + k + 1, yim + k + 1);
            pivotColumn(s, k, cr, ci, yre + k, yim + k);
          }
        });
    track_ = tracks.merged();
    return true;
  }

  // Row i's element in the pivot column of panel step s, as the step finds it.
  void record(int i, int s, double cr, double ci) {
    const std::size_t c = colRecord(i) + s;
    colRe_[c] = cr;
    colIm_[c] = ci;
    colSum_[c] = cr + ci;
  }

  // A row's element in pivot column k of panel step s, once the step has taken it as (cr, ci)
  // (any row but the pivot row): the negated product of the old element with the inverted
  // pivot, which the step's record of the pivot row holds in column k (with its sum).
  void pivotColumn(int s, int k, double cr, double ci, double* yre, double* yim) const {
    const std::size_t x = rowRecord(s) + k;
    const double vr = rowRe_[x], vi = rowIm_[x], vs = rowSum_[x];
    const double p = cr * vr, q = ci * vi, t = (cr + ci) * vs;
    *yre = q - p;
    *yim = (p + q) - t;
  }

  // The collected updates of the panel [k0, k1). A pivot row or column of the panel has had
  // the steps before its own and takes only those after it.
  // The rows above the panel take the whole of every step here, all columns, those from k0
  // on the columns left of it: the first in even runs, each with its share of the others.
  // A row above meets the panel's pivot columns in step order: column k0 + s takes steps
  // 0 .. s-1, is recorded for step s and becomes the pivot column's element. Taken during the
  // steps, each row's element of each pivot column came from memory on its own (two lines a
  // row and step, MatInverse 1000 spent about a tenth of its time waiting on them).
  void catchUp(int k0, int k1) {
    if (k0 == 0) return;
    const int steps = k1 - k0, rest = n_ - k0;
    parallelFor(k0, grainFor(static_cast<std::int64_t>(steps) * n_), [&](int first, int last) {
      // Four rows at a time where four are left, each part of them side by side.
      for (int i = first, count; i < last; i += count) {
        checkCancel(work_);
        count = rowsTogether(i, last);
        for (int r = i; r < i + count; ++r) exchangeInRow(rowRe(r), rowIm(r), aboveExchanges_, 0);
        // The panel's columns, a step at a time over the rows side by side: k0 + s gives step
        // s its record and takes the pivot column's element, then the step goes to the columns
        // before it (past their own step) and to those after it (before theirs).
        for (int s = 0; s < steps; ++s) {
          const int k = k0 + s;
          for (int r = i; r < i + count; ++r) {
            const double cr = rowRe(r)[k], ci = rowIm(r)[k];
            record(r, s, cr, ci);
            pivotColumn(s, k, cr, ci, rowRe(r) + k, rowIm(r) + k);
          }
          applyAllSteps(i, count, s, s + 1, k0, s);
          applyAllSteps(i, count, s, s + 1, k + 1, k1 - k - 1);
        }
        applyAllSteps(i, count, 0, steps, 0, k0);
        applyAllSteps(i, count, 0, steps, k1, n_ - k1);
      }
      const int end = k0 + shareOf(rest, last, k0);
      for (int i = k0 + shareOf(rest, first, k0), count; i < end; i += count) {
        count = i >= k1 ? rowsTogether(i, end) : 1;
        if (i < k1)
          applySteps(i, i - k0 + 1, steps, 0, k0);
        else
          applyAllSteps(i, count, 0, steps, 0, k0);
      }
    });
    aboveExchanges_.clear();
  }

  const int n_;
  WorkToken* work_;
  double* re_;
  double* im_;
  const SplitKernels& kern_;
  RCoVecE pivotRow_, pivotCol_;
  // The panel's exchanges of columns, in order, which the rows above it have yet to take.
  ColumnExchanges aboveExchanges_;
  LineDoubles rowRe_, rowIm_, rowSum_, colRe_, colIm_, colSum_;
  PivotTrack track_{0.0, -1.0};
};

}  // namespace

int MatInverse(int n, RCoVecD& ar, RCoVecD& ai, RCOMat& r, WorkToken* work) {
  beginWork(work, n);
  GaussJordan gj(n, ar.data(), ai.data(), work);
  if (!gj.run()) {
    r.resize(n, n, work);
    return 1;
  }
  r.resizeForOverwrite(n, n, work);
  writeElementRows(n, n, ar.data(), ai.data(), r.elements().data(), work);
  return 0;
}

void MatLUPivot(int n, RCOMat& a, RCoVecE& colPerm, RCoVecE& rowPerm, int& MatErr,
                WorkToken* work) {
  colPerm.resize(n);
  rowPerm.resize(n);
  for (int i = 0; i < n; ++i) colPerm[i] = rowPerm[i] = i;
  for (int k = 0; k < n - 1 && MatErr == kMatOk; ++k) {
    double best = std::fabs(a[k][k].re());
    int pr = k, pc = k;
    for (int i = k; i < n; ++i) {
      checkCancel(work);
      for (int j = k; j < n; ++j) {
        const double t = std::fabs(a[i][j].re());
        if (t > best) best = t, pr = i, pc = j;
      }
    }
    if (best == 0.0) {
      MatErr = kMatSingular;
      break;
    }
    if (pc != k) {
      for (int i = 0; i < n; ++i) std::swap(a[i][k], a[i][pc]);
      std::swap(colPerm[k], colPerm[pc]);
    }
    if (pr != k) {
      std::swap_ranges(a[k], a[k] + n, a[pr]);
      std::swap(rowPerm[k], rowPerm[pr]);
    }
    tryDivisor(a[k][k]);
    parallelFor(n - k - 1, grainFor(n), [&](int first, int last) {
      for (int i = k + 1 + first; i < k + 1 + last; ++i) {
        checkCancel(work);
        const Element m = a[i][k] / a[k][k];
        for (int j = k + 1; j < n; ++j) a[i][j] = a[i][j] - m * a[k][j];
        for (int j = 0; j < k; ++j) a[i][j] = a[i][j] - m * a[k][j];
        a[i][k] = -m;
      }
    });
    stepDone(work);
  }
  if (MatErr != kMatOk) return;
  for (int i = 0; i < n; ++i)
    if (isZero(a[i][i])) {
      MatErr = kMatSingular;
      return;
    }
}

void MatLUSolve(const RCOMat& a, int n, RCOVec& x, const RCoVecE& rowPerm, const RCoVecE& colPerm,
                int& MatErr, const CancelFlag* cancel) {
  RCOVec y(n);
  for (int i = n - 1; i >= 0; --i) {
    checkCancel(cancel);
    Element s = x[rowPerm[i]];
    for (int j = 0; j < i; ++j) s = s + a[i][j] * x[rowPerm[j]];
    for (int k = i + 1; k < n; ++k) s = s - a[i][k] * y[k];
    y[i] = s / a[i][i];
  }
  for (int i = 0; i < n; ++i) x[colPerm[i]] = y[i];
  MatErr = kMatOk;
}

void MatInvLUElements(RCOMat& src, RCOMat& dst, int& MatErr, WorkToken* work) {
  int rows, cols;
  MatDim(src, rows, cols, MatErr);
  if (MatErr != kMatOk) return;
  if (rows != cols) {
    MatErr = kMatSizeMismatch;
    return;
  }
  const int n = rows;
  beginWork(work, inversionSteps(n));
  RCoVecE colPerm, rowPerm;
  MatLUPivot(n, src, colPerm, rowPerm, MatErr, work);
  if (MatErr != kMatOk) return;
  solveIdentityElements(src, rowPerm, colPerm, dst, MatErr, work);
}

void setSolveCacheBytes(long bytes) {
  solveCacheBytes.store(bytes, std::memory_order_relaxed);
}

void MatInvLU(RCOMat& src, RCOMat& dst, int& MatErr, WorkToken* work) {
  SplitMatrix a;
  if (src.empty() || src.rows() != src.cols() || !splitIfComplex(src, a, work, true)) {
    MatInvLUElements(src, dst, MatErr, work);
    return;
  }
  MatErr = kMatOk;
  const int n = src.rows();
  beginWork(work, inversionSteps(n));
  RCoVecE colPerm(n), rowPerm(n);
  for (int i = 0; i < n; ++i) colPerm[i] = rowPerm[i] = i;
  luPivotSplit(a, colPerm, rowPerm, MatErr, work);
  assignFrom(a, src, work);
  if (MatErr != kMatOk) return;
  if (!finite(a)) {
    // Overflow in the elimination: the shortcut of the fast solve needs finite factors.
    solveIdentityElements(src, rowPerm, colPerm, dst, MatErr, work);
    return;
  }
  solveIdentitySplit(a, rowPerm, colPerm, dst, work);
}

}  // namespace kelvaro
