#pragma once
// The kernels of split_kernels.h written once over a vector type V. Included by one source
// per instruction set, each compiled for its own target: this header must stay free of
// anything with external linkage (no standard headers, nothing outside the anonymous
// namespace), or the linker could hand code for one processor to another.
//
// V provides: T (the vector), W (lanes), load, store, loadFirst and storeFirst (of the first
// count lanes, 0 < count < W, where W > 1), set1, add, sub, mul, div, abs, max (a where
// a > b, else b: b for a NaN a), nonzero (lane mask of a != 0, true for NaN), select(mask, a,
// b) (a where the mask is set).

#include <algorithm>

#include "matrix/split_kernels.h"

namespace kelvaro {
namespace {

// Pivot search over a run of elements: the vector loop keeps only each lane's largest measure
// (max passes over a NaN measure, as the plain scan's > does). Where the run's largest beats the
// search's so far, the run is looked over again for the first element holding it: the first strict
// maximum in the row-major order, as the plain scan finds it. The measure is formed again from the
// stored values, with the same operations. Keeping each lane's index as the loop went made every
// vector wait for the compare and blend of the one before: at order 1000 on one thread of an
// AMD EPYC, MatDet took 133 ms that way against 98, MatInvLU 218 against 180, MatDet on real
// values 114 against 49-51.
template <class V>
struct RunMaximum {
  typename V::T best;

  explicit RunMaximum(const PivotTrack* t) : best(V::set1(t->best)) {}

  void see(typename V::T measure) { best = V::max(measure, best); }

  // The run's elements are [from, to), element j at index first + j with measureAt(j).
  template <class Measure>
  void finish(PivotTrack* t, int from, int to, double first, Measure measureAt) const {
    double b[V::W];
    V::store(b, best);
    double most = t->best;
    for (int l = 0; l < V::W; ++l) most = b[l] > most ? b[l] : most;
    if (most == t->best) return;
    for (int j = from; j < to; ++j)
      if (measureAt(j) == most) {
        t->best = most;
        t->index = first + j;
        return;
      }
  }
};

inline void seeScalar(double measure, double index, PivotTrack* t) {
  if (measure > t->best) t->best = measure, t->index = index;
}

// Whether p starts a vector of V on a boundary of its size. The row updates of the full
// pivoting and the column updates of the Hessenberg reduction, which start at any element,
// take the elements before the first such boundary one at a time, so that their vectors do
// not straddle cache lines where the rows' or columns' starts are on one.
template <class V>
bool onVector(const double* p) {
  return reinterpret_cast<unsigned long>(p) % (V::W * sizeof(double)) == 0;
}

// One double at a time: the tails of the vector loops.
struct ScalarVec {
  using T = double;
  static constexpr int W = 1;
  static T load(const double* p) { return *p; }
  static void store(double* p, T v) { *p = v; }
  static T set1(double x) { return x; }
  static T add(T a, T b) { return a + b; }
  static T sub(T a, T b) { return a - b; }
  static T mul(T a, T b) { return a * b; }
  static T div(T a, T b) { return a / b; }
  static T abs(T a) { return __builtin_fabs(a); }
  static T max(T a, T b) { return a > b ? a : b; }
  static bool nonzero(T a) { return a != 0.0; }
  static T select(bool m, T a, T b) { return m ? a : b; }
};

// V with its loads and stores on the first C lanes only (0 < C < W): the others read as zero
// and are not written. A kernel's last few values go through it as one vector, each lane taking
// the same operations alone: one double at a time, each waited on its own chain of steps.
template <class V, int C>
struct FirstLanes : V {
  static typename V::T load(const double* p) { return V::loadFirst(p, C); }
  static void store(double* p, typename V::T v) { V::storeFirst(p, v, C); }
};

// block<V, N>(j) for the N (below U) vectors left from j, in one call.
template <class V, int N, class Block>
void vectorsLeft(int count, const Block& block, int j) {
  if constexpr (N > 0) {
    if (count == N) return block.template operator()<V, N>(j);
    vectorsLeft<V, N - 1>(count, block, j);
  }
}

// block<FirstLanes<V, count>, 1>(j) for the count (below W) values left from j.
template <class V, int C = 1, class Block>
void lastLanes(int count, const Block& block, int j) {
  if constexpr (C < V::W) {
    if (count == C) return block.template operator()<FirstLanes<V, C>, 1>(j);
    lastLanes<V, C + 1>(count, block, j);
  }
}

// A row of len values through block<Vec, N>(j), which takes N vectors from value j through a
// kernel's steps: U vectors at a time, then the vectors left in one call and the values left in
// one vector. Each call waits on its own chain of steps, so the rest goes in as few calls as it
// can (see sweepAlong).
template <class V, int U, class Block>
void alongRow(int len, const Block& block) {
  int j = 0;
  for (; j + U * V::W <= len; j += U * V::W) block.template operator()<V, U>(j);
  const int vectors = (len - j) / V::W;
  vectorsLeft<V, U - 1>(vectors, block, j);
  j += vectors * V::W;
  lastLanes<V>(len - j, block, j);
}

// y := y - m·x for complex values, each part's products and subtraction in the order the
// step-by-step elimination takes them; every kernel of the elimination goes through this one.
template <class Vec>
void eliminate(typename Vec::T mr, typename Vec::T mi, typename Vec::T xr, typename Vec::T xi,
               typename Vec::T& yr, typename Vec::T& yi) {
  yr = Vec::sub(yr, Vec::sub(Vec::mul(mr, xr), Vec::mul(mi, xi)));
  yi = Vec::sub(yi, Vec::add(Vec::mul(mr, xi), Vec::mul(mi, xr)));
}

// The Gauss-Jordan step's y := y - x·c, with the sums xs = x.re + x.im and cs = c.re + c.im
// given: three multiplies, the imaginary part as (t - p) - q.
template <class Vec>
void gjEliminate(typename Vec::T xr, typename Vec::T xi, typename Vec::T xs, typename Vec::T cr,
                 typename Vec::T ci, typename Vec::T cs, typename Vec::T& yr, typename Vec::T& yi) {
  const auto p = Vec::mul(xr, cr);
  const auto q = Vec::mul(xi, ci);
  const auto t = Vec::mul(xs, cs);
  yr = Vec::sub(yr, Vec::sub(p, q));
  yi = Vec::sub(yi, Vec::sub(Vec::sub(t, p), q));
}

template <class V, int MR, int NV, bool Sub>
void gemmTile(int kc, const double* ap, const double* bp, double* cre, double* cim, int ldc) {
  using T = typename V::T;
  constexpr int NR = NV * V::W;
  T accr[MR][NV], acci[MR][NV];
#pragma GCC unroll 8
  for (int r = 0; r < MR; ++r)
#pragma GCC unroll 8
    for (int v = 0; v < NV; ++v) {
      accr[r][v] = V::load(cre + r * ldc + v * V::W);
      acci[r][v] = V::load(cim + r * ldc + v * V::W);
    }
  for (int k = 0; k < kc; ++k) {
    const double* a = ap + 2 * MR * k;
    const double* b = bp + 2 * NR * k;
    T br[NV], bi[NV];
#pragma GCC unroll 8
    for (int v = 0; v < NV; ++v) {
      br[v] = V::load(b + v * V::W);
      bi[v] = V::load(b + NR + v * V::W);
    }
#pragma GCC unroll 8
    for (int r = 0; r < MR; ++r) {
      const T ar = V::set1(a[r]);
      const T ai = V::set1(a[MR + r]);
#pragma GCC unroll 8
      for (int v = 0; v < NV; ++v) {
        const auto pr = V::sub(V::mul(ar, br[v]), V::mul(ai, bi[v]));
        const auto pi = V::add(V::mul(ar, bi[v]), V::mul(ai, br[v]));
        accr[r][v] = Sub ? V::sub(accr[r][v], pr) : V::add(accr[r][v], pr);
        acci[r][v] = Sub ? V::sub(acci[r][v], pi) : V::add(acci[r][v], pi);
      }
    }
  }
#pragma GCC unroll 8
  for (int r = 0; r < MR; ++r)
#pragma GCC unroll 8
    for (int v = 0; v < NV; ++v) {
      V::store(cre + r * ldc + v * V::W, accr[r][v]);
      V::store(cim + r * ldc + v * V::W, acci[r][v]);
    }
}

template <class V, int MR, int NV>
void gemmTileReal(int kc, const double* ap, const double* bp, double* c, int ldc) {
  using T = typename V::T;
  constexpr int NR = NV * V::W;
  T acc[MR][NV];
#pragma GCC unroll 8
  for (int r = 0; r < MR; ++r)
#pragma GCC unroll 8
    for (int v = 0; v < NV; ++v) acc[r][v] = V::load(c + r * ldc + v * V::W);
  for (int k = 0; k < kc; ++k) {
    const double* a = ap + MR * k;
    const double* b = bp + NR * k;
    T bv[NV];
#pragma GCC unroll 8
    for (int v = 0; v < NV; ++v) bv[v] = V::load(b + v * V::W);
#pragma GCC unroll 16
    for (int r = 0; r < MR; ++r) {
      const T ar = V::set1(a[r]);
#pragma GCC unroll 8
      for (int v = 0; v < NV; ++v) acc[r][v] = V::add(acc[r][v], V::mul(ar, bv[v]));
    }
  }
#pragma GCC unroll 8
  for (int r = 0; r < MR; ++r)
#pragma GCC unroll 8
    for (int v = 0; v < NV; ++v) V::store(c + r * ldc + v * V::W, acc[r][v]);
}

// The full-pivoting passes update every row of the trailing matrix at every step, most of it
// from the third-level cache, one short run after another: the processor's own prefetching
// starts again at each row. Asked for 1024 doubles (8 KB) ahead, the lines come in time, at
// order 1000 from the next row: MatDet, MatRank, MatInvLU and MatInverse 1000 on one thread
// 10-14% faster on an AMD processor (MatDet 2048 ahead: 5-11%). Rows shorter than 256 doubles
// are not: a matrix of such rows fits in the second-level cache, where prefetching gained
// nothing and cost up to 2% at 200. A prefetch never faults, past the end of the matrix too; the
// address is formed as an integer for that reason.
using Address = __UINTPTR_TYPE__;
constexpr Address kPrefetchAhead = 1024 * sizeof(double);
constexpr int kPrefetchFrom = 256;
constexpr int kBlockAheadFrom = 512;
// The line `Ahead` bytes past p, to be written.
template <Address Ahead = kPrefetchAhead>
inline void prefetchAhead(const double* p) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<Address>(p) + Ahead), 1);
}
// Both parts of a row at j, where the row is long enough.
inline void prefetchAhead(bool ahead, const double* re, const double* im, int j) {
  if (!ahead) return;
  prefetchAhead(re + j);
  prefetchAhead(im + j);
}

// A row pass of full pivoting over y[0 .. len), whose real parts start at yre: one(j) updates
// element j alone, update(j) the vector at j and gives its new real parts; then the pivot
// search goes on over |Re y[j]| at indexes first + j.
template <class V, class One, class Update>
void rowPassTrackAbsRe(int len, const double* yre, double first, PivotTrack* track, One one,
                       Update update) {
  const auto scalar = [&](int j) {
    one(j);
    seeScalar(__builtin_fabs(yre[j]), first + j, track);
  };
  int j = 0;
  for (; j < len && !onVector<V>(yre + j); ++j) scalar(j);
  if (len - j >= V::W) {
    const int from = j;
    RunMaximum<V> run(track);
    for (; j + V::W <= len; j += V::W) run.see(V::abs(update(j)));
    run.finish(track, from, j, first, [&](int t) { return __builtin_fabs(yre[t]); });
  }
  for (; j < len; ++j) scalar(j);
}

// The short rows of a panel end in a part vector rather than one double at a time.
template <class V>
void mulSubRow(int len, double mre, double mim, const double* xre, const double* xim, double* yre,
               double* yim) {
  const auto vmr = V::set1(mre), vmi = V::set1(mim);
  const auto update = [&](auto xr, auto xi, auto& yr, auto& yi) {
    eliminate<V>(vmr, vmi, xr, xi, yr, yi);
  };
  int j = 0;
  for (; j + V::W <= len; j += V::W) {
    auto yr = V::load(yre + j), yi = V::load(yim + j);
    update(V::load(xre + j), V::load(xim + j), yr, yi);
    V::store(yre + j, yr);
    V::store(yim + j, yi);
  }
  if constexpr (V::W > 1) {
    if (j < len) {
      const int rest = len - j;
      auto yr = V::loadFirst(yre + j, rest), yi = V::loadFirst(yim + j, rest);
      update(V::loadFirst(xre + j, rest), V::loadFirst(xim + j, rest), yr, yi);
      V::storeFirst(yre + j, yr, rest);
      V::storeFirst(yim + j, yi, rest);
    }
  }
}

template <class V>
void mulSubRowTrackAbsRe(int len, double mre, double mim, const double* xre, const double* xim,
                         double* yre, double* yim, double first, PivotTrack* track) {
  const auto vmr = V::set1(mre), vmi = V::set1(mim);
  const bool ahead = len >= kPrefetchFrom;
  rowPassTrackAbsRe<V>(
      len, yre, first, track,
      [&](int j) { eliminate<ScalarVec>(mre, mim, xre[j], xim[j], yre[j], yim[j]); },
      [&](int j) {
        prefetchAhead(ahead, yre, yim, j);
        auto r = V::load(yre + j), i = V::load(yim + j);
        eliminate<V>(vmr, vmi, V::load(xre + j), V::load(xim + j), r, i);
        V::store(yre + j, r);
        V::store(yim + j, i);
        return r;
      });
}

template <class V>
void mulSubRealRowTrackAbs(int len, double mre, double mim, const double* x, double* y,
                           double first, PivotTrack* track) {
  const auto vm = V::set1(mre), vz = V::set1(mim);
  const bool ahead = len >= kPrefetchFrom;
  rowPassTrackAbsRe<V>(
      len, y, first, track, [&](int j) { y[j] = y[j] - (mre * x[j] - mim); },
      [&](int j) {
        if (ahead) prefetchAhead(y + j);
        const auto r = V::sub(V::load(y + j), V::sub(V::mul(vm, V::load(x + j)), vz));
        V::store(y + j, r);
        return r;
      });
}

template <class V>
void trackAbsRe(int len, const double* re, double first, PivotTrack* track) {
  int j = 0;
  if (len >= V::W) {
    RunMaximum<V> run(track);
    for (; j + V::W <= len; j += V::W) run.see(V::abs(V::load(re + j)));
    run.finish(track, 0, j, first, [&](int t) { return __builtin_fabs(re[t]); });
  }
  for (; j < len; ++j) seeScalar(__builtin_fabs(re[j]), first + j, track);
}

template <class V, bool Track>
void gjUpdateRowImpl(int len, double cre, double cim, const double* xre, const double* xim,
                     const double* xsum, double* yre, double* yim, double first,
                     PivotTrack* track) {
  const double csum = cre + cim;
  const auto vcr = V::set1(cre), vci = V::set1(cim), vcs = V::set1(csum);
  const auto one = [&](int j) {
    gjEliminate<ScalarVec>(xre[j], xim[j], xsum[j], cre, cim, csum, yre[j], yim[j]);
    if constexpr (Track) seeScalar(yre[j] * yre[j] + yim[j] * yim[j], first + j, track);
  };
  int j = 0;
  for (; j < len && !onVector<V>(yre + j); ++j) one(j);
  if (len - j >= V::W) {
    const int from = j;
    RunMaximum<V> run(track);
    const bool ahead = len >= kPrefetchFrom;
    for (; j + V::W <= len; j += V::W) {
      prefetchAhead(ahead, yre, yim, j);
      auto r = V::load(yre + j), i = V::load(yim + j);
      gjEliminate<V>(V::load(xre + j), V::load(xim + j), V::load(xsum + j), vcr, vci, vcs, r, i);
      V::store(yre + j, r);
      V::store(yim + j, i);
      if constexpr (Track) run.see(V::add(V::mul(r, r), V::mul(i, i)));
    }
    if constexpr (Track)
      run.finish(track, from, j, first, [&](int t) { return yre[t] * yre[t] + yim[t] * yim[t]; });
  }
  for (; j < len; ++j) one(j);
}

template <class V>
void gjUpdateRow(int len, double cre, double cim, const double* xre, const double* xim,
                 const double* xsum, double* yre, double* yim) {
  PivotTrack unused{0.0, 0.0};
  gjUpdateRowImpl<V, false>(len, cre, cim, xre, xim, xsum, yre, yim, 0.0, &unused);
}

template <class V>
void gjUpdateRowTrackModulus(int len, double cre, double cim, const double* xre, const double* xim,
                             const double* xsum, double* yre, double* yim, double first,
                             PivotTrack* track) {
  gjUpdateRowImpl<V, true>(len, cre, cim, xre, xim, xsum, yre, yim, first, track);
}

// Runs y through steps updates in ascending order, U vectors at a time kept in registers (the
// rest as alongRow takes it). Step::apply<Vec>(s, j, r, i) applies step s to the values
// r, i of columns j onwards.
template <class V, class Step>
void runSteps(int len, int steps, const Step& step, double* yre, double* yim) {
  constexpr int U = 4;
  const auto block = [&]<class Vec, int N>(int j) {
    typename Vec::T r[N], i[N];
#pragma GCC unroll 8
    for (int u = 0; u < N; ++u)
      r[u] = Vec::load(yre + j + u * Vec::W), i[u] = Vec::load(yim + j + u * Vec::W);
    for (int s = 0; s < steps; ++s)
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) step.template apply<Vec>(s, j + u * Vec::W, r[u], i[u]);
#pragma GCC unroll 8
    for (int u = 0; u < N; ++u)
      Vec::store(yre + j + u * Vec::W, r[u]), Vec::store(yim + j + u * Vec::W, i[u]);
  };
  alongRow<V, U>(len, block);
}

// Gauss-Jordan step s: c = (cre[s], cim[s]) with csum[s], the row x of step s at s * ldx.
struct GaussJordanStep {
  const double *cre, *cim, *csum, *xre, *xim, *xsum;
  long ldx;
  template <class Vec>
  void apply(int s, int j, typename Vec::T& r, typename Vec::T& i) const {
    gjEliminate<Vec>(Vec::load(xre + s * ldx + j), Vec::load(xim + s * ldx + j),
                     Vec::load(xsum + s * ldx + j), Vec::set1(cre[s]), Vec::set1(cim[s]),
                     Vec::set1(csum[s]), r, i);
  }
};

// Elimination step s: y - m*x with m = (mre[s], mim[s]), the row x of step s at s * ldx.
struct EliminationStep {
  const double *mre, *mim, *xre, *xim;
  long ldx;
  template <class Vec>
  void apply(int s, int j, typename Vec::T& r, typename Vec::T& i) const {
    eliminate<Vec>(Vec::set1(mre[s]), Vec::set1(mim[s]), Vec::load(xre + s * ldx + j),
                   Vec::load(xim + s * ldx + j), r, i);
  }
};

template <class V>
void gjUpdateRowSteps(int len, int steps, const double* cre, const double* cim, const double* csum,
                      const double* xre, const double* xim, const double* xsum, long ldx,
                      double* yre, double* yim) {
  runSteps<V>(len, steps, GaussJordanStep{cre, cim, csum, xre, xim, xsum, ldx}, yre, yim);
}

template <class V>
void mulSubRowSteps(int len, int steps, const double* mre, const double* mim, const double* xre,
                    const double* xim, long ldx, double* yre, double* yim) {
  runSteps<V>(len, steps, EliminationStep{mre, mim, xre, xim, ldx}, yre, yim);
}

// mulSubRowSteps on two rows y and z at once, each with its own multipliers and the same rows
// x: every x loaded serves both, which halves the loads per operation (the rows x come from
// the second-level cache, whose bandwidth bounds the one-row version).
template <class V>
void mulSubTwoRowsSteps(int len, int steps, const double* mre, const double* mim, const double* nre,
                        const double* nim, const double* xre, const double* xim, long ldx,
                        double* yre, double* yim, double* zre, double* zim) {
  constexpr int U = V::W >= 8 ? 4 : 2;
  const auto block = [&]<class Vec, int N>(int j) {
    typename Vec::T yr[N], yi[N], zr[N], zi[N];
#pragma GCC unroll 8
    for (int u = 0; u < N; ++u) {
      yr[u] = Vec::load(yre + j + u * Vec::W), yi[u] = Vec::load(yim + j + u * Vec::W);
      zr[u] = Vec::load(zre + j + u * Vec::W), zi[u] = Vec::load(zim + j + u * Vec::W);
    }
    for (int s = 0; s < steps; ++s) {
      const auto mr = Vec::set1(mre[s]), mi = Vec::set1(mim[s]);
      const auto nr = Vec::set1(nre[s]), ni = Vec::set1(nim[s]);
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) {
        const auto xr = Vec::load(xre + s * ldx + j + u * Vec::W);
        const auto xi = Vec::load(xim + s * ldx + j + u * Vec::W);
        eliminate<Vec>(mr, mi, xr, xi, yr[u], yi[u]);
        eliminate<Vec>(nr, ni, xr, xi, zr[u], zi[u]);
      }
    }
#pragma GCC unroll 8
    for (int u = 0; u < N; ++u) {
      Vec::store(yre + j + u * Vec::W, yr[u]), Vec::store(yim + j + u * Vec::W, yi[u]);
      Vec::store(zre + j + u * Vec::W, zr[u]), Vec::store(zim + j + u * Vec::W, zi[u]);
    }
  };
  alongRow<V, U>(len, block);
}

// Runs four rows y[r] through steps updates in ascending order, side by side, U vectors of
// each at a time kept in registers: Step::load<Vec>(s, j) loads what step s needs of its row x
// from column j, once for all four rows, and Step::apply<Vec>(r, s, x, re, im) applies it to
// row r's values.
template <class V, class Step>
void runFourRowsSteps(int len, int steps, const Step& step, double* const* yre,
                      double* const* yim) {
  constexpr int R = 4;
  constexpr int U = V::W >= 8 ? 2 : 1;
  // Inlined into the walk along the row: called, each block (32 steps of MatLU's panel) began
  // by saving registers and fetching the rows' pointers through the captures (12% of the
  // kernel's samples outside its steps, 10% inlined). MatLU 1000 on one thread on the Intel
  // machine, six rounds: 57.6 -> 56.7 ms (least), 58.5 -> 58.1 (median).
  const auto block = [&]<class Vec, int N>(int j) __attribute__((always_inline)) {
    typename Vec::T yr[R][N], yi[R][N];
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u)
        yr[r][u] = Vec::load(yre[r] + j + u * Vec::W),
        yi[r][u] = Vec::load(yim[r] + j + u * Vec::W);
    for (int s = 0; s < steps; ++s) {
      typename Step::template Row<Vec> x[N];
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) x[u] = step.template load<Vec>(s, j + u * Vec::W);
#pragma GCC unroll 8
      for (int r = 0; r < R; ++r)
#pragma GCC unroll 8
        for (int u = 0; u < N; ++u) step.template apply<Vec>(r, s, x[u], yr[r][u], yi[r][u]);
    }
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r)
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u)
        Vec::store(yre[r] + j + u * Vec::W, yr[r][u]),
            Vec::store(yim[r] + j + u * Vec::W, yi[r][u]);
  };
  alongRow<V, U>(len, block);
}

