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

// Columns are reduced in panels of this many at a time, and the panel's reflections then go
// on to the columns right of it and to Q: every column still receives the reflections one
// after another in their order, each with its own sums in row order, so the result is the
// same as updating the whole matrix reflection by reflection, but a few columns stay in cache
// while the panel's reflections pass over them.
constexpr int kPanel = 32;
constexpr int kPanelStrips = kPanel / kStripWidth;

// A real matrix by strips of columns (kStripWidth), the last one padded with zeros: the form
// reflectStrips works on in place.
struct Strips {
  double* a;
  long ld;  // rows · kStripWidth, from one strip to the next

  double& operator()(int i, int j) const {
    return a[(j / kStripWidth) * ld + static_cast<long>(i) * kStripWidth + j % kStripWidth];
  }
};

std::size_t stripSize(int rows, int cols) {
  return static_cast<std::size_t>((cols + kStripWidth - 1) / kStripWidth) * rows * kStripWidth;
}

// One reflection, I - v·vᵀ/beta, acting on rows first..m-1.
struct Reflection {
  int first;
  double beta;
  std::size_t offset;  // of v in the vector store
};

// t[j] := (Σ_i v[i]·a[i][j]) / beta, then a[i][j] := a[i][j] - v[i]·t[j], for the `width`
// columns starting at a (row stride kPanel) and rows 0..len-1. The sum of each column runs in
// row order; the columns are independent, which is what lets this vectorise. Width is an int,
// or a compile-time constant for the full panels.
template <typename Width>
void reflectColumns(const double* v, int len, double beta, double* a, Width width) {
  double t[kPanel];
  for (int j = 0; j < width; ++j) t[j] = 0.0;
  for (int i = 0; i < len; ++i) {
    const double vi = v[i];
    const double* row = a + i * kPanel;
    for (int j = 0; j < width; ++j) t[j] += vi * row[j];
  }
  for (int j = 0; j < width; ++j) t[j] /= beta;
  for (int i = 0; i < len; ++i) {
    const double vi = v[i];
    double* row = a + i * kPanel;
    for (int j = 0; j < width; ++j) row[j] -= vi * t[j];
  }
}

void reflectAny(const double* v, int len, double beta, double* a, int width) {
  if (width == kPanel)
    reflectColumns(v, len, beta, a, std::integral_constant<int, kPanel>());
  else
    reflectColumns(v, len, beta, a, width);
}

// Bound: 4n^3/3 flops for R and 2n^3 for the full Q of a square matrix. Each reflection
// passes once over every column it reaches, all its rows, before the next may start, and each
// column's sum is one chain of adds in row order: a strip of eight columns takes a dependent
// vector add for each row, 32 flops. With only as many strips in flight as the first-level
// cache holds over the rows (one from about 400 rows on, at 48 KB), a pass goes at the add's
// latency (BM_DependentAdds), not at the peak; where two or four strips fit, nearer the peak.
// Where not even one strip fits (from about 600 rows on), four strips together pass at the
// second-level cache's bandwidth (BM_CacheUpdateInPlace/256): each pass reads and writes
// every row of its strips there, 128 bytes a strip and row (bench/README.md).
// The reflections of one panel of R reach the columns of R from c1 on and every column of Q,
// four strips at a time over the threads.
void reflectRest(const std::vector<Reflection>& refl, const std::vector<double>& store,
                 const Strips& r, int m, int n, int c1, const Strips& q, const CancelFlag* cancel) {
  if (refl.empty()) return;
  int first[kPanel];
  double beta[kPanel];
  const double* v[kPanel];
  const int count = static_cast<int>(refl.size());
  for (int h = 0; h < count; ++h) {
    first[h] = refl[h].first;
    beta[h] = refl[h].beta;
    v[h] = store.data() + refl[h].offset;
  }
  const auto units = [](int strips) { return (strips + kPanelStrips - 1) / kPanelStrips; };
  const int stripR = c1 < n ? c1 / kStripWidth : 0;
  const int stripsR = c1 < n ? (n + kStripWidth - 1) / kStripWidth - stripR : 0;
  const int stripsQ = (m + kStripWidth - 1) / kStripWidth;
  const int unitsR = units(stripsR);
  // Two multiply-adds per element and reflection (the pool counts multiply-adds, not flops:
  // counted as four, a QR of order 50, 35 us in all, was shared out, and took 1.1-1.2x the
  // time of one thread on two).
  const std::int64_t unitCost = static_cast<std::int64_t>(count) * (m - first[0]) * kPanel * 2;
  // Its ranges carry four times the usual least work, as MatInvLU's solve: at order 200 a
  // step's work is small beside a hand-over, where two to eight threads took 1.12-1.26x the
  // time of one (eight repetitions, interleaved, where a counter took about 500 ns to go from
  // one core to the other and back); from 500 on they gain.
  const SplitKernels& kernels = splitKernels();
  parallelFor(unitsR + units(stripsQ), grainFor(unitCost / 4), [&](int lo, int hi) {
    for (int p = lo; p < hi; ++p) {
      checkCancel(cancel);
      const bool inR = p < unitsR;
      const int s = (inR ? p : p - unitsR) * kPanelStrips;
      const Strips& x = inR ? r : q;
      const int strips = std::min(kPanelStrips, (inR ? stripsR : stripsQ) - s);
      kernels.reflectStrips(count, first, beta, v, x.a + (inR ? stripR + s : s) * x.ld, x.ld,
                            strips, m);
    }
  });
}

