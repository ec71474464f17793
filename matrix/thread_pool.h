#pragma once
// The threads the kernels share. A kernel hands over a count of independent items (rows,
// columns, panels of columns); they are cut into contiguous ranges, which the threads run at
// the same time. Each item keeps its operations and their order whatever range it falls in,
// so the results never depend on the number of threads.
//
// A small pool on std::jthread and atomics rather than OpenMP: ThreadSanitizer sees every
// hand-over (the OpenMP runtime is not built for it and would drown real reports in false
// ones), the count can change while the program runs, and the ranges are fixed by the count
// alone.

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace kelvaro {

// The most threads the kernels use; larger counts are taken as this one.
inline constexpr int kMaxThreadCount = 256;

// The threads the kernels use, the calling one included: setThreadCount's count; else the
// environment variable KELVARO_THREADS when it holds a count (read on first use); else the
// processor's count.
int threadCount();
// A count below 1 goes back to the default.
void setThreadCount(int count);

// The least work, in element operations, of one range of a step shared over the threads.
// The hand-over itself takes well under a microsecond while the threads poll, but a range also
// pays for the rows it finds in another core's cache, for a thread that the system holds back
// while the others wait at the step's end, and for the shares coming out uneven. A range of
// this much work takes a hundred microseconds or more (an operation takes 0.1 ns for a real
// multiply-add in cache to about 1 ns for a complex one from memory), which those costs do
// not eat up; a step with less than two of them stays on the calling thread. A quarter of
// this was enough where a line moved from one core to the other in tens of nanoseconds, but
// on a virtual machine where a counter took at times 460-550 ns to go from one core to the
// other and back (and 60-170 ns minutes later, so it could not be measured once and for all),
// it left QR at 100 and 200 and products at 100 up to 1.3 times slower on three threads than
// on one.
inline constexpr std::int64_t kParallelWork = std::int64_t{1} << 20;
// The threshold in force; tests lower it to share out even the smallest matrices (below 1:
// back to kParallelWork).
std::int64_t leastParallelWork();
void setLeastParallelWork(std::int64_t work);

// The threads that run a shared step: threadCount(), but no more than the processors the
// program may run on. More would only take turns on them, each turn a wait for the others at
// the step's end (on two processors, MatInverse 500 took 1.11x the time of one thread on
// three threads and 1.21x on eight, when all of them ran). The ranges are still cut for
// threadCount(): what a loop gives never depends on either count. Between steps they poll,
// then sleep.
int workingThreads();

// One poll's pause in a loop that waits for another thread.
inline void pollPause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// The least number of items per range for items of about `cost` element operations each.
int grainFor(std::int64_t cost);

// The least number of rows per range for a pass that converts rows of `elements` elements
// each between elements and split parts. Such a pass reads and writes about 40 bytes an
// element in memory, 1.7 ns on one thread at 23 GB/s, where the operations grainFor counts
// take 0.1 ns in cache: an element counts as 16 of them. Counted as one, the conversions of a
// 1000 x 1000 matrix (3 ms) had stayed on the calling thread, while a second thread doubles
// the memory's rate here (`BM_Triad`/1 23 GB/s, /2 48).
inline int passGrainFor(std::int64_t elements) {
  return grainFor(elements * 16);
}

// The ranges parallelFor cuts count items into for this grain: a few per thread, 1 for one
// thread or for work too small to share.
int rangesFor(int count, int grain);

// The factor on the cost of every step of a call whose largest step, count items of `cost`
// each, is shared out: 16, which shares its later, smaller steps down to a sixteenth of the
// least work; 1 otherwise. Where the items stay with the same thread from step to step (rows,
// groups of rows), each thread finds them in its own cache, and the pool's threads poll between
// the steps: once the first step has paid for waking them, the later ones cost little. A call
// too small to share its largest step pays nothing of this. On the Intel machine, two threads
// against one: MatDet 500 21.5 -> 11.3 ms, MatLU 500 8.3 -> 7.5, Cholesky 280 1.30 -> 1.08
// (1.20 on one thread: sharing only its largest steps had cost 8%).
inline int sharedCallScale(int count, std::int64_t cost) {
  return rangesFor(count, grainFor(cost)) > 1 ? 16 : 1;
}

// For a step whose threads all wait for its last range (a panel's rows before the next
// panel): where rangesFor shares the items out at all, up to four times as many ranges, of
// `least` items at the least where that leaves more than rangesFor's. The threads claim ranges
// as they come, so the last range claimed leaves less of a wait: Solve 500 on two threads
// 10.0 -> 9.4 ms on the Intel machine.
int finerRangesFor(int count, int grain, int least);

namespace detail {
using RangeCall = void (*)(void* body, int range, int first, int last);
void runRanges(int count, int ranges, RangeCall call, void* body);
}  // namespace detail

// For the tests that compare thread counts: while recording, every loop that cuts its items
// into more than one range is noted, known by a number of its own (one per loop of the
// source). Stopping gives the loops noted since the start, in increasing order.
void startRecordingSharedLoops();
std::vector<std::uintptr_t> stopRecordingSharedLoops();

// body(first, last) over [0, count) cut into `ranges` contiguous ranges of about the same
// size, which the calling thread and the pool's threads claim one by one as they become free.
// Returns once every range has run; an exception thrown in a range is rethrown then (that of
// the lowest range, when several throw). A call from inside a range, or while another thread
// uses the pool, runs the ranges on the calling thread, in order.
//
// A body(range, first, last) also gets the number of its range, 0 for the lowest: what each
// range finds, kept by that number, comes out in the order of the items.
template <class Body>
void parallelRanges(int count, int ranges, Body&& body) {
  if (count <= 0) return;
  using B = std::remove_reference_t<Body>;
  detail::runRanges(
      count, ranges,
      [](void* b, int range, int first, int last) {
        if constexpr (std::is_invocable_v<B&, int, int, int>)
          (*static_cast<B*>(b))(range, first, last);
        else
          (*static_cast<B*>(b))(first, last);
      },
      const_cast<void*>(static_cast<const void*>(&body)));
}

// The same in rangesFor(count, grain) ranges.
template <class Body>
void parallelFor(int count, int grain, Body&& body) {
  parallelRanges(count, rangesFor(count, grain), std::forward<Body>(body));
}

// The same in finerRangesFor(count, grain, least) ranges.
template <class Body>
void parallelForFine(int count, int grain, int least, Body&& body) {
  parallelRanges(count, finerRangesFor(count, grain, least), std::forward<Body>(body));
}

}  // namespace kelvaro