// EliminationStep for four rows, row r with the multipliers (mre[r][s], mim[r][s]).
struct EliminationRows {
  const double *const *mre, *const *mim;
  const double *xre, *xim;
  long ldx;
  template <class Vec>
  struct Row {
    typename Vec::T re, im;
  };
  template <class Vec>
  Row<Vec> load(int s, int j) const {
    return {Vec::load(xre + s * ldx + j), Vec::load(xim + s * ldx + j)};
  }
  template <class Vec>
  void apply(int r, int s, const Row<Vec>& x, typename Vec::T& yr, typename Vec::T& yi) const {
    eliminate<Vec>(Vec::set1(mre[r][s]), Vec::set1(mim[r][s]), x.re, x.im, yr, yi);
  }
};

// GaussJordanStep for four rows, row r with (cre[r][s], cim[r][s], csum[r][s]).
struct GaussJordanRows {
  const double *const *cre, *const *cim, *const *csum;
  const double *xre, *xim, *xsum;
  long ldx;
  template <class Vec>
  struct Row {
    typename Vec::T re, im, sum;
  };
  template <class Vec>
  Row<Vec> load(int s, int j) const {
    return {Vec::load(xre + s * ldx + j), Vec::load(xim + s * ldx + j),
            Vec::load(xsum + s * ldx + j)};
  }
  template <class Vec>
  void apply(int r, int s, const Row<Vec>& x, typename Vec::T& yr, typename Vec::T& yi) const {
    gjEliminate<Vec>(x.re, x.im, x.sum, Vec::set1(cre[r][s]), Vec::set1(cim[r][s]),
                     Vec::set1(csum[r][s]), yr, yi);
  }
};

// mulSubRowSteps on four rows y[r] at once, row r with the multipliers (mre[r], mim[r]) and
// the same rows x: every x loaded serves all four.
template <class V>
void mulSubFourRowsSteps(int len, int steps, const double* const* mre, const double* const* mim,
                         const double* xre, const double* xim, long ldx, double* const* yre,
                         double* const* yim) {
  runFourRowsSteps<V>(len, steps, EliminationRows{mre, mim, xre, xim, ldx}, yre, yim);
}

// gjUpdateRowSteps on four rows at once: every x loaded serves all four (one row at a time,
// the rows x come from the second-level cache, whose bandwidth bounds it).
template <class V>
void gjUpdateFourRowsSteps(int len, int steps, const double* const* cre, const double* const* cim,
                           const double* const* csum, const double* xre, const double* xim,
                           const double* xsum, long ldx, double* const* yre, double* const* yim) {
  runFourRowsSteps<V>(len, steps, GaussJordanRows{cre, cim, csum, xre, xim, xsum, ldx}, yre, yim);
}

template <class V>
void trackModulus(int len, const double* re, const double* im, double first, PivotTrack* track) {
  int j = 0;
  if (len >= V::W) {
    RunMaximum<V> run(track);
    for (; j + V::W <= len; j += V::W) {
      const auto r = V::load(re + j), i = V::load(im + j);
      run.see(V::add(V::mul(r, r), V::mul(i, i)));
    }
    run.finish(track, 0, j, first, [&](int t) { return re[t] * re[t] + im[t] * im[t]; });
  }
  for (; j < len; ++j) seeScalar(re[j] * re[j] + im[j] * im[j], first + j, track);
}

// The rows 0 .. rows-1 at a + i*la, columns 0 .. span-1, into b + c*lb as columns (or back,
// with the roles of a and b exchanged): 8 x 8 tiles where V has them and both are at least 8,
// the last tile of a row or a column of tiles moved back to end at the last row or column
// (what it copies again it copies the same); otherwise one at a time.
template <class V>
void transposeRows(int rows, int span, const double* a, long la, double* b, long lb) {
  if constexpr (requires { V::transposeTile(a, la, b, lb); }) {
    if (rows >= 8 && span >= 8) {
      for (int i0 = 0; i0 < rows; i0 += 8) {
        const int i = i0 + 8 <= rows ? i0 : rows - 8;
        for (int c0 = 0; c0 < span; c0 += 8) {
          const int c = c0 + 8 <= span ? c0 : span - 8;
          V::transposeTile(a + i * la + c, la, b + c * lb + i, lb);
        }
      }
      return;
    }
  }
  for (int i = 0; i < rows; ++i)
    for (int c = 0; c < span; ++c) b[c * lb + i] = a[i * la + c];
}

// The panel part of an elimination's rows, the rows a lane each (see divideSubRowsSteps in
// split_kernels.h). Row by row, each step's division waited on the update before it through a
// store of part of a vector and a load of one double; side by side, one division serves W
// rows and the values stay whole vectors.
template <class V>
void divideSubRowsSteps(int count, int width, int steps, const double* pre, const double* pim,
                        const double* q, const double* xre, const double* xim, long ldx,
                        double* yre, double* yim, long ldy) {
  constexpr int W = V::W;
  alignas(64) double br[kPanelWidth * W], bi[kPanelWidth * W];
  if (count < W)
    for (int e = 0; e < width * W; ++e) br[e] = bi[e] = 0.0;
  transposeRows<V>(count, width, yre, ldy, br, W);
  transposeRows<V>(count, width, yim, ldy, bi, W);
  for (int s = 0; s < steps; ++s) {
    const auto c = V::set1(pre[s]), d = V::set1(pim[s]), qs = V::set1(q[s]);
    const auto a = V::load(br + s * W), b = V::load(bi + s * W);
    const auto mr = V::div(V::add(V::mul(a, c), V::mul(b, d)), qs);
    const auto mi = V::div(V::sub(V::mul(b, c), V::mul(a, d)), qs);
    V::store(br + s * W, mr);
    V::store(bi + s * W, mi);
    const double* xr = xre + s * ldx;
    const double* xi = xim + s * ldx;
    for (int j = s + 1; j < width; ++j) {
      auto r = V::load(br + j * W), i = V::load(bi + j * W);
      eliminate<V>(mr, mi, V::set1(xr[j]), V::set1(xi[j]), r, i);
      V::store(br + j * W, r);
      V::store(bi + j * W, i);
    }
  }
  transposeRows<V>(width, count, br, W, yre, ldy);
  transposeRows<V>(width, count, bi, W, yim, ldy);
}

// Reflections s = 0 .. steps-1 in order on lines k, k+1 (and k+2) of a matrix, line k at
// base + k*ld, over N vectors of the lines from offset j. The lines a step shares with the next
// (k+1 and k+2 when the next starts at k+1) stay in registers between them; a line is stored
// once no later step reaches it. Mod::three(f, v0, v1, v2) and Mod::two(f, v0, v1) are the
// modification on one vector of the lines.
template <class Vec, int N, class Mod>
void sweepLines(int steps, const SweepReflection* refl, double* base, long ld, int j) {
  using T = typename Vec::T;
  // Zeros only so that the compiler sees them set: no line is stored before it is loaded.
  T v0[N] = {}, v1[N] = {}, v2[N] = {};
  int held = 0;  // lines held from line k on: 0, 2 or 3
  int k = 0;
  const auto line = [&](int at) { return base + at * ld + j; };
  // Named one by one, not through an array of the three: that would hold them in memory.
  const auto flush = [&] {
    if (held == 0) return;
#pragma GCC unroll 8
    for (int u = 0; u < N; ++u) {
      Vec::store(line(k) + u * Vec::W, v0[u]);
      Vec::store(line(k + 1) + u * Vec::W, v1[u]);
      if (held == 3) Vec::store(line(k + 2) + u * Vec::W, v2[u]);
    }
  };
  for (int s = 0; s < steps; ++s) {
    const SweepReflection& f = refl[s];
    const int need = f.three ? 3 : 2;
    if (held == 3 && f.k == k + 1) {
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) {
        Vec::store(line(k) + u * Vec::W, v0[u]);
        v0[u] = v1[u];
        v1[u] = v2[u];
      }
      k = f.k;
      if (need == 3) {
#pragma GCC unroll 8
        for (int u = 0; u < N; ++u) v2[u] = Vec::load(line(k + 2) + u * Vec::W);
      }
    } else {
      flush();
      k = f.k;
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) {
        v0[u] = Vec::load(line(k) + u * Vec::W);
        v1[u] = Vec::load(line(k + 1) + u * Vec::W);
        if (need == 3) v2[u] = Vec::load(line(k + 2) + u * Vec::W);
      }
    }
    held = need;
    if (need == 3) {
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) Mod::template three<Vec>(f, v0[u], v1[u], v2[u]);
    } else {
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) Mod::template two<Vec>(f, v0[u], v1[u]);
    }
  }
  flush();
}

// The column modification: p = x·v0 + y·v1 (+ z·v2); v2 -= p·r; v1 -= p·q; v0 -= p.
struct ColumnModification {
  template <class Vec>
  static void three(const SweepReflection& f, typename Vec::T& v0, typename Vec::T& v1,
                    typename Vec::T& v2) {
    const auto p = Vec::add(Vec::add(Vec::mul(Vec::set1(f.x), v0), Vec::mul(Vec::set1(f.y), v1)),
                            Vec::mul(Vec::set1(f.z), v2));
    v2 = Vec::sub(v2, Vec::mul(p, Vec::set1(f.r)));
    v1 = Vec::sub(v1, Vec::mul(p, Vec::set1(f.q)));
    v0 = Vec::sub(v0, p);
  }
  template <class Vec>
  static void two(const SweepReflection& f, typename Vec::T& v0, typename Vec::T& v1) {
    const auto p = Vec::add(Vec::mul(Vec::set1(f.x), v0), Vec::mul(Vec::set1(f.y), v1));
    v1 = Vec::sub(v1, Vec::mul(p, Vec::set1(f.q)));
    v0 = Vec::sub(v0, p);
  }
};

// The row modification: t = v0 + q·v1 (+ r·v2); v2 -= t·z; v1 -= t·y; v0 -= t·x.
struct RowModification {
  template <class Vec>
  static void three(const SweepReflection& f, typename Vec::T& v0, typename Vec::T& v1,
                    typename Vec::T& v2) {
    const auto t =
        Vec::add(Vec::add(v0, Vec::mul(Vec::set1(f.q), v1)), Vec::mul(Vec::set1(f.r), v2));
    v2 = Vec::sub(v2, Vec::mul(t, Vec::set1(f.z)));
    v1 = Vec::sub(v1, Vec::mul(t, Vec::set1(f.y)));
    v0 = Vec::sub(v0, Vec::mul(t, Vec::set1(f.x)));
  }
  template <class Vec>
  static void two(const SweepReflection& f, typename Vec::T& v0, typename Vec::T& v1) {
    const auto t = Vec::add(v0, Vec::mul(Vec::set1(f.q), v1));
    v1 = Vec::sub(v1, Vec::mul(t, Vec::set1(f.y)));
    v0 = Vec::sub(v0, Vec::mul(t, Vec::set1(f.x)));
  }
};

// sweepLines over len values of the lines, four vectors at a time, then the vectors left over
// together and the last few values as one vector. Each sweepLines call waits on its steps'
// chain, so the rest goes in as few calls as it can (alongRow): one value at a time, the few
// values past the last vector took as long as four vectors each, and a call a vector as long as
// all of them (on one thread, least of six rounds: Eig 200 5.50 -> 5.12 ms, 500 52.4 -> 50.7,
// 1000 357 -> 334, the last values then copied into a vector; with a sweep's chunks moved so
// that the rows above each left seven values past their last vector, Eig 500 60.8 -> 52.9).
// Through FirstLanes instead of a copy, five rounds: 200 5.14 -> 4.94, 1000 339 -> 330.
template <class V, class Mod>
void sweepAlong(int len, int steps, const SweepReflection* refl, double* base, long ld) {
  alongRow<V, 4>(
      len, [&]<class Vec, int N>(int j) { sweepLines<Vec, N, Mod>(steps, refl, base, ld, j); });
}

// The rows, held by columns in block meanwhile (a column of the matrix is then a line).
template <class V>
void sweepColumnSteps(int rows, int span, int steps, const SweepReflection* refl, int c0,
                      double* a0, long lda, double* block, long ldb) {
  transposeRows<V>(rows, span, a0, lda, block, ldb);
  sweepAlong<V, ColumnModification>(rows, steps, refl, block - c0 * ldb, ldb);
  transposeRows<V>(span, rows, block, ldb, a0, lda);
}

template <class V>
void sweepRowSteps(int len, int steps, const SweepReflection* refl, double* a0, long ld) {
  sweepAlong<V, RowModification>(len, steps, refl, a0, ld);
}

// reflectStrips on N vectors of columns from strip s0 on, their sums kept in registers.
template <class Vec, int N>
void reflectColumns(int count, const int* first, const double* beta, const double* const* v,
                    double* a, long ld, int s0, int rows) {
  using T = typename Vec::T;
  constexpr int P = kStripWidth / Vec::W;  // vectors to a strip's row
  const auto at = [&](int u, int i) {
    return a + (s0 + u / P) * ld + static_cast<long>(i) * kStripWidth + (u % P) * Vec::W;
  };
  T t[N], next[N];
#pragma GCC unroll 16
  for (int u = 0; u < N; ++u) t[u] = Vec::set1(0.0);
  for (int i = first[0]; i < rows; ++i) {
    const T vi = Vec::set1(v[0][i - first[0]]);
#pragma GCC unroll 16
    for (int u = 0; u < N; ++u) t[u] = Vec::add(t[u], Vec::mul(vi, Vec::load(at(u, i))));
  }
  for (int h = 0; h < count; ++h) {
    const T b = Vec::set1(beta[h]);
#pragma GCC unroll 16
    for (int u = 0; u < N; ++u) t[u] = Vec::div(t[u], b);
    const double* vh = v[h];
    const bool more = h + 1 < count;
    const int split = more ? first[h + 1] : rows;
    for (int i = first[h]; i < split; ++i) {
      const T vi = Vec::set1(vh[i - first[h]]);
#pragma GCC unroll 16
      for (int u = 0; u < N; ++u)
        Vec::store(at(u, i), Vec::sub(Vec::load(at(u, i)), Vec::mul(vi, t[u])));
    }
    if (!more) break;
    const double* w = v[h + 1];
#pragma GCC unroll 16
    for (int u = 0; u < N; ++u) next[u] = Vec::set1(0.0);
    for (int i = split; i < rows; ++i) {
      const T vi = Vec::set1(vh[i - first[h]]);
      const T wi = Vec::set1(w[i - split]);
#pragma GCC unroll 16
      for (int u = 0; u < N; ++u) {
        const T r = Vec::sub(Vec::load(at(u, i)), Vec::mul(vi, t[u]));
        Vec::store(at(u, i), r);
        next[u] = Vec::add(next[u], Vec::mul(wi, r));
      }
    }
#pragma GCC unroll 16
    for (int u = 0; u < N; ++u) t[u] = next[u];
  }
}

// Two doubles in the compiler's generic vector: the pairs every 64-bit x86 processor has.
struct PairVec {
  typedef double T __attribute__((vector_size(16)));
  static constexpr int W = 2;
  static T load(const double* p) {
    T v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
  }
  static void store(double* p, T v) { __builtin_memcpy(p, &v, sizeof v); }
  static T set1(double x) { return T{x, x}; }
  static T add(T a, T b) { return a + b; }
  static T sub(T a, T b) { return a - b; }
  static T mul(T a, T b) { return a * b; }
  static T div(T a, T b) { return a / b; }
};

