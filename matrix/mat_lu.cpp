#include "matrix/mat_lu.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "matrix/panel_packing.h"
#include "matrix/parallel_steps.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

namespace {

// From 256 columns on: at orders 50 to 200 on one thread the packing cost more than the
// tiles gained (0.037 -> 0.040 ms at 50, 0.18 -> 0.19 ms at 100).
constexpr int kTilesFrom = 256;
std::atomic<int> tilesFrom{kTilesFrom};
constexpr int kColumnBlock = 512;
std::atomic<int> columnBlockWidth{kColumnBlock};

// Bound: without pivoting the steps block into panels, so arithmetic: n^3/3 complex
// multiply-adds at the peak without fused multiply-adds (bench/README.md).
// The elimination of MatLU on split parts; false at a zero pivot. Without pivoting a row
// needs nothing of the rows below it, so the steps go in panels a row at a time: a panel's
// pivot rows first, in order, each brought up to date by the pivot rows above it, then every
// row below takes the panel's steps at once, its part in the panel (each step's multiplier,
// then the panel's columns right of it) and then the part right of the panel, all steps for
// one element while it stays in registers. Every element still sees its updates in ascending
// step order with the same operands. The rows below a panel are shared out over the threads.
bool eliminateSplit(SplitMatrix& a, WorkToken* work) {
  constexpr int kPanel = 32;
  constexpr int kRowBlock = 64;
  const SplitKernels& kern = splitKernels();
  static_assert(kPanel <= kPanelWidth);
  const int n = a.rows;
  // The pivots of a panel, q as the division forms it; two panels' worth, the next panel's
  // being formed while the rows below still take this one's steps.
  struct Pivots {
    double re[kPanel], im[kPanel], q[kPanel];
  } pivotsOf[2];
  // The same steps right of the panel, in columns [c0, c1) (c0 >= k1), with the multipliers
  // in place.
  const auto rightPart = [&](int first, int last, int k0, int steps, int c0, int c1) {
    const int len = c1 - c0;
    const double* xre = a.rowRe(k0) + c0;
    const double* xim = a.rowIm(k0) + c0;
    if (steps <= 0 || len <= 0) return;
    mulSubRowsSteps(kern, last - first, len, steps, xre, xim, n, [&](int r) {
      const int i = first + r;
      return StepRow{a.rowRe(i) + k0, a.rowIm(i) + k0, a.rowRe(i) + c0, a.rowIm(i) + c0};
    });
  };
  // Rows [first, last) take steps [k0, k0 + steps) of the panel [k0, k1) in its columns: the
  // multiplier of step k comes into column k, then goes over columns k + 1 .. k1 - 1. As many
  // rows side by side as the kernel takes.
  const auto panelRows = [&](int first, int last, int k0, int steps, int k1, const Pivots& p) {
    for (int i = first; i < last; i += kern.dividedRows)
      kern.divideSubRowsSteps(std::min(kern.dividedRows, last - i), k1 - k0, steps, p.re, p.im, p.q,
                              a.rowRe(k0) + k0, a.rowIm(k0) + k0, n, a.rowRe(i) + k0,
                              a.rowIm(i) + k0, n);
  };
  // Rows [first, last) take the panel's first `steps` steps, shared out, and `ahead` runs
  // with the range of the first rows, after them: the next panel's pivot rows, [first,
  // first + aheadRows), go with that range whatever its length, the other ranges leave them.
  // The pivot rows have just been brought up to date on the calling thread: a row shared out
  // moves them to another core, and the other thread may have to be woken. Counted as
  // kMoveCost columns of the row's work: a 200 x 200 matrix, whose first panels would be
  // shared otherwise, ran 4% slower on two threads than on one.
  constexpr int kMoveCost = 128;
  // A call whose first panel's rows below are shared (order 360 and up on two threads) shares
  // every later panel's down to a sixteenth of the least work (sharedCallScale): each thread
  // keeps most of its rows from one panel to the next. On the Intel machine, two threads: MatLU
  // 360 4.39 -> 3.65 ms (one thread 4.42), 400 5.32 -> 4.44, 500 8.26-8.34 -> 7.39-7.47, 1000
  // 41.1 -> 40.3; eight threads alike; 200 and 300 unchanged. A sixty-fourth gained a little
  // more (500 7.34) and was left for the shorter ranges it cuts.
  const std::int64_t firstRowCost = std::int64_t{kPanel} * (n - kPanel - kMoveCost);
  const int laterShare = firstRowCost > 0 ? sharedCallScale(n - kPanel, firstRowCost) : 1;
  // Where the panel's pivot rows right of it would not stay in the second-level cache (32
  // steps of more than 1024 columns: over 512 KB), a block of rows takes them a block of
  // columns at a time, each block of pivot rows read from that cache by all the rows: at order
  // 4096 on the AVX-512 machine 4.2-4.5 -> 3.4-3.8 s on one thread, 2.3 -> 1.8 s on two.
  const int columnBlock = columnBlockWidth.load(std::memory_order_relaxed);
  // Or, where the path does it faster, the part right of the panel as a product: the
  // multipliers of mr rows packed, times the panel's pivot rows packed in columns of nr
  // (packed once per panel), subtracted tile by tile; the rows and columns short of a tile
  // as above. Each element takes the same steps in the same order either way.
  const int mr = kern.gemmShape.mr, nr = kern.gemmShape.nr;
  DoubleArray packedRows;  // written before it is read, panel by panel
  const int leastTiled = tilesFrom.load(std::memory_order_relaxed);
  const auto byTiles = [&](int k1) { return kern.stepsByTiles && n - k1 >= leastTiled; };
  if (byTiles(0)) packedRows.resize(static_cast<std::size_t>(kPanel) * 2 * (n / nr) * nr);
  const auto packRows = [&](int k0, int steps, int k1) {
    packB(SplitValues{a, k0, k1}, steps, (n - k1) / nr * nr, nr, 0, (n - k1) / nr,
          packedRows.data());
  };
  const auto tiledPart = [&](int first, int last, int k0, int steps, int k1) {
    const int panels = (n - k1) / nr, tail = k1 + panels * nr;
    const int tiled = (last - first) / mr * mr;
    DoubleArray ap(static_cast<std::size_t>(2) * std::min(kRowBlock, tiled) * steps);
    for (int i0 = first; i0 < first + tiled; i0 += kRowBlock) {
      checkCancel(work);
      const int rows = std::min(kRowBlock, first + tiled - i0);
      packA(SplitValues{a}, i0, rows, k0, steps, mr, ap.data());
      for (int pb = 0; pb < panels; ++pb)
        for (int t = 0; t < rows; t += mr)
          kern.gemmTileSub(steps, ap.data() + static_cast<std::size_t>(t) * 2 * steps,
                           packedRows.data() + static_cast<std::size_t>(pb) * steps * 2 * nr,
                           a.rowRe(i0 + t) + k1 + pb * nr, a.rowIm(i0 + t) + k1 + pb * nr, n);
      rightPart(i0, i0 + rows, k0, steps, tail, n);
    }
    rightPart(first + tiled, last, k0, steps, k1, n);
  };
  const auto rowsBelow = [&](int first, int last, int k0, int steps, int k1, const Pivots& p,
                             int aheadRows, auto&& ahead) {
    if (steps <= 0) return;
    const std::int64_t rowCost =
        static_cast<std::int64_t>(steps) * (n - k1 - kMoveCost) * laterShare;
    const int grain = rowCost > 0 ? grainFor(rowCost) : last - first;
    const bool tiled = byTiles(k1);
    if (tiled) packRows(k0, steps, k1);
    // Four rows at a time, each over all its columns right of the panel; or in blocks of
    // columns, a block of rows at a time.
    const bool blocked = !tiled && n - k1 > 2 * columnBlock;
    const int rowBlock = blocked ? kRowBlock : std::max(4, kern.dividedRows);
    const int width = blocked ? columnBlock : n - k1;
    const auto rows = [&](int from, int to) {
      if (from >= to) return;  // a range within the next panel's pivot rows
      for (int i0 = from; i0 < to; i0 += rowBlock) {
        checkCancel(work);
        const int i1 = std::min(to, i0 + rowBlock);
        panelRows(i0, i1, k0, steps, k1, p);
        if (!tiled)
          for (int c0 = k1; c0 < n; c0 += width)
            rightPart(i0, i1, k0, steps, c0, std::min(n, c0 + width));
      }
      if (tiled) tiledPart(from, to, k0, steps, k1);
    };
    const int aheadEnd = first + aheadRows;
    const auto range = [&](int from, int to) {
      if (from > 0) return rows(std::max(aheadEnd, first + from), first + to);
      rows(first, std::max(aheadEnd, first + to));
      ahead();
    };
    parallelForFine(last - first, grain, 8, range);
  };
  // The pivot rows [k0, last) right of the panel, once their panel part is done: row k takes
  // steps k0 .. k - 1, each from a pivot row above it, final by then. A block of columns at a
  // time for all of them, so that the block of pivot rows each row reads stays in the
  // first-level cache (row by row over all columns, they came from the second level). Four
  // rows k .. k + 3 take steps k0 .. k - 1 together, then each the steps from k on that the
  // rows before it in the four give it, one row at a time.
  const auto pivotRowsRight = [&](int k0, int last, int k1) {
    constexpr int kColumns = 64;
    for (int c0 = k1; c0 < n; c0 += kColumns) {
      const int c1 = std::min(n, c0 + kColumns);
      for (int k = k0 + 1; k < last; k += 4) {
        const int rows = std::min(4, last - k);
        rightPart(k, k + rows, k0, k - k0, c0, c1);
        for (int i = k + 1; i < k + rows; ++i) rightPart(i, i + 1, k, i - k, c0, c1);
      }
    }
  };
  // The pivot rows of the panel [k0, k1), once they have every step before it: each row its
  // part in the panel and its pivot, then their parts right of it. The row of the first zero
  // pivot, or -1.
  const auto pivotPanel = [&](int k0, int k1, Pivots& p) {
    for (int k = k0; k < k1; ++k) {
      checkCancel(work);
      panelRows(k, k + 1, k0, k - k0, k1, p);
      const double c = a.rowRe(k)[k], d = a.rowIm(k)[k];
      const Element pivot = Element::complex(c, d);
      p.re[k - k0] = c;
      p.im[k - k0] = d;
      p.q[k - k0] = c * c + d * d;
      if (isZero(pivot)) return k;
      tryDivisor(pivot);
    }
    pivotRowsRight(k0, k1, k1);
    return -1;
  };
  // Each panel's pivot rows are formed while the rows below the panel before take its steps
  // (they take that panel's steps first): on two threads the one that forms them no longer
  // holds up the other. With the rows below in fine ranges, MatLU 1000's elimination on two
  // threads 33.2 -> 31.4 ms on the Intel machine. Each row still takes the same steps in the
  // same order.
  int zero = n > 1 ? pivotPanel(0, std::min(n - 1, kPanel), pivotsOf[0]) : -1;
  for (int k0 = 0, at = 0; k0 < n - 1; k0 += kPanel, at ^= 1) {
    const int k1 = std::min(n - 1, k0 + kPanel);
    if (zero >= 0) {
      // Leave the matrix as the step-by-step elimination leaves it.
      pivotRowsRight(k0, zero + 1, k1);
      rowsBelow(zero + 1, n, k0, zero - k0, k1, pivotsOf[at], 0, [] {});
      return false;
    }
    // After the last panel there is no next one: pivotPanel(k1, k1) does nothing.
    const int k2 = std::min(n - 1, k1 + kPanel);
    rowsBelow(k1, n, k0, k1 - k0, k1, pivotsOf[at], k2 - k1,
              [&] { zero = pivotPanel(k1, k2, pivotsOf[at ^ 1]); });
    stepDone(work, k1 - k0);
  }
  return true;
}

bool eliminateElements(RCOMat& a, WorkToken* work) {
  const int n = a.rows();
  for (int k = 0; k < n - 1; ++k) {
    if (isZero(a[k][k])) return false;
    for (int i = k + 1; i < n; ++i) a[i][k] = a[i][k] / a[k][k];
    for (int i = k + 1; i < n; ++i) {
      checkCancel(work);
      for (int j = k + 1; j < n; ++j) a[i][j] = a[i][j] - a[i][k] * a[k][j];
    }
    stepDone(work);
  }
  return true;
}

// L and U from the factored matrix a, its elements as they are (of any kind). The rows shared
// out over the threads.
void splitFactors(const RCOMat& a, RCOMat& l, RCOMat& u, const CancelFlag* cancel) {
  const int n = a.rows();
  const Element zero = Element::real(0), one = Element::real(1);
  parallelFor(n, passGrainFor(2 * n), [&](int first, int last) {
    CancelCountdown countdown(cancel);
    for (int i = first; i < last; ++i) {
      countdown.tick(n);
      for (int j = 0; j < n; ++j) {
        l[i][j] = j < i ? a[i][j] : j == i ? one : zero;
        u[i][j] = j < i ? zero : a[i][j];
      }
    }
  });
}

// The factored matrix back from its split parts and its factors, in one pass, each row of the
// three as runs of elements from the parts (writeElements: at order 1000, 72 MB around the
// caches, MatLU 1000 87-88 -> 84-86 ms on one thread).
void splitFactors(const SplitMatrix& s, RCOMat& a, RCOMat& l, RCOMat& u, const CancelFlag* cancel) {
  const int n = s.rows;
  const bool stream = streamResult(std::size_t{3} * n * n);
  parallelFor(n, passGrainFor(3 * n), [&](int first, int last) {
    CancelCountdown countdown(cancel);
    for (int i = first; i < last; ++i) {
      countdown.tick(n);
      const double* re = s.rowRe(i);
      const double* im = s.rowIm(i);
      writeElements(n, re, im, a[i], stream);
      writeElements(i, re, im, l[i], stream);
      l[i][i] = Element::real(1);
      writeElements(n - i - 1, nullptr, nullptr, l[i] + i + 1, stream);
      writeElements(i, nullptr, nullptr, u[i], stream);
      u[i][i] = Element::complex(re[i], im[i]);
      writeElements(n - i - 1, re + i + 1, im + i + 1, u[i] + i + 1, stream);
    }
    streamsDone();
  });
}

}  // namespace

void setLuTilesFrom(int columns) {
  tilesFrom.store(columns > 0 ? columns : kTilesFrom, std::memory_order_relaxed);
}

void setLuColumnBlock(int columns) {
  columnBlockWidth.store(columns > 0 ? columns : kColumnBlock, std::memory_order_relaxed);
}

int MatLU(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols, WorkToken* work) {
  if (rows != cols) return -1;
  beginWork(work, std::max(rows - 1, 0));
  if (SplitMatrix s; splitIfComplex(a, s, work)) {
    if (!eliminateSplit(s, work)) {
      assignFrom(s, a, work);
      return 0;
    }
    splitFactors(s, a, l, u, work);
    return 1;
  }
  if (!eliminateElements(a, work)) return 0;
  splitFactors(a, l, u, work);
  return 1;
}

int MatLUElements(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols) {
  if (rows != cols) return -1;
  if (!eliminateElements(a, nullptr)) return 0;
  splitFactors(a, l, u, nullptr);
  return 1;
}

}  // namespace kelvaro
