#include "matrix/mat_inverse.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "numbers/extended.h"

namespace kelvaro {

namespace {

// Columns of the identity solved together in one pass of the fast solve; their part of the
// solution stays in the second-level cache.
constexpr int kSolveBlock = 64;

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

void swapColumns(double* re, double* im, int rows, int n, int c1, int c2) {
  for (int i = 0; i < rows; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) * n;
    std::swap(re[row + c1], re[row + c2]);
    std::swap(im[row + c1], im[row + c2]);
  }
}

// MatLUPivot on split parts; the same steps as the element version below, with the pivot
// search of each step done while the step before writes the values it searches.
void luPivotSplit(SplitMatrix& a, RCoVecE& colPerm, RCoVecE& rowPerm, int& MatErr) {
  const SplitKernels& kern = splitKernels();
  const int n = a.rows;
  PivotTrack track{0.0, -1.0};
  for (int i = 0; i < n; ++i) kern.trackAbsRe(n, a.rowRe(i), static_cast<double>(i) * n, &track);
  for (int k = 0; k < n - 1 && MatErr == kMatOk; ++k) {
    // The search starts from |Re a[k][k]|: the tracked first maximum over the region is the
    // same pivot, except when that start is NaN, which no later value can beat.
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
    if (pc != k) {
      swapColumns(a.re.data(), a.im.data(), n, n, k, pc);
      std::swap(colPerm[k], colPerm[pc]);
    }
    if (pr != k) {
      swapRows(a.re.data(), a.im.data(), n, k, pr);
      std::swap(rowPerm[k], rowPerm[pr]);
    }
    const Element pivot = complexAt(a, k, k);
    track = {0.0, -1.0};
    for (int i = k + 1; i < n; ++i) {
      double* yre = a.rowRe(i);
      double* yim = a.rowIm(i);
      const Element m = Element::complex(yre[k], yim[k]) / pivot;
      kern.mulSubRowTrackAbsRe(n - k - 1, m.re(), m.im(), a.rowRe(k) + k + 1, a.rowIm(k) + k + 1,
                               yre + k + 1, yim + k + 1, static_cast<double>(i) * n + k + 1,
                               &track);
      kern.mulSubRow(k, m.re(), m.im(), a.rowRe(k), a.rowIm(k), yre, yim);
      yre[k] = -m.re();
      yim[k] = -m.im();
    }
  }
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
                        RCOMat& dst) {
  const SplitKernels& kern = splitKernels();
  const int n = a.rows;
  RCoVecE positionOf(n);
  for (int i = 0; i < n; ++i) positionOf[rowPerm[i]] = i;
  dst.resize(n, n);
  std::vector<double> yre(static_cast<std::size_t>(n) * kSolveBlock);
  std::vector<double> yim(yre.size());
  for (int c0 = 0; c0 < n; c0 += kSolveBlock) {
    const int width = std::min(kSolveBlock, n - c0);
    for (int i = n - 1; i >= 0; --i) {
      double* sre = yre.data() + static_cast<std::size_t>(i) * kSolveBlock;
      double* sim = yim.data() + static_cast<std::size_t>(i) * kSolveBlock;
      const double* are = a.rowRe(i);
      const double* aim = a.rowIm(i);
      for (int c = 0; c < width; ++c) {
        const int one = positionOf[c0 + c];
        sre[c] = one == i ? 1.0 : one < i ? 0.0 + are[one] : 0.0;
        sim[c] = one < i ? 0.0 + aim[one] : 0.0;
      }
      for (int k = i + 1; k < n; ++k)
        kern.mulSubRow(width, are[k], aim[k],
                       yre.data() + static_cast<std::size_t>(k) * kSolveBlock,
                       yim.data() + static_cast<std::size_t>(k) * kSolveBlock, sre, sim);
      const Element d = Element::complex(are[i], aim[i]);
      for (int c = 0; c < width; ++c) {
        const Element y = Element::complex(sre[c], sim[c]) / d;
        sre[c] = y.re();
        sim[c] = y.im();
      }
    }
    for (int i = 0; i < n; ++i) {
      Element* row = dst[colPerm[i]];
      for (int c = 0; c < width; ++c) {
        const std::size_t at = static_cast<std::size_t>(i) * kSolveBlock + c;
        row[c0 + c] = Element::complex(yre[at], yim[at]);
      }
    }
  }
}

// dst := the solutions for every column of the identity, one MatLUSolve each.
void solveIdentityElements(const RCOMat& a, const RCoVecE& rowPerm, const RCoVecE& colPerm,
                           RCOMat& dst, int& MatErr) {
  const int n = a.rows();
  dst.resize(n, n);
  RCOVec x(n);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) x[i] = Element::integer(i == j ? 1 : 0);
    MatLUSolve(a, n, x, rowPerm, colPerm, MatErr);
    for (int i = 0; i < n; ++i) dst[i][j] = x[i];
  }
}

