// QR, eigenvalues and SVD of random real matrices, through the library calls the commands
// make (registers in, registers out), on one thread and on two (the second argument).

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench_matrices.h"
#include "matrix/Zezizir2.h"
#include "matrix/thread_pool.h"

namespace {

using namespace kelvaro;

RCOMat randomRegister(int rows, int cols, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  RCOMat m;
  m.assign(rows, cols, Element::real(0.0));
  for (Element& e : m.elements()) e = Element::real(dist(rng));
  return m;
}

void setThreads(benchmark::State& state) {
  setThreadCount(static_cast<int>(state.range(1)));
  state.counters["threads"] = static_cast<double>(threadCount());
}

void sizesAndThreads(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{200, 500, 1000}, {1, 2}})->Unit(benchmark::kMillisecond);
}

void BM_QR(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state);
  const RCOMat a = randomRegister(n, n, 1);
  RCOMat q, r;
  for (auto _ : state) {
    // The operand's copy untimed, as in the other benchmarks: the command reads the pane into
    // the register it factors. (Timed, it took 3 ms of QR 1000's 127 on the Intel machine.)
    state.PauseTiming();
    r = a;
    state.ResumeTiming();
    q.resizeForOverwrite(n, n);  // as the command sizes it: MatQR writes every element
    MatQR(r, n, n, q);
    benchmark::DoNotOptimize(q.elements().data());
  }
}
BENCHMARK(BM_QR)->Apply(sizesAndThreads);

void BM_Eig(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state);
  const RCOMat a = randomRegister(n, n, 2);
  std::vector<double> wr, wi;
  for (auto _ : state) {
    matrx2 work = bench::eigenWork(a);
    wr.assign(n + 1, 0.0);
    wi.assign(n + 1, 0.0);
    MatBalance(work, n);
    MatHessenberg(work, n);
    benchmark::DoNotOptimize(MatHqr(work, n, wr, wi));
  }
}
BENCHMARK(BM_Eig)->Apply(sizesAndThreads);

// A random matrix zero below its third subdiagonal.
RCOMat bandedRegister(int n) {
  RCOMat a = randomRegister(n, n, 3);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i - 3; ++j) a[i][j] = Element::real(0.0);
  return a;
}

// Eig's first part alone: the reduction to Hessenberg form, of a random matrix or of a banded
// one (each step has three rows with multipliers at first, the other rows of every column are
// left as they are).
void hessenberg(benchmark::State& state, bool banded) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state);
  const RCOMat a = banded ? bandedRegister(n) : randomRegister(n, n, 2);
  for (auto _ : state) {
    state.PauseTiming();
    matrx2 work = bench::eigenWork(a);
    MatBalance(work, n);
    state.ResumeTiming();
    MatHessenberg(work, n);
    benchmark::DoNotOptimize(work[1][1]);
  }
}

void BM_Hessenberg(benchmark::State& state) {
  hessenberg(state, false);
}
BENCHMARK(BM_Hessenberg)->Apply(sizesAndThreads);

void BM_HessenbergBanded(benchmark::State& state) {
  hessenberg(state, true);
}
BENCHMARK(BM_HessenbergBanded)->Apply(sizesAndThreads);

// Eig's balancing, of a random matrix (one round, nothing scaled) and of a banded one (65
// rounds at 1000, an index in eight scaled in each).
void BM_Balance(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const RCOMat a = state.range(1) ? bandedRegister(n) : randomRegister(n, n, 2);
  for (auto _ : state) {
    state.PauseTiming();
    matrx2 work = bench::eigenWork(a);
    state.ResumeTiming();
    MatBalance(work, n);
    benchmark::DoNotOptimize(work[1][1]);
  }
}
BENCHMARK(BM_Balance)->ArgsProduct({{200, 1000}, {0, 1}})->Unit(benchmark::kMillisecond);

// Eig's second part alone: the sweeps on the Hessenberg form, each run on a fresh copy of it.
void BM_Hqr(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state);
  const RCOMat a = randomRegister(n, n, 2);
  matrx2 hessenberg = bench::eigenWork(a);
  MatBalance(hessenberg, n);
  MatHessenberg(hessenberg, n);
  std::vector<double> wr, wi;
  for (auto _ : state) {
    state.PauseTiming();
    matrx2 work = hessenberg;
    wr.assign(n + 1, 0.0);
    wi.assign(n + 1, 0.0);
    state.ResumeTiming();
    benchmark::DoNotOptimize(MatHqr(work, n, wr, wi));
  }
}
BENCHMARK(BM_Hqr)->Apply(sizesAndThreads);

void BM_Svd(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setThreads(state);
  const RCOMat a = randomRegister(n, n, 3);
  for (auto _ : state) {
    RCOMat s = a, u, v;
    benchmark::DoNotOptimize(MatSvd(s, u, v, n, n, 1e-15L));
  }
}
BENCHMARK(BM_Svd)->Apply(sizesAndThreads);

}  // namespace
