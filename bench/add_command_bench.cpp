// The A+B command in process on two 1000 x 1000 complex panes: align both panes, count,
// read, add and write the result, as a click runs it, on one thread and on two (the second
// argument). Then each text step alone on one pane, in bytes of text per second, beside a
// plain strtod loop over the same text and a plain printf loop writing the same numbers.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "matrix/thread_pool.h"
#include "numbers/matrix_text.h"
#include "numbers/pane_text.h"
#include "numbers/result_writer.h"

namespace {

using kelvaro::Pane;

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
  kelvaro::setThreadCount(static_cast<int>(state.range(1)));
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
  kelvaro::setThreadCount(0);
}
BENCHMARK(BM_AddCommand)->ArgsProduct({{100, 1000}, {1, 2}})->Unit(benchmark::kMillisecond);

constexpr int kN = 1000;

// Pane A of the command above, aligned as the command reads it.
const Pane& alignedPane() {
  static const Pane pane = [] {
    Pane p;
    p.setLines(complexPane(kN, kN, 1));
    kelvaro::alignPane(p);
    return p;
  }();
  return pane;
}

std::int64_t bytesOf(const Pane& pane) {
  std::int64_t bytes = 0;
  for (const std::string& line : pane.lines()) bytes += static_cast<std::int64_t>(line.size()) + 1;
  return bytes;
}

void BM_AlignPane(benchmark::State& state) {
  Pane pane;
  pane.setLines(complexPane(kN, kN, 1));
  for (auto _ : state) benchmark::DoNotOptimize(kelvaro::alignedLines(pane).size());
  state.SetBytesProcessed(state.iterations() * bytesOf(pane));
}
BENCHMARK(BM_AlignPane)->Unit(benchmark::kMillisecond);

void BM_CountPane(benchmark::State& state) {
  Pane warnings;
  for (auto _ : state)
    benchmark::DoNotOptimize(kelvaro::columnCount(alignedPane(), warnings) +
                             kelvaro::rowCount(alignedPane()));
  state.SetBytesProcessed(state.iterations() * bytesOf(alignedPane()));
}
BENCHMARK(BM_CountPane)->Unit(benchmark::kMillisecond);

void BM_ReadPane(benchmark::State& state) {
  kelvaro::RCOMat m;
  for (auto _ : state) {
    kelvaro::readPane(alignedPane(), kN, kN, m, kelvaro::NumberFormat{},
                      kelvaro::ElementReading::Plain);
    benchmark::DoNotOptimize(m[0][0]);
  }
  state.SetBytesProcessed(state.iterations() * bytesOf(alignedPane()));
}
BENCHMARK(BM_ReadPane)->Unit(benchmark::kMillisecond);

// What a plain reader does with the same text: strtod for both parts, the "i" skipped.
void BM_StrtodLoop(benchmark::State& state) {
  std::string text;
  for (const std::string& line : alignedPane().lines()) text += line + '\n';
  for (auto _ : state) {
    double sum = 0;
    const char* p = text.c_str();
    for (char* end;; p = end) {
      const double v = std::strtod(p, &end);
      if (end == p) {
        if (*p == '\0') break;
        end = const_cast<char*>(p) + 1;  // the "i" or a blank
      }
      sum += v;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_StrtodLoop)->Unit(benchmark::kMillisecond);

// The result of A+B written at precision 3, as the command writes it.
void BM_WriteResult(benchmark::State& state) {
  kelvaro::Registers regs;
  kelvaro::readPane(alignedPane(), kN, kN, regs.MatR, kelvaro::NumberFormat{},
                    kelvaro::ElementReading::Plain);
  Pane out;
  for (auto _ : state) {
    state.PauseTiming();
    out.clear();
    out.add("A+B");
    regs.RowN = regs.ColN = kN;
    regs.ResKind = kelvaro::kResMatrix;
    state.ResumeTiming();
    kelvaro::writeResult(out, regs, kelvaro::NumberFormat{});
  }
  state.SetBytesProcessed(state.iterations() * bytesOf(out));
}
BENCHMARK(BM_WriteResult)->Unit(benchmark::kMillisecond);

// printf writing the same numbers with three decimals, one line per row.
void BM_PrintfLoop(benchmark::State& state) {
  kelvaro::RCOMat m;
  kelvaro::readPane(alignedPane(), kN, kN, m, kelvaro::NumberFormat{},
                    kelvaro::ElementReading::Plain);
  std::string out;
  char cell[64];
  for (auto _ : state) {
    out.clear();
    for (int r = 0; r < kN; ++r) {
      for (int c = 0; c < kN; ++c) {
        const int n = std::snprintf(cell, sizeof cell, " %10.3f%+.3fi", m[r][c].re(), m[r][c].im());
        out.append(cell, static_cast<std::size_t>(n));
      }
      out += '\n';
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_PrintfLoop)->Unit(benchmark::kMillisecond);

}  // namespace
