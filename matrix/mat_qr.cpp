#include "matrix/mat_qr.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "matrix/mat_basic.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

namespace {

// Columns are updated in panels of this many at a time: every column still receives the
// reflections one after another in their order, each with its own sums in row order, so the
// result is the same as updating the whole matrix reflection by reflection, but a panel stays
// in cache while the reflections stream past it.
constexpr int kPanel = 32;

// One reflection, I - v·vᵀ/beta, acting on rows first..m-1.
struct Reflection {
  int first;
  double beta;
  std::size_t offset;  // of v in the vector store
};

// t[j] := (Σ_i v[i]·a[i][j]) / beta, then a[i][j] := a[i][j] - v[i]·t[j], for the `width`
// columns starting at a (row stride ld) and rows 0..len-1. The sum of each column runs in
// row order; the columns are independent, which is what lets this vectorise. Width is an int,
// or a compile-time constant for the full panels.
template <typename Width>
void reflectColumns(const double* v, int len, double beta, double* a, std::size_t ld, Width width) {
  double t[kPanel];
  for (int j = 0; j < width; ++j) t[j] = 0.0;
  for (int i = 0; i < len; ++i) {
    const double vi = v[i];
    const double* row = a + i * ld;
    for (int j = 0; j < width; ++j) t[j] += vi * row[j];
  }
  for (int j = 0; j < width; ++j) t[j] /= beta;
  for (int i = 0; i < len; ++i) {
    const double vi = v[i];
    double* row = a + i * ld;
    for (int j = 0; j < width; ++j) row[j] -= vi * t[j];
  }
}

void reflectAny(const double* v, int len, double beta, double* a, std::size_t ld, int width) {
  if (width == kPanel)
    reflectColumns(v, len, beta, a, ld, std::integral_constant<int, kPanel>());
  else
    reflectColumns(v, len, beta, a, ld, width);
}

// The reflections of one panel in the form the vector kernel takes them
// (SplitKernels::reflectPanel: each reflection over the rows in one pass, on every path).
struct PanelReflections {
  int count = 0;
  int first[kPanel];
  double beta[kPanel];
  const double* v[kPanel];
};

// Applies the reflections in order to one panel of `width` columns from p0 of a row-major
// matrix with m rows. The panel is worked on as a contiguous copy: rows of the matrix lie far
// apart and would keep evicting each other from the cache.
void reflectPanel(const PanelReflections& refl, std::vector<double>& panel, double* a, int m,
                  std::size_t ld, int p0, int width, const CancelFlag* cancel) {
  const int top = refl.first[0];
  const std::size_t pld = static_cast<std::size_t>(width);
  panel.resize(static_cast<std::size_t>(m - top) * kPanel);
  for (int i = top; i < m; ++i) std::copy_n(a + i * ld + p0, width, panel.data() + (i - top) * pld);
  checkCancel(cancel);
  splitKernels().reflectPanel(refl.count, refl.first, refl.beta, refl.v, panel.data(), width, top,
                              m);
  for (int i = top; i < m; ++i) std::copy_n(panel.data() + (i - top) * pld, width, a + i * ld + p0);
}

// Bound: the panels make QR arithmetic-bound, 4n^3/3 flops for R and 2n^3 for the full Q of
// a square matrix, at the peak without fused multiply-adds (bench/README.md). Each reflection
// still passes once over a whole panel (256 KB at n = 1000, in the second-level cache), so
// that cache's bandwidth holds the vector kernel below the peak.
// The reflections of one panel of R reach the columns of R from c1 on and every column of Q,
// panel by panel over the threads. Every column takes the panels' reflections in their order,
// as if it took all of them at once.
void reflectRest(const std::vector<Reflection>& refl, const std::vector<double>& store, double* r,
                 int m, int n, int c1, double* q, const CancelFlag* cancel) {
  if (refl.empty()) return;
  PanelReflections panelRefl;
  for (const Reflection& f : refl) {
    panelRefl.first[panelRefl.count] = f.first;
    panelRefl.beta[panelRefl.count] = f.beta;
    panelRefl.v[panelRefl.count++] = store.data() + f.offset;
  }
  const int panelsR = c1 < n ? (n - c1 + kPanel - 1) / kPanel : 0;
  const int panelsQ = (m + kPanel - 1) / kPanel;
  // Two multiply-adds per element and reflection (the pool counts multiply-adds, not flops:
  // counted as four, a QR of order 50, 35 us in all, was shared out, and took 1.1-1.2x the
  // time of one thread on two).
  const std::int64_t panelCost =
      static_cast<std::int64_t>(refl.size()) * (m - refl.front().first) * kPanel * 2;
  // Its ranges carry four times the usual least work, as MatInvLU's solve: each range copies
  // its panels in and out, every row of them, and a step's work is small beside that at order
  // 200, where two to eight threads took 1.12-1.26x the time of one (eight repetitions,
  // interleaved, where a counter took about 500 ns to go from one core to the other and
  // back); from 500 on they gain.
  parallelFor(panelsR + panelsQ, grainFor(panelCost / 4), [&](int first, int last) {
    std::vector<double> panel;
    for (int p = first; p < last; ++p) {
      if (p < panelsR) {
        const int p0 = c1 + p * kPanel;
        reflectPanel(panelRefl, panel, r, m, n, p0, std::min(kPanel, n - p0), cancel);
      } else {
        const int p0 = (p - panelsR) * kPanel;
        reflectPanel(panelRefl, panel, q, m, m, p0, std::min(kPanel, m - p0), cancel);
      }
    }
  });
}

}  // namespace

