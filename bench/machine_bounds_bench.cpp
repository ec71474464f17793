// What the machine allows the kernels at best, against which their times are judged (the
// table in bench/README.md): the arithmetic rate with multiplies and adds kept apart (the
// kernels never fuse them), and the memory bandwidth of streaming loops in the manner of
// STREAM, on one thread and on two (the argument).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using kelvaro::parallelRanges;

void setThreads(benchmark::State& state) {
  kelvaro::setThreadCount(static_cast<int>(state.range(0)));
}

#if defined(__x86_64__)
// Independent chains of multiplies and as many of adds, at the widest vector the processor
// has. A multiply takes three cycles and two units run them, so six chains of each only just
// keep the units busy: with 8 lanes they measured a quarter below the peak (79-82 against 111
// GFLOP/s on an AMD processor with AVX-512), and twelve leave room for the order the processor
// picks. With 4 lanes there are sixteen registers: seven chains of each and the two factors.
// Muls of the 24 chains multiply, the others add: twelve for BM_NoFmaPeak.
template <int Muls>
__attribute__((target("avx512f"))) double mulAddPeak8(std::int64_t steps) {
  constexpr int kChains = 24;
  __m512d acc[kChains];
  for (int k = 0; k < kChains; ++k) acc[k] = _mm512_set1_pd(1.0 + k * 1e-3);
  const __m512d m = _mm512_set1_pd(0.999999999);
  const __m512d a = _mm512_set1_pd(1e-9);
  for (std::int64_t s = 0; s < steps; ++s) {
    for (int k = 0; k < Muls; ++k) acc[k] = _mm512_mul_pd(acc[k], m);
    for (int k = Muls; k < kChains; ++k) acc[k] = _mm512_add_pd(acc[k], a);
  }
  double lanes[8];
  __m512d sum = acc[0];
  for (int k = 1; k < kChains; ++k) sum = _mm512_add_pd(sum, acc[k]);
  _mm512_storeu_pd(lanes, sum);
  return lanes[0] + lanes[7];
}

__attribute__((target("avx2"))) double mulAddPeak4(std::int64_t steps) {
  constexpr int kChains = 7;
  __m256d acc[2 * kChains];
  for (int k = 0; k < 2 * kChains; ++k) acc[k] = _mm256_set1_pd(1.0 + k * 1e-3);
  const __m256d m = _mm256_set1_pd(0.999999999);
  const __m256d a = _mm256_set1_pd(1e-9);
  for (std::int64_t s = 0; s < steps; ++s) {
    for (int k = 0; k < kChains; ++k) acc[k] = _mm256_mul_pd(acc[k], m);
    for (int k = kChains; k < 2 * kChains; ++k) acc[k] = _mm256_add_pd(acc[k], a);
  }
  double lanes[4];
  __m256d sum = acc[0];
  for (int k = 1; k < 2 * kChains; ++k) sum = _mm256_add_pd(sum, acc[k]);
  _mm256_storeu_pd(lanes, sum);
  return lanes[0] + lanes[3];
}

// peak(steps) on each of the run's threads at once, flopsPerStep a step and thread.
template <class Peak>
void timeChains(benchmark::State& state, double flopsPerStep, Peak peak) {
  setThreads(state);
  constexpr std::int64_t kSteps = 1 << 20;
  const int threads = kelvaro::threadCount();
  for (auto _ : state)
    parallelRanges(threads, threads, [&](int first, int last) {
      for (int t = first; t < last; ++t) benchmark::DoNotOptimize(peak(kSteps));
    });
  state.counters["GFLOP/s"] = benchmark::Counter(flopsPerStep * kSteps * threads,
                                                 benchmark::Counter::kIsIterationInvariantRate,
                                                 benchmark::Counter::kIs1000);
  kelvaro::setThreadCount(0);
}

void BM_NoFmaPeak(benchmark::State& state) {
  const bool wide = __builtin_cpu_supports("avx512f");
  if (!wide && !__builtin_cpu_supports("avx2")) {
    state.SkipWithError("neither AVX-512 nor AVX2 here");
    return;
  }
  state.SetLabel(wide ? "AVX-512" : "AVX2");
  // Per step and thread: 24 operations of 8 lanes, or 14 of 4.
  timeChains(state, wide ? 192.0 : 56.0, [wide](std::int64_t steps) {
    return wide ? mulAddPeak8<12>(steps) : mulAddPeak4(steps);
  });
}
BENCHMARK(BM_NoFmaPeak)->Arg(1)->Arg(2)->UseRealTime();

