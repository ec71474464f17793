// What the progress-and-cancel token costs: each routine with a token (second argument 1)
// and without (0), on one thread. The routines count their steps and look at the token in
// their inner loops; the pane loops look at it every so many tokens.
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "bench_matrices.h"
#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "matrix/Zezizir2.h"
#include "matrix/thread_pool.h"

namespace kelvaro {
namespace {

RCOMat randomComplex(int n, unsigned seed) {
  return bench::randomMatrix(n, seed);
}
RCOMat randomReal(int n, unsigned seed) {
  return bench::randomMatrix(n, seed, false);
}

// A rotation: its powers neither repeat nor grow, so every product is made.
RCOMat rotation() {
  RCOMat m(2, 2);
  const double c = std::cos(0.1), s = std::sin(0.1);
  m[0][0] = Element::complex(c, 0);
  m[0][1] = Element::complex(-s, 0);
  m[1][0] = Element::complex(s, 0);
  m[1][1] = Element::complex(c, 0);
  return m;
}

std::vector<std::string> paneLines(int n) {
  std::vector<std::string> lines(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) lines[i] += std::to_string((i * 31 + j * 17) % 97 - 48) + " ";
  return lines;
}

struct Routine {
  const char* name;
  // Prepares the operands (not timed) and returns the timed work.
  std::function<std::function<void(WorkToken*)>()> prepare;
};

const std::vector<Routine>& routines() {
  static const std::vector<Routine> all = {
      {"MatMul 500",
       [] {
         return [a = randomComplex(500, 1)](WorkToken* w) {
           RCOMat c;
           int err = 0;
           MatMul(a, a, c, err, w);
         };
       }},
      {"A^200000 2x2",
       [] {
         return [](WorkToken* w) {
           RCOMat a = rotation(), c, r;
           int err = 0;
           matrixPower(a, 200000, c, r, err, kPowerWorkLimit, w);
         };
       }},
      {"MatInverse 500",
       [] {
         return [a = randomComplex(500, 2)](WorkToken* w) {
           RCoVecD re, im;
           for (const Element& e : a.elements()) re.push_back(e.re()), im.push_back(e.im());
           RCOMat r;
           MatInverse(500, re, im, r, w);
         };
       }},
      {"MatInvLU 500",
       [] {
         return [a = randomComplex(500, 3)](WorkToken* w) {
           RCOMat m = a, r;
           int err = 0;
           MatInvLU(m, r, err, w);
         };
       }},
      {"MatDet 500",
       [] {
         return [a = randomComplex(500, 4)](WorkToken* w) {
           RCOMat m = a;
           Element d;
           MatDet(m, 500, 500, d, w);
         };
       }},
      {"MatLU 500",
       [] {
         return [a = randomComplex(500, 5)](WorkToken* w) {
           RCOMat m = a, l(500, 500), u(500, 500);
           MatLU(m, l, u, 500, 500, w);
         };
       }},
      {"MatQR 500",
       [] {
         return [a = randomReal(500, 6)](WorkToken* w) {
           RCOMat r = a, q;
           MatQR(r, 500, 500, q, w);
         };
       }},
      {"Eig 300",
       [] { return [a = randomReal(300, 7)](WorkToken* w) { bench::eigenvalues(a, w); }; }},
      {"MatSvd 200",
       [] {
         return [a = randomReal(200, 8)](WorkToken* w) {
           RCOMat s = a, u, v;
           MatSvd(s, u, v, 200, 200, 1e-15L, w);
         };
       }},
      {"choleskyLDL 300",
       [] {
         return [a = randomComplex(300, 9)](WorkToken* w) {
           RCOMat m = a, l, d;
           choleskyLDL(m, l, d, w);
         };
       }},
      {"A+B command 500 (pane loops)",
       [] {
         CalcState s;
         FormCreate(s, ".");
         s.paneA.setLines(paneLines(500));
         s.paneB.setLines(paneLines(500));
         return [s](WorkToken* w) {
           CalcState copy = s;
           copy.work = w;
           findCommandByAction("A+B")->run(copy);
         };
       }},
  };
  return all;
}

void BM_Progress(benchmark::State& state) {
  const Routine& routine = routines()[state.range(0)];
  const bool withToken = state.range(1) != 0;
  setThreadCount(1);
  const auto run = routine.prepare();
  WorkToken token;
  for (auto _ : state) run(withToken ? &token : nullptr);
  state.SetLabel(std::string(routine.name) + (withToken ? ", token" : ", none"));
}
BENCHMARK(BM_Progress)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 10, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvaro
