#include "matrix/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include <sched.h>

namespace kelvaro {

namespace {

// Ranges per thread: enough that a thread slowed down (by other programs, or by a range of
// more work) holds up the others by little.
constexpr int kRangesPerThread = 4;
// How long a waiting thread polls before it sleeps: longer than the gap between two parallel
// steps of a kernel, and short enough not to hold a core long when idle. Counted in time, not
// in polls: the pause instruction takes a few cycles on some processors and over a hundred on
// others, and a thread that falls asleep between two steps makes the next hand-over cost a
// wake-up through the system.
constexpr auto kSpinTime = std::chrono::microseconds(50);
// Polls between two looks at the clock.
constexpr int kPollsPerLook = 32;

int countFromText(const char* text) {
  if (!text) return 0;
  const std::string_view digits(text);
  if (digits.empty() || digits.size() > 4 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::min(std::atoi(text), kMaxThreadCount);
}

// The processors this program may run on, at least 1; asked once (the answer is read from
// files). Those it is allowed, where the system says: under `taskset -c 0` that is one of two.
int processorCount() {
  static const int count = [] {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int reported = sched_getaffinity(0, sizeof allowed, &allowed) == 0
                             ? CPU_COUNT(&allowed)
                             : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(reported, 1, kMaxThreadCount);
  }();
  return count;
}

int defaultCount() {
  static const int count = [] {
    if (const int fromEnvironment = countFromText(std::getenv("KELVARO_THREADS")))
      return fromEnvironment;
    return processorCount();
  }();
  return count;
}

std::atomic<int> chosenCount{0};  // 0: the default
std::atomic<std::int64_t> parallelWork{kParallelWork};

std::atomic<bool> recordingLoops{false};
std::mutex recordedMutex;
std::vector<std::uintptr_t> recordedLoops;

void recordLoop(detail::RangeCall call) {
  const auto id = reinterpret_cast<std::uintptr_t>(call);
  const std::lock_guard lock(recordedMutex);
  if (std::find(recordedLoops.begin(), recordedLoops.end(), id) == recordedLoops.end())
    recordedLoops.push_back(id);
}

// Set on the pool's threads, and on a caller while it runs its own range.
thread_local bool insideRange = false;

// The ranges of a job are claimed one at a time by whoever is free: the calling thread and
// the pool's threads that join while the job is open. Each thread has a share of them, a run
// of neighbouring ranges, and claims its own before any other's: a kernel that cuts step after
// step the same way finds each row on the core that worked on it before, in its cache. A
// thread that the system holds back joins late or not at all, and the others take its share,
// rather than all waiting for it.
class Pool {
 public:
  ~Pool() { resize(0); }

  // Runs the job on `threads` threads, the caller's included; false, with nothing run, when
  // another thread has the pool.
  bool tryRun(int threads, int count, int ranges, detail::RangeCall call, void* body) {
    std::unique_lock lock(busy_, std::try_to_lock);
    if (!lock.owns_lock()) return false;
    resize(threads - 1);
    std::vector<std::exception_ptr> errors(ranges);
    // No pool thread is in a job now: job_ is the caller's to write.
    job_ = {count, ranges, threads, call, body, errors.data()};
    for (int t = 0; t < threads; ++t) {
      shares_[t].next.store(shareStart(ranges, t, threads), std::memory_order_relaxed);
      shares_[t].end = shareStart(ranges, t + 1, threads);
    }
    state_.store(kOpen, std::memory_order_release);
    wake_.fetch_add(1, std::memory_order_release);
    wake_.notify_all();
    runRanges(0);
    // Closed: from now on nobody joins; wait for those that did.
    for (std::uint32_t s = state_.fetch_and(~kOpen, std::memory_order_acq_rel) & ~kOpen; s != 0;
         s = state_.load(std::memory_order_acquire))
      waitWhile(state_, s);
    for (const std::exception_ptr& error : errors)
      if (error) std::rethrow_exception(error);
    return true;
  }

 private:
  struct Job {
    int count = 0, ranges = 0, threads = 0;
    detail::RangeCall call = nullptr;
    void* body = nullptr;
    std::exception_ptr* errors = nullptr;
  };
  // state_: this bit while a job takes new threads, below it the count of pool threads in it.
  static constexpr std::uint32_t kOpen = 1u << 31;

  template <class T>
  void waitWhile(std::atomic<T>& value, T old) const {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    do {
      for (int i = 0; i < kPollsPerLook; ++i) {
        if (value.load(std::memory_order_acquire) != old) return;
        pollPause();
      }
    } while (std::chrono::steady_clock::now() < until);
    value.wait(old, std::memory_order_acquire);
  }

  // Where the share of thread `at` of `threads` begins among `ranges` ranges.
  static int shareStart(int ranges, int at, int threads) {
    return static_cast<int>(static_cast<long long>(ranges) * at / threads);
  }

  // A range of the current job not yet claimed, or -1: from the share of thread `own` first,
  // then from the others' in turn. `passed` counts the shares found empty.
  int claim(int own, int& passed) {
    for (; passed < job_.threads; ++passed) {
      Share& share = shares_[(own + passed) % job_.threads];
      const int range = share.next.fetch_add(1, std::memory_order_relaxed);
      if (range < share.end) return range;
    }
    return -1;
  }

  // Claims and runs ranges of the current job, as thread `own`, until none is left.
  void runRanges(int own) {
    const Job& job = job_;
    const bool wasInside = insideRange;
    insideRange = true;
    int passed = 0;
    for (int range; (range = claim(own, passed)) >= 0;) {
      const auto first = static_cast<int>(static_cast<long long>(job.count) * range / job.ranges);
      const auto last =
          static_cast<int>(static_cast<long long>(job.count) * (range + 1) / job.ranges);
      try {
        job.call(job.body, range, first, last);
      } catch (...) {
        job.errors[range] = std::current_exception();
      }
    }
    insideRange = wasInside;
  }

  // Joins the job that is open, if one is.
  bool join() {
    std::uint32_t s = state_.load(std::memory_order_acquire);
    while (s & kOpen)
      if (state_.compare_exchange_weak(s, s + 1, std::memory_order_acq_rel)) return true;
    return false;
  }

  void work(std::uint32_t seen, int own) {
    insideRange = true;
    for (;;) {
      for (std::uint32_t now; (now = wake_.load(std::memory_order_acquire)) == seen;)
        waitWhile(wake_, now);
      seen = wake_.load(std::memory_order_acquire);
      if (stop_.load(std::memory_order_acquire)) return;
      if (!join()) continue;
      runRanges(own);
      if (state_.fetch_sub(1, std::memory_order_acq_rel) == 1) state_.notify_all();
    }
  }

  // Called with busy_ held (or from the destructor).
  void resize(int workers) {
    if (static_cast<int>(workers_.size()) == workers) return;
    stop_.store(true, std::memory_order_release);
    wake_.fetch_add(1, std::memory_order_release);
    wake_.notify_all();
    workers_.clear();  // joins
    stop_.store(false, std::memory_order_release);
    const std::uint32_t now = wake_.load(std::memory_order_acquire);
    for (int i = 0; i < workers; ++i) workers_.emplace_back([this, now, i] { work(now, i + 1); });
  }

  std::mutex busy_;
  std::vector<std::jthread> workers_;
  std::atomic<std::uint32_t> wake_{0};
  std::atomic<std::uint32_t> state_{0};
  // The next range of each thread's share, and where the share ends; a cache line each.
  struct alignas(64) Share {
    std::atomic<int> next{0};
    int end = 0;
  };
  Share shares_[kMaxThreadCount];
  std::atomic<bool> stop_{false};
  Job job_;
};

Pool& pool() {
  static Pool instance;
  return instance;
}

}  // namespace

std::int64_t leastParallelWork() {
  return parallelWork.load(std::memory_order_relaxed);
}

void setLeastParallelWork(std::int64_t work) {
  parallelWork.store(work < 1 ? kParallelWork : work, std::memory_order_relaxed);
}

int grainFor(std::int64_t cost) {
  const std::int64_t least = leastParallelWork();
  return cost >= least ? 1 : static_cast<int>(least / std::max<std::int64_t>(cost, 1));
}

int rangesFor(int count, int grain) {
  const int threads = threadCount();
  return threads <= 1 ? 1 : std::clamp(count / std::max(grain, 1), 1, kRangesPerThread * threads);
}

int finerRangesFor(int count, int grain, int least) {
  const int ranges = rangesFor(count, grain);
  return ranges > 1 ? std::clamp(count / std::max(least, 1), ranges, 4 * ranges) : 1;
}

int workingThreads() {
  return std::min(threadCount(), processorCount());
}

int threadCount() {
  const int chosen = chosenCount.load(std::memory_order_relaxed);
  return chosen > 0 ? chosen : defaultCount();
}

void setThreadCount(int count) {
  chosenCount.store(std::clamp(count, 0, kMaxThreadCount), std::memory_order_relaxed);
}

namespace detail {

void runRanges(int count, int ranges, RangeCall call, void* body) {
  const int threads = workingThreads();
  if (ranges > 1 && recordingLoops.load(std::memory_order_relaxed)) recordLoop(call);
  if (ranges <= 1 || threads <= 1 || insideRange ||
      !pool().tryRun(threads, count, std::min(ranges, count), call, body)) {
    // One thread runs the ranges in order: the numbers they report to are the same.
    for (int range = 0; range < ranges; ++range)
      call(body, range, static_cast<int>(static_cast<long long>(count) * range / ranges),
           static_cast<int>(static_cast<long long>(count) * (range + 1) / ranges));
  }
}

}  // namespace detail

void startRecordingSharedLoops() {
  const std::lock_guard lock(recordedMutex);
  recordedLoops.clear();
  recordingLoops.store(true, std::memory_order_relaxed);
}

std::vector<std::uintptr_t> stopRecordingSharedLoops() {
  recordingLoops.store(false, std::memory_order_relaxed);
  const std::lock_guard lock(recordedMutex);
  std::vector<std::uintptr_t> loops = std::move(recordedLoops);
  recordedLoops.clear();
  std::sort(loops.begin(), loops.end());
  return loops;
}

}  // namespace kelvaro