// The same with nine multiply chains to fifteen add chains, the mix of the Gauss-Jordan
// update in its three-multiply form: per complex element three multiplies and five
// subtractions. Where multiplies and adds run on units of their own, the adds set its pace,
// and the inverse's arithmetic cannot run at BM_NoFmaPeak: on the AMD processor with AVX-512
// adds alone ran at half that peak (54 against 107 GFLOP/s), and this mix at 87-92.
void BM_GaussJordanMixPeak(benchmark::State& state) {
  if (!__builtin_cpu_supports("avx512f")) {
    state.SkipWithError("no AVX-512 here");
    return;
  }
  timeChains(state, 192.0, mulAddPeak8<9>);
}
BENCHMARK(BM_GaussJordanMixPeak)->Arg(1)->Arg(2)->UseRealTime();

// One chain of 8-lane adds, each waiting on the one before: the rate of a sum kept in row
// order, where a vector's lanes are independent columns and nothing else may overlap it.
// Vector adds, not scalar ones: an Intel Xeon took two cycles for a scalar add, four for one
// of eight lanes.
__attribute__((noinline, target("avx512f"))) double addChain8(std::int64_t steps, double step) {
  __m512d acc = _mm512_set1_pd(1.0);
  const __m512d a = _mm512_set1_pd(step);
  for (std::int64_t s = 0; s < steps; ++s) {
    acc = _mm512_add_pd(acc, a);
    asm volatile("" : "+v"(acc));  // one add a step, as written
  }
  double lanes[8];
  _mm512_storeu_pd(lanes, acc);
  return lanes[0];
}

void BM_DependentAdds(benchmark::State& state) {
  if (!__builtin_cpu_supports("avx512f")) {
    state.SkipWithError("no AVX-512 here");
    return;
  }
  constexpr std::int64_t kSteps = 1 << 24;
  for (auto _ : state) benchmark::DoNotOptimize(addChain8(kSteps, 1e-9));
  state.counters["G adds/s"] =
      benchmark::Counter(static_cast<double>(kSteps), benchmark::Counter::kIsIterationInvariantRate,
                         benchmark::Counter::kIs1000);
}
BENCHMARK(BM_DependentAdds)->UseRealTime();

// x := x - s·x over an array of the argument's KB, in 8-lane vectors: a read and a write of
// every element (16 bytes, as BM_UpdateInPlace counts them) from the cache level the array
// fits in. At 256 KB, four strips of eight columns over 1000 rows: what each pass of QR's
// reflections moves where the strips do not fit in the first-level cache.
__attribute__((noinline, target("avx512f"))) void scaleDown8(double* x, std::size_t n, double s) {
  const __m512d sv = _mm512_set1_pd(s);
  for (std::size_t i = 0; i + 8 <= n; i += 8) {
    const __m512d v = _mm512_loadu_pd(x + i);
    _mm512_storeu_pd(x + i, _mm512_sub_pd(v, _mm512_mul_pd(v, sv)));
  }
}

void BM_CacheUpdateInPlace(benchmark::State& state) {
  if (!__builtin_cpu_supports("avx512f")) {
    state.SkipWithError("no AVX-512 here");
    return;
  }
  const std::size_t n = static_cast<std::size_t>(state.range(0)) << 7;
  kelvaro::LineDoubles x(n, 1.0);  // on a cache line, as the kernels' arrays
  for (auto _ : state) {
    scaleDown8(x.data(), n, 1e-12);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 16 * n));
}
BENCHMARK(BM_CacheUpdateInPlace)->Arg(32)->Arg(256)->UseRealTime();
#endif

// Extended precision is the x87 unit's, one scalar operation at a time: four independent chains
// of multiplies and four of adds, filling the unit's eight registers (the double factors are
// read from memory, as the kernels read their matrix elements).
__attribute__((noinline)) long double extendedMulAdd(std::int64_t steps, double f, double d) {
  long double m0 = 1.0L, m1 = 1.1L, m2 = 1.2L, m3 = 1.3L;
  long double a0 = 0.0L, a1 = 0.1L, a2 = 0.2L, a3 = 0.3L;
  for (std::int64_t s = 0; s < steps; ++s) {
    m0 *= f;
    a0 += d;
    m1 *= f;
    a1 += d;
    m2 *= f;
    a2 += d;
    m3 *= f;
    a3 += d;
  }
  return m0 + m1 + m2 + m3 + a0 + a1 + a2 + a3;
}

