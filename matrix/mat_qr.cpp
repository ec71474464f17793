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
static_assert(kPanel <= kPanelWidth);

// A real matrix by strips of columns (kStripWidth), the last one padded with zeros: the form
// reflectStrips works on in place.
struct Strips {
  double* a;
  long ld;  // rows · kStripWidth, from one strip to the next

  double& operator()(int i, int j) const {
    return a[(j / kStripWidth) * ld + static_cast<long>(i) * kStripWidth + j % kStripWidth];
  }
};

// The first `count` (at most kStripWidth) of a strip's row: whole rows unrolled, in
// registers rather than through a library call for 64 bytes.
void copyStripRow(const double* from, int count, double* to) {
  if (count == kStripWidth) {
#pragma GCC unroll 8
    for (int c = 0; c < kStripWidth; ++c) to[c] = from[c];
  } else {
    std::copy_n(from, count, to);
  }
}

std::size_t stripSize(int rows, int cols) {
  return static_cast<std::size_t>((cols + kStripWidth - 1) / kStripWidth) * rows * kStripWidth;
}

// One reflection, I - v·vᵀ/beta, acting on rows first..m-1.
struct Reflection {
  int first;
  double beta;
  std::size_t offset;  // of v in the vector store
};

// Bound: 4n^3/3 flops for R and 2n^3 for the full Q of a square matrix. Each reflection
// passes once over every column it reaches, all its rows, before the next may start, and each
// column's sum is one chain of adds in row order: a strip of eight columns takes a dependent
// vector add for each row, 32 flops. With only as many strips in flight as the first-level
// cache holds over the rows (one from about 400 rows on, at 48 KB), a pass goes at the add's
// latency (BM_DependentAdds), not at the peak; where two or four strips fit, nearer the peak.
// Four strips together from the second-level cache pass at its bandwidth
// (BM_CacheUpdateInPlace/256), reading and writing every row of its strips there, 128 bytes a
// strip and row: where a lone strip fits, the faster of the two is the bound, and where not
// even one fits (from about 600 rows on), the second (bench/README.md).
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
  // one core to the other and back); from 500 on they gain. In fine ranges where shared: QR
  // 500 on two threads 12.5 -> 11.5 ms on the Intel machine.
  const SplitKernels& kernels = splitKernels();
  parallelForFine(unitsR + units(stripsQ), grainFor(unitCost / 4), 1, [&](int lo, int hi) {
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

// The sum of |col[i·kPanel]| for i < len in order, in a call of its own: inlined, the sum,
// which lives on across the reflection's call, was kept in memory, each add waiting on a
// store.
[[gnu::noinline]] double absSum(const double* col, int len) {
  double s = 0.0;
  for (int i = 0; i < len; ++i) s += std::fabs(col[i * kPanel]);
  return s;
}

// householderQR on r and q by strips, q all zeros on entry.
void reflectByStrips(const Strips& r, int m, int n, const Strips& q, WorkToken* work) {
  for (int i = 0; i < m; ++i) q(i, i) = 1.0;

  const int last = std::min(m - 2, n - 1);  // no step at all when m < 2
  beginWork(work, std::max(last + 1, 0));
  std::vector<Reflection> refl;
  std::vector<double> store;
  LineDoubles panel;
  const SplitKernels& kernels = splitKernels();
  // Panel by panel: reduce the panel's own columns, then hand its reflections on to the
  // columns right of it and to Q. The panel is reduced in a copy whose rows are whole: by
  // strips, each reflection's sums would wait on one another a strip at a time.
  for (int c0 = 0; c0 <= last; c0 += kPanel) {
    const int c1 = std::min(n, c0 + kPanel);
    refl.clear();
    store.clear();
    panel.resize(static_cast<std::size_t>(m - c0) * kPanel);
    const auto at = [&](int i, int j) -> double& { return panel[(i - c0) * kPanel + (j - c0)]; };
    for (int j = c0; j < c1; j += kStripWidth)
      for (int i = c0; i < m; ++i) copyStripRow(&r(i, j), std::min(kStripWidth, c1 - j), &at(i, j));
    for (int k = c0; k < c1 && k <= last; ++k) {
      checkCancel(work);
      double* col = &at(k, k);  // column k runs down with stride kPanel
      const int len = m - k;
      const double s = absSum(col, len);
      if (s == 0.0) {
        stepDone(work);
        continue;
      }
      // One pass down the column below its first element: the scaled value goes to the
      // reflection's vector, the column's place to its final zero (nothing reads it before).
      const std::size_t offset = store.size();
      store.resize(offset + len);
      double* v = store.data() + offset;
      v[0] = col[0] / s;
      double sigma = v[0] * v[0];
      for (int i = 1; i < len; ++i) {
        v[i] = col[i * kPanel] / s;
        sigma += v[i] * v[i];
        col[i * kPanel] = 0.0;
      }
      const double sgn = v[0] >= 0.0 ? 1.0 : -1.0;
      const double alpha = -sgn * std::sqrt(sigma);
      v[0] = v[0] - alpha;
      const double beta = -alpha * v[0];
      refl.push_back({k, beta, offset});
      if (k + 1 < c1) kernels.reflectPanel(v, len, beta, col + 1, kPanel, c1 - k - 1);
      col[0] = alpha * s;
      stepDone(work);
    }
    for (int j = c0; j < c1; j += kStripWidth)
      for (int i = c0; i < m; ++i) copyStripRow(&at(i, j), std::min(kStripWidth, c1 - j), &r(i, j));
    reflectRest(refl, store, r, m, n, c1, q, work);
  }
}

// Rows of a strips' matrix go in and out this many at a time: a row alone is a line from each
// of its strips, 8 KB and more apart, more streams than the processor fetches ahead; a block
// of rows is a run of lines from each (under perf, the copies' share of QR 1000 went from 4.7
// to 3.2%).
constexpr int kRowBlock = 16;

// The rows x cols real elements of a strips' matrix into out, a block of rows at a time,
// gathered from the strips first.
void writeRows(const Strips& x, int rows, int cols, Element* out, CancelCountdown& countdown) {
  const bool stream = streamResult(static_cast<std::size_t>(rows) * cols);
  LineDoubles block(static_cast<std::size_t>(kRowBlock) * cols);
  for (int i0 = 0; i0 < rows; i0 += kRowBlock) {
    const int count = std::min(kRowBlock, rows - i0);
    countdown.tick(static_cast<std::size_t>(count) * cols);
    for (int j = 0; j < cols; j += kStripWidth)
      for (int i = i0; i < i0 + count; ++i)
        copyStripRow(&x(i, j), std::min(kStripWidth, cols - j),
                     block.data() + static_cast<std::size_t>(i - i0) * cols + j);
    writeElements(static_cast<long>(count) * cols, block.data(), nullptr,
                  out + static_cast<std::size_t>(i0) * cols, stream);
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
  DoubleArray r(stripSize(m, n)), q;  // every place of r written below
  const Strips sr{r.data(), static_cast<long>(m) * kStripWidth};
  const int width = (n + kStripWidth - 1) / kStripWidth * kStripWidth;
  // The real parts, zeros past R's own rows and columns and in the last strip's padding.
  for (int i0 = 0; i0 < m; i0 += kRowBlock) {
    const int i1 = std::min(m, i0 + kRowBlock);
    countdown.tick(static_cast<std::size_t>(i1 - i0) * n);
    for (int j0 = 0; j0 < width; j0 += kStripWidth)
      for (int i = i0; i < i1; ++i) {
        const int have = i < R.rows() ? std::min(n, R.cols()) : 0;
        const Element* in = have > 0 ? R[i] : nullptr;
        double* out = &sr(i, j0);
        for (int j = j0; j < j0 + kStripWidth; ++j) out[j - j0] = j < have ? in[j].re() : 0.0;
      }
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
