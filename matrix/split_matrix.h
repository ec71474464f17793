#pragma once
// A matrix of complex values as two row-major arrays of doubles, the form the fast paths of
// the library run on. Only a matrix whose every element is complex takes this form: integer,
// real and empty elements follow other arithmetic rules, so those go the element way.

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "matrix/thread_pool.h"
#include "numbers/array_memory.h"
#include "numbers/cancel_flag.h"
#include "numbers/rcomat.h"

namespace kelvaro {

// Whether row(r) holds for every row r < rows of `cols` elements: a pass over elements (see
// passGrainFor), the rows shared out over the threads, which look at the cancel flag every so
// many elements and stop at the first row for which it does not.
template <class Row>
bool everyRow(int rows, int cols, const CancelFlag* cancel, Row row) {
  std::atomic<bool> all{true};
  parallelFor(rows, passGrainFor(cols), [&](int first, int last) {
    CancelCountdown countdown(cancel);
    for (int r = first; r < last && all.load(std::memory_order_relaxed); ++r) {
      countdown.tick(cols);
      if (!row(r)) {
        all.store(false, std::memory_order_relaxed);
        return;
      }
    }
  });
  return all.load(std::memory_order_relaxed);
}

// A vector's allocator that leaves the elements it adds unset, in memory from allocateArray.
// The split arrays are written whole before they are read, by the threads: their first touch
// of the memory is then shared out too.
template <class T>
struct UnsetAllocator : std::allocator<T> {
  UnsetAllocator() = default;
  template <class U>
  UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocateArray(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { releaseArray(p, n * sizeof(T)); }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using DoubleArray = std::vector<double, UnsetAllocator<double>>;
// Doubles set as std::vector sets them, on a cache line as every array from allocateArray:
// a kernel's work rows, whose vectors would otherwise straddle two lines.
using LineDoubles = std::vector<double, ArrayAllocator<double>>;

struct SplitMatrix {
  int rows = 0;
  int cols = 0;
  DoubleArray re, im;

  double* rowRe(int r) { return re.data() + static_cast<std::size_t>(r) * cols; }
  double* rowIm(int r) { return im.data() + static_cast<std::size_t>(r) * cols; }
  const double* rowRe(int r) const { return re.data() + static_cast<std::size_t>(r) * cols; }
  const double* rowIm(int r) const { return im.data() + static_cast<std::size_t>(r) * cols; }

  // Exchanges the elements in columns c1 and c2 of row r; their real parts alone where
  // `realOnly` (the imaginary parts known to be equal).
  void swapInRow(int r, int c1, int c2, bool realOnly = false) {
    std::swap(rowRe(r)[c1], rowRe(r)[c2]);
    if (!realOnly) std::swap(rowIm(r)[c1], rowIm(r)[c2]);
  }
};

// True when every element of m is complex (an empty matrix counts).
bool allComplex(const RCOMat& m);

// v := size zeros. The first touch of a large array's memory takes long: the zeros go in in
// parts, shared out over the threads, with a look at the cancel flag before each.
void assignZeros(DoubleArray& v, std::size_t size, const CancelFlag* cancel);

// s := the parts of m and true, when every element of m is complex (an empty matrix counts)
// and, where `finite`, has finite parts; else false, and s is left empty. One pass: the rows
// are shared out over the threads, which look at the cancel flag every so many elements and
// stop at the first element of another kind.
bool splitIfComplex(const RCOMat& m, SplitMatrix& s, const CancelFlag* cancel, bool finite = false);
// The same with `finite` for the elements of each row r from column r - r % tile on: the upper
// triangle of m and the lower halves of the tile x tile blocks along its diagonal. s's other
// parts are left unset, and the elements there are neither read nor looked at.
bool splitUpperIfComplex(const RCOMat& m, SplitMatrix& s, const CancelFlag* cancel, int tile);
// v := the real parts of m, row-major, and true, where every element's imaginary part is a
// zero of either sign (of any kind); else false, with v partly written. One pass for the look
// and the copy, shared out as splitIfComplex's.
bool splitIfReal(const RCOMat& m, DoubleArray& v, const CancelFlag* cancel);
// Whether s holds real values: every real part finite, every imaginary part a zero, of either
// sign, or where `plusZeros` +0 alone (as a pane of real numbers reads).
bool realValued(const SplitMatrix& s, bool plusZeros);
// m := rows x cols complex elements from s, in the same way.
void assignFrom(const SplitMatrix& s, RCOMat& m, const CancelFlag* cancel = nullptr);
// out := the rows x cols complex elements of the row-major parts re and im (real elements
// where im is null), the rows shared out in the same way (what assignFrom writes, from parts
// held elsewhere).
void writeElementRows(int rows, int cols, const double* re, const double* im, Element* out,
                      const CancelFlag* cancel);

// out[j] := Element::complex(re[j], im[j]) for j < count; Element::real(re[j]) where im is
// null, Element::real(0) where both are. Where `stream`, most of it goes around the caches:
// the thread calls streamsDone() before anything else reads it.
void writeElements(long count, const double* re, const double* im, Element* out, bool stream);
// out[j] := Element::complex(re[j], 0.0) for j < count, in the same way.
void writeRealsAsComplex(long count, const double* re, Element* out, bool stream);
// out[j] := Element::integer(0) for j < count, in the same way.
void writeIntegerZeros(long count, Element* out, bool stream);
void streamsDone();
// Whether a result of this many elements is written around the caches. A large result would
// only push the operation's own arrays out of them on its way to memory: 24 MB of elements
// written went from 3.5 to 1.6 ms once other work had passed 64 MB through the caches.
bool streamResult(std::size_t elements);

}  // namespace kelvaro