// The vectors reflectStrips runs on: one double at a time would leave the generic path far
// behind, so it takes pairs.
template <class V>
struct ReflectVec {
  using type = V;
};
template <>
struct ReflectVec<ScalarVec> {
  using type = PairVec;
};

template <class Path>
void reflectStrips(int count, const int* first, const double* beta, const double* const* v,
                   double* a, long ld, int strips, int rows) {
  using V = typename ReflectVec<Path>::type;
  constexpr int P = kStripWidth / V::W;
  // Each reflection is one pass over the strips it works on, so they go a few at a time: as
  // many as the first-level cache holds over the rows reflected, up to four, and no more
  // than eight vectors (their sums and the next reflection's take sixteen registers). Where
  // not even two fit, four go together from the second-level cache: a lone strip waits on
  // its chain of sums. On an Intel machine a lone strip that still fitted kept up with four
  // (QR 1000 132 ms either way), and once it filled more than four fifths of the cache four
  // were faster (167 -> 161 ms); on a 2-core AMD EPYC four are faster throughout (QR 600 25.4
  // -> 16.4 ms, 800 47.6 -> 37.2). Eight together were no faster than four on either.
  const long bytes = static_cast<long>(rows - first[0]) * kStripWidth * sizeof(double);
  const long cache = reflectCacheBytes();
  const int fit = bytes * 4 > cache && bytes * 2 <= cache ? 2 : 4;
  const int group = fit < 8 / P ? fit : 8 / P;
  int s = 0;
  if (group >= 4)
    for (; s + 4 <= strips; s += 4) reflectColumns<V, 4 * P>(count, first, beta, v, a, ld, s, rows);
  if (group >= 2)
    for (; s + 2 <= strips; s += 2) reflectColumns<V, 2 * P>(count, first, beta, v, a, ld, s, rows);
  for (; s < strips; ++s) reflectColumns<V, P>(count, first, beta, v, a, ld, s, rows);
}

// reflectPanel on N vectors of columns from a and, where Tail, the first `tail` lanes of the
// vector after them, the sums kept in registers.
template <class V, int N, bool Tail>
void reflectPanelVectors(const double* v, int len, double beta, double* a, long ld, int tail) {
  using T = typename V::T;
  constexpr int M = Tail ? N + 1 : N;
  if constexpr (M > 0) {
    T t[M];
#pragma GCC unroll 8
    for (int u = 0; u < M; ++u) t[u] = V::set1(0.0);
    for (int i = 0; i < len; ++i) {
      const T vi = V::set1(v[i]);
      const double* row = a + i * ld;
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u) t[u] = V::add(t[u], V::mul(vi, V::load(row + u * V::W)));
      if constexpr (Tail) t[N] = V::add(t[N], V::mul(vi, V::loadFirst(row + N * V::W, tail)));
    }
    const T b = V::set1(beta);
#pragma GCC unroll 8
    for (int u = 0; u < M; ++u) t[u] = V::div(t[u], b);
    for (int i = 0; i < len; ++i) {
      const T vi = V::set1(v[i]);
      double* row = a + i * ld;
#pragma GCC unroll 8
      for (int u = 0; u < N; ++u)
        V::store(row + u * V::W, V::sub(V::load(row + u * V::W), V::mul(vi, t[u])));
      if constexpr (Tail) {
        double* last = row + N * V::W;
        V::storeFirst(last, V::sub(V::loadFirst(last, tail), V::mul(vi, t[N])), tail);
      }
    }
  }
}

// reflectPanel on `vectors` (at most N) whole vectors and `tail` columns after them; where V
// cannot take part of a vector, the tail a column at a time.
template <class V, int N>
void reflectPanelBy(int vectors, int tail, const double* v, int len, double beta, double* a,
                    long ld) {
  if constexpr (N > 0)
    if (vectors < N) return reflectPanelBy<V, N - 1>(vectors, tail, v, len, beta, a, ld);
  if constexpr (requires(const double* p) { V::loadFirst(p, 1); }) {
    if (tail > 0) return reflectPanelVectors<V, N, true>(v, len, beta, a, ld, tail);
  } else {
    for (int c = 0; c < tail; ++c)
      reflectPanelVectors<ScalarVec, 1, false>(v, len, beta, a + N * V::W + c, ld, 0);
  }
  reflectPanelVectors<V, N, false>(v, len, beta, a, ld, 0);
}

template <class Path>
void reflectPanel(const double* v, int len, double beta, double* a, long ld, int width) {
  using V = typename ReflectVec<Path>::type;
  reflectPanelBy<V, kPanelWidth / V::W>(width / V::W, width % V::W, v, len, beta, a, ld);
}

// A step on a panel held by columns (subScaledColumns, or mulSubColumns where Cx), on U vectors
// of rows from r, their multipliers and masks in registers over the columns; Tail: the last
// `tail` rows, as part of a vector. A row takes the step where a part of its multiplier is not
// zero.
template <class V, int U, bool Cx, bool Tail = false>
void subColumnsAt(int r, int cols, const double* fre, const double* fim, const double* xre,
                  const double* xim, double* yre, double* yim, long ldy, int tail = 0) {
  using T = typename V::T;
  const auto get = [&](const double* p) {
    if constexpr (Tail)
      return V::loadFirst(p, tail);
    else
      return V::load(p);
  };
  const auto put = [&](double* p, T v) {
    if constexpr (Tail)
      V::storeFirst(p, v, tail);
    else
      V::store(p, v);
  };
  T fr[U], fi[U];
  decltype(V::nonzero(fr[0])) takeRe[U], takeIm[U];
#pragma GCC unroll 4
  for (int u = 0; u < U; ++u) {
    fr[u] = get(fre + r + u * V::W);
    takeRe[u] = V::nonzero(fr[u]);
    if constexpr (Cx) {
      fi[u] = get(fim + r + u * V::W);
      takeIm[u] = V::nonzero(fi[u]);
    }
  }
  for (int j = 0; j < cols; ++j) {
    const T xr = V::set1(xre[j]);
    T xi;
    if constexpr (Cx) xi = V::set1(xim[j]);
#pragma GCC unroll 4
    for (int u = 0; u < U; ++u) {
      double* const atRe = yre + j * ldy + r + u * V::W;
      const T oldRe = get(atRe);
      if constexpr (Cx) {
        double* const atIm = yim + j * ldy + r + u * V::W;
        const T oldIm = get(atIm);
        T nowRe = oldRe, nowIm = oldIm;
        eliminate<V>(fr[u], fi[u], xr, xi, nowRe, nowIm);
        put(atRe, V::select(takeRe[u], nowRe, V::select(takeIm[u], nowRe, oldRe)));
        put(atIm, V::select(takeRe[u], nowIm, V::select(takeIm[u], nowIm, oldIm)));
      } else {
        put(atRe, V::select(takeRe[u], V::sub(oldRe, V::mul(fr[u], xr)), oldRe));
      }
    }
  }
}

template <class V, bool Cx>
void subColumns(int rows, int cols, const double* fre, const double* fim, const double* xre,
                const double* xim, double* yre, double* yim, long ldy) {
  constexpr int U = Cx ? 2 : 4;
  int r = 0;
  for (; r + U * V::W <= rows; r += U * V::W)
    subColumnsAt<V, U, Cx>(r, cols, fre, fim, xre, xim, yre, yim, ldy);
  for (; r + V::W <= rows; r += V::W)
    subColumnsAt<V, 1, Cx>(r, cols, fre, fim, xre, xim, yre, yim, ldy);
  if (r == rows) return;
  if constexpr (requires(const double* p) { V::loadFirst(p, 1); })
    subColumnsAt<V, 1, Cx, true>(r, cols, fre, fim, xre, xim, yre, yim, ldy, rows - r);
  else
    for (; r < rows; ++r)
      subColumnsAt<ScalarVec, 1, Cx>(r, cols, fre, fim, xre, xim, yre, yim, ldy);
}

