#include "matrix/mat_lu.h"

#include <algorithm>

#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"

namespace kelvaro {

namespace {

// The elimination of MatLU on split parts; false at a zero pivot. Without pivoting nothing
// needs the part right of the current panel of steps before the panel ends, so it takes
// the panel's updates then, all steps for one element while it stays in registers; a row
// whose turn as pivot row comes is brought up to date first. Every element still sees its
// updates in ascending step order with the same operands.
bool eliminateSplit(SplitMatrix& a) {
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
  for (int k0 = 0; k0 < n - 1; k0 += kPanel) {
    const int k1 = std::min(n - 1, k0 + kPanel);
    for (int k = k0; k < k1; ++k) {
      catchUp(k, k0, k - k0, k1);
      const Element pivot = Element::complex(a.rowRe(k)[k], a.rowIm(k)[k]);
      if (isZero(pivot)) {
        // Leave the matrix as the step-by-step elimination leaves it.
        for (int i = k + 1; i < n; ++i) catchUp(i, k0, k - k0, k1);
        return false;
      }
      for (int i = k + 1; i < n; ++i) {
        double* yre = a.rowRe(i);
        double* yim = a.rowIm(i);
        const Element m = Element::complex(yre[k], yim[k]) / pivot;
        yre[k] = m.re();
        yim[k] = m.im();
        kern.mulSubRow(k1 - k - 1, m.re(), m.im(), a.rowRe(k) + k + 1, a.rowIm(k) + k + 1,
                       yre + k + 1, yim + k + 1);
      }
    }
    for (int i = k1; i < n; ++i) catchUp(i, k0, k1 - k0, k1);
  }
  return true;
}

bool eliminateElements(RCOMat& a) {
  const int n = a.rows();
  for (int k = 0; k < n - 1; ++k) {
    if (isZero(a[k][k])) return false;
    for (int i = k + 1; i < n; ++i) a[i][k] = a[i][k] / a[k][k];
    for (int i = k + 1; i < n; ++i)
      for (int j = k + 1; j < n; ++j) a[i][j] = a[i][j] - a[i][k] * a[k][j];
  }
  return true;
}

void splitFactors(const RCOMat& a, RCOMat& l, RCOMat& u) {
  const int n = a.rows();
  const Element zero = Element::real(0), one = Element::real(1);
  for (int i = 0; i < n; ++i) {
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

int MatLU(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols) {
  if (rows != cols) return -1;
  if (allComplex(a)) {
    SplitMatrix s = splitOf(a);
    const bool done = eliminateSplit(s);
    assignFrom(s, a);
    if (!done) return 0;
  } else if (!eliminateElements(a)) {
    return 0;
  }
  splitFactors(a, l, u);
  return 1;
}

int MatLUElements(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols) {
  if (rows != cols) return -1;
  if (!eliminateElements(a)) return 0;
  splitFactors(a, l, u);
  return 1;
}

}  // namespace kelvaro