// householderQR on r and q by strips, q all zeros on entry.
void reflectByStrips(const Strips& r, int m, int n, const Strips& q, WorkToken* work) {
  for (int i = 0; i < m; ++i) q(i, i) = 1.0;

  const int last = std::min(m - 2, n - 1);  // no step at all when m < 2
  beginWork(work, std::max(last + 1, 0));
  std::vector<Reflection> refl;
  std::vector<double> store;
  LineDoubles panel;
  // Panel by panel: reduce the panel's own columns, then hand its reflections on to the
  // columns right of it and to Q. The panel is reduced in a copy whose rows are whole: by
  // strips, each reflection's sums would wait on one another a strip at a time.
  for (int c0 = 0; c0 <= last; c0 += kPanel) {
    const int c1 = std::min(n, c0 + kPanel);
    refl.clear();
    store.clear();
    panel.resize(static_cast<std::size_t>(m - c0) * kPanel);
    const auto at = [&](int i, int j) -> double& { return panel[(i - c0) * kPanel + (j - c0)]; };
    for (int i = c0; i < m; ++i)
      for (int j = c0; j < c1; ++j) at(i, j) = r(i, j);
    for (int k = c0; k < c1 && k <= last; ++k) {
      checkCancel(work);
      double* col = &at(k, k);  // column k runs down with stride kPanel
      const int len = m - k;
      double s = 0.0;
      for (int i = 0; i < len; ++i) s += std::fabs(col[i * kPanel]);
      if (s == 0.0) {
        stepDone(work);
        continue;
      }
      double sigma = 0.0;
      for (int i = 0; i < len; ++i) {
        col[i * kPanel] = col[i * kPanel] / s;
        sigma += col[i * kPanel] * col[i * kPanel];
      }
      const double sgn = col[0] >= 0.0 ? 1.0 : -1.0;
      const double alpha = -sgn * std::sqrt(sigma);
      col[0] = col[0] - alpha;
      const double beta = -alpha * col[0];
      const std::size_t offset = store.size();
      for (int i = 0; i < len; ++i) store.push_back(col[i * kPanel]);
      refl.push_back({k, beta, offset});
      if (k + 1 < c1) reflectAny(store.data() + offset, len, beta, col + 1, c1 - k - 1);
      col[0] = alpha * s;
      for (int i = 1; i < len; ++i) col[i * kPanel] = 0.0;
      stepDone(work);
    }
    for (int i = c0; i < m; ++i)
      for (int j = c0; j < c1; ++j) r(i, j) = at(i, j);
    reflectRest(refl, store, r, m, n, c1, q, work);
  }
}

// The rows x cols real elements of a strips' matrix into out, row by row, each gathered from
// the strips first.
void writeRows(const Strips& x, int rows, int cols, Element* out, CancelCountdown& countdown) {
  const bool stream = streamResult(static_cast<std::size_t>(rows) * cols);
  LineDoubles row(static_cast<std::size_t>(cols));
  for (int i = 0; i < rows; ++i) {
    countdown.tick(cols);
    for (int j = 0; j < cols; ++j) row[j] = x(i, j);
    writeElements(cols, row.data(), nullptr, out + static_cast<std::size_t>(i) * cols, stream);
  }
  streamsDone();
}

}  // namespace

void householderQR(double* r, int m, int n, double* q, WorkToken* work) {
  std::vector<double> rs(stripSize(m, n)), qs(stripSize(m, m));
  const Strips sr{rs.data(), static_cast<long>(m) * kStripWidth};
  const Strips sq{qs.data(), static_cast<long>(m) * kStripWidth};
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) sr(i, j) = r[static_cast<std::size_t>(i) * n + j];
  reflectByStrips(sr, m, n, sq, work);
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) r[static_cast<std::size_t>(i) * n + j] = sr(i, j);
    for (int j = 0; j < m; ++j) q[static_cast<std::size_t>(i) * m + j] = sq(i, j);
  }
}

void MatQR(RCOMat& R, int m, int n, RCOMat& Q, WorkToken* work) {
  m = std::max(m, 0);
  n = m > 0 ? std::max(n, 0) : 0;
  CancelCountdown countdown(work);
  DoubleArray r, q;
  assignZeros(r, stripSize(m, n), work);
  const Strips sr{r.data(), static_cast<long>(m) * kStripWidth};
  for (int i = 0; i < m && i < R.rows(); ++i) {
    countdown.tick(n);
    for (int j = 0; j < n && j < R.cols(); ++j) sr(i, j) = R[i][j].re();
  }
  assignZeros(q, stripSize(m, m), work);
  const Strips sq{q.data(), static_cast<long>(m) * kStripWidth};
  reflectByStrips(sr, m, n, sq, work);
  sizeFor(R, m, n, work);
  writeRows(sr, m, n, R.elements().data(), countdown);
  sizeFor(Q, m, m, work);
  writeRows(sq, m, m, Q.elements().data(), countdown);
}

}  // namespace kelvaro