template <class V>
void subScaledColumns(int rows, int cols, const double* f, const double* x, double* y, long ldy) {
  subColumns<V, false>(rows, cols, f, nullptr, x, nullptr, y, nullptr, ldy);
}

// subScaledColumnsSteps on the vector of rows from r (Vec's lanes, the last rows' through
// FirstLanes), each step's multipliers and mask in registers over the columns.
template <class Vec>
void subColumnsStepsAt(int r, int cols, int steps, const double* f, long ldf, const double* x,
                       long ldx, double* y, long ldy) {
  using T = typename Vec::T;
  // Set only so that the compiler sees them set: only the first `steps` are read.
  T fs[kColumnSteps] = {};
  decltype(Vec::nonzero(fs[0])) take[kColumnSteps] = {};
#pragma GCC unroll 8
  for (int s = 0; s < kColumnSteps; ++s)
    if (s < steps) {
      fs[s] = Vec::load(f + s * ldf + r);
      take[s] = Vec::nonzero(fs[s]);
    }
  for (int j = 0; j < cols; ++j) {
    double* const at = y + j * ldy + r;
    T v = Vec::load(at);
#pragma GCC unroll 8
    for (int s = 0; s < kColumnSteps; ++s)
      if (s < steps)
        v = Vec::select(take[s], Vec::sub(v, Vec::mul(fs[s], Vec::set1(x[s * ldx + j]))), v);
    Vec::store(at, v);
  }
}

template <class V>
void subScaledColumnsSteps(int rows, int cols, int steps, const double* f, long ldf,
                           const double* x, long ldx, double* y, long ldy) {
  alongRow<V, 1>(rows, [&]<class Vec, int N>(int r) {
    subColumnsStepsAt<Vec>(r, cols, steps, f, ldf, x, ldx, y, ldy);
  });
}

// How many rows subScaledRowsSteps takes together: eight where there are 32 vector registers.
// The step's vectors of x come from the second-level cache (a panel's pivot rows right of it
// are 32 rows as long as the matrix), and with four rows of four vectors each vector of x
// served four rows: the kernel alone on 1000 rows of 1968 took 70.9 GFLOP/s on an AMD
// processor with AVX-512, eight rows of two vectors (19 registers) 83.9, of three 84.0; the
// peak without fused multiply-adds is about 110 (Solve 1000 on one thread 49.3 -> 45.9 ms,
// least of fourteen rounds).
template <class V>
constexpr int scaledRows() {
  return V::W >= 8 ? 8 : 4;
}

// subScaledRowsSteps on U vectors of R rows from column j, kept in registers over the steps;
// without Skip, no multiplier is zero. fs holds the multipliers by step: row r's of step s at
// fs[s·R + r].
template <class V, int R, int U, bool Skip>
void subScaledStepsAt(int steps, const double* fs, const double* x, long ldx, double* const* y,
                      int j) {
  using T = typename V::T;
  T acc[R][U];
#pragma GCC unroll 8
  for (int r = 0; r < R; ++r)
#pragma GCC unroll 8
    for (int u = 0; u < U; ++u) acc[r][u] = V::load(y[r] + j + u * V::W);
  for (int s = 0; s < steps; ++s, fs += R) {
    const double* xs = x + s * ldx + j;
    T xv[U];
#pragma GCC unroll 8
    for (int u = 0; u < U; ++u) xv[u] = V::load(xs + u * V::W);
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) {
      if (Skip && fs[r] == 0.0) continue;
      const T fv = V::set1(fs[r]);
#pragma GCC unroll 8
      for (int u = 0; u < U; ++u) acc[r][u] = V::sub(acc[r][u], V::mul(fv, xv[u]));
    }
  }
#pragma GCC unroll 8
  for (int r = 0; r < R; ++r)
#pragma GCC unroll 8
    for (int u = 0; u < U; ++u) V::store(y[r] + j + u * V::W, acc[r][u]);
}

template <class V, int R, bool Skip>
void subScaledRowsStepsBy(int len, int steps, const double* fs, const double* x, long ldx,
                          double* const* y) {
  // Four rows of U vectors, their sums and the step's vectors of x: 21 registers of 32 with
  // AVX-512, 11 of 16 with two vectors; eight rows of three vectors, 28 of 32. Three vectors
  // in place of two spread each block's loads, stores and loop over half as many steps again:
  // on the Intel machine, Solve 1000 on one thread 68.6-69.0 -> 67.7-68.5 ms (least of five
  // and of six rounds; medians 69.5-70.0 -> 68.3-69.3); on an AMD processor the kernel alone
  // ran alike with two and three (83.9 and 84.0 GFLOP/s).
  constexpr int U = R > 4 ? 3 : V::W >= 8 ? 4 : 2;
  // The rows' next block asked for while this one takes its steps, where the rows are long:
  // the processor's own prefetching left Solve 1000's first loads of each block waiting (a
  // fifth of the kernel's samples on them; asked for, Solve 1000 on one thread on an AMD
  // processor with AVX-512 took 6% less time in quiet minutes, 12% in busy ones). Not for
  // shorter rows, whose matrix the second-level cache holds: Solve 200 took 3% longer. Nor
  // for blocks of two 4-lane vectors, a line each, the next line the processor's own guess:
  // asking changed nothing there; nor for eight rows of two 8-lane vectors (Solve 1000
  // 46.8-49.9 ms asked, 45.9-49.1 not, eight rounds).
  const bool ahead = U * V::W >= 32 && len >= kBlockAheadFrom;
  alongRow<V, U>(len, [&]<class Vec, int N>(int j) {
    if constexpr (N == U)
      if (ahead)
        for (int r = 0; r < R; ++r)
          for (int u = 0; u < U; ++u) prefetchAhead<U * V::W * sizeof(double)>(y[r] + j + u * V::W);
    subScaledStepsAt<Vec, R, N, Skip>(steps, fs, x, ldx, y, j);
  });
}

// The rows' multipliers gathered by step, kStepsAtOnce steps at a time, so that a step's are
// read from one place (eight pointers moved on at every step took integer ports the vector
// arithmetic needed); their zeros looked for once: without any, the steps go without a test
// each.
template <class V, int R>
void subScaledRowsStepsBy(int len, int steps, const double* const* f, const double* x, long ldx,
                          double* const* y) {
  constexpr int kStepsAtOnce = 64;
  alignas(64) double fs[kStepsAtOnce * R];
  for (int s0 = 0; s0 < steps; s0 += kStepsAtOnce) {
    const int count = std::min(kStepsAtOnce, steps - s0);
    bool zero = false;
    for (int s = 0; s < count; ++s)
      for (int r = 0; r < R; ++r) {
        fs[s * R + r] = f[r][s0 + s];
        zero = zero || fs[s * R + r] == 0.0;
      }
    const double* xs = x + static_cast<long>(s0) * ldx;
    if (zero)
      subScaledRowsStepsBy<V, R, true>(len, count, fs, xs, ldx, y);
    else
      subScaledRowsStepsBy<V, R, false>(len, count, fs, xs, ldx, y);
  }
}

template <class V>
void subScaledRowsSteps(int count, int len, int steps, const double* const* f, const double* x,
                        long ldx, double* const* y) {
  if constexpr (scaledRows<V>() == 8) {
    if (count == 8) return subScaledRowsStepsBy<V, 8>(len, steps, f, x, ldx, y);
    if (count > 4) {  // the last rows of a matrix: four, then the rest
      subScaledRowsStepsBy<V, 4>(len, steps, f, x, ldx, y);
      return subScaledRowsSteps<V>(count - 4, len, steps, f + 4, x, ldx, y + 4);
    }
  }
  switch (count) {
    case 4:
      return subScaledRowsStepsBy<V, 4>(len, steps, f, x, ldx, y);
    case 3:
      return subScaledRowsStepsBy<V, 3>(len, steps, f, x, ldx, y);
    case 2:
      return subScaledRowsStepsBy<V, 2>(len, steps, f, x, ldx, y);
    default:
      return subScaledRowsStepsBy<V, 1>(len, steps, f, x, ldx, y);
  }
}

