// Speed of the complex matrix routines on random well-conditioned matrices, on one thread and
// on two (the last argument of each run).
#include <benchmark/benchmark.h>

#include "bench_matrices.h"
#include "matrix/Zezizir2.h"
#include "matrix/simd_path.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

namespace kelvaro {
namespace {

RCOMat randomComplex(int n, unsigned seed) {
  return bench::randomMatrix(n, seed);
}

// The kernels' thread count from argument `arg`.
void setThreads(benchmark::State& state, int arg) {
  setThreadCount(static_cast<int>(state.range(arg)));
  state.counters["threads"] = static_cast<double>(threadCount());
}

void setPath(benchmark::State& state) {
  const auto path = static_cast<SimdPath>(state.range(1));
  if (!setSimdPath(path)) state.SkipWithError("path not supported here");
  state.SetLabel(simdPathName(path));
}

void BM_MatMul(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setPath(state);
  setThreads(state, 2);
  const RCOMat a = randomComplex(n, 1), b = randomComplex(n, 2);
  RCOMat c;
  int err = 0;
  for (auto _ : state) {
    MatMul(a, b, c, err);
    benchmark::DoNotOptimize(c[0][0]);
  }
  // Eight flops per complex multiply-add.
  state.counters["GFLOP/s"] = benchmark::Counter(
      8.0 * n * n * n, benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1000);
  setSimdPath(SimdPath::Avx512) || setSimdPath(SimdPath::Avx2);
}
BENCHMARK(BM_MatMul)->ArgsProduct({{200, 1000}, {0, 1, 2}, {1, 2}})->Unit(benchmark::kMillisecond);

// The product of matrices read from a pane of real numbers: complex elements whose imaginary
// parts are all +0.
void BM_MatMulRealValues(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state, 1);
  const auto realValues = [n](unsigned seed) {
    RCOMat m = bench::randomMatrix(n, seed, false);
    for (auto& e : m.elements()) e = Element::complex(e.re(), 0.0);
    return m;
  };
  const RCOMat a = realValues(1), b = realValues(2);
  RCOMat c;
  int err = 0;
  for (auto _ : state) {
    MatMul(a, b, c, err);
    benchmark::DoNotOptimize(c[0][0]);
  }
  setThreadCount(0);
}
BENCHMARK(BM_MatMulRealValues)->ArgsProduct({{200, 1000}, {1, 2}})->Unit(benchmark::kMillisecond);

// Sizes and thread counts of the other routines.
void sizesAndThreads(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{200, 1000}, {1, 2}})->Unit(benchmark::kMillisecond);
}

void BM_MatInverse(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state, 1);
  const RCOMat a = randomComplex(n, 3);
  RCoVecD re, im;
  RCOMat r;
  for (auto _ : state) {
    state.PauseTiming();
    re.clear();
    im.clear();
    for (const Element& e : a.elements()) re.push_back(e.re()), im.push_back(e.im());
    state.ResumeTiming();
    benchmark::DoNotOptimize(MatInverse(n, re, im, r));
  }
}
BENCHMARK(BM_MatInverse)->Apply(sizesAndThreads);

// Routines that overwrite their operand get a fresh copy outside the timing. realValues: the
// operand's real parts with +0 imaginary parts, as a pane of real numbers reads.
template <typename Routine>
void runOnCopies(benchmark::State& state, Routine routine, bool realValues = false) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state, 1);
  RCOMat a = randomComplex(n, 4);
  if (realValues)
    for (auto& e : a.elements()) e = Element::complex(e.re(), 0.0);
  RCOMat work;
  for (auto _ : state) {
    state.PauseTiming();
    work = a;
    state.ResumeTiming();
    routine(work, n);
  }
}

void BM_MatInvLU(benchmark::State& state) {
  RCOMat r;
  int err = 0;
  runOnCopies(state, [&](RCOMat& m, int) { MatInvLU(m, r, err); });
}
BENCHMARK(BM_MatInvLU)->Apply(sizesAndThreads);

void BM_MatInvLURealValues(benchmark::State& state) {
  RCOMat r;
  int err = 0;
  runOnCopies(
      state, [&](RCOMat& m, int) { MatInvLU(m, r, err); }, true);
}
BENCHMARK(BM_MatInvLURealValues)->Apply(sizesAndThreads);

void BM_MatDet(benchmark::State& state) {
  Element d;
  runOnCopies(state, [&](RCOMat& m, int n) { MatDet(m, n, n, d); });
}
BENCHMARK(BM_MatDet)->Apply(sizesAndThreads);

void BM_MatRank(benchmark::State& state) {
  runOnCopies(state, [](RCOMat& m, int n) { benchmark::DoNotOptimize(MatRank(m, n, n)); });
}
BENCHMARK(BM_MatRank)->Apply(sizesAndThreads);

void BM_MatDetRealValues(benchmark::State& state) {
  Element d;
  DetPivots pivots;  // as the command asks for them
  runOnCopies(
      state, [&](RCOMat& m, int n) { MatDet(m, n, n, d, nullptr, &pivots); }, true);
}
BENCHMARK(BM_MatDetRealValues)->Apply(sizesAndThreads);

void BM_MatRankRealValues(benchmark::State& state) {
  runOnCopies(
      state, [](RCOMat& m, int n) { benchmark::DoNotOptimize(MatRank(m, n, n)); }, true);
}
BENCHMARK(BM_MatRankRealValues)->Apply(sizesAndThreads);

void BM_MatLU(benchmark::State& state) {
  RCOMat l, u;
  runOnCopies(state, [&](RCOMat& m, int n) {
    // As the command sizes them: kept from the last run, MatLU writes every element.
    l.resizeForOverwrite(n, n);
    u.resizeForOverwrite(n, n);
    benchmark::DoNotOptimize(MatLU(m, l, u, n, n));
  });
}
BENCHMARK(BM_MatLU)->Apply(sizesAndThreads);

// A^50 as the power command forms it: 49 products, the running power on the left.
void BM_MatrixPower(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int x = static_cast<int>(state.range(1));
  setThreads(state, 2);
  const RCOMat a = randomComplex(n, 5);
  RCOMat work, c, r;
  int err = 0;
  for (auto _ : state) {
    state.PauseTiming();
    work = a;
    state.ResumeTiming();
    benchmark::DoNotOptimize(matrixPower(work, x, c, r, err));
  }
}
BENCHMARK(BM_MatrixPower)->ArgsProduct({{200}, {50, -50}, {1, 2}})->Unit(benchmark::kMillisecond);

// The Kronecker product of two n x n matrices: n^2 x n^2, the largest allowed for n = 64.
void BM_MatKron(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state, 1);
  const RCOMat a = randomComplex(n, 6), b = randomComplex(n, 7);
  RCOMat r;
  int err = 0;
  for (auto _ : state) {
    MatKron(a, b, r, err);
    benchmark::DoNotOptimize(r[0][0]);
  }
  state.counters["elements/s"] = benchmark::Counter(static_cast<double>(n) * n * n * n,
                                                    benchmark::Counter::kIsIterationInvariantRate,
                                                    benchmark::Counter::kIs1000);
}
BENCHMARK(BM_MatKron)->ArgsProduct({{32, 64}, {1, 2}})->Unit(benchmark::kMillisecond);

// The parts of an n x n complex matrix taken apart (split) and put back as elements (join),
// the first and last pass of every kernel on split parts; bytes/s counts the elements' 24
// bytes and the parts' 16 each.
void BM_SplitParts(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool join = state.range(1) != 0;
  setThreads(state, 2);
  const RCOMat a = randomComplex(n, 8);
  SplitMatrix s;
  RCOMat back;
  if (join) splitIfComplex(a, s, nullptr, true);
  for (auto _ : state) {
    if (join)
      assignFrom(s, back);
    else
      benchmark::DoNotOptimize(splitIfComplex(a, s, nullptr, true));
  }
  state.counters["bytes/s"] = benchmark::Counter(
      40.0 * n * n, benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1024);
}
BENCHMARK(BM_SplitParts)->ArgsProduct({{200, 1000}, {0, 1}, {1, 2}})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvaro
