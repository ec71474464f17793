// Speed of the complex matrix routines on random well-conditioned matrices.
#include <benchmark/benchmark.h>

#include <random>

#include "matrix/Zezizir2.h"
#include "matrix/simd_path.h"

namespace kelvaro {
namespace {

RCOMat randomComplex(int n, unsigned seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  RCOMat m(n, n);
  for (auto& e : m.elements()) e = Element::complex(u(gen), u(gen));
  // A strong diagonal keeps the matrix far from singular.
  for (int i = 0; i < n; ++i) m[i][i] = Element::complex(m[i][i].re() + n, m[i][i].im());
  return m;
}

void setPath(benchmark::State& state) {
  const auto path = static_cast<SimdPath>(state.range(1));
  if (!setSimdPath(path)) state.SkipWithError("path not supported here");
  state.SetLabel(simdPathName(path));
}

void BM_MatMul(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  setPath(state);
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
BENCHMARK(BM_MatMul)->ArgsProduct({{200, 1000}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvaro
