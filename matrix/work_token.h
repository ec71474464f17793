#pragma once
// The token of one running command: the cancel request, and how far the work has come in
// steps done of steps known (pivot steps, reflections, sweeps, products, the commands of
// Auto). The thread that runs the command writes it; any other thread may read it and ask
// for the stop. Routines take it as an optional pointer: without one they only compute.

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "numbers/cancel_flag.h"

namespace kelvaro {

class WorkToken : public CancelFlag {
 public:
  // The routine starting now has `known` steps, none of them done yet.
  void begin(std::uint64_t known) noexcept {
    done_.store(0, std::memory_order_relaxed);
    known_.store(known, std::memory_order_relaxed);
  }
  void advance(std::uint64_t count = 1) noexcept {
    done_.fetch_add(count, std::memory_order_relaxed);
  }
  // The routine ended before its last step: what it skipped needs no doing.
  void finish() noexcept { done_.store(known(), std::memory_order_relaxed); }
  std::uint64_t done() const noexcept { return done_.load(std::memory_order_relaxed); }
  std::uint64_t known() const noexcept { return known_.load(std::memory_order_relaxed); }

  // A run of several commands (Auto): count of them, each ending with sequenceAdvance(). Each
  // routine in a command begins its own count of steps.
  void beginSequence(int count) noexcept {
    sequenceDone_.store(0, std::memory_order_relaxed);
    sequenceKnown_.store(count, std::memory_order_relaxed);
    begin(0);
  }
  void sequenceAdvance() noexcept {
    begin(0);
    sequenceDone_.fetch_add(1, std::memory_order_relaxed);
  }
  int sequenceDone() const noexcept { return sequenceDone_.load(std::memory_order_relaxed); }
  int sequenceKnown() const noexcept { return sequenceKnown_.load(std::memory_order_relaxed); }

  // The share of the work done, 0 to 1: that of the running routine, or within a sequence
  // the commands done plus that share of the current one. The counts are read one by one
  // while they change, so a reading can be a step off; it stays within 0 and 1.
  double fraction() const noexcept {
    const std::uint64_t known = this->known(), done = this->done();
    const double routine = known == 0 ? 0.0 : std::min(1.0, static_cast<double>(done) / known);
    const int commands = sequenceKnown();
    if (commands <= 0) return routine;
    const int finished = std::min(sequenceDone(), commands);
    return std::min(1.0, (finished + (finished < commands ? routine : 0.0)) / commands);
  }

 private:
  std::atomic<std::uint64_t> done_{0}, known_{0};
  std::atomic<int> sequenceDone_{0}, sequenceKnown_{0};
};

// The calls the routines make, for a token that may be absent.
inline void beginWork(WorkToken* work, std::uint64_t known) {
  if (work) work->begin(known);
}
inline void stepDone(WorkToken* work, std::uint64_t count = 1) {
  if (work) work->advance(count);
}
inline void finishWork(WorkToken* work) {
  if (work) work->finish();
}

}  // namespace kelvaro
