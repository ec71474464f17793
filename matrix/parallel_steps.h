#pragma once
// What the kernels share when they cut a step into ranges of rows for the threads. Kept apart
// from split_kernels.h, which the vector kernels include: they must see no standard header.

#include <cmath>
#include <cstdint>
#include <vector>

#include "matrix/split_kernels.h"
#include "matrix/thread_pool.h"
#include "numbers/element.h"

namespace kelvaro {

// Pivot searches over the ranges of rows of parallelRanges(count, ranges(), ...), made at
// the same time, each from nothing. Taken in the order of the rows with the same strict
// comparison they give what one scan over all the rows gives: the first maximum.
class RangeTracks {
 public:
  RangeTracks(int count, int grain) : tracks_(rangesFor(count, grain), PivotTrack{0.0, -1.0}) {}
  int ranges() const { return static_cast<int>(tracks_.size()); }
  PivotTrack* of(int range) { return &tracks_[range]; }
  PivotTrack merged() const {
    PivotTrack first{0.0, -1.0};
    for (const PivotTrack& t : tracks_)
      if (t.best > first.best) first = t;
    return first;
  }

 private:
  std::vector<PivotTrack> tracks_;
};

// The grain of a full-pivoting step's rows, each of `rowCost` element operations, in a call whose
// first step has `firstRows` rows of `firstRowCost`. The rows stay with the same thread from one
// step to the next (the ranges are cut the same way and shrink by a row), so a range pays less
// to be shared than most: a quarter of the least work. A call whose first step would be shared
// at a sixteenth of it (a square matrix from order 362 or 363 on, by kernel) shares its steps
// down to a sixty-fourth (sharedCallScale): each thread keeps its half in its own second-level
// cache. On the Intel machine, two threads against one: MatDet 500 21.5 -> 11.3 ms, 400 8.1 ->
// 5.6, 1000 160 -> 105; MatInvLU 500 34.0 -> 24.1, 1000 246 -> 182; MatInverse 500 40.9 -> 27.5,
// 1000 257 -> 206; the same on three and eight threads. A sixty-fourth for every call left MatDet
// 200 on two threads at 1.15-1.19 ms against 1.08 on one.
inline int pivotStepGrain(std::int64_t rowCost, int firstRows, std::int64_t firstRowCost) {
  return grainFor(rowCost * 4 * sharedCallScale(firstRows, firstRowCost * 16));
}

// A full-pivoting step's exchange of two columns reaches every row. Each thread exchanges its
// own rows, so that no row goes to the calling thread's core and back (MatDet 1000 on two
// threads took 7-9% less than with the calling thread exchanging in all of them first), the
// next row's exchange ahead of this row's update so that its lines come in meanwhile. On one
// thread the same: a pass of its own before the updates took 1.5-2.5% longer (MatDet,
// MatRank and MatInvLU at 1000 and 200), and each row's exchange just before its own update
// 3% longer, the row's first loads held up. exchange(i) exchanges in row i; rows(range,
// first, last, ahead) updates its rows, calling ahead(i) before it updates row i.
template <class Exchange, class Rows>
void exchangeThenUpdate(int count, int ranges, Exchange&& exchange, Rows&& rows) {
  parallelRanges(count, ranges, [&](int range, int first, int last) {
    if (first < last) exchange(first);
    rows(range, first, last, [&](int i) {
      if (i + 1 < last) exchange(i + 1);
    });
  });
}

// Row y of a full-pivoting step: y := y - m·x over len elements, then the pivot search over
// |Re y|. Where the matrix holds real values with +0 imaginary parts (`real`: realValued(s,
// true)), a row whose multiplier is a finite real value takes the real parts' update, which
// gives the very bits of the complex one (mat_det.cpp says why); any other row the complex one.
inline void eliminateRowTrackAbsRe(const SplitKernels& kern, bool real, int len, const Element& m,
                                   const double* xre, const double* xim, double* yre, double* yim,
                                   double first, PivotTrack* track) {
  if (real && std::isfinite(m.re()) && m.im() == 0.0)
    kern.mulSubRealRowTrackAbs(len, m.re(), m.im(), xre, yre, first, track);
  else
    kern.mulSubRowTrackAbsRe(len, m.re(), m.im(), xre, xim, yre, yim, first, track);
}

// Element division fails by its divisor alone: trying it once on the calling thread raises
// the error, if there is one, before the threads change any row.
inline void tryDivisor(const Element& divisor) {
  static_cast<void>(Element::integer(1) / divisor);
}

// Where the share of `count` items that goes with item `at` of `of` begins: a run [first, last)
// of the one takes [shareOf(count, first, of), shareOf(count, last, of)) of the other.
inline int shareOf(int count, int at, int of) {
  return static_cast<int>(static_cast<std::int64_t>(count) * at / of);
}

}  // namespace kelvaro