// Four independent chains of extended divisions.
__attribute__((noinline)) long double extendedDivide(std::int64_t steps) {
  long double q0 = 1e300L, q1 = 1.1e300L, q2 = 1.2e300L, q3 = 1.3e300L;
  const long double f = 1.0000000001L;
  for (std::int64_t s = 0; s < steps; ++s) {
    q0 /= f;
    q1 /= f;
    q2 /= f;
    q3 /= f;
  }
  return q0 + q1 + q2 + q3;
}

#if defined(__x86_64__)
// The x87 unit's throughput rather than its latency. Modes 0-2: seven independent chains, each
// register st(1)..st(7) taking st(0) in place, so no exchange of registers comes between
// them: multiplies (0), adds (1), or three chains of multiplies beside four of adds (2). Mode
// 3: no chains at all, each multiply and add on a value loaded afresh and dropped after.
// Seven values in st(1)..st(7), the factor in st(0); BODY runs `steps` times; the sum of the
// seven comes out in `out`, the stack left empty.
#define KELVARO_X87_CHAINS(BODY)                                                           \
  asm volatile(                                                                            \
      "fld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfldl %[f]\n"                \
      "1:\n\t" BODY                                                                        \
      "dec %[n]\n\tjnz 1b\n\t"                                                             \
      "fstp %%st(0)\n\tfaddp\n\tfaddp\n\tfaddp\n\tfaddp\n\tfaddp\n\tfaddp\n\tfstpl %[out]" \
      : [n] "+r"(steps), [out] "=m"(out)                                                   \
      : [f] "m"(factor)                                                                    \
      : "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)", "cc")

__attribute__((noinline)) double x87Chains(std::int64_t steps, int mode) {
  const double factor = mode == 1 ? 1e-9 : 0.9999999999;
  double out;
  if (mode == 0)
    KELVARO_X87_CHAINS(
        "fmul %%st(0), %%st(1)\n\tfmul %%st(0), %%st(2)\n\tfmul %%st(0), %%st(3)\n\t"
        "fmul %%st(0), %%st(4)\n\tfmul %%st(0), %%st(5)\n\tfmul %%st(0), %%st(6)\n\t"
        "fmul %%st(0), %%st(7)\n\t");
  else if (mode == 1)
    KELVARO_X87_CHAINS(
        "fadd %%st(0), %%st(1)\n\tfadd %%st(0), %%st(2)\n\tfadd %%st(0), %%st(3)\n\t"
        "fadd %%st(0), %%st(4)\n\tfadd %%st(0), %%st(5)\n\tfadd %%st(0), %%st(6)\n\t"
        "fadd %%st(0), %%st(7)\n\t");
  else if (mode == 2)
    KELVARO_X87_CHAINS(
        "fmul %%st(0), %%st(1)\n\tfadd %%st(0), %%st(4)\n\tfmul %%st(0), %%st(2)\n\t"
        "fadd %%st(0), %%st(5)\n\tfmul %%st(0), %%st(3)\n\tfadd %%st(0), %%st(6)\n\t"
        "fadd %%st(0), %%st(7)\n\t");
  else {
    const double a = 1.0000001, c = 1e-9;
    asm volatile(
        "1:\n\t"
        "fldl %[a]\n\tfmull %[f]\n\tfaddl %[c]\n\tfstp %%st(0)\n\t"
        "fldl %[a]\n\tfmull %[f]\n\tfaddl %[c]\n\tfstp %%st(0)\n\t"
        "fldl %[a]\n\tfmull %[f]\n\tfaddl %[c]\n\tfstp %%st(0)\n\t"
        "fldl %[a]\n\tfmull %[f]\n\tfaddl %[c]\n\tfstp %%st(0)\n\t"
        "dec %[n]\n\tjnz 1b\n\t"
        "fldl %[a]\n\tfstpl %[out]"
        : [n] "+r"(steps), [out] "=m"(out)
        : [f] "m"(factor), [a] "m"(a), [c] "m"(c)
        : "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)", "cc");
  }
  return out;
}
#undef KELVARO_X87_CHAINS

