#pragma once
// The operations under the precision "exact". Each handler runs its frame as in the other
// precisions (counts, label, the size checks and their error lines) and then hands over to
// its exact counterpart here, which reads the panes as the exact values typed, computes with
// the exact library and prints integers, fractions p/q and Gaussian rationals a+bi. A result
// whose text could outgrow the Result pane is refused before it is computed.

#include <cstdint>
#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/command_frame.h"
#include "commands/operand.h"
#include "exact/exact_matrix.h"
#include "exact/exact_work.h"
#include "numbers/extended.h"

namespace kelvaro {

// The precision box's text that selects exact arithmetic.
inline constexpr std::string_view kExactPrecision = "exact";
// PrecScale under it, for what is still computed in doubles: 15 decimals, so that a double
// prints with all the digits it has.
inline constexpr Extended kExactPrecScale = 1e15L;

// The work of an exact routine: the command's cancel flag and progress, the kernels' threads.
class ExactRun {
 public:
  explicit ExactRun(CalcState& state);
  ExactRun(const ExactRun&) = delete;
  ExactRun& operator=(const ExactRun&) = delete;
  const exact::Work& work() const { return work_; }

 private:
  class TokenProgress : public exact::Progress {
   public:
    explicit TokenProgress(WorkToken* token) : token_(token) {}
    void begin(std::uint64_t known) override { beginWork(token_, known); }
    void advance(std::uint64_t count) override { stepDone(token_, count); }

   private:
    WorkToken* token_;
  };
  TokenProgress progress_;
  exact::Work work_;
};

// The pane's matrix as exact values; messages name "Matrix A" or "Matrix B".
exact::ExactMatrix readExactOperand(CalcState& state, const Pane& pane, PaneSize size, char name,
                                    bool negate = false);
// Coef.(x) as an exact value.
exact::GaussRational readExactCoefficient(const CalcState& state);

// False after the error line when the result of `label` could take more characters than
// the Result pane holds (bound as exact_bounds.h gives it).
bool exactResultFits(CalcState& state, std::string_view label, std::uint64_t bound);

// The result writer's layouts for exact values: the label completed with "=", an empty line,
// the matrix's rows (or the scalar line, or each factor under its caption), and the last
// result kept for copying and reuse.
void writeExactMatrix(CalcState& state, const exact::ExactMatrix& m);
// The label completed with "=" and the empty line under it, as the result writer begins;
// returns the label.
std::string completeResultLabel(CalcState& state);
// An exact matrix as a part of the last result: its nearest doubles and its texts.
MatrixPart exactResultPart(std::string name, const exact::ExactMatrix& m, const CancelFlag* cancel);
void writeExactScalar(CalcState& state, const exact::GaussRational& v);

// The exact counterparts, called by the handlers after their size checks.
void exactShowPane(CalcState& state, Operand op, PaneSize size);
void exactSum(CalcState& state, PaneSize size, bool subtract);
void exactTranspose(CalcState& state, Operand op, PaneSize size);
void exactTimesX(CalcState& state, Operand op, PaneSize size);
void exactDimension(CalcState& state, Operand op, PaneSize size);
void exactTrace(CalcState& state, Operand op, PaneSize size);
void exactElementwise(CalcState& state, PaneSize size, bool divide);
// operation: '&', '|' or '#'.
void exactLogical(CalcState& state, PaneSize size, char operation);
void exactProduct(CalcState& state, PaneSize a, PaneSize b);
void exactTransposeProduct(CalcState& state, PaneSize a);
void exactInverse(CalcState& state, Operand op, PaneSize size);
void exactInverseTimes(CalcState& state, PaneSize a);
void exactDivide(CalcState& state, PaneSize a, PaneSize b);
void exactKron(CalcState& state, PaneSize a, PaneSize b);
void exactDeterminant(CalcState& state, Operand op, PaneSize size);
void exactRank(CalcState& state, Operand op, PaneSize size);
void exactLU(CalcState& state, Operand op, PaneSize size);
void exactCholesky(CalcState& state, Operand op, PaneSize size);
void exactPower(CalcState& state, Operand op, PaneSize size, int x);
void exactNorm(CalcState& state, Operand op, PaneSize size);
void exactEigenvalues(CalcState& state, Operand op, PaneSize size);
// After QR or Svd, computed in doubles: the notice line that says so.
void noteComputedInDoubles(CalcState& state, std::string_view operation);

}  // namespace kelvaro
