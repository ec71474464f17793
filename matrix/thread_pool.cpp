#include "matrix/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace kelvaro {

namespace {

constexpr int kMaxThreads = 256;
// Polls of a waiting thread before it sleeps: tens of microseconds, about the gap between
// two parallel steps of a kernel, and short enough not to hold a core long when idle.
constexpr int kSpins = 4000;

void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

int countFromText(const char* text) {
  if (!text) return 0;
  const std::string_view digits(text);
  if (digits.empty() || digits.size() > 4 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::min(std::atoi(text), kMaxThreads);
}

int defaultCount() {
  static const int count = [] {
    if (const int fromEnvironment = countFromText(std::getenv("KELVARO_THREADS")))
      return fromEnvironment;
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : std::min(static_cast<int>(processors), kMaxThreads);
  }();
  return count;
}

std::atomic<int> chosenCount{0};  // 0: the default
std::atomic<std::int64_t> parallelWork{kParallelWork};

// Set on the pool's threads, and on a caller while it runs its own range.
thread_local bool insideRange = false;

class Pool {
 public:
  ~Pool() { resize(0); }

  // Runs the job in parts (at most threads of them); false, with nothing run, when another
  // thread has the pool.
  bool tryRun(int threads, int count, int parts, detail::RangeCall call, void* body) {
    std::unique_lock lock(busy_, std::try_to_lock);
    if (!lock.owns_lock()) return false;
    resize(threads - 1);
    std::vector<std::exception_ptr> errors(parts);
    job_ = {count, parts, call, body, errors.data()};
    pending_.store(static_cast<int>(workers_.size()), std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    runPart(0);
    for (int left; (left = pending_.load(std::memory_order_acquire)) != 0;)
      waitWhile(pending_, left);
    for (const std::exception_ptr& error : errors)
      if (error) std::rethrow_exception(error);
    return true;
  }

 private:
  struct Job {
    int count = 0, parts = 0;
    detail::RangeCall call = nullptr;
    void* body = nullptr;
    std::exception_ptr* errors = nullptr;
  };

  template <class T>
  void waitWhile(std::atomic<T>& value, T old) const {
    for (int i = 0; i < spins_; ++i) {
      if (value.load(std::memory_order_acquire) != old) return;
      relax();
    }
    value.wait(old, std::memory_order_acquire);
  }

  void runPart(int part) {
    const Job& job = job_;
    if (part >= job.parts) return;
    const auto first = static_cast<int>(static_cast<long long>(job.count) * part / job.parts);
    const auto last = static_cast<int>(static_cast<long long>(job.count) * (part + 1) / job.parts);
    const bool wasInside = insideRange;
    insideRange = true;
    try {
      job.call(job.body, part, first, last);
    } catch (...) {
      job.errors[part] = std::current_exception();
    }
    insideRange = wasInside;
  }

  void work(int part, std::uint32_t seen) {
    insideRange = true;
    for (;;) {
      for (std::uint32_t now; (now = generation_.load(std::memory_order_acquire)) == seen;)
        waitWhile(generation_, now);
      seen = generation_.load(std::memory_order_acquire);
      if (stop_.load(std::memory_order_acquire)) return;
      runPart(part);
      if (pending_.fetch_sub(1, std::memory_order_acq_rel) == 1) pending_.notify_one();
    }
  }

  // Called with busy_ held (or from the destructor).
  void resize(int workers) {
    if (static_cast<int>(workers_.size()) == workers) return;
    stop_.store(true, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    workers_.clear();  // joins
    // More threads than processors: a polling thread would only keep a working one waiting.
    spins_ = workers < static_cast<int>(std::thread::hardware_concurrency()) ? kSpins : 0;
    stop_.store(false, std::memory_order_release);
    const std::uint32_t now = generation_.load(std::memory_order_acquire);
    for (int part = 1; part <= workers; ++part)
      workers_.emplace_back([this, part, now] { work(part, now); });
  }

  std::mutex busy_;
  std::vector<std::jthread> workers_;
  std::atomic<std::uint32_t> generation_{0};
  std::atomic<int> pending_{0};
  std::atomic<bool> stop_{false};
  int spins_ = kSpins;
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
  return std::clamp(count / std::max(grain, 1), 1, threadCount());
}

int threadCount() {
  const int chosen = chosenCount.load(std::memory_order_relaxed);
  return chosen > 0 ? chosen : defaultCount();
}

void setThreadCount(int count) {
  chosenCount.store(std::clamp(count, 0, kMaxThreads), std::memory_order_relaxed);
}

namespace detail {

void runRanges(int count, int ranges, RangeCall call, void* body) {
  const int threads = threadCount();
  ranges = std::min({ranges, count, threads});
  if (ranges <= 1 || insideRange || !pool().tryRun(threads, count, ranges, call, body))
    call(body, 0, 0, count);
}

}  // namespace detail

}  // namespace kelvaro
