// How soon a cancelled routine ends. Each routine runs on a thread of its own on a large
// matrix and is cancelled after a delay, 0.2 s in the first run and 1.6 times longer in each
// next one; the time measured is from the cancel to the end of the routine, the longest in
// "worst ms". Slow: a dozen routines on matrices up to 4096 x 4096 and the exact commands
// from pane text to Result pane, eight runs each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <list>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_matrices.h"
#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "matrix/Zezizir2.h"

namespace kelvaro {
namespace {

using Clock = std::chrono::steady_clock;
using Job = std::function<void(WorkToken*)>;

// The operand of each size, made once.
const RCOMat& operand(int n, bool complex) {
  static std::list<std::pair<std::pair<int, bool>, RCOMat>> made;
  for (const auto& [key, m] : made)
    if (key == std::pair{n, complex}) return m;
  made.push_back({{n, complex}, bench::randomMatrix(n, static_cast<unsigned>(n), complex)});
  return made.back().second;
}

// A command as the window runs it under the precision "exact", on integer panes of the given
// size with entries in [-99, 99].
Job exactCommand(const char* action, int n, int bColumns, std::string x = "1") {
  CalcState state;
  FormCreate(state, ".");
  std::mt19937 gen(static_cast<unsigned>(n));
  std::uniform_int_distribution<int> entry(-99, 99);
  const auto pane = [&](int cols) {
    std::vector<std::string> lines(n);
    for (std::string& line : lines)
      for (int j = 0; j < cols; ++j) {
        line += std::to_string(entry(gen));
        line += ' ';
      }
    return lines;
  };
  state.paneA.setLines(pane(n));
  state.paneB.setLines(pane(bColumns));
  state.precisionText = "exact";
  ComboBox1Change(state);
  state.coefText = std::move(x);
  return [state, action](WorkToken* w) mutable {
    state.work = w;
    findCommandByAction(action)->run(state);
  };
}

struct Routine {
  const char* name;
  // A job with its own copy of what it overwrites, made before the clock starts.
  std::function<Job()> make;
};

const std::vector<Routine>& routines() {
  static const std::vector<Routine> all = {
      {"MatMul 4096",
       [] {
         return [&a = operand(4096, true)](WorkToken* w) {
           RCOMat c;
           int err = 0;
           MatMul(a, a, c, err, w);
         };
       }},
      {"MatInverse 4096",
       [] {
         RCoVecD re, im;
         for (const Element& e : operand(4096, true).elements())
           re.push_back(e.re()), im.push_back(e.im());
         return [re, im](WorkToken* w) mutable {
           RCOMat r;
           MatInverse(4096, re, im, r, w);
         };
       }},
      {"MatInvLU 4096",
       [] {
         return [m = operand(4096, true)](WorkToken* w) mutable {
           RCOMat r;
           int err = 0;
           MatInvLU(m, r, err, w);
         };
       }},
      {"MatDet 4096",
       [] {
         return [m = operand(4096, true)](WorkToken* w) mutable {
           Element d;
           MatDet(m, 4096, 4096, d, w);
         };
       }},
      {"MatRank 4096",
       [] {
         return [m = operand(4096, true)](WorkToken* w) mutable { MatRank(m, 4096, 4096, w); };
       }},
      {"MatLU 4096",
       [] {
         return [m = operand(4096, true)](WorkToken* w) mutable {
           RCOMat l, u;  // sized as the command sizes them
           l.resize(4096, 4096, w);
           u.resize(4096, 4096, w);
           MatLU(m, l, u, 4096, 4096, w);
         };
       }},
      {"choleskyLDL 2048",
       [] {
         return [m = operand(2048, true)](WorkToken* w) mutable {
           RCOMat l, d;
           choleskyLDL(m, l, d, w);
         };
       }},
      {"MatQR 4096",
       [] {
         return [m = operand(4096, false)](WorkToken* w) mutable {
           RCOMat q;
           MatQR(m, 4096, 4096, q, w);
         };
       }},
      {"Eig 2048",
       [] { return [&a = operand(2048, false)](WorkToken* w) { bench::eigenvalues(a, w); }; }},
      {"Eig 1000",
       [] { return [&a = operand(1000, false)](WorkToken* w) { bench::eigenvalues(a, w); }; }},
      {"MatSvd 1000",
       [] {
         return [m = operand(1000, false)](WorkToken* w) mutable {
           RCOMat u, v;
           MatSvd(m, u, v, 1000, 1000, 1e-15L, w);
         };
       }},
      {"MatSvd 2048",
       [] {
         return [m = operand(2048, false)](WorkToken* w) mutable {
           RCOMat u, v;
           MatSvd(m, u, v, 2048, 2048, 1e-15L, w);
         };
       }},
      {"A^x 1000, x = 20",
       [] {
         return [m = operand(1000, true)](WorkToken* w) mutable {
           RCOMat c, r;
           int err = 0;
           matrixPower(m, 20, c, r, err, kPowerWorkLimit, w);
         };
       }},
      {"command A on a 4096 x 4096 pane",
       [] {
         static const CalcState s = [] {
           CalcState state;
           FormCreate(state, ".");
           std::vector<std::string> lines(4096);
           for (int i = 0; i < 4096; ++i)
             for (int j = 0; j < 4096; ++j) lines[i] += std::to_string(i ^ j) + ".25 ";
           state.paneA.setLines(std::move(lines));
           return state;
         }();
         return [copy = s](WorkToken* w) mutable {
           copy.work = w;
           findCommandByAction("A")->run(copy);
         };
       }},
      {"exact Det(A) 600", [] { return exactCommand("Det(A)", 600, 1); }},
      {"exact inv(A) 250", [] { return exactCommand("inv(A)", 250, 1); }},
      {"exact RREF(A) 400", [] { return exactCommand("RREF(A)", 400, 1); }},
      {"exact Solve(A,B) 400", [] { return exactCommand("Solve(A,B)", 400, 400); }},
      {"exact A*B 400", [] { return exactCommand("A*B", 400, 400); }},
      {"exact A^x 100, x = 1000", [] { return exactCommand("A^x", 100, 1, "1000"); }},
      {"exact Eig(A) 250", [] { return exactCommand("Eig(A)", 250, 1); }},
  };
  return all;
}

void BM_CancelLatency(benchmark::State& state) {
  const Routine& routine = routines()[state.range(0)];
  double worst = 0.0;
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Job job = routine.make();
    state.ResumeTiming();
    WorkToken token;
    std::thread worker([&] {
      try {
        job(&token);
      } catch (const CommandCancelled&) {
      }
    });
    std::this_thread::sleep_for(std::chrono::duration<double>(0.2 * std::pow(1.6, round++)));
    token.requestCancel();
    const Clock::time_point cancelledAt = Clock::now();
    worker.join();
    const double latency = std::chrono::duration<double>(Clock::now() - cancelledAt).count();
    state.SetIterationTime(latency);
    worst = std::max(worst, latency);
  }
  state.counters["worst ms"] = worst * 1e3;
  state.SetLabel(routine.name);
}
BENCHMARK(BM_CancelLatency)
    ->DenseRange(0, 20)
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvaro
