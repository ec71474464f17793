// Project files and notation conversions on large operands: how long Save project, Open project
// and the pane conversions take, and what one exact 80-bit conversion costs.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "commands/auto_calculate.h"
#include "commands/calc_state.h"
#include "commands/notation_commands.h"
#include "commands/project_file.h"
#include "commands/shell_commands.h"
#include "numbers/extended_codec.h"

namespace {

using namespace kelvaro;

// n lines of n tokens, each made by token(rng).
template <typename Token>
std::vector<std::string> paneLines(int n, unsigned seed, Token token) {
  std::mt19937 rng(seed);
  std::vector<std::string> lines;
  for (int r = 0; r < n; ++r) {
    std::string line;
    for (int c = 0; c < n; ++c) {
      line += token(rng);
      line += ' ';
    }
    lines.push_back(line);
  }
  return lines;
}

// Values with a few digits each, as a user would type them.
std::vector<std::string> realLines(int n, unsigned seed) {
  return paneLines(n, seed, [](std::mt19937& rng) {
    return std::to_string(std::uniform_int_distribution<int>(-99999, 99999)(rng) / 1000.0)
        .substr(0, 7);
  });
}

std::vector<std::string> complexLines(int n, unsigned seed) {
  return paneLines(n, seed, [](std::mt19937& rng) {
    std::uniform_int_distribution<int> dist(-9999, 9999);
    const int re = dist(rng), im = dist(rng);
    return std::to_string(re) + (im < 0 ? "" : "+") + std::to_string(im) + "i";
  });
}

std::string scratchFile(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("kelvaro-bench-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

void BM_FormatExtended(benchmark::State& state) {
  std::mt19937_64 rng(1);
  std::uniform_real_distribution<double> dist(-1000, 1000);
  std::vector<ExtendedBytes> values;
  for (int i = 0; i < 1024; ++i) values.push_back(encodeExtended(dist(rng)));
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(formatExtended(values[i++ % 1024].data(), '.'));
}
BENCHMARK(BM_FormatExtended);

// The far ends of the 80-bit range take the longest exact conversions.
void BM_FormatExtendedExtremes(benchmark::State& state) {
  const ExtendedBytes tiny = packExtended({false, 0, 0x0123456789ABCDEFULL});
  const ExtendedBytes huge = packExtended({true, 0x7FFE, 0xFEDCBA9876543210ULL});
  for (auto _ : state) {
    benchmark::DoNotOptimize(formatExtended(tiny.data(), '.'));
    benchmark::DoNotOptimize(formatExtended(huge.data(), '.'));
  }
}
BENCHMARK(BM_FormatExtendedExtremes);

// Start-up state with two real n x n operands.
CalcState realOperands(int n) {
  CalcState s;
  FormCreate(s, ".");
  s.paneA.setLines(realLines(n, 1));
  s.paneB.setLines(realLines(n, 2));
  return s;
}

void BM_SaveProject(benchmark::State& state) {
  CalcState s = realOperands(static_cast<int>(state.range(0)));
  const std::string path = scratchFile("save.mtx");
  for (auto _ : state) Save3Click(s, path);
  std::remove(path.c_str());
}
BENCHMARK(BM_SaveProject)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_OpenProject(benchmark::State& state) {
  CalcState s = realOperands(static_cast<int>(state.range(0)));
  const std::string path = scratchFile("open.mtx");
  Save3Click(s, path);
  for (auto _ : state) Open1Click(s, path);
  std::remove(path.c_str());
}
BENCHMARK(BM_OpenProject)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

// Rect to Polar and back of a complex n x n pane.
void BM_PaneRoundTrip(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CalcState s;
  FormCreate(s, ".");
  const std::vector<std::string> lines = complexLines(n, 3);
  for (auto _ : state) {
    state.PauseTiming();
    s.paneA.setLines(lines);
    state.ResumeTiming();
    RecttoPolar1Click(s);
    PolarToRect1Click(s);
  }
}
BENCHMARK(BM_PaneRoundTrip)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

// The whole Auto sequence on two real n x n operands.
void BM_Auto(benchmark::State& state) {
  struct Quiet : UserInterface {
    void showNote(const std::string&) override {}
    void showWarning(const std::string&) override {}
  } ui;
  CalcState s = realOperands(static_cast<int>(state.range(0)));
  for (auto _ : state) Auto1Click(s, ui);
}
BENCHMARK(BM_Auto)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