void householderQR(double* r, int m, int n, double* q, WorkToken* work) {
  const std::size_t ldr = static_cast<std::size_t>(n);
  const std::size_t ldq = static_cast<std::size_t>(m);
  std::fill(q, q + ldq * ldq, 0.0);
  for (int i = 0; i < m; ++i) q[i * ldq + i] = 1.0;

  const int last = std::min(m - 2, n - 1);  // no step at all when m < 2
  beginWork(work, std::max(last + 1, 0));
  std::vector<Reflection> refl;
  std::vector<double> store;
  // Panel by panel: reduce the panel's own columns, then hand its reflections on to the
  // columns right of it and to Q.
  for (int c0 = 0; c0 <= last; c0 += kPanel) {
    const int c1 = std::min(n, c0 + kPanel);
    refl.clear();
    store.clear();
    for (int k = c0; k < c1 && k <= last; ++k) {
      checkCancel(work);
      double* col = r + k * ldr + k;  // R[k][k]; column k runs down with stride ldr
      const int len = m - k;
      double s = 0.0;
      for (int i = 0; i < len; ++i) s += std::fabs(col[i * ldr]);
      if (s == 0.0) {
        stepDone(work);
        continue;
      }
      double sigma = 0.0;
      for (int i = 0; i < len; ++i) {
        col[i * ldr] = col[i * ldr] / s;
        sigma += col[i * ldr] * col[i * ldr];
      }
      const double sgn = col[0] >= 0.0 ? 1.0 : -1.0;
      const double alpha = -sgn * std::sqrt(sigma);
      col[0] = col[0] - alpha;
      const double beta = -alpha * col[0];
      const std::size_t offset = store.size();
      for (int i = 0; i < len; ++i) store.push_back(col[i * ldr]);
      refl.push_back({k, beta, offset});
      if (k + 1 < c1) reflectAny(store.data() + offset, len, beta, col + 1, ldr, c1 - k - 1);
      col[0] = alpha * s;
      for (int i = 1; i < len; ++i) col[i * ldr] = 0.0;
      stepDone(work);
    }
    reflectRest(refl, store, r, m, n, c1, q, work);
  }
}

void MatQR(RCOMat& R, int m, int n, RCOMat& Q, WorkToken* work) {
  m = std::max(m, 0);
  n = m > 0 ? std::max(n, 0) : 0;
  CancelCountdown countdown(work);
  DoubleArray r, q;
  assignZeros(r, static_cast<std::size_t>(m) * n, work);
  for (int i = 0; i < m && i < R.rows(); ++i) {
    countdown.tick(n);
    for (int j = 0; j < n && j < R.cols(); ++j)
      r[static_cast<std::size_t>(i) * n + j] = R[i][j].re();
  }
  assignZeros(q, static_cast<std::size_t>(m) * m, work);
  householderQR(r.data(), m, n, q.data(), work);
  sizeFor(R, m, n, work);
  auto re = R.elements();
  for (std::size_t i = 0; i < r.size(); ++i) {
    countdown.tick();
    re[i] = Element::real(r[i]);
  }
  sizeFor(Q, m, m, work);
  auto qe = Q.elements();
  for (std::size_t i = 0; i < q.size(); ++i) {
    countdown.tick();
    qe[i] = Element::real(q[i]);
  }
}

}  // namespace kelvaro