bool finite(const SplitMatrix& s) {
  for (std::size_t i = 0; i < s.re.size(); ++i)
    if (!std::isfinite(s.re[i]) || !std::isfinite(s.im[i])) return false;
  return true;
}

}  // namespace

int MatInverse(int n, RCoVecD& ar, RCoVecD& ai, RCOMat& r) {
  r.resize(n, n);
  const SplitKernels& kern = splitKernels();
  double* re = ar.data();
  double* im = ai.data();
  const auto row = [n](int i) { return static_cast<std::size_t>(i) * n; };
  RCoVecE pivotRow(n), pivotCol(n);
  std::vector<double> rowSum(n);

  PivotTrack track{0.0, -1.0};
  for (int i = 0; i < n; ++i)
    kern.trackModulus(n, re + row(i), im + row(i), static_cast<double>(i) * n, &track);
  for (int k = 0; k < n; ++k) {
    const double d = track.best;
    // 1 + d rounds to 1 in the 64-bit significand exactly when d <= 2^-64.
    if (static_cast<Extended>(1.0) + static_cast<Extended>(d) == static_cast<Extended>(1.0))
      return 1;
    const long long at = static_cast<long long>(track.index);
    pivotRow[k] = static_cast<int>(at / n);
    pivotCol[k] = static_cast<int>(at % n);
    if (pivotRow[k] != k) swapRows(re, im, n, k, pivotRow[k]);
    if (pivotCol[k] != k) swapColumns(re, im, n, n, k, pivotCol[k]);

    const std::size_t l = row(k) + k;
    re[l] = re[l] / d;
    im[l] = -im[l] / d;
    const double vr = re[l], vi = im[l], vs = vr + vi;
    // Row k times the pivot.
    for (int j = 0; j < n; ++j) {
      if (j == k) continue;
      const double xr = re[row(k) + j], xi = im[row(k) + j];
      const double p = xr * vr, q = xi * vi, s = (xr + xi) * vs;
      re[row(k) + j] = p - q;
      im[row(k) + j] = (s - p) - q;
    }
    for (int j = 0; j < n; ++j) rowSum[j] = re[row(k) + j] + im[row(k) + j];

    track = {0.0, -1.0};
    for (int i = 0; i < n; ++i) {
      if (i == k) continue;
      const double cr = re[row(i) + k], ci = im[row(i) + k];
      const double* xr = re + row(k);
      const double* xi = im + row(k);
      kern.gjUpdateRow(k, cr, ci, xr, xi, rowSum.data(), re + row(i), im + row(i));
      if (i > k)
        kern.gjUpdateRowTrackModulus(
            n - k - 1, cr, ci, xr + k + 1, xi + k + 1, rowSum.data() + k + 1, re + row(i) + k + 1,
            im + row(i) + k + 1, static_cast<double>(i) * n + k + 1, &track);
      else
        kern.gjUpdateRow(n - k - 1, cr, ci, xr + k + 1, xi + k + 1, rowSum.data() + k + 1,
                         re + row(i) + k + 1, im + row(i) + k + 1);
      // Column k: the negated product of the old element with the pivot.
      const double p = cr * vr, q = ci * vi, s = (cr + ci) * vs;
      re[row(i) + k] = q - p;
      im[row(i) + k] = (p + q) - s;
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    if (pivotCol[k] != k) swapRows(re, im, n, k, pivotCol[k]);
    if (pivotRow[k] != k) swapColumns(re, im, n, n, k, pivotRow[k]);
  }
  auto out = r.elements();
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = Element::complex(re[i], im[i]);
  return 0;
}

void MatLUPivot(int n, RCOMat& a, RCoVecE& colPerm, RCoVecE& rowPerm, int& MatErr) {
  colPerm.resize(n);
  rowPerm.resize(n);
  for (int i = 0; i < n; ++i) colPerm[i] = rowPerm[i] = i;
  for (int k = 0; k < n - 1 && MatErr == kMatOk; ++k) {
    double best = std::fabs(a[k][k].re());
    int pr = k, pc = k;
    for (int i = k; i < n; ++i)
      for (int j = k; j < n; ++j) {
        const double t = std::fabs(a[i][j].re());
        if (t > best) best = t, pr = i, pc = j;
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
    for (int i = k + 1; i < n; ++i) {
      const Element m = a[i][k] / a[k][k];
      for (int j = k + 1; j < n; ++j) a[i][j] = a[i][j] - m * a[k][j];
      for (int j = 0; j < k; ++j) a[i][j] = a[i][j] - m * a[k][j];
      a[i][k] = -m;
    }
  }
  if (MatErr != kMatOk) return;
  for (int i = 0; i < n; ++i)
    if (isZero(a[i][i])) {
      MatErr = kMatSingular;
      return;
    }
}

void MatLUSolve(const RCOMat& a, int n, RCOVec& x, const RCoVecE& rowPerm, const RCoVecE& colPerm,
                int& MatErr) {
  RCOVec y(n);
  for (int i = n - 1; i >= 0; --i) {
    Element s = x[rowPerm[i]];
    for (int j = 0; j < i; ++j) s = s + a[i][j] * x[rowPerm[j]];
    for (int k = i + 1; k < n; ++k) s = s - a[i][k] * y[k];
    y[i] = s / a[i][i];
  }
  for (int i = 0; i < n; ++i) x[colPerm[i]] = y[i];
  MatErr = kMatOk;
}

void MatInvLUElements(RCOMat& src, RCOMat& dst, int& MatErr) {
  int rows, cols;
  MatDim(src, rows, cols, MatErr);
  if (MatErr != kMatOk) return;
  if (rows != cols) {
    MatErr = kMatSizeMismatch;
    return;
  }
  const int n = rows;
  RCoVecE colPerm, rowPerm;
  MatLUPivot(n, src, colPerm, rowPerm, MatErr);
  if (MatErr != kMatOk) return;
  solveIdentityElements(src, rowPerm, colPerm, dst, MatErr);
}

void MatInvLU(RCOMat& src, RCOMat& dst, int& MatErr) {
  if (src.empty() || src.rows() != src.cols() || !allComplexFinite(src)) {
    MatInvLUElements(src, dst, MatErr);
    return;
  }
  MatErr = kMatOk;
  const int n = src.rows();
  RCoVecE colPerm(n), rowPerm(n);
  for (int i = 0; i < n; ++i) colPerm[i] = rowPerm[i] = i;
  SplitMatrix a = splitOf(src);
  luPivotSplit(a, colPerm, rowPerm, MatErr);
  assignFrom(a, src);
  if (MatErr != kMatOk) return;
  if (!finite(a)) {
    // Overflow in the elimination: the shortcut of the fast solve needs finite factors.
    solveIdentityElements(src, rowPerm, colPerm, dst, MatErr);
    return;
  }
  solveIdentitySplit(a, rowPerm, colPerm, dst);
}

}  // namespace kelvaro
