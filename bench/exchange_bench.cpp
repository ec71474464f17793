// Copy, paste and the last result on 1000 x 1000 complex matrices: what keeping the last result
// adds to every command that prints one, copying it as each format, and pasting it back.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/exchange_commands.h"
#include "commands/shell_commands.h"
#include "numbers/matrix_formats.h"
#include "numbers/result_parts.h"

namespace {

using namespace kelvaro;

// Deterministic values with every digit of a double in use.
RCOMat complexMatrix(int n) {
  RCOMat m(n, n);
  std::uint64_t seed = 1;
  auto next = [&seed] {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(seed >> 11) / 9007199254740992.0 * 2000.0 - 1000.0;
  };
  for (Element& e : m.elements()) e = Element::complex(next(), next());
  return m;
}

class Silent : public UserInterface {
 public:
  void showNote(const std::string&) override {}
  void showWarning(const std::string&) override {}
};

void BM_RecordLastResult(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Registers regs;
  regs.MatR = complexMatrix(n);
  regs.RowN = regs.ColN = n;
  // As a command keeps it, with a token that is never cancelled.
  const CancelFlag token;
  for (auto _ : state) benchmark::DoNotOptimize(resultParts(regs, kResMatrix, &token));
  state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_RecordLastResult)->Arg(1000)->Unit(benchmark::kMillisecond);

// range(0): the format's place in the copy menu; range(1): full precision.
void BM_CopyAs(benchmark::State& state) {
  const MatrixFormatInfo& format = copyFormats()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(format.key) + (state.range(1) ? "+full" : ""));
  const std::vector<MatrixPart> parts{{"", complexMatrix(1000)}};
  const CopyOptions options{state.range(1) != 0, NumberFormat{}, '.'};
  for (auto _ : state) benchmark::DoNotOptimize(writeMatrices(parts, format.format, options));
  state.SetItemsProcessed(state.iterations() * 1000 * 1000);
}
BENCHMARK(BM_CopyAs)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})->Unit(benchmark::kMillisecond);

// A full-precision NumPy copy pasted into pane A: recognised, read, written as pane text and
// aligned.
void BM_PasteNumPy(benchmark::State& state) {
  const std::vector<MatrixPart> parts{{"", complexMatrix(1000)}};
  CalcState calc;
  FormCreate(calc, ".");
  calc.clipboard = writeMatrices(parts, MatrixFormat::NumPy, {true, NumberFormat{}, '.'});
  Silent ui;
  for (auto _ : state) {
    pasteMatrixA(calc, ui);
    benchmark::DoNotOptimize(calc.paneA.lineCount());
  }
  state.SetItemsProcessed(state.iterations() * 1000 * 1000);
}
BENCHMARK(BM_PasteNumPy)->Unit(benchmark::kMillisecond);

}  // namespace
