// Every parallel kernel over sizes x thread counts, for checking that more threads never cost.
// The arguments of each run are the size and the thread count. The sizes and counts default to
// 50..1000 and 1, 2; KELVARO_SWEEP_SIZES and KELVARO_SWEEP_THREADS (comma-separated) replace
// them. Compare the counts within one run, interleaved and repeated, since other programs on the
// machine shift every time (bench/thread_table.py turns the JSON into a table):
//   thread_sweep_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
//     --benchmark_format=json > sweep.json
// and, to mark the runs that shared no step, KELVARO_SWEEP_SHARED=1 thread_sweep_bench
//   --benchmark_min_time=0.01 --benchmark_format=json > shared.json.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bench_matrices.h"
#include "matrix/Zezizir2.h"
#include "matrix/thread_pool.h"

namespace kelvaro {
namespace {

std::vector<std::int64_t> listFrom(const char* variable, std::vector<std::int64_t> fallback) {
  const char* text = std::getenv(variable);
  if (!text) return fallback;
  std::vector<std::int64_t> values;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (const long value = std::strtol(item.c_str(), nullptr, 10); value > 0)
      values.push_back(value);
  return values.empty() ? fallback : values;
}

void sizesAndThreads(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({listFrom("KELVARO_SWEEP_SIZES", {50, 100, 200, 500, 1000}),
                  listFrom("KELVARO_SWEEP_THREADS", {1, 2})})
      ->ArgNames({"n", "threads"})
      ->Unit(benchmark::kMillisecond);
}

// Runs routine(copy of the operand) under the run's thread count; the copy is not timed. An
// untimed run first: the results then have their memory, as the window's registers keep it
// from one command to the next. Without it a run of one iteration (most runs from 2000 on)
// timed the first touch of the results' fresh pages, or not, as the benchmark's trial run had
// left them: Cholesky 2000 on two threads took 690 ms in one repetition and 192 in the next
// (with the untimed run, 123 and 124). With
// KELVARO_SWEEP_SHARED set, one more untimed run counts the loops that were cut into ranges
// (counter shared_loops): where none was, the run took the one-thread code.
template <typename Routine>
void onCopies(benchmark::State& state, const RCOMat& a, Routine routine) {
  setThreadCount(static_cast<int>(state.range(1)));
  RCOMat work = a;
  routine(work);
  for (auto _ : state) {
    state.PauseTiming();
    work = a;
    state.ResumeTiming();
    routine(work);
  }
  if (std::getenv("KELVARO_SWEEP_SHARED")) {
    work = a;
    startRecordingSharedLoops();
    routine(work);
    state.counters["shared_loops"] = static_cast<double>(stopRecordingSharedLoops().size());
  }
  setThreadCount(0);
}

int size(const benchmark::State& state) {
  return static_cast<int>(state.range(0));
}

void BM_MatMul(benchmark::State& state) {
  const RCOMat b = bench::randomMatrix(size(state), 2);
  RCOMat c;
  int err = 0;
  onCopies(state, bench::randomMatrix(size(state), 1), [&](RCOMat& a) { MatMul(a, b, c, err); });
}

void BM_MatInverse(benchmark::State& state) {
  const int n = size(state);
  RCoVecD re, im;
  RCOMat r;
  onCopies(state, bench::randomMatrix(n, 3), [&](RCOMat& a) {
    re.clear();
    im.clear();
    for (const Element& e : a.elements()) re.push_back(e.re()), im.push_back(e.im());
    benchmark::DoNotOptimize(MatInverse(n, re, im, r));
  });
}

void BM_MatInvLU(benchmark::State& state) {
  RCOMat r;
  int err = 0;
  onCopies(state, bench::randomMatrix(size(state), 4), [&](RCOMat& a) { MatInvLU(a, r, err); });
}

void BM_MatDet(benchmark::State& state) {
  const int n = size(state);
  Element d;
  onCopies(state, bench::randomMatrix(n, 4), [&](RCOMat& a) { MatDet(a, n, n, d); });
}

void BM_MatRank(benchmark::State& state) {
  const int n = size(state);
  onCopies(state, bench::randomMatrix(n, 4),
           [&](RCOMat& a) { benchmark::DoNotOptimize(MatRank(a, n, n)); });
}

void BM_MatLU(benchmark::State& state) {
  const int n = size(state);
  RCOMat l, u;
  onCopies(state, bench::randomMatrix(n, 4), [&](RCOMat& a) {
    l.resize(n, n);
    u.resize(n, n);
    benchmark::DoNotOptimize(MatLU(a, l, u, n, n));
  });
}

void BM_Cholesky(benchmark::State& state) {
  // A + A^H with n added to the diagonal: Hermitian and positive definite.
  const int n = size(state);
  const RCOMat a = bench::randomMatrix(n, 5);
  RCOMat h(n, n), l, d;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      h[i][j] = Element::complex(a[i][j].re() + a[j][i].re(), a[i][j].im() - a[j][i].im());
  onCopies(state, h, [&](RCOMat& m) { benchmark::DoNotOptimize(choleskyLDL(m, l, d)); });
}

void BM_QR(benchmark::State& state) {
  const int n = size(state);
  RCOMat q;
  onCopies(state, bench::randomMatrix(n, 6, false), [&](RCOMat& r) {
    q.resize(n, n);
    MatQR(r, n, n, q);
  });
}

void BM_Eig(benchmark::State& state) {
  onCopies(state, bench::randomMatrix(size(state), 7, false),
           [](RCOMat& a) { bench::eigenvalues(a); });
}

void BM_Svd(benchmark::State& state) {
  const int n = size(state);
  RCOMat u, v;
  onCopies(state, bench::randomMatrix(n, 8, false),
           [&](RCOMat& a) { benchmark::DoNotOptimize(MatSvd(a, u, v, n, n, 1e-15L)); });
}

// Solve(A,B) with B = A: Gauss-Jordan on [A|A], n x 2n, real or complex.
void solveBoth(benchmark::State& state, bool complex) {
  const int n = size(state);
  if (2LL * n * n > kMaxMatrixElements) {
    state.SkipWithError("[A|A] has more elements than a matrix may have");
    return;
  }
  const RCOMat a = bench::randomMatrix(n, 9, complex);
  RCOMat both(n, 2 * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) both[i][j] = both[i][n + j] = a[i][j];
  onCopies(state, both, [](RCOMat& m) { benchmark::DoNotOptimize(MatRref(m).pivotColumns); });
}

void BM_Solve(benchmark::State& state) {
  solveBoth(state, false);
}

void BM_SolveComplex(benchmark::State& state) {
  solveBoth(state, true);
}

BENCHMARK(BM_MatMul)->Apply(sizesAndThreads);
BENCHMARK(BM_MatInverse)->Apply(sizesAndThreads);
BENCHMARK(BM_MatInvLU)->Apply(sizesAndThreads);
BENCHMARK(BM_MatDet)->Apply(sizesAndThreads);
BENCHMARK(BM_MatRank)->Apply(sizesAndThreads);
BENCHMARK(BM_MatLU)->Apply(sizesAndThreads);
BENCHMARK(BM_Cholesky)->Apply(sizesAndThreads);
BENCHMARK(BM_QR)->Apply(sizesAndThreads);
BENCHMARK(BM_Eig)->Apply(sizesAndThreads);
BENCHMARK(BM_Svd)->Apply(sizesAndThreads);
BENCHMARK(BM_Solve)->Apply(sizesAndThreads);
BENCHMARK(BM_SolveComplex)->Apply(sizesAndThreads);

}  // namespace
}  // namespace kelvaro
