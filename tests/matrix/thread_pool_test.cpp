#include "matrix/thread_pool.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace kelvaro {
namespace {

// Asked for more threads than the processors the program may run on, a shared step runs on
// no more threads than those processors (more would only take turns on them), while its items
// are still cut into the ranges of the count asked for, each run once.
TEST(ThreadPool, AStepRunsOnNoMoreThreadsThanTheProcessors) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  const int processors = CPU_COUNT(&allowed);
  const int asked = std::min(processors + 3, kMaxThreadCount);
  setThreadCount(asked);
  EXPECT_EQ(workingThreads(), std::min(asked, processors));

  constexpr int kItems = 1000;
  const int ranges = 4 * asked;
  std::mutex mutex;
  std::set<std::thread::id> threads;
  std::vector<int> runs(kItems, 0);
  std::vector<int> cuts;
  parallelRanges(kItems, ranges, [&](int, int first, int last) {
    // Long enough for every thread the pool has to join in.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const std::lock_guard lock(mutex);
    threads.insert(std::this_thread::get_id());
    cuts.push_back(first);
    for (int i = first; i < last; ++i) ++runs[i];
  });
  setThreadCount(0);

  EXPECT_LE(static_cast<int>(threads.size()), processors);
  EXPECT_EQ(static_cast<int>(cuts.size()), ranges);
  EXPECT_TRUE(std::all_of(runs.begin(), runs.end(), [](int r) { return r == 1; }));
}

}  // namespace
}  // namespace kelvaro
