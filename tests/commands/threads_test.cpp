// Every kernel that shares its work out over threads gives the same bits for any number of
// threads: 1, 2, 3 and 8, on random matrices with ties in every pivot search and many zeros,
// and on well-conditioned ones. The threshold below which work stays on one thread is taken
// down to nothing, so that even these small matrices are cut into as many ranges as there
// are threads, with their edges everywhere. So does every operation of the command table,
// errors in both panes included, and the loops it shares out must be ones the kernels'
// comparison runs, or the text work of the panes and the result.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "matrix/Zezizir2.h"
#include "matrix/thread_pool.h"
#include "tests/support/calculator.h"
#include "tests/support/reference_kernels.h"

namespace kelvaro {
namespace {

// What a kernel leaves: its matrices (scalars as 1 x 1, flags as integers) or its error.
struct Outcome {
  std::vector<RCOMat> matrices;
  std::string error = {};
};

RCOMat scalar(const Element& e) {
  RCOMat m(1, 1);
  m[0][0] = e;
  return m;
}

RCOMat realParts(const RCOMat& m) {
  RCOMat r(m.rows(), m.cols());
  for (int i = 0; i < m.rows(); ++i)
    for (int j = 0; j < m.cols(); ++j) r[i][j] = Element::real(m[i][j].re());
  return r;
}

// The real parts as complex elements, as a pane of real numbers reads.
RCOMat realValues(const RCOMat& m) {
  RCOMat r(m.rows(), m.cols());
  for (int i = 0; i < m.rows(); ++i)
    for (int j = 0; j < m.cols(); ++j) r[i][j] = Element::complex(m[i][j].re(), 0.0);
  return r;
}

RCOMat ofDoubles(std::span<const double> v) {
  RCOMat m(1, static_cast<int>(v.size()));
  for (std::size_t i = 0; i < v.size(); ++i) m[0][static_cast<int>(i)] = Element::real(v[i]);
  return m;
}

// MatLU's outcome with one of its path settings at value (0: the default), set back after.
Outcome luWith(void (*set)(int), int value, RCOMat a) {
  RCOMat l(a.rows(), a.cols()), u(a.rows(), a.cols());
  set(value);
  const int res = MatLU(a, l, u, a.rows(), a.cols());
  set(0);
  return Outcome{{a, l, u, scalar(Element::integer(res))}};
}

// The operands a kernel is given: a (rows x cols) and b (cols x cols).
enum class Shape { Square, Any, Tall };

struct Kernel {
  const char* name;
  Shape shape;
  Outcome (*run)(RCOMat a, RCOMat b);
};

const Kernel kKernels[] = {
    {"MatMul", Shape::Any,
     [](RCOMat a, RCOMat b) {
       RCOMat c, elementwise;
       int err = 0;
       MatMul(a, b, c, err);
       MatMulElements(realParts(a), b, elementwise);
       return Outcome{{c, elementwise}};
     }},
    {"MatMul of real values", Shape::Any,
     [](RCOMat a, RCOMat b) {
       RCOMat c;
       int err = 0;
       MatMul(realValues(a), realValues(b), c, err);
       return Outcome{{c}};
     }},
    {"MatInverse", Shape::Square,
     [](RCOMat a, RCOMat) {
       RCoVecD re, im;
       for (const Element& e : a.elements()) re.push_back(e.re()), im.push_back(e.im());
       RCOMat r;
       const int singular = MatInverse(a.rows(), re, im, r);
       return Outcome{{r, ofDoubles(re), ofDoubles(im), scalar(Element::integer(singular))}};
     }},
    {"MatInvLU", Shape::Square,
     [](RCOMat a, RCOMat) {
       RCOMat a2 = a, r, r2;
       int err = 0, err2 = 0;
       MatInvLU(a, r, err);
       MatInvLUElements(a2, r2, err2);
       return Outcome{{a, r, a2, r2, scalar(Element::integer(err + 10 * err2))}};
     }},
    {"MatDet", Shape::Square,
     [](RCOMat a, RCOMat) {
       Element det;
       MatDet(a, a.rows(), a.cols(), det);
       return Outcome{{a, scalar(det)}};
     }},
    {"MatDet and MatRank of real values", Shape::Square,
     [](RCOMat a, RCOMat) {
       RCOMat d = realValues(a), r = d;
       Element det;
       DetPivots pivots;
       MatDet(d, d.rows(), d.cols(), det, nullptr, &pivots);
       const double rank = MatRank(r, r.rows(), r.cols());
       return Outcome{{d, r, scalar(det), scalar(Element::real(rank))}};
     }},
    {"MatRank", Shape::Any,
     [](RCOMat a, RCOMat) {
       const double rank = MatRank(a, a.rows(), a.cols());
       return Outcome{{a, scalar(Element::real(rank))}};
     }},
    {"MatLU", Shape::Square, [](RCOMat a, RCOMat) { return luWith(setLuTilesFrom, 0, a); }},
    {"MatLU by tiles", Shape::Square,
     [](RCOMat a, RCOMat) { return luWith(setLuTilesFrom, 1, a); }},
    {"MatLU by column blocks", Shape::Square,
     [](RCOMat a, RCOMat) { return luWith(setLuColumnBlock, 3, a); }},
    {"choleskyLDL", Shape::Square,
     [](RCOMat a, RCOMat b) {
       // b's product with its transpose is symmetric and, real, positive definite: the
       // factorisation runs to its end there, and stops early on a.
       RCOMat bt, sym;
       int err = 0;
       MatTranspose(b, bt, err);
       MatMul(b, bt, sym, err);
       RCOMat l, d, l2, d2;
       const bool done = choleskyLDL(sym, l, d);
       const bool done2 = choleskyLDL(a, l2, d2);
       return Outcome{{sym, l, d, a, l2, d2, scalar(Element::integer(done + 2 * done2))}};
     }},
    {"matrixPower", Shape::Square,
     [](RCOMat a, RCOMat) {
       RCOMat c, r, a2 = a, c2, r2;
       int err = 0;
       matrixPower(a, 5, c, r, err);
       const PowerOutcome negative = matrixPower(a2, -3, c2, r2, err);
       return Outcome{{c, r, a2, c2, r2, scalar(Element::integer(static_cast<int>(negative)))}};
     }},
    {"matrixPower of real values", Shape::Square,
     [](RCOMat a, RCOMat) {
       RCOMat real = realValues(a), c, r;
       int err = 0;
       matrixPower(real, 5, c, r, err);
       return Outcome{{c, r}};
     }},
    {"MatQR", Shape::Tall,
     [](RCOMat a, RCOMat) {
       RCOMat r = realParts(a), q;
       MatQR(r, a.rows(), a.cols(), q);
       return Outcome{{r, q}};
     }},
    {"eigenvalues", Shape::Square,
     [](RCOMat a, RCOMat) {
       const int n = a.rows();
       matrx2 work(n);
       for (int i = 0; i < n; ++i)
         for (int j = 0; j < n; ++j) work[i + 1][j + 1] = a[i][j].re();
       MatBalance(work, n);
       MatHessenberg(work, n);
       RCOMat hessenberg(n, n);
       for (int i = 0; i < n; ++i)
         for (int j = 0; j < n; ++j) hessenberg[i][j] = Element::real(work[i + 1][j + 1]);
       std::vector<double> wr, wi;
       const bool converged = MatHqr(work, n, wr, wi);
       return Outcome{
           {hessenberg, ofDoubles(wr), ofDoubles(wi), scalar(Element::integer(converged))}};
     }},
    {"MatKron", Shape::Any,
     [](RCOMat a, RCOMat b) {
       RCOMat r, small(2, 3);  // b whole would make too large a product
       for (int k = 0; k < 6; ++k) small[k / 3][k % 3] = b.elements()[k % b.elements().size()];
       int err = 0;
       MatKron(a, small, r, err);
       return Outcome{{r, scalar(Element::integer(err))}};
     }},
    {"MatRref", Shape::Any,
     [](RCOMat a, RCOMat) {
       // The real parts alone, and the operand as it is.
       Outcome out;
       for (RCOMat r : {realParts(a), a}) {
         const EchelonOutcome e = MatRref(r, nullptr, true);
         RCOMat columns(1, static_cast<int>(e.pivotColumns.size()));
         for (std::size_t k = 0; k < e.pivotColumns.size(); ++k)
           columns[0][static_cast<int>(k)] = Element::integer(e.pivotColumns[k]);
         out.matrices.insert(out.matrices.end(),
                             {r, columns, scalar(Element::real(e.squareInverseNorm1)),
                              scalar(Element::integer(e.pivotTakenAsZero))});
       }
       return out;
     }},
    {"MatSvd", Shape::Any,
     [](RCOMat a, RCOMat) {
       RCOMat s = realParts(a), u, v;
       const bool converged = MatSvd(s, u, v, a.rows(), a.cols(), 1e-15L);
       return Outcome{{s, u, v, scalar(Element::integer(converged))}};
     }},
};

Outcome outcomeOf(const Kernel& kernel, const RCOMat& a, const RCOMat& b) {
  try {
    return kernel.run(a, b);
  } catch (const std::exception& e) {
    return Outcome{{}, e.what()};
  }
}

::testing::AssertionResult sameOutcome(const Outcome& x, const Outcome& y) {
  if (x.error != y.error)
    return ::testing::AssertionFailure() << "errors '" << x.error << "' and '" << y.error << "'";
  if (x.matrices.size() != y.matrices.size())
    return ::testing::AssertionFailure() << "different numbers of results";
  for (std::size_t i = 0; i < x.matrices.size(); ++i)
    if (auto same = reference::sameMatrix(x.matrices[i], y.matrices[i]); !same)
      return same << " in result " << i;
  return ::testing::AssertionSuccess();
}

// Operands of one round, sizes across the panels and blocks of the kernels: small integers
// (ties, zeros, singular matrices) in even rounds, a heavy diagonal in odd ones.
std::pair<RCOMat, RCOMat> operands(const Kernel& kernel, int round, std::mt19937_64& gen) {
  static constexpr int kSizes[] = {1, 2, 33, 70, 70, 97};
  const int n = kSizes[round % std::size(kSizes)];
  int rows = n;
  if (kernel.shape == Shape::Any && round % 3 == 1) rows = n / 2 + 1;
  if (kernel.shape != Shape::Square && round % 3 == 2) rows = n + 9;
  return {reference::operandOfRound(rows, n, round, gen),
          reference::operandOfRound(n, n, round, gen)};
}

class EveryThreadCount : public ::testing::Test {
 protected:
  void SetUp() override { setLeastParallelWork(1); }
  void TearDown() override {
    setLeastParallelWork(0);
    setThreadCount(0);
    setLuTilesFrom(0);
  }
};

// An operation that shares work out must also announce its steps and look at its token.
TEST_F(EveryThreadCount, KernelsAndEveryOperationGiveTheSameBits) {
  startRecordingSharedLoops();
  for (const Kernel& kernel : kKernels) {
    SCOPED_TRACE(kernel.name);
    std::mt19937_64 gen(12);
    for (int round = 0; round < 6; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      const auto [a, b] = operands(kernel, round, gen);
      setThreadCount(1);
      const Outcome one = outcomeOf(kernel, a, b);
      for (int threads : {2, 3, 8}) {
        setThreadCount(threads);
        EXPECT_TRUE(sameOutcome(one, outcomeOf(kernel, a, b))) << threads << " threads";
      }
    }
  }
  std::vector<std::uintptr_t> compared = stopRecordingSharedLoops();
  // Square operands, and a tall A: every operation's usual way through. Then an element that
  // cannot be read and a short row in each pane: A's error and warning come first, and B's
  // register keeps what it held, whichever pane is done first.
  std::vector<CalcState> starts = {test_support::stateWith(24), test_support::stateWith(12),
                                   test_support::stateWith(12)};
  starts[1].paneA.setLines(test_support::matrixLines(30, 4, 12));
  for (const std::size_t line : {4, 9}) {
    starts[2].paneA.setLine(line, starts[2].paneA.line(line) + " zz");
    starts[2].paneB.setLine(line, "1 2 yy");
  }
  startRecordingSharedLoops();
  CalcState texts = starts[0];
  findCommandByAction("A+B")->run(texts);  // nothing but text work and a sum
  const std::vector<std::uintptr_t> textLoops = stopRecordingSharedLoops();
  EXPECT_FALSE(textLoops.empty());
  std::vector<std::uintptr_t> kernelLoops = compared;
  compared.insert(compared.end(), textLoops.begin(), textLoops.end());
  std::ranges::sort(compared);
  const std::vector<const CommandInfo*> longOperations = test_support::longOperations();
  for (const CommandInfo& command : commandTable()) {
    SCOPED_TRACE(command.action);
    for (const CalcState& start : starts) {
      CalcState one = start, three = start;
      setThreadCount(1);
      const std::string error = test_support::errorOf([&] { command.run(one); });
      setThreadCount(3);
      startRecordingSharedLoops();
      EXPECT_EQ(test_support::errorOf([&] { command.run(three); }), error);
      const std::vector<std::uintptr_t> loops = stopRecordingSharedLoops();
      EXPECT_EQ(test_support::stateBytes(three), test_support::stateBytes(one));
      EXPECT_TRUE(std::ranges::includes(compared, loops)) << "a loop no kernel of kKernels runs";
      EXPECT_TRUE(!std::ranges::any_of(loops, [&](auto loop) {
        return std::ranges::binary_search(kernelLoops, loop);
      }) || std::ranges::count(longOperations, &command));
    }
  }
}

}  // namespace
}  // namespace kelvaro
