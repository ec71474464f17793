// Reading and writing large matrices as pane text.

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "numbers/element_text.h"
#include "numbers/matrix_text.h"
#include "numbers/pane_text.h"
#include "numbers/result_writer.h"

namespace kelvaro {
namespace {

constexpr int kSize = 1000;
const NumberFormat kThree{1000, '.'};

// Complex values with three decimals, like -12.375+0.5i.
RCOMat randomComplexMatrix(int size) {
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<int> ticks(-99999, 99999);
  RCOMat m(size, size);
  for (Element& e : m.elements()) e = Element::complex(ticks(rng) / 1000.0, ticks(rng) / 1000.0);
  return m;
}

Pane complexPane(int size) {
  const RCOMat m = randomComplexMatrix(size);
  Pane pane;
  std::string line;
  for (int r = 0; r < size; ++r) {
    line.clear();
    for (int c = 0; c < size; ++c) {
      if (c) line += ' ';
      appendComplex(line, m[r][c], kThree);
    }
    pane.add(line);
  }
  return pane;
}

void BM_ReadPaneComplex(benchmark::State& state) {
  const Pane pane = complexPane(kSize);
  RCOMat reg;
  for (auto _ : state) {
    readPane(pane, kSize, kSize, reg, kThree);
    benchmark::DoNotOptimize(reg.elements().data());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_ReadPaneComplex)->Unit(benchmark::kMillisecond);

void BM_CountPane(benchmark::State& state) {
  const Pane pane = complexPane(kSize);
  for (auto _ : state) {
    Pane result;
    benchmark::DoNotOptimize(rowCount(pane) + columnCount(pane, result));
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_CountPane)->Unit(benchmark::kMillisecond);

void BM_AlignPane(benchmark::State& state) {
  const Pane pane = complexPane(kSize);
  for (auto _ : state) {
    Pane copy = pane;
    alignPane(copy);
    benchmark::DoNotOptimize(copy.lines().data());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_AlignPane)->Unit(benchmark::kMillisecond);

// Writes MatR at the given precision (PrecScale; 0 is exponent format).
void writeComplexResult(benchmark::State& state, const NumberFormat& nf) {
  Registers regs;
  regs.MatR = randomComplexMatrix(kSize);
  // Values with more digits than the precision keeps, so every number is rounded.
  for (Element& e : regs.MatR.elements()) e = Element::complex(e.re() / 7, e.im() * 3.3);
  regs.RowN = regs.ColN = kSize;
  for (auto _ : state) {
    Pane result;
    result.add("A+B");
    writeResult(result, regs, nf);
    benchmark::DoNotOptimize(result.lines().data());
  }
  state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

void BM_WriteResultComplex(benchmark::State& state) {
  writeComplexResult(state, kThree);
}
BENCHMARK(BM_WriteResultComplex)->Unit(benchmark::kMillisecond);

// Not a power of ten: every number goes the general way.
void BM_WriteResultComplexGeneral(benchmark::State& state) {
  writeComplexResult(state, NumberFormat{999.5L, '.'});
}
BENCHMARK(BM_WriteResultComplexGeneral)->Unit(benchmark::kMillisecond);

void BM_WriteResultComplexExponent(benchmark::State& state) {
  writeComplexResult(state, NumberFormat{0, '.'});
}
BENCHMARK(BM_WriteResultComplexExponent)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvaro
