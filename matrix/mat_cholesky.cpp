#include "matrix/mat_cholesky.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <type_traits>
#include <vector>

#include "matrix/mat_types.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"
#include "numbers/calc_error.h"

namespace kelvaro {

namespace {

// Rows are factored in blocks. Row j needs the finished rows above it: those above its block
// are finished when the block starts, so every row of the block takes its columns left of the
// block at the same time as the others (on the threads), and its sums over those columns for
// the columns inside the block. Within the block, the split path takes the same way again for
// each group of rows in turn, over the columns of the groups before it, and only a group's
// own columns row by row; the element path goes row by row there. Every value sees
// the same operations in the same order as row by row throughout; a row that fails in the
// shared part has its failure kept and raised when the walk reaches it, so the first failure
// in row order ends the factorisation, as it would row by row.
constexpr int kBlock = 64;

enum class Failure { None, NoDecomposition, Error };

struct RowWork {
  RCOVec w;          // w[k]: column k of D·Lᵀ for this row, as far as it is known
  RCOVec mult;       // the multipliers of the columns left of the block, not yet in a
  Element s;         // the pivot of this row, as far as it is known
  int failedAt = 0;  // the column of a failure in the shared part
  Failure failure = Failure::None;
  std::exception_ptr error;
};

// One column k of row j: w[k] finished, then the multiplier and the pivot's part. False when
// the factorisation ends here (a zero pivot meets a non-zero coupling).
bool finishColumn(RowWork& row, int k, const RCOVec& pivots, Element& multiplier) {
  const Element& wk = row.w[k];
  if (!isZero(pivots[k]))
    multiplier = wk / pivots[k];
  else if (isZero(wk))
    multiplier = Element::integer(1);
  else
    return false;
  row.s = row.s - wk * multiplier;
  return true;
}

// Rows taken side by side by the split path: a group's rows are the lanes of its vectors.
constexpr int kLanes = 16;

// A pivot of the split path, with q = re² + im² as the element division forms it.
struct SplitPivot {
  double re, im, q;
};

// A row's value w = (re, im) of a column whose pivot is p, final: its multiplier w / p by the
// element division into (mr, mi), and the row's pivot's part s := s - w·m by the element
// product.
void finishSplit(double re, double im, const SplitPivot& p, double& mr, double& mi, double& sr,
                 double& si) {
  mr = (re * p.re + im * p.im) / p.q;
  mi = (im * p.re - re * p.im) / p.q;
  sr = sr - (re * mr - im * mi);
  si = si - (re * mi + im * mr);
}

// Bound: arithmetic. Row j's values take n^3/6 complex multiply-subtractions in all, eight
// operations each; the rows above a block are final when it starts, so those steps are
// blocked (four values share the loads of each row's values, the rows side by side in
// vectors), at the peak without fused multiply-adds: 1.33 GFLOP at n = 1000
// (bench/README.md).
// The factorisation on split parts, for a matrix of complex elements with finite parts: the
// same blocks and the same operations on every value, in the same order, as the element
// path, rows kLanes at a time. A row's values w[k] and multipliers are computed for the rows
// of a group together: w[k] of every row of the group is one row of the group's work
// array, row k of the matrix's upper triangle at first, and takes the steps i < k as an
// elimination's row takes its pivot rows (y -= L[k][i]·w[i]; four values of k at a time
// share the loads of w[i]). The products and sums are those of the element arithmetic
// (complex multiplication is exact in the order of its factors and of its two sums). It
// stops, and returns false with a, l and d untouched, where the element path would meet a
// pivot this path does not take: one that is not finite, or a divisor whose c² + d² is within
// 1e-12 of zero (the element path then divides by zero, or takes a multiplier of 1, or ends).
// Every other value is then finite too, which keeps the arithmetic exact as above.
bool choleskySplit(RCOMat& a, RCOMat& l, RCOMat& d, WorkToken* work) {
  const int n = a.rows();
  SplitMatrix s;
  // The rows' parts left of the diagonal are never read: the rows' multipliers take their place
  // before anything reads them, except those in a group's 16 x 16 block on the diagonal, which
  // are copied into lanes no row of the group uses. The element path reads none of them
  // either, so neither their kind nor their value makes a difference.
  if (n == 0 || !splitUpperIfComplex(a, s, work, kLanes)) return false;
  const SplitKernels& kern = splitKernels();
  std::vector<SplitPivot> pivots(n);
  constexpr int kGroups = kBlock / kLanes;
  const std::size_t groupSize = static_cast<std::size_t>(n) * kLanes;
  DoubleArray wre(kGroups * groupSize), wim(wre.size());
  // Each group's multipliers of the columns left of its block, column k's at k·kLanes, until
  // the group has them all: written a lane vector at a time, they go into the rows by tiles.
  DoubleArray multRe(wre.size()), multIm(wre.size());
  double sre[kGroups][kLanes], sim[kGroups][kLanes];
  beginWork(work, n);
  // A call whose last block would share its columns left of it (order 257 and up on two
  // threads) shares those of every block, and the columns inside, down to a sixteenth of the
  // least work (sharedCallScale): the groups stay with their threads from block to block. On the
  // Intel machine, two threads against one: Cholesky 280 1.30 -> 1.08 ms (one thread 1.20:
  // sharing the last block's left columns alone had cost 8%), 300 1.54 -> 1.38 (1.46), 400 2.67
  // -> 2.33, 500 4.32 -> 3.88, 1000 20.5 -> 20.2; eight threads alike; 250 and below unchanged.
  const int lastBlock = (n - 1) / kBlock * kBlock;
  const int later =
      sharedCallScale(kGroups, static_cast<std::int64_t>(lastBlock) * lastBlock / 2 * kLanes + 1);
  for (int j0 = 0; j0 < n; j0 += kBlock) {
    const int j1 = std::min(n, j0 + kBlock);
    const int groups = (j1 - j0 + kLanes - 1) / kLanes;
    const auto rowsOf = [&](int g) { return std::min(kLanes, j1 - j0 - g * kLanes); };
    const auto wr = [&](int g, int k) { return wre.data() + g * groupSize + k * kLanes; };
    const auto wi = [&](int g, int k) { return wim.data() + g * groupSize + k * kLanes; };
    const auto mr = [&](int g, int k) { return multRe.data() + g * groupSize + k * kLanes; };
    const auto mi = [&](int g, int k) { return multIm.data() + g * groupSize + k * kLanes; };
    // Steps i in [from, to) (the rows x at w[i]) for the values w[k], k in [k0, k1), of group g.
    const auto stepsFor = [&](int g, int k0, int k1, int from, int to) {
      checkCancel(work);
      mulSubRowsSteps(kern, k1 - k0, rowsOf(g), to - from, wr(g, from), wi(g, from), kLanes,
                      [&](int r) {
                        const int k = k0 + r;
                        return StepRow{s.rowRe(k) + from, s.rowIm(k) + from, wr(g, k), wi(g, k)};
                      });
    };
    // Values k in [k0, k1) of group g, which have had the steps before `from`: the steps
    // [from, k0) side by side, then each the steps of the earlier ones in turn, then its
    // multiplier and its part of the pivots.
    const auto finishValues = [&](int g, int k0, int k1, int from) {
      stepsFor(g, k0, k1, from, k0);
      const int len = rowsOf(g);
      for (int k = k0; k < k1; ++k) {
        if (k > k0)
          kern.mulSubRowSteps(len, k - k0, s.rowRe(k) + k0, s.rowIm(k) + k0, wr(g, k0), wi(g, k0),
                              kLanes, wr(g, k), wi(g, k));
        const SplitPivot& p = pivots[k];
        kern.divideLanes(len, wr(g, k), wi(g, k), p.re, p.im, p.q, mr(g, k), mi(g, k), sre[g],
                         sim[g]);
      }
    };
    // Group g's multipliers of the columns [from, to) into its rows, as their values there.
    const auto multipliersIntoRows = [&](int g, int from, int to) {
      const int j = j0 + g * kLanes, len = rowsOf(g);
      kern.transpose(to - from, len, mr(g, from), kLanes, s.rowRe(j) + from, n);
      kern.transpose(to - from, len, mi(g, from), kLanes, s.rowIm(j) + from, n);
    };
    // The columns left of the block, for each group on its own: w[k], the multiplier and the
    // pivot's part, k in order.
    const std::int64_t leftCost = (static_cast<std::int64_t>(j0) * j0 / 2 * kLanes + 1) * later;
    parallelFor(groups, grainFor(leftCost), [&](int first, int last) {
      for (int g = first; g < last; ++g) {
        const int j = j0 + g * kLanes, len = rowsOf(g);
        // Values k of the group's rows, k left of its last row: no later one is used (a row's
        // values are those of the columns left of it).
        for (int k = 0; k < j + len - 1; ++k) {
          std::copy_n(s.rowRe(k) + j, len, wr(g, k));
          std::copy_n(s.rowIm(k) + j, len, wi(g, k));
        }
        for (int r = 0; r < len; ++r) {
          sre[g][r] = s.rowRe(j + r)[j + r];
          sim[g][r] = s.rowIm(j + r)[j + r];
        }
      }
      // Four values at a time, for each group in turn: the groups share the four rows'
      // multipliers, which the first brings in for the others. Group by group, every group read
      // all the rows' multipliers from the third-level cache again (Cholesky 1000 on one thread,
      // least of five: 30.4 -> 29.4 ms; 500 4.88 -> 4.81).
      for (int k0 = 0; k0 < j0; k0 += 4) {
        const int k1 = std::min(j0, k0 + 4);
        for (int g = first; g < last; ++g) finishValues(g, k0, k1, 0);
      }
      for (int g = first; g < last; ++g) multipliersIntoRows(g, 0, j0);
    });
    // The columns inside the block, over the columns left of it (a row's values of the
    // block's rows at or below it are not used). Group g has kLanes·(g + 1) of them, so the
    // groups go out the longest and the shortest in turn: two threads then share them evenly
    // (in order, the second thread's two took 2.3 times the first's; Cholesky 1000 on two
    // threads 22.2 -> 20.9 ms on the Intel machine). Four values at a time for each group in
    // turn, as the columns left of the block (Cholesky 500 on one thread 4.66 -> 4.58 ms, least
    // of seven; 200 and 1000 unchanged).
    const auto inside = [&](int first, int last) {
      const auto groupOf = [&](int i) { return i % 2 != 0 ? i / 2 : groups - 1 - i / 2; };
      for (int k0 = j0; k0 < j1 - 1; k0 += 4)
        for (int i = first; i < last; ++i) {
          const int g = groupOf(i), end = j0 + g * kLanes + rowsOf(g) - 1;
          if (k0 < end) stepsFor(g, k0, std::min(end, k0 + 4), 0, j0);
        }
    };
    if (j0 > 0)
      parallelFor(groups, grainFor(static_cast<std::int64_t>(kBlock) * j0 * kLanes * later),
                  inside);
    // Row j, lane r of group g, its columns from g0 on (it has had the steps before g0): four
    // values at a time, their sums over the columns from g0 before the four side by side (each
    // its own chain, in column order), then each the four's earlier columns in turn; then its
    // pivot. False where that is a pivot this path does not take.
    const auto finishRow = [&](int j, int g, int r, int g0) {
      checkCancel(work);
      double* xr = wr(g, 0) + r;
      double* xi = wi(g, 0) + r;
      double* mre = s.rowRe(j);
      double* mim = s.rowIm(j);
      for (int k0 = g0; k0 < j; k0 += 4) {
        const int count = std::min(4, j - k0);
        double re[4], im[4];
        const double *lre[4], *lim[4];
        for (int q = 0; q < count; ++q) {
          re[q] = xr[(k0 + q) * kLanes];
          im[q] = xi[(k0 + q) * kLanes];
          lre[q] = s.rowRe(k0 + q);
          lim[q] = s.rowIm(k0 + q);
        }
        const auto take = [&](int q, int i) {
          const double a = xr[i * kLanes], b = xi[i * kLanes];
          re[q] = re[q] - (a * lre[q][i] - b * lim[q][i]);
          im[q] = im[q] - (a * lim[q][i] + b * lre[q][i]);
        };
        // The width a constant where it is four, so that the four chains stay in registers.
        const auto sums = [&](auto width) {
          for (int i = g0; i < k0; ++i)
            for (int q = 0; q < width; ++q) take(q, i);
        };
        if (count == 4)
          sums(std::integral_constant<int, 4>{});
        else
          sums(count);
        for (int q = 0; q < count; ++q) {
          const int k = k0 + q;
          for (int i = k0; i < k; ++i) take(q, i);
          xr[k * kLanes] = re[q];
          xi[k * kLanes] = im[q];
          finishSplit(re[q], im[q], pivots[k], mre[k], mim[k], sre[g][r], sim[g][r]);
        }
      }
      const double c = sre[g][r], dd = sim[g][r], q = c * c + dd * dd;
      if (!std::isfinite(c) || !std::isfinite(dd) || (j + 1 < n && !(std::fabs(q) > kTolerance)))
        return false;
      pivots[j] = {c, dd, q};
      stepDone(work);
      return true;
    };
    // The rest within the block, group by group. The columns of the groups before it, whose
    // rows are final, go as those left of the block, the rows side by side, from column j0 on;
    // so do their steps for the group's own columns. Those columns, row by row. All of it row
    // by row took longer: Cholesky on one thread, least of five, 200 0.448 -> 0.386 ms, 500
    // 4.80 -> 4.70, 1000 29.1 -> 28.9.
    for (int g = 0; g < groups; ++g) {
      const int g0 = j0 + g * kLanes, len = rowsOf(g);
      for (int k0 = j0; k0 < g0; k0 += 4) finishValues(g, k0, k0 + 4, j0);
      if (g > 0) {
        multipliersIntoRows(g, j0, g0);
        stepsFor(g, g0, g0 + len - 1, j0, g0);
      }
      for (int j = g0; j < g0 + len; ++j)
        if (!finishRow(j, g, j - g0, g0)) return false;
    }
  }
  // a's strict lower triangle, l and d, row by row from the parts (l's and d's fixed entries
  // are the integers 0 and 1), the rows shared out.
  l.resizeForOverwrite(n, n, work);
  d.resizeForOverwrite(n, n, work);
  const bool stream = streamResult(std::size_t{5} * n * n / 2);
  parallelFor(n, passGrainFor(2 * n), [&](int first, int last) {
    CancelCountdown countdown(work);
    for (int i = first; i < last; ++i) {
      countdown.tick(2 * n);
      writeElements(i, s.rowRe(i), s.rowIm(i), a[i], stream);
      writeElements(i, s.rowRe(i), s.rowIm(i), l[i], stream);
      l[i][i] = Element::integer(1);
      writeIntegerZeros(n - i - 1, l[i] + i + 1, stream);
      writeIntegerZeros(i, d[i], stream);
      d[i][i] = Element::complex(pivots[i].re, pivots[i].im);
      writeIntegerZeros(n - i - 1, d[i] + i + 1, stream);
    }
    streamsDone();
  });
  return true;
}

}  // namespace

bool choleskyLDL(RCOMat& a, RCOMat& l, RCOMat& d, WorkToken* work) {
  return choleskySplit(a, l, d, work) || choleskyLDLElements(a, l, d, work);
}

bool choleskyLDLElements(RCOMat& a, RCOMat& l, RCOMat& d, WorkToken* work) {
  const int n = a.rows();
  beginWork(work, n);
  RCOVec pivots(n);
  std::vector<RowWork> rows(std::min(n, kBlock));
  for (int j0 = 0; j0 < n; j0 += kBlock) {
    const int j1 = std::min(n, j0 + kBlock);
    const std::int64_t rowCost = static_cast<std::int64_t>(j0) * j0 / 2 + 1;
    parallelFor(j1 - j0, grainFor(rowCost), [&](int first, int last) {
      for (int j = j0 + first; j < j0 + last; ++j) {
        RowWork& row = rows[j - j0];
        row.w.assign(j, Element());
        row.mult.assign(j0, Element());
        row.s = a[j][j];
        row.failure = Failure::None;
        row.error = nullptr;
        int k = 0;
        try {
          for (; k < j0; ++k) {
            if (k % 64 == 0) checkCancel(work);
            Element wk = a[k][j];
            for (int i = 0; i < k; ++i) wk = wk - row.w[i] * a[k][i];
            row.w[k] = wk;
            if (!finishColumn(row, k, pivots, row.mult[k])) {
              row.failure = Failure::NoDecomposition;
              break;
            }
          }
        } catch (const CalcError&) {
          row.failure = Failure::Error;
          row.error = std::current_exception();
        }
        row.failedAt = k;
      }
    });
    // The columns inside the block, over the columns left of it; a row that failed is not
    // reached.
    parallelFor(j1 - j0, grainFor(static_cast<std::int64_t>(kBlock) * j0),
                [&](int first, int last) {
                  for (int j = j0 + first; j < j0 + last; ++j) {
                    RowWork& row = rows[j - j0];
                    for (int k = j0; k < j && row.failure == Failure::None; ++k) {
                      const RCOVec& multK = rows[k - j0].mult;
                      Element wk = a[k][j];
                      for (int i = 0; i < j0; ++i) wk = wk - row.w[i] * multK[i];
                      row.w[k] = wk;
                    }
                  }
                });
    for (int j = j0; j < j1; ++j) {
      checkCancel(work);
      RowWork& row = rows[j - j0];
      const int known = row.failure == Failure::None ? j0 : row.failedAt;
      std::copy_n(row.mult.begin(), known, a[j]);
      if (row.failure == Failure::Error) std::rethrow_exception(row.error);
      if (row.failure == Failure::NoDecomposition) return false;
      for (int k = j0; k < j; ++k) {
        for (int i = j0; i < k; ++i) row.w[k] = row.w[k] - row.w[i] * a[k][i];
        if (!finishColumn(row, k, pivots, a[j][k])) return false;
      }
      pivots[j] = row.s;
      stepDone(work);
    }
  }
  l.resize(n, n, work);
  d.resize(n, n, work);
  CancelCountdown countdown(work);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      countdown.tick();
      l[i][j] = j > i ? Element::integer(0) : j == i ? Element::integer(1) : a[i][j];
      d[i][j] = j == i ? pivots[i] : Element::integer(0);
    }
  return true;
}

}  // namespace kelvaro