// x87 multiplies and adds per second in the modes of x87Chains, one thread.
void BM_X87Throughput(benchmark::State& state) {
  constexpr std::int64_t kSteps = 1 << 22;
  const int mode = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(x87Chains(kSteps, mode));
  state.counters["op/s"] = benchmark::Counter((mode == 3 ? 8.0 : 7.0) * kSteps,
                                              benchmark::Counter::kIsIterationInvariantRate,
                                              benchmark::Counter::kIs1000);
}
BENCHMARK(BM_X87Throughput)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->UseRealTime();
#endif

// Extended multiplies and adds (argument 0) or divisions (1) per second, one thread.
void BM_ExtendedRate(benchmark::State& state) {
  constexpr std::int64_t kSteps = 1 << 22;
  const bool divide = state.range(0) != 0;
  for (auto _ : state) {
    std::int64_t steps = kSteps;  // opaque: the result is not computed once for every pass
    benchmark::DoNotOptimize(steps);
    benchmark::DoNotOptimize(divide ? extendedDivide(steps)
                                    : extendedMulAdd(steps, 0.9999999999, 1e-9));
  }
  state.counters["op/s"] = benchmark::Counter((divide ? 4.0 : 8.0) * kSteps,
                                              benchmark::Counter::kIsIterationInvariantRate,
                                              benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ExtendedRate)->Arg(0)->Arg(1)->UseRealTime();

// Arrays of 32 MB each, far beyond the caches.
constexpr std::size_t kLength = std::size_t{1} << 22;

// body(first, last) over [0, kLength) in even ranges, one per thread.
template <class Body>
void overThreads(Body body) {
  const int threads = kelvaro::threadCount();
  parallelRanges(threads, threads, [&](int first, int last) {
    body(kLength * first / threads, kLength * last / threads);
  });
}

// a = b + s·c: reads two arrays and writes a third (24 bytes an element, as STREAM counts).
void BM_Triad(benchmark::State& state) {
  setThreads(state);
  std::vector<double> a(kLength, 0.0), b(kLength, 1.0), c(kLength, 2.0);
  for (auto _ : state) {
    overThreads([&](std::size_t first, std::size_t last) {
      for (std::size_t i = first; i < last; ++i) a[i] = b[i] + 3.0 * c[i];
    });
    benchmark::DoNotOptimize(a.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 24 * kLength);
  kelvaro::setThreadCount(0);
}
BENCHMARK(BM_Triad)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// a := a - s·b over n doubles at a, 8-lane vectors where the processor has them (as the kernels
// run), else as the compiler vectorises it for any x86-64 (two lanes, whose instructions
// alone held a 16 MB array at 46 GB/s where the kernels moved 48).
#if defined(__x86_64__)
__attribute__((noinline, target("avx512f"))) void updateRow8(double* a, const double* b,
                                                             std::size_t n) {
  const __m512d s = _mm512_set1_pd(1e-3);
  for (std::size_t j = 0; j + 8 <= n; j += 8)
    _mm512_storeu_pd(
        a + j, _mm512_sub_pd(_mm512_loadu_pd(a + j), _mm512_mul_pd(s, _mm512_loadu_pd(b + j))));
}
#endif

void updateRow(double* a, const double* b, std::size_t n) {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx512f");
  if (wide) return updateRow8(a, b, n);
#endif
  for (std::size_t j = 0; j < n; ++j) a[j] = a[j] - 1e-3 * b[j];
}

#if defined(__x86_64__)
// The same without the store, as a pass that only looks for a pivot: the sum of a - s·b.
__attribute__((noinline, target("avx512f"))) double readRow8(const double* a, const double* b,
                                                             std::size_t n) {
  const __m512d s = _mm512_set1_pd(1e-3);
  __m512d m[4] = {_mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd(),
                  _mm512_setzero_pd()};  // four sums, so that no chain of additions holds it up
  for (std::size_t j = 0; j + 32 <= n; j += 32)
    for (int u = 0; u < 4; ++u)
      m[u] = _mm512_add_pd(m[u], _mm512_sub_pd(_mm512_loadu_pd(a + j + 8 * u),
                                               _mm512_mul_pd(s, _mm512_loadu_pd(b + j + 8 * u))));
  alignas(64) double lanes[8];
  _mm512_store_pd(lanes, _mm512_add_pd(_mm512_add_pd(m[0], m[1]), _mm512_add_pd(m[2], m[3])));
  double sum = 0.0;
  for (const double lane : lanes) sum += lane;
  return sum;
}
#endif

double readRow(const double* a, const double* b, std::size_t n) {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx512f");
  if (wide) return readRow8(a, b, n);
#endif
  double m = 0.0;
  for (std::size_t j = 0; j < n; ++j) m += a[j] - 1e-3 * b[j];
  return m;
}

// Passes of pass(a row of 1024 doubles, b) over every row of an array of the second argument's
// megabytes, shared over the first argument's threads; each range sums what pass returns.
// 16 bytes counted an element, a read and a write, as the kernels' updates move them.
template <class Pass>
void passesOverArray(benchmark::State& state, Pass pass) {
  setThreads(state);
  constexpr std::size_t kRow = 1024;
  const std::size_t length = static_cast<std::size_t>(state.range(1)) << 17;
  kelvaro::LineDoubles a(length, 1.0);
  std::vector<double> row(kRow, 0.5);
  const int threads = kelvaro::threadCount();
  std::vector<double> sums(static_cast<std::size_t>(threads));
  for (auto _ : state) {
    parallelRanges(threads, threads, [&](int first, int last) {
      const std::size_t rows = length / kRow;
      double sum = 0.0;
      for (std::size_t r = rows * first / threads; r < rows * last / threads; ++r)
        sum += pass(a.data() + r * kRow, row.data(), kRow);
      sums[static_cast<std::size_t>(first)] = sum;
    });
    benchmark::DoNotOptimize(a.data());
    benchmark::DoNotOptimize(sums.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 16 * length));
  kelvaro::setThreadCount(0);
}

// a = a - s·b with b short and in cache: what a rank-one update of a trailing matrix moves,
// one read and one write of every element (16 bytes an element), over a = the second
// argument in MB: 16 is a 1000 x 1000 complex matrix. In the kernels' array memory.
void BM_UpdateInPlace(benchmark::State& state) {
  passesOverArray(state, [](double* a, const double* b, std::size_t n) {
    updateRow(a, b, n);
    return 0.0;
  });
}
BENCHMARK(BM_UpdateInPlace)
    ->ArgsProduct({{1, 2}, {16, 128}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// BM_UpdateInPlace's pass without its store, as a pass that only looks for a pivot (the same
// bytes counted: its time against BM_UpdateInPlace's is what the writes cost).
void BM_ReadPass(benchmark::State& state) {
  passesOverArray(state,
                  [](double* a, const double* b, std::size_t n) { return readRow(a, b, n); });
}
BENCHMARK(BM_ReadPass)
    ->ArgsProduct({{1, 2}, {16, 128}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// What handing data from one core to another costs: two threads take turns, each reading the
// lines the other just wrote (the argument: 1 line, or 32 lines, 2 KB, as a step's
// coefficients) and writing them back. Time per hand-over, one way. A parallel step pays at
// least this for every line it finds in the other core's cache; on a virtual machine whose
// two processors sit far apart it is several hundred nanoseconds a line.
void BM_LineHandOver(benchmark::State& state) {
  if (std::thread::hardware_concurrency() < 2) {
    state.SkipWithError("one processor");
    return;
  }
  const int lines = static_cast<int>(state.range(0));
  struct alignas(64) Line {
    double values[8];
  };
  std::vector<Line> data(static_cast<std::size_t>(lines));
  alignas(64) std::atomic<std::int64_t> turn{0};
  std::atomic<bool> stop{false};
  // Adds one to every value of the lines: each side reads what the other wrote.
  const auto touch = [&] {
    for (Line& line : data)
      for (double& v : line.values) v += 1.0;
  };
  std::jthread partner([&] {
    for (std::int64_t seen = 1;; seen += 2) {
      while (turn.load(std::memory_order_acquire) != seen) {
        if (stop.load(std::memory_order_relaxed)) return;
        kelvaro::pollPause();
      }
      touch();
      turn.store(seen + 1, std::memory_order_release);
    }
  });
  std::int64_t mine = 0;
  for (auto _ : state) {
    touch();
    turn.store(mine + 1, std::memory_order_release);
    while (turn.load(std::memory_order_acquire) != mine + 2) kelvaro::pollPause();
    mine += 2;
  }
  stop.store(true);
  benchmark::DoNotOptimize(data.data());
  // Two hand-overs per round.
  state.counters["ns"] =
      benchmark::Counter(2.0 * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LineHandOver)->Arg(1)->Arg(32)->UseRealTime();

}  // namespace
