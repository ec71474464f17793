// Exact arithmetic at the sizes people bring to it: the determinant of a 200 x 200 integer
// matrix (entries in [-99, 99]), the reduced row echelon form, inverse and solution of a
// 100 x 100 one, the determinant of a 50 x 50 Gaussian-integer matrix. Each runs as the
// commands run it, in a child process. The *_cancel runs start a larger one of each on a
// thread, cancel it after 100 ms and report in "cancel_ms" the longest it took to end after
// that.
// bench/exact_reference.py does the same eliminations in pure Python with fractions.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <thread>

#include "exact/exact_algebra.h"

namespace kelvaro::exact {
namespace {

// The matrices of bench/exact_reference.py: entries in [-99, 99] from the same generator,
// row by row (real part, then imaginary part).
ExactMatrix integerMatrix(int rows, int cols, bool gaussian, std::uint64_t seed) {
  std::uint64_t x = seed;
  const auto next = [&] {
    x = x * 6364136223846793005u + 1442695040888963407u;
    return static_cast<long>((x >> 33) % 199) - 99;
  };
  ExactMatrix m(rows, cols, gaussian);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      m.re(r, c) = Rational(next());
      if (gaussian) m.im(r, c) = Rational(next());
    }
  return m;
}

using Job = std::function<void(const Work&)>;

const ExactMatrix& a200() {
  static const ExactMatrix m = integerMatrix(200, 200, false, 1);
  return m;
}
const ExactMatrix& a100() {
  static const ExactMatrix m = integerMatrix(100, 100, false, 2);
  return m;
}
const ExactMatrix& b100() {
  static const ExactMatrix m = integerMatrix(100, 1, false, 3);
  return m;
}
const ExactMatrix& g50() {
  static const ExactMatrix m = integerMatrix(50, 50, true, 4);
  return m;
}
// Large enough to take seconds.
const ExactMatrix& large(int n, bool gaussian) {
  static const ExactMatrix real = integerMatrix(600, 600, false, 5);
  static const ExactMatrix complex = integerMatrix(300, 300, true, 6);
  static std::map<int, ExactMatrix> cut;
  const ExactMatrix& whole = gaussian ? complex : real;
  auto [it, made] = cut.try_emplace(n * 2 + gaussian, n, n, gaussian);
  if (made)
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) it->second.set(r, c, whole.at(r, c));
  return it->second;
}

// The processor time of the child processes that ended so far, in milliseconds.
double childProcessorMs() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3;
}

// child_cpu_ms: the processor time of the child process per run (on all its threads), which
// a loaded machine disturbs less than the time on the clock. The routines use every core, as
// the commands do.
void run(benchmark::State& state, const Job& job) {
  const double before = childProcessorMs();
  const Work work{nullptr, nullptr, Isolation::Auto,
                  static_cast<int>(std::thread::hardware_concurrency())};
  for (auto _ : state) job(work);
  state.counters["child_cpu_ms"] =
      (childProcessorMs() - before) / static_cast<double>(state.iterations());
}

void cancel(benchmark::State& state, const Job& job) {
  double worst = 0;
  for (auto _ : state) {
    CancelFlag flag;
    std::chrono::steady_clock::time_point cancelled;
    std::thread t([&] {
      try {
        job(Work{&flag, nullptr, Isolation::Always, 2});
      } catch (const CommandCancelled&) {
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancelled = std::chrono::steady_clock::now();
    flag.requestCancel();
    t.join();
    const std::chrono::duration<double, std::milli> took =
        std::chrono::steady_clock::now() - cancelled;
    worst = std::max(worst, took.count());
  }
  state.counters["cancel_ms"] = worst;
}

const Job kDet200 = [](const Work& w) { benchmark::DoNotOptimize(determinant(a200(), w)); };
const Job kRref100 = [](const Work& w) { benchmark::DoNotOptimize(reducedRowEchelon(a100(), w)); };
const Job kInverse100 = [](const Work& w) { benchmark::DoNotOptimize(inverse(a100(), w)); };
const Job kSolve100 = [](const Work& w) { benchmark::DoNotOptimize(solve(a100(), b100(), w)); };
const Job kDetGaussian50 = [](const Work& w) { benchmark::DoNotOptimize(determinant(g50(), w)); };

BENCHMARK_CAPTURE(run, det_200, kDet200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, rref_100, kRref100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, inverse_100, kInverse100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, solve_100, kSolve100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, det_gaussian_50, kDetGaussian50)->Unit(benchmark::kMillisecond);
const Job kDetLarge = [](const Work& w) { determinant(large(600, false), w); };
const Job kRrefLarge = [](const Work& w) { reducedRowEchelon(large(400, false), w); };
const Job kInverseLarge = [](const Work& w) { inverse(large(250, false), w); };
const Job kSolveLarge = [](const Work& w) { solve(large(500, false), large(500, false), w); };
const Job kDetGaussianLarge = [](const Work& w) { determinant(large(300, true), w); };
BENCHMARK_CAPTURE(cancel, det_600, kDetLarge)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(cancel, rref_400, kRrefLarge)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(cancel, inverse_250, kInverseLarge)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(cancel, solve_500, kSolveLarge)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(cancel, det_gaussian_300, kDetGaussianLarge)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvaro::exact
