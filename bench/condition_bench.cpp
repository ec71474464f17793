// What the condition of the square operand adds to the operations that report it: each
// routine as its command calls it, without (second argument 0) and with (1) the norms and
// the estimate from its factors, side by side, on random matrices of real (third argument 0)
// or complex values (1), Hermitian for Chol;
// and the whole command as a click runs it (text in, text out), which the difference of the
// two is to be set against.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"

#include "matrix/Zezizir2.h"
#include "matrix/thread_pool.h"

namespace {

using namespace kelvaro;

// Imaginary parts zero unless `complexValues`; the diagonal real.
RCOMat randomComplexRegister(int n, unsigned seed, bool symmetric = false,
                             bool complexValues = false) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  RCOMat m;
  m.assign(n, n, Element::real(0.0));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const double re = dist(rng) + (i == j ? n : 0);
      const double im = complexValues && i != j ? dist(rng) : 0.0;
      m[i][j] = symmetric && j < i ? Element::complex(m[j][i].re(), -m[j][i].im())
                                   : Element::complex(re, im);
    }
  return m;
}

void arguments(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{200, 1000}, {0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(2.0);
}

template <class Routine>
void run(benchmark::State& state, bool symmetric, Routine routine) {
  setThreadCount(1);
  const int n = static_cast<int>(state.range(0));
  const bool condition = state.range(1) != 0;
  const RCOMat a = randomComplexRegister(n, 21, symmetric, state.range(2) != 0);
  for (auto _ : state) {
    RCOMat m = a;
    benchmark::DoNotOptimize(routine(m, condition));
  }
}

void BM_Inverse(benchmark::State& state) {
  run(state, false, [](RCOMat& m, bool condition) {
    const int n = m.rows();
    RCoVecD re(m.elements().size()), im(re.size());
    for (std::size_t i = 0; i < re.size(); ++i)
      re[i] = m.elements()[i].re(), im[i] = m.elements()[i].im();
    RCOMat r;
    MatInverse(n, re, im, r);
    return condition ? norm1(m) * norm1(r) : 0.0;
  });
}
BENCHMARK(BM_Inverse)->Apply(arguments);

void BM_Divide(benchmark::State& state) {
  run(state, false, [](RCOMat& m, bool condition) {
    const double norm = condition ? norm1(m) : 0.0;
    RCOMat inverse;
    int err = 0;
    MatInvLU(m, inverse, err);
    return condition ? norm * norm1(inverse) : 0.0;
  });
}
BENCHMARK(BM_Divide)->Apply(arguments);

void BM_Det(benchmark::State& state) {
  run(state, false, [](RCOMat& m, bool condition) {
    const int n = m.rows();
    Element det;
    if (!condition) {
      MatDet(m, n, n, det);
      return det.re();
    }
    const double norm = norm1(m);
    DetPivots pivots;
    MatDet(m, n, n, det, nullptr, &pivots);
    return det.re() + norm * inverseNorm1PivotedLU(m, pivots.rowPerm, pivots.colPerm);
  });
}
BENCHMARK(BM_Det)->Apply(arguments);

void BM_LU(benchmark::State& state) {
  run(state, false, [](RCOMat& m, bool condition) {
    const int n = m.rows();
    const double norm = condition ? norm1(m) : 0.0;
    RCOMat l, u;
    l.resize(n, n);
    u.resize(n, n);
    MatLU(m, l, u, n, n);
    return condition ? norm * inverseNorm1LU(m) : 0.0;
  });
}
BENCHMARK(BM_LU)->Apply(arguments);

void BM_Chol(benchmark::State& state) {
  run(state, true, [](RCOMat& m, bool condition) {
    const double norm = condition ? upperSymmetricNorm1(m) : 0.0;
    RCOMat l, d;
    choleskyLDL(m, l, d);
    return condition ? norm * inverseNorm1LDL(l, d) : 0.0;
  });
}
BENCHMARK(BM_Chol)->Apply(arguments);

// Solve(A,B) with B = A: the elimination of [A|A], which keeps the factors it meets when asked.
void BM_Solve(benchmark::State& state) {
  run(state, false, [](RCOMat& m, bool condition) {
    const int n = m.rows();
    RCOMat both;
    both.assign(n, 2 * n, Element::real(0.0));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) both[i][j] = both[i][n + j] = m[i][j];
    const double norm = condition ? norm1(m) : 0.0;
    const EchelonOutcome e = MatRref(both, nullptr, condition);
    return condition ? norm * e.squareInverseNorm1 : 0.0;
  });
}
BENCHMARK(BM_Solve)->Apply(arguments);

// The norms alone, of matrices of real (second argument 0) or complex values (1).
void normArguments(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{200, 1000}, {0, 1}})->Unit(benchmark::kMillisecond);
}

void BM_Norm(benchmark::State& state, double (*norm)(const RCOMat&), bool symmetric) {
  const RCOMat a =
      randomComplexRegister(static_cast<int>(state.range(0)), 21, symmetric, state.range(1) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(norm(a));
}
BENCHMARK_CAPTURE(BM_Norm, norm1, &norm1, false)->Apply(normArguments);
BENCHMARK_CAPTURE(BM_Norm, upperSymmetricNorm1, &upperSymmetricNorm1, true)->Apply(normArguments);

// The command on the same matrix typed into pane A (B for A/B, with pane A the same size),
// of real (second argument 0) or complex values (1).
void BM_Command(benchmark::State& state, const char* action) {
  setThreadCount(1);
  const int n = static_cast<int>(state.range(0));
  const RCOMat a =
      randomComplexRegister(n, 21, std::string(action) == "Chol(A)", state.range(1) != 0);
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) {
    std::string line;
    for (int j = 0; j < n; ++j) {
      const double im = a[i][j].im();
      line += std::to_string(a[i][j].re());
      if (state.range(1) != 0) {
        line += im < 0 ? '-' : '+';
        line += std::to_string(std::fabs(im));
        line += 'i';
      }
      line += " ";
    }
    lines.push_back(line);
  }
  CalcState calc;
  FormCreate(calc, ".");
  for (auto _ : state) {
    state.PauseTiming();
    calc.paneA.setLines(lines);
    calc.paneB.setLines(lines);
    calc.result.clear();
    state.ResumeTiming();
    findCommandByAction(action)->run(calc);
    benchmark::DoNotOptimize(calc.condition);
  }
}

void commandArguments(benchmark::internal::Benchmark* b) {
  b->ArgsProduct({{1000}, {0, 1}})->Unit(benchmark::kMillisecond);
}
BENCHMARK_CAPTURE(BM_Command, inverse, "inv(A)")->Apply(commandArguments);
BENCHMARK_CAPTURE(BM_Command, divide, "A/B")->Apply(commandArguments);
BENCHMARK_CAPTURE(BM_Command, det, "Det(A)")->Apply(commandArguments);
BENCHMARK_CAPTURE(BM_Command, lu, "LU(A)")->Apply(commandArguments);
BENCHMARK_CAPTURE(BM_Command, solve, "Solve(A,B)")->Apply(commandArguments);
BENCHMARK_CAPTURE(BM_Command, chol, "Chol(A)")->Apply(commandArguments);

}  // namespace
