// The A+B command in process on two 1000 x 1000 complex panes: align both panes, count,
// read, add and write the result, as a click runs it.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"

namespace {

// Deterministic complex tokens such as -1249.875+3.25i, one row per line.
std::vector<std::string> complexPane(int rows, int cols, std::uint32_t seed) {
  std::vector<std::string> lines;
  lines.reserve(rows);
  char token[64];
  for (int r = 0; r < rows; ++r) {
    std::string line;
    for (int c = 0; c < cols; ++c) {
      seed = seed * 1664525u + 1013904223u;
      const double re = static_cast<int>(seed >> 16) % 20000 / 8.0 - 1250.0;
      seed = seed * 1664525u + 1013904223u;
      const double im = static_cast<int>(seed >> 16) % 2000 / 4.0 - 250.0;
      std::snprintf(token, sizeof token, "%.3f%+.2fi", re, im);
      if (c) line += ' ';
      line += token;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void BM_AddCommand(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<std::string> a = complexPane(n, n, 1);
  const std::vector<std::string> b = complexPane(n, n, 2);
  kelvaro::CalcState calc;
  kelvaro::FormCreate(calc, ".");
  for (auto _ : state) {
    state.PauseTiming();
    calc.paneA.setLines(a);
    calc.paneB.setLines(b);
    calc.result.clear();
    state.ResumeTiming();
    kelvaro::findCommandByAction("A+B")->run(calc);
    benchmark::DoNotOptimize(calc.result.lineCount());
  }
  state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_AddCommand)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
