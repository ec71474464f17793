#include "matrix/mat_eigen.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"
#include "numbers/extended.h"

namespace kelvaro {

namespace {

// x + y == y with the sum held in extended precision, not rounded to double first.
bool negligibleAgainst(double x, double y) {
  const Extended sum = static_cast<Extended>(x) + static_cast<Extended>(y);
  return sum == static_cast<Extended>(y);
}

// Steps of one QR sweep taken together when their column modifications are applied.
constexpr int kSweepChunk = 32;
// Rows above a chunk are updated this many at a time, held by columns meanwhile: a block of
// the chunk's columns that stays in the first-level cache. On a 2-core AMD EPYC 32 rows took
// 0.98-0.99 of the time of 64 in a build that read the count at start (Eig 1000 343 against
// 349 ms, 500 52.4 against 52.9, six rounds in turn; built in, eight rounds, 336 against 362),
// 16, 24, 40 and 48 rows longer than either, 96 and 128 longer still.
constexpr int kRowBlock = 32;
constexpr int kLineDoubles = matrx2::kLineDoubles;

// Whether two threads sharing a chunk's deferred work (below) take less time than one is
// timed by each call: whole sweeps each way in turn, since a chunk on one thread moves every
// line it reaches to that core, and the next chunk shared would find them there.
// The first sweep each way is not counted (it finds the pool's thread asleep and the lines
// elsewhere), and each way is judged by its median sweep: timed over four sweeps each way in
// all, the shared sweeps took 0.67-1.16 times as long as the others in six runs at order 1000,
// and two of the six kept to one thread, which took 1.2 times as long at 2000. A sweep is
// timed whole, its steps on the calling thread included: what sharing costs lands mostly
// there, as the lines the other core took come back for the next chunk's steps. Timing only
// the shared work, the trial chose sharing in half the runs on a 2-core AMD machine where
// Eig 1000 then took 1.22 times as long as on one thread. On a virtual machine of that kind
// what a line costs to cross between the cores changes from one second to the next: one
// choice kept for the program's run shared on in every later call at 1.19 times one thread's
// time (Eig 1000, five runs), and a trial that found sharing 0.88 of one thread's time was
// followed by a call at 1.17. So the choice holds for one call only, and sharing must be
// clearly the faster, by 15%, before the call shares.
constexpr int kTrialSweeps = 9;

// The sweeps of one call timed each way, in turn, while the choice is open.
struct SharingTrial {
  using Clock = std::chrono::steady_clock;
  int choice = 0;                // 0 while open, then 1 (share) or -1
  double load = 0;               // of the current sweep's chunks large enough to share
  double rate[2][kTrialSweeps];  // [shared]: seconds per unit of work of each counted sweep
  int sweeps = 0;                // timed so far, both ways, the uncounted first two included
  Clock::time_point start;       // of the current sweep, while the choice is open

  bool sharesNext() const { return sweeps % 2 == 0; }
  // The clock is read only while the choice is open.
  void startSweep() {
    if (choice == 0) start = Clock::now();
  }
  void add(std::int64_t work) { load += static_cast<double>(work); }
  // Ends a sweep: counted if any of its chunks took part in the trial.
  void endSweep() {
    if (load == 0) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const int counted = sweeps - 2;
    if (counted >= 0) rate[sharesNext()][counted / 2] = seconds / load;
    load = 0;
    if (++sweeps < 2 * kTrialSweeps + 2) return;
    for (double* r : rate) std::nth_element(r, r + kTrialSweeps / 2, r + kTrialSweeps);
    choice = rate[1][kTrialSweeps / 2] <= 0.85 * rate[0][kTrialSweeps / 2] ? 1 : -1;
  }
};

// One step of the double-shift sweep, as its column modification needs it.
struct SweepStep {
  int k;
  bool three;  // rows k..k+2 (false for the last step: rows k, k+1)
  double x, y, z, q, r;

  // The column modification, on row ri.
  void applyToRow(double* ri) const {
    double p = x * ri[k] + y * ri[k + 1];
    if (three) {
      p += z * ri[k + 2];
      ri[k + 2] -= p * r;
    }
    ri[k + 1] -= p * q;
    ri[k] -= p;
  }

  // The row modification, on columns [first, last) of rows k..k+2. The coefficients are
  // copied first: the stores into the matrix could otherwise reach them, for all the compiler
  // knows, and it would read them again after every store.
  void applyToColumns(matrx2& a, int first, int last) const {
    const double cx = x, cy = y, cz = z, cq = q, cr = r;
    double* rk = a[k];
    double* rk1 = a[k + 1];
    if (three) {
      double* rk2 = a[k + 2];
      for (int j = first; j < last; ++j) {
        const double t = rk[j] + cq * rk1[j] + cr * rk2[j];
        rk2[j] -= t * cz;
        rk1[j] -= t * cy;
        rk[j] -= t * cx;
      }
    } else {
      for (int j = first; j < last; ++j) {
        const double t = rk[j] + cq * rk1[j];
        rk1[j] -= t * cy;
        rk[j] -= t * cx;
      }
    }
  }
};

// Indices whose sums balanceSums takes together: four, where eight kept fewer of the sums in
// registers and, when indices are scaled, take more sums again (a banded matrix at order
// 1000, 65 rounds: 47.6 ms against 61.9 with eight, 89.8 one index at a time).
constexpr int kBalanceBatch = 4;

// The sums of |a[j][i]| (column i) and of |a[i][j]| (row i) over j != i, for Count indices
// from i0, into c and r: each sum its own chain over j in order, as one index at a time takes
// it, but the chains side by side, where one at a time waited on each addition in turn (each
// sum a thousand additions at order 1000; a matrix far from balanced takes tens of rounds).
// A term on the diagonal adds +0, which leaves the sum as it was: sums start at +0 and only
// grow, or are NaN.
template <int Count>
void balanceSums(const matrx2& a, int n, int i0, double* c, double* r) {
  double cs[Count], rs[Count];
  const double* rows[Count];
  for (int k = 0; k < Count; ++k) cs[k] = rs[k] = 0.0, rows[k] = a[i0 + k];
  // The terms j in [i0, i0 + Count) hold the diagonal ones.
  const auto sums = [&](int first, int last, auto diagonal) {
    for (int j = first; j < last; ++j) {
      const double* row = a[j] + i0;
#pragma GCC unroll 4
      for (int k = 0; k < Count; ++k)
        cs[k] = cs[k] + (diagonal && j == i0 + k ? 0.0 : std::fabs(row[k]));
    }
    for (int j = first; j < last; ++j) {
#pragma GCC unroll 4
      for (int k = 0; k < Count; ++k)
        rs[k] = rs[k] + (diagonal && j == i0 + k ? 0.0 : std::fabs(rows[k][j]));
    }
  };
  sums(1, i0, std::false_type{});
  sums(i0, std::min(n + 1, i0 + Count), std::true_type{});
  sums(i0 + Count, n + 1, std::false_type{});
  for (int k = 0; k < Count; ++k) c[k] = cs[k], r[k] = rs[k];
}

void balanceSums(const matrx2& a, int n, int i0, int count, double* c, double* r) {
  if (count == kBalanceBatch) return balanceSums<kBalanceBatch>(a, n, i0, c, r);
  for (int k = 0; k < count; ++k) balanceSums<1>(a, n, i0 + k, c + k, r + k);
}

}  // namespace

void MatBalance(matrx2& a, int n, const CancelFlag* cancel) {
  constexpr double kRadix = 2.0;
  constexpr double kSqrdx = kRadix * kRadix;
  bool last = false;
  while (!last) {
    checkCancel(cancel);
    last = true;
    // The sums of indices [from, to), taken before any of them was scaled: scaling index i
    // changes a term of every later index's sums, which are then taken again.
    double cs[kBalanceBatch] = {}, rs[kBalanceBatch] = {};
    int from = 1, to = 1;
    for (int i = 1; i <= n; ++i) {
      if (i >= to) {
        from = i;
        to = std::min(n + 1, i + kBalanceBatch);
        balanceSums(a, n, from, to - from, cs, rs);
      }
      double c = cs[i - from];
      double r = rs[i - from];
      // Sums that overflowed (or met a NaN) would keep the scaling loops below from ending.
      if (c == 0.0 || r == 0.0 || !std::isfinite(c) || !std::isfinite(r)) continue;
      double g = r / kRadix;
      double f = 1.0;
      const double s = c + r;
      while (c < g) {
        f *= kRadix;
        c *= kSqrdx;
      }
      g = r * kRadix;
      while (c > g) {
        f /= kRadix;
        c /= kSqrdx;
      }
      // A factor beyond the double range would turn the row and column into zeros and NaNs.
      if (!std::isfinite(f) || f == 0.0 || !std::isfinite(1.0 / f)) continue;
      if ((c + r) / f < 0.95 * s) {
        last = false;
        g = 1.0 / f;
        for (int j = 1; j <= n; ++j) a[i][j] *= g;
        for (int j = 1; j <= n; ++j) a[j][i] *= f;
        to = i + 1;
      }
    }
  }
}

// Bound: bytes. The pivot of step m+1 is chosen in column m, which takes its update from every
// column right of it, each as step m leaves it: every step reads all of columns m+1..n and
// writes their rows below m, nothing can be deferred. At n = 1000, 4.0 GB read and 2.7 GB
// written (1.66 GFLOP), at the in-place bandwidth of an 8-16 MB working set (bench/README.md),
// which the step reaches with its columns two at a time in one pass.
// The elimination of step m, written element by element, is: for every row i > m with a
// nonzero multiplier y_i, row i -= y_i·row m (columns m..n), then column m += y_i·column i
// (rows 1..n). It runs here on a column-major copy and in a different loop order, which gives
// every element exactly the same operations in the same order:
//  - column m takes, for each i in turn, a[i][m] -= y_i·a[m][m] (the current a[m][m]) and
//    then column m += y_i·column i;
//  - a column c > m is only read by the column update of i = c, which must see the rows
//    m+1..c already reduced and the rows below not yet; so column c is reduced in two parts
//    around that update. Row m never changes in columns > m, and all y_i are known up front.
// Each row of the columns from m on then only depends on itself, but for the current a[m][m]
// in the update of column m; that one is known ahead too (it takes y_c·a[m][c] for c in
// turn), so the rows could be shared out over threads. They are not: cut by rows, each
// thread's part of a column lies between the others' parts, and two cores writing such
// neighbouring runs of the same pages, step after step, went slower together than one alone
// (1.6x at n = 1000 on a 2-core machine, also with the cuts on cache lines); the pivot
// search and the swaps between the steps would then also move lines between the cores. Cut
// by columns, the second thread's columns going over each block of 128 rows after the first
// thread's (column m takes their updates in column order), each thread's half took 1.6-2
// times as long as it does alone: 82-111 ms on two threads against 69-77 on one (n = 1000).
void MatHessenberg(matrx2& a, int n, WorkToken* work) {
  beginWork(work, std::max(n - 2, 0));
  if (n <= 2) return;
  // Columns a whole number of cache lines apart, as the rows of a, from the start of an array
  // on a line; the kernels' vectors start on line boundaries within them (the elements before
  // go one at a time): no vector straddles two lines.
  const std::size_t ld = a.stride();
  // 8 MB at order 1000: large pages spare most of the first touch.
  LineDoubles t(ld * (static_cast<std::size_t>(n) + 1));
  // col(j)[i] is a[i][j].
  auto col = [&](int j) { return t.data() + static_cast<std::size_t>(j) * ld; };
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) col(j)[i] = a[i][j];
  // The multipliers of the current step; a row whose element below the pivot was zero has
  // none (a nonzero element whose quotient underflows to zero still counts).
  LineDoubles y(ld, 0.0);  // on a line, as the columns: their vectors go together
  std::vector<unsigned char> active(ld, 0);

  const SplitKernels& kern = splitKernels();

  for (int m = 2; m < n; ++m) {
    checkCancel(work);
    double* prev = col(m - 1);
    // The first row from m on of the largest |a[j][m-1]| above zero (NaNs never are), else m.
    PivotTrack pivot{0.0, static_cast<double>(m)};
    kern.trackAbsRe(n - m + 1, prev + m, m, &pivot);
    const int i = static_cast<int>(pivot.index);
    const double x = pivot.best == 0.0 ? 0.0 : prev[i];
    // The exchange of rows i and m and of columns i and m. The rows of columns from m + 1 on
    // are exchanged in the loop below, the next column's ahead of this one's update.
    const auto exchangeRows = [&](int j) {
      if (i != m) std::swap(col(j)[i], col(j)[m]);
    };
    if (i != m) std::swap_ranges(col(i) + 1, col(i) + n + 1, col(m) + 1);
    exchangeRows(m - 1);
    exchangeRows(m);
    if (x == 0.0) {  // then i == m: nothing was exchanged
      stepDone(work);
      continue;
    }
    // The rows with multipliers lie within [fa, la].
    int fa = n + 1, la = m, activeRows = 0;
    for (int r = m + 1; r <= n; ++r) {
      active[r] = prev[r] != 0.0;
      if (active[r]) prev[r] = prev[r] / x;
      y[r] = active[r] ? prev[r] : 0.0;
      if (active[r]) fa = std::min(fa, r), la = r, ++activeRows;
    }
    // Rows lo..hi of column c: a[r][c] -= y_r·a[m][c] for every row with a multiplier. The
    // others are left as they are: a banded matrix's steps reduce a few rows of each column.
    const auto reduceRows = [&](double* c, double top, int lo, int hi) {
      for (int r = std::max(lo, fa); r <= std::min(hi, la); ++r) {
        const double v = c[r] - y[r] * top;
        c[r] = active[r] ? v : c[r];
      }
    };
    double* cm = col(m);
    // Columns m+1..n: each reduced below m in two parts around its update of column m, which
    // takes all rows at once. The update of column c adds y_c·a[m][c] to the pivot a[m][m]
    // as to every element of column m, so cm[m] is the pivot as column c finds it. Where the
    // rows with multipliers are one run [fa, la] (all rows below m in a dense matrix, a few
    // at first in a banded one), two columns of the run go in one pass down them, each row
    // taking the same operations in the same order: one stream through memory, where three
    // passes a column went back up it twice, and column m loaded and stored once for two
    // (Hessenberg 1000 on one thread 80.3-82.3 -> 65.7-67.8 ms, 200 1.31-1.33 -> 0.84-0.87).
    // A column outside the run has no multiplier and takes no part in column m's update.
    if (m + 1 <= n) exchangeRows(m + 1);
    if (activeRows > 0 && activeRows == la - fa + 1) {
      for (int c = m + 1; c <= n; ++c) {
        if (c + 1 <= n) exchangeRows(c + 1);
        double* cc = col(c);
        if (c < fa || c > la) {
          // Every row of the run has a multiplier: no need to look (through reduceRows, a
          // banded matrix's reduction took 10% longer).
          const double top = cc[m];
          for (int r = fa; r <= la; ++r) cc[r] = cc[r] - y[r] * top;
          continue;
        }
        // Columns c and d = c + 1 together where both are in the run, each row taking c's
        // operations, then d's. d's update of the pivot row, before its pass, takes cm[m] as
        // c's pass leaves it; and row d of column m takes it between the two columns'
        // operations.
        const int count = c + 1 <= la ? 2 : 1;
        if (count == 2 && c + 2 <= n) exchangeRows(c + 2);
        double* cd = col(c + count - 1);
        const double top[2] = {cc[m], cd[m]}, s[2] = {y[c], y[c + count - 1]};
        double* const x[2] = {cc + 1, cd + 1};
        const double pivot = cm[m] + s[0] * cc[m];
        // Rows first..last of the columns (from row 1 on: row r at index r - 1).
        const auto rows = [&](int first, int last, int kind) {
          if (first <= last)
            kern.reduceAddRows(first - 1, last, kind, top[0], top[1], y.data() + 1, s[0], s[1],
                               x[0], count == 2 ? x[1] : nullptr, cm + 1);
        };
        cm[c] = cm[c] - s[0] * cm[m];
        rows(1, fa - 1, 0);
        rows(fa, c, 1);
        if (count == 2) {
          const int r = c + 1;
          const double t = cc[r], u = cd[r] - y[r] * top[1];
          cc[r] = t - y[r] * top[0];
          cd[r] = u;
          cm[r] = ((cm[r] + s[0] * t) - s[1] * pivot) + s[1] * u;
          ++c;
        }
        rows(c + 1, la, 2);
        rows(la + 1, n, 0);
      }
    } else {
      for (int c = m + 1; c <= n; ++c) {
        if (c + 1 <= n) exchangeRows(c + 1);
        double* cc = col(c);
        const double top = cc[m];
        reduceRows(cc, top, m + 1, c);
        if (active[c]) {
          cm[c] = cm[c] - y[c] * cm[m];
          kern.addScaled(n, y[c], cc + 1, cm + 1);
        }
        reduceRows(cc, top, c + 1, n);
      }
    }
    std::fill(active.begin(), active.end(), 0);
    stepDone(work);
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a[i][j] = col(j)[i];
}

// Bound: arithmetic. A sweep's steps chase each other down the diagonal, but what they do to
// the rows above and the columns right of a chunk of steps can wait until the chunk ends (each
// element still takes the steps in order), so it can be blocked: 10 flops per element a step
// takes, about 10·N^2 a sweep of order N; at n = 1000, 1.9 sweeps an eigenvalue, 6.5 GFLOP at
// the peak without fused multiply-adds (bench/README.md). Sweeps cannot be blocked together:
// the next one's shifts come from the block this one leaves, and a row step reaches every
// later step down its column. The bytes of one pass over the upper triangle a sweep, 8·N^2,
// stay below the arithmetic at the in-place bandwidth. On vectors the bound is higher: a row
// step is a chain down a column and a column step a chain along a row, so one of the two must
// have the elements moved across the lanes (here the rows above, 24 shuffles an 8 x 8 tile each
// way, on a port that also does half of the arithmetic); at 1000 0.24 G shuffles beside 0.81 G
// vector operations, about 1.3 times the arithmetic alone.
bool MatHqr(matrx2& a, int n, std::vector<double>& wr, std::vector<double>& wi, WorkToken* work) {
  double anorm = n >= 1 ? std::fabs(a[1][1]) : 0.0;
  for (int i = 2; i <= n; ++i)
    for (int j = i - 1; j <= n; ++j) anorm += std::fabs(a[i][j]);

  if (wr.size() < static_cast<std::size_t>(n) + 1) wr.resize(static_cast<std::size_t>(n) + 1, 0.0);
  if (wi.size() < static_cast<std::size_t>(n) + 1) wi.resize(static_cast<std::size_t>(n) + 1, 0.0);
  beginWork(work, std::max(n, 0));
  SweepStep steps[kSweepChunk];
  SweepReflection refl[kSweepChunk];
  // A block for each of the two threads that may share a chunk's deferred work, a cache line
  // apart.
  constexpr std::size_t kBlockSize =
      static_cast<std::size_t>(kRowBlock) * (kSweepChunk + 2 + kLineDoubles - 1) + 8;
  LineDoubles block(2 * kBlockSize);
  const bool twoThreads = workingThreads() >= 2;
  SharingTrial timing;
  const SplitKernels& kern = splitKernels();
  int nn = n;
  double t = 0.0;
  double p = 0.0, q = 0.0, r = 0.0, s = 0.0, w = 0.0, x = 0.0, y = 0.0, z = 0.0;
  while (nn >= 1) {
    int its = 0;
    for (;;) {
      int l;
      for (l = nn; l >= 2; --l) {
        s = std::fabs(a[l - 1][l - 1]) + std::fabs(a[l][l]);
        if (s == 0.0) s = anorm;
        if (negligibleAgainst(std::fabs(a[l][l - 1]), s)) break;
      }
      if (l < 2) l = 1;
      x = a[nn][nn];
      if (l == nn) {
        wr[nn] = x + t;
        wi[nn] = 0.0;
        --nn;
        stepDone(work);
        break;
      }
      y = a[nn - 1][nn - 1];
      w = a[nn][nn - 1] * a[nn - 1][nn];
      if (l == nn - 1) {
        p = 0.5 * (y - x);
        q = p * p + w;
        z = std::sqrt(std::fabs(q));
        x += t;
        if (q >= 0.0) {
          z = p >= 0.0 ? p + std::fabs(z) : p - std::fabs(z);
          wr[nn - 1] = wr[nn] = x + z;
          if (z != 0.0) wr[nn] = x - w / z;
          wi[nn - 1] = wi[nn] = 0.0;
        } else {
          wr[nn - 1] = wr[nn] = x + p;
          wi[nn] = z;
          wi[nn - 1] = -z;
        }
        nn -= 2;
        stepDone(work, 2);
        break;
      }
      if (its == 30) return false;
      if (its == 10 || its == 20) {
        t += x;
        for (int i = 1; i <= nn; ++i) a[i][i] -= x;
        s = std::fabs(a[nn][nn - 1]) + std::fabs(a[nn - 1][nn - 2]);
        x = y = 0.75 * s;
        w = -0.4375 * (s * s);
      }
      ++its;
      int m;
      for (m = nn - 2; m >= l; --m) {
        z = a[m][m];
        r = x - z;
        s = y - z;
        p = (r * s - w) / a[m + 1][m] + a[m][m + 1];
        q = a[m + 1][m + 1] - z - r - s;
        r = a[m + 2][m + 1];
        s = std::fabs(p) + std::fabs(q) + std::fabs(r);
        p /= s;
        q /= s;
        r /= s;
        if (m == l) break;
        const double u = std::fabs(a[m][m - 1]) * (std::fabs(q) + std::fabs(r));
        const double v =
            std::fabs(p) * (std::fabs(a[m - 1][m - 1]) + std::fabs(z) + std::fabs(a[m + 1][m + 1]));
        if (negligibleAgainst(u, v)) break;
      }
      for (int i = m + 2; i <= nn; ++i) {
        a[i][i - 2] = 0.0;
        if (i != m + 2) a[i][i - 3] = 0.0;
      }
      // The sweep runs in chunks of steps. Rows above a chunk are touched by nothing but the
      // column modifications of its steps, and columns right of what its steps read or
      // modify by columns (up to k1 + 2) by nothing but their row modifications: both take
      // them after the chunk, step by step in order, the same operations on each element,
      // on vectors of neighbouring rows (held by columns) or of neighbouring columns.
      timing.startSweep();
      for (int k0 = m; k0 <= nn - 1; k0 += kSweepChunk) {
        checkCancel(work);
        const int k1 = std::min(nn - 1, k0 + kSweepChunk - 1);
        const int nearTop = std::max(l, k0);
        const int reach = std::min(nn, k1 + 2);
        int count = 0;
        for (int k = k0; k <= k1; ++k) {
          if (k != m) {
            p = a[k][k - 1];
            q = a[k + 1][k - 1];
            r = 0.0;
            if (k != nn - 1) r = a[k + 2][k - 1];
            x = std::fabs(p) + std::fabs(q) + std::fabs(r);
            if (x != 0.0) {
              p /= x;
              q /= x;
              r /= x;
            }
          }
          const double norm = std::sqrt(p * p + q * q + r * r);
          s = p >= 0.0 ? norm : -norm;
          if (s == 0.0) continue;
          if (k == m) {
            if (l != m) a[k][k - 1] = -a[k][k - 1];
          } else {
            a[k][k - 1] = -s * x;
          }
          p += s;
          x = p / s;
          y = q / s;
          z = r / s;
          q /= p;
          r /= p;
          const SweepStep step{k, k != nn - 1, x, y, z, q, r};
          step.applyToColumns(a, k, reach + 1);
          const int top = std::min(nn, k + 3);
          for (int i = nearTop; i <= top; ++i) step.applyToRow(a[i]);
          steps[count++] = step;
        }
        if (count == 0) continue;
        for (int c = 0; c < count; ++c) {
          const SweepStep& st = steps[c];
          refl[c] = SweepReflection{st.k, st.three, st.x, st.y, st.z, st.q, st.r};
        }
        // Rows [r0, r1) above the chunk, a block at a time (the kernel holds them by columns
        // meanwhile, so that it takes neighbouring rows side by side), and columns (c0, c1]
        // right of it. Each row above and each column right takes the steps on its own.
        const int span = reach - k0 + 1;
        const long stride = static_cast<long>(a.stride());
        // The rows above go through the block from the line boundary at or before column k0
        // (the rows start on lines): the columns before k0 pass through unchanged, nothing
        // else works on them meanwhile, and no tile of the transposition straddles lines.
        const int w0 = k0 - k0 % kLineDoubles;
        const auto deferred = [&](int r0, int r1, int c0, int c1, double* rows) {
          for (int i0 = r0; i0 < r1; i0 += kRowBlock)
            kern.sweepColumnSteps(std::min(r1, i0 + kRowBlock) - i0, span + k0 - w0, count, refl,
                                  w0, a[i0] + w0, stride, rows, kRowBlock);
          if (c0 < c1) kern.sweepRowSteps(c1 - c0, count, refl, a[0] + c0 + 1, stride);
        };
        // Each element above the diagonal is reached by the chunk below it (as a row above)
        // and by the chunk left of it (as a column right): two threads share the work by the
        // element's distance from the diagonal, so that both reach it on the same thread.
        // Even so the two parts together take about 1.45 times the one thread's time (timed
        // at 1000 on a 2-core Intel machine: they wait on the third-level cache, which two
        // cores share), and a chunk's work takes tens of microseconds (about three steps for
        // each element of its lines: the load below). So this shares from a sixteenth of the
        // usual least work on, from order 700 or so: two threads took 0.99-1.01 of one thread's
        // time at 700, 0.93-0.96 at 800, 0.89-0.94 at 1000, 0.84 at 2000 and 0.74 at 4096; at
        // 500 sharing gained nothing. A third of the order as the near part evened the two out
        // best (with a quarter or a fifth the far part took longer).
        const std::int64_t load = static_cast<std::int64_t>(k0 - l + nn - reach) * span * 3;
        const bool large = twoThreads && load * 16 >= leastParallelWork();
        // Whether this pays was measured on 2-core machines of two kinds only: each call with
        // sweeps this large times whole sweeps each way in turn, and keeps to one thread from
        // then on unless sharing was clearly the faster (at 1000 on the first machine the
        // trial cost nothing measurable). The tests, which lower the least work, always share.
        const int sharing = leastParallelWork() < kParallelWork ? 1 : timing.choice;
        const bool trial = large && sharing == 0;
        const bool share = large && (sharing == 1 || (trial && timing.sharesNext()));
        if (share) {
          const int near = (nn - l + 1) / 3;
          const int rowCut = std::max(l, k0 - near), columnCut = std::min(nn, reach + near);
          parallelRanges(2, 2, [&](int range, int, int) {
            if (range == 0)
              deferred(rowCut, k0, reach, columnCut, block.data());
            else
              deferred(l, rowCut, columnCut, nn, block.data() + kBlockSize);
          });
        } else {
          deferred(l, k0, reach, nn, block.data());
        }
        if (trial) timing.add(load);
      }
      timing.endSweep();
    }
  }
  return true;
}

}  // namespace kelvaro