template <class V>
void addScaled(int len, double s, const double* x, double* c) {
  const auto sv = V::set1(s);
  int j = 0;
  for (; j < len && !onVector<V>(c + j); ++j) c[j] = c[j] + s * x[j];
  for (; j + V::W <= len; j += V::W)
    V::store(c + j, V::add(V::load(c + j), V::mul(sv, V::load(x + j))));
  for (; j < len; ++j) c[j] = c[j] + s * x[j];
}

// Rows [from, to) of the column x1, then of x2 where there is one (see split_kernels.h).
template <class V>
void reduceAddRows(int from, int to, int kind, double top1, double top2, const double* m, double s1,
                   double s2, double* x1, double* x2, double* c) {
  const auto pass = [&]<int Kind, bool Two>() {
    const auto one = [&]<class Vec>(int j) {
      // Loaded once: the stores into the columns could reach m, for all the compiler knows.
      const auto mj = Kind == 0 ? Vec::set1(0.0) : Vec::load(m + j);
      const auto column = [&](double* x, double top, double s, typename Vec::T& sum) {
        auto v = Vec::load(x + j);
        const auto reduced = [&] { return Vec::sub(v, Vec::mul(mj, Vec::set1(top))); };
        if constexpr (Kind == 1) Vec::store(x + j, v = reduced());
        sum = Vec::add(sum, Vec::mul(Vec::set1(s), v));
        if constexpr (Kind == 2) Vec::store(x + j, reduced());
      };
      auto sum = Vec::load(c + j);
      column(x1, top1, s1, sum);
      if constexpr (Two) column(x2, top2, s2, sum);
      Vec::store(c + j, sum);
    };
    int j = from;
    for (; j < to && !onVector<V>(x1 + j); ++j) one.template operator()<ScalarVec>(j);
    for (; j + V::W <= to; j += V::W) one.template operator()<V>(j);
    for (; j < to; ++j) one.template operator()<ScalarVec>(j);
  };
  const auto byKind = [&]<bool Two>() {
    if (kind == 0) pass.template operator()<0, Two>();
    if (kind == 1) pass.template operator()<1, Two>();
    if (kind == 2) pass.template operator()<2, Two>();
  };
  if (x2)
    byKind.template operator()<true>();
  else
    byKind.template operator()<false>();
}

template <class V>
void divideLanes(int len, const double* xre, const double* xim, double pre, double pim, double q,
                 double* mre, double* mim, double* sre, double* sim) {
  const auto one = [&]<class Vec>(int r) {
    const auto c = Vec::set1(pre), d = Vec::set1(pim), qv = Vec::set1(q);
    const auto a = Vec::load(xre + r), b = Vec::load(xim + r);
    const auto mr = Vec::div(Vec::add(Vec::mul(a, c), Vec::mul(b, d)), qv);
    const auto mi = Vec::div(Vec::sub(Vec::mul(b, c), Vec::mul(a, d)), qv);
    Vec::store(mre + r, mr);
    Vec::store(mim + r, mi);
    Vec::store(sre + r, Vec::sub(Vec::load(sre + r), Vec::sub(Vec::mul(a, mr), Vec::mul(b, mi))));
    Vec::store(sim + r, Vec::sub(Vec::load(sim + r), Vec::add(Vec::mul(a, mi), Vec::mul(b, mr))));
  };
  int r = 0;
  for (; r + V::W <= len; r += V::W) one.template operator()<V>(r);
  for (; r < len; ++r) one.template operator()<ScalarVec>(r);
}

// Where V has elementBlock (W elements from a vector of real parts, one of imaginary parts and
// one of kind words, stored as three vectors from an address on a boundary of W doubles), the
// elements between the first such boundary and the last go a block at a time: a block of 24-
// byte elements then fills whole vectors, and whole cache lines for eight.
template <class V>
void elementWords(long count, const double* re, const double* im, unsigned long kind, double* out,
                  bool stream) {
  const auto one = [&](long j) {
    const double words[2] = {re ? re[j] : 0.0, im ? im[j] : 0.0};
    __builtin_memcpy(out + 3 * j, words, sizeof words);
    __builtin_memcpy(out + 3 * j + 2, &kind, sizeof kind);
  };
  long j = 0;
  if constexpr (requires { V::elementBlock; }) {
    for (; j < count && !onVector<V>(out + 3 * j); ++j) one(j);
    if (onVector<V>(out + 3 * j)) {
      double k;
      __builtin_memcpy(&k, &kind, sizeof k);
      const auto zero = V::set1(0.0), kinds = V::set1(k);
      for (; j + V::W <= count; j += V::W)
        V::elementBlock(re ? V::load(re + j) : zero, im ? V::load(im + j) : zero, kinds,
                        out + 3 * j, stream);
    }
  }
  for (; j < count; ++j) one(j);
}

template <class V>
bool elementParts(long count, const double* in, unsigned long kind, bool finite, double* re,
                  double* im) {
  const auto one = [&](long j) {
    unsigned long word;
    __builtin_memcpy(&word, in + 3 * j + 2, sizeof word);
    const double r = in[3 * j], i = in[3 * j + 1];
    if ((word & 0xFF) != kind || (finite && !(__builtin_isfinite(r) && __builtin_isfinite(i))))
      return false;
    re[j] = r;
    im[j] = i;
    return true;
  };
  long j = 0;
  if constexpr (requires { V::partsBlock; }) {
    for (; j + V::W <= count; j += V::W) {
      typename V::T r, i;
      if (V::partsBlock(in + 3 * j, kind, finite, r, i) != (1u << V::W) - 1) return false;
      V::store(re + j, r);
      V::store(im + j, i);
    }
  }
  for (; j < count; ++j)
    if (!one(j)) return false;
  return true;
}

template <class V>
bool realWords(long count, const double* in, double* re) {
  long j = 0;
  if constexpr (requires { V::partsBlock; }) {
    for (; j + V::W <= count; j += V::W) {
      typename V::T r, i;
      V::partsBlock(in + 3 * j, 0, false, r, i);
      if (V::nonzero(i)) return false;
      V::store(re + j, r);
    }
  }
  for (; j < count; ++j) {
    if (in[3 * j + 1] != 0) return false;
    re[j] = in[3 * j];
  }
  return true;
}

template <class V, int MR, int NV, bool StepsByTiles>
constexpr SplitKernels makeKernels() {
  return SplitKernels{
      {MR, NV * V::W},
      StepsByTiles,
      gemmTile<V, MR, NV, false>,
      gemmTile<V, MR, NV, true>,
      {2 * MR, NV * V::W},
      gemmTileReal<V, 2 * MR, NV>,
      mulSubRow<V>,
      mulSubRowTrackAbsRe<V>,
      mulSubRealRowTrackAbs<V>,
      trackAbsRe<V>,
      gjUpdateRow<V>,
      gjUpdateRowTrackModulus<V>,
      gjUpdateRowSteps<V>,
      gjUpdateFourRowsSteps<V>,
      mulSubRowSteps<V>,
      mulSubTwoRowsSteps<V>,
      mulSubFourRowsSteps<V>,
      V::W,
      divideSubRowsSteps<V>,
      trackModulus<V>,
      sweepColumnSteps<V>,
      sweepRowSteps<V>,
      reflectStrips<V>,
      reflectPanel<V>,
      subScaledColumns<V>,
      subScaledColumnsSteps<V>,
      subColumns<V, true>,
      transposeRows<V>,
      subScaledRowsSteps<V>,
      scaledRows<V>(),
      addScaled<V>,
      reduceAddRows<V>,
      divideLanes<V>,
      elementWords<V>,
      elementParts<V>,
      realWords<V>,
  };
}

}  // namespace
}  // namespace kelvaro
