#include "matrix/mat_lu.h"

#include <algorithm>
#include <cstdint>

#include "matrix/parallel_steps.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

namespace {

// Bound: without pivoting the steps block into panels, so arithmetic: n^3/3 complex
// multiply-adds at the peak without fused multiply-adds (bench/README.md).
// The elimination of MatLU on split parts; false at a zero pivot. Without pivoting nothing
// needs the part right of the current panel of steps before the panel ends, so it takes
// the panel's updates then, all steps for one element while it stays in registers; a row
// whose turn as pivot row comes is brought up to date first. Every element still sees its
// updates in ascending step order with the same operands. The rows of a step, and of a
// panel's end, are shared out over the threads.
bool eliminateSplit(SplitMatrix& a, WorkToken* work) {
  constexpr int kPanel = 32;
  const SplitKernels& kern = splitKernels();
  const int n = a.rows;
  // Panel steps [k0, k0 + steps) for row i, columns from c0 on; the multipliers of row i
  // stand in its own columns k0 .. and the pivot rows of the steps are rows k0 ...
  const auto catchUp = [&](int i, int k0, int steps, int c0) {
    if (steps <= 0 || c0 >= n) return;
    kern.mulSubRowSteps(n - c0, steps, a.rowRe(i) + k0, a.rowIm(i) + k0, a.rowRe(k0) + c0,
                        a.rowIm(k0) + c0, n, a.rowRe(i) + c0, a.rowIm(i) + c0);
  };
  // Rows [first, last) take panel steps [k0, k0 + steps) right of the panel, two at a time.
  // The panel's steps have just run on the calling thread: a row shared out moves its panel
  // part to another core and its update back, and the other thread may have to be woken.
  // Counted as kMoveCost columns of the row's work: a 200 x 200 matrix, whose first panels
  // would be shared otherwise, ran 4% slower on two threads than on one.
  constexpr int kMoveCost = 128;
  const auto catchUpRows = [&](int first, int last, int k0, int steps, int k1) {
    const std::int64_t rowCost = static_cast<std::int64_t>(steps) * (n - k1 - kMoveCost);
    const int grain = rowCost > 0 ? grainFor(rowCost) : last - first;
    parallelFor(last - first, grain, [&](int from, int to) {
      int i = first + from;
      for (; i + 1 < first + to; i += 2) {
        checkCancel(work);
        if (steps <= 0 || k1 >= n) continue;
        kern.mulSubTwoRowsSteps(n - k1, steps, a.rowRe(i) + k0, a.rowIm(i) + k0,
                                a.rowRe(i + 1) + k0, a.rowIm(i + 1) + k0, a.rowRe(k0) + k1,
                                a.rowIm(k0) + k1, n, a.rowRe(i) + k1, a.rowIm(i) + k1,
                                a.rowRe(i + 1) + k1, a.rowIm(i + 1) + k1);
      }
      if (i < first + to) {
        checkCancel(work);
        catchUp(i, k0, steps, k1);
      }
    });
  };
  for (int k0 = 0; k0 < n - 1; k0 += kPanel) {
    const int k1 = std::min(n - 1, k0 + kPanel);
    for (int k = k0; k < k1; ++k) {
      checkCancel(work);
      catchUp(k, k0, k - k0, k1);
      const Element pivot = Element::complex(a.rowRe(k)[k], a.rowIm(k)[k]);
      if (isZero(pivot)) {
        // Leave the matrix as the step-by-step elimination leaves it.
        catchUpRows(k + 1, n, k0, k - k0, k1);
        return false;
      }
      tryDivisor(pivot);
      parallelFor(n - k - 1, grainFor(k1 - k), [&](int first, int last) {
        for (int i = k + 1 + first; i < k + 1 + last; ++i) {
          double* yre = a.rowRe(i);
          double* yim = a.rowIm(i);
          const Element m = Element::complex(yre[k], yim[k]) / pivot;
          yre[k] = m.re();
          yim[k] = m.im();
          kern.mulSubRow(k1 - k - 1, m.re(), m.im(), a.rowRe(k) + k + 1, a.rowIm(k) + k + 1,
                         yre + k + 1, yim + k + 1);
        }
      });
      stepDone(work);
    }
    catchUpRows(k1, n, k0, k1 - k0, k1);
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

void splitFactors(const RCOMat& a, RCOMat& l, RCOMat& u, const CancelFlag* cancel) {
  const int n = a.rows();
  const Element zero = Element::real(0), one = Element::real(1);
  CancelCountdown countdown(cancel);
  for (int i = 0; i < n; ++i) {
    countdown.tick(n);
    for (int j = 0; j < i; ++j) {
      l[i][j] = a[i][j];
      u[i][j] = zero;
    }
    l[i][i] = one;
    u[i][i] = a[i][i];
    for (int j = i + 1; j < n; ++j) {
      l[i][j] = zero;
      u[i][j] = a[i][j];
    }
  }
}

}  // namespace

int MatLU(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols, WorkToken* work) {
  if (rows != cols) return -1;
  beginWork(work, std::max(rows - 1, 0));
  if (allComplex(a)) {
    SplitMatrix s = splitOf(a, work);
    const bool done = eliminateSplit(s, work);
    assignFrom(s, a, work);
    if (!done) return 0;
  } else if (!eliminateElements(a, work)) {
    return 0;
  }
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
