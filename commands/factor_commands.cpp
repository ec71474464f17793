#include "commands/factor_commands.h"

#include <cmath>
#include <limits>
#include <string>

#include "commands/accuracy.h"
#include "commands/command_frame.h"
#include "commands/exact_commands.h"
#include "commands/operand.h"
#include "commands/steps_commands.h"
#include "matrix/Zezizir2.h"
#include "numbers/calc_error.h"
#include "numbers/element_text.h"

namespace kelvaro {

namespace {

bool isReal(const RCOMat& m) {
  for (const Element& e : m.elements())
    if (e.im() != 0.0) return false;
  return true;
}

void determinant(CalcState& state, Operand op) {
  const std::string label = op.text("Det(", ")");
  const PaneSize size = startCommand(state, op.pane, label);
  setCurrentSize(state, size);
  if (size.rows != size.cols) {
    appendErrorLine(state, " Error: To Calculate " + label + ", the Matrix must be square!");
    return;
  }
  writeSteps(state, exact::StepsOf::Determinant, op, size);
  if (state.exact) return exactDeterminant(state, op, size);
  Registers& regs = state.regs;
  readOperand(state, op.pane, size, regs.MatR);
  // An empty pane has the determinant of the empty product, 1.
  const double norm = norm1(regs.MatR);
  const bool real = isReal(regs.MatR);
  DetPivots pivots;
  MatDet(regs.MatR, size.rows, size.cols, regs.ScalarR, state.work, &pivots);
  // The elimination stops when no real part is left to pivot on: for a real matrix that is a
  // singular one, for a complex one it says nothing.
  if (size.rows > 0 && (pivots.complete || real))
    keepCondition(state, op.name, norm,
                  pivots.complete ? inverseNorm1PivotedLU(regs.MatR, pivots.rowPerm, pivots.colPerm)
                                  : std::numeric_limits<double>::infinity());
  writeCommandResult(state);
}

void rank(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("Rank(", ")"));
  setCurrentSize(state, size);
  writeSteps(state, exact::StepsOf::Rank, op, size);
  if (state.exact) return exactRank(state, op, size);
  Registers& regs = state.regs;
  readOperand(state, op.pane, size, regs.MatR);
  regs.ScalarR = Element::real(MatRank(regs.MatR, size.rows, size.cols, state.work));
  writeCommandResult(state);
}

void lu(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("LU(", ")"));
  setCurrentSize(state, size);
  if (size.rows == size.cols) writeSteps(state, exact::StepsOf::LU, op, size);
  if (state.exact) return exactLU(state, op, size);
  Registers& regs = state.regs;
  // MatLU writes every element of both factors; a failed LU shows neither.
  regs.MatF1.resizeForOverwrite(size.rows, size.cols, state.work);
  regs.MatF2.resizeForOverwrite(size.rows, size.cols, state.work);
  // Read before the shape test, so a bad element is reported for any shape.
  readOperand(state, op.pane, size, regs.MatR);
  const double norm = norm1(regs.MatR);
  const int res = MatLU(regs.MatR, regs.MatF1, regs.MatF2, size.rows, size.cols, state.work);
  if (res == -1) {
    appendErrorLine(state, " Error: To Calculate LU, Matrix must be square!");
    return;
  }
  if (res == 0) {
    appendErrorLine(state, " Error:  Calculate LU failed!");
    return;
  }
  // MatLU leaves both factors in the matrix it factors.
  if (size.rows > 0) keepCondition(state, op.name, norm, inverseNorm1LU(regs.MatR));
  writeCommandResult(state);
}

void cholesky(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("Chol(", ")"));
  setCurrentSize(state, size);
  if (size.rows != size.cols) {
    appendErrorLine(state, " Error: To Calculate Cholesky, Row=Col!");
    return;
  }
  writeSteps(state, exact::StepsOf::Cholesky, op, size);
  if (state.exact) return exactCholesky(state, op, size);
  Registers& regs = state.regs;
  readOperand(state, op.pane, size, regs.MatR);
  const double norm = upperSymmetricNorm1(regs.MatR);
  if (!choleskyLDL(regs.MatR, regs.MatF1, regs.MatF2, state.work)) {
    appendErrorLine(state, " No Cholesky decomposition!");
    return;
  }
  if (size.rows > 0) keepCondition(state, op.name, norm, inverseNorm1LDL(regs.MatF1, regs.MatF2));
  writeCommandResult(state);
}

// The exponent as a 32-bit integer; a value outside that range is refused as the integer
// conversion refuses it, with the field's text.
int exponentOf(double value, const std::string& fieldText) {
  if (!(value >= -2147483648.0 && value <= 2147483647.0))
    throw CalcError("'" + quoteForMessage(fieldText) + "' is not a valid integer value");
  return static_cast<int>(value);
}

void power(CalcState& state, Operand op, RCOMat& operandReg, int x) {
  const PaneSize size = countPane(state, op.pane);
  appendLabel(state, op.text("", "^(") + std::to_string(x) + ")");
  if (size.rows != size.cols) {
    appendErrorLine(state,
                    op.text(" Error: To Calculate ", "^x, ") + op.name + " must be square! ");
    return;
  }
  Registers& regs = state.regs;
  setCurrentSize(state, size);
  if (state.exact) return exactPower(state, op, size, x);
  regs.MatR.resize(size.rows, size.cols, state.work);
  regs.MatC.resize(size.rows, size.cols, state.work);
  readOperand(state, op.pane, size, operandReg);
  switch (matrixPower(operandReg, x, regs.MatC, regs.MatR, regs.MatErr, state.powerWorkLimit,
                      state.work)) {
    case PowerOutcome::Done:
      writeCommandResult(state);
      return;
    case PowerOutcome::Singular:  // negative exponents only: nothing beyond the label
      return;
    case PowerOutcome::TooMuchWork:
      appendErrorLine(state, op.text(" Error: To Calculate ", "^x, x is too large for a ") +
                                 std::to_string(size.rows) + " x " + std::to_string(size.rows) +
                                 " matrix (at most " +
                                 std::to_string(largestFullPower(size.rows, state.powerWorkLimit)) +
                                 ")!");
      return;
  }
}

void norm(CalcState& state, Operand op, RCOMat& operandReg) {
  const PaneSize size = startCommand(state, op.pane, op.text("Norm(", ")"));
  state.regs.ScalarR = Element::integer(0);
  setCurrentSize(state, size);
  if (state.exact) return exactNorm(state, op, size);
  readOperand(state, op.pane, size, operandReg);
  state.regs.ScalarR = Element::real(frobeniusNorm(operandReg));
  writeCommandResult(state);
}

}  // namespace

void SpeedButton32Click(CalcState& state) {
  determinant(state, operandA(state));
}
void SpeedButton37Click(CalcState& state) {
  determinant(state, operandB(state));
}
void SpeedButton34Click(CalcState& state) {
  rank(state, operandA(state));
}
void SpeedButton35Click(CalcState& state) {
  rank(state, operandB(state));
}
void SpeedButton29Click(CalcState& state) {
  lu(state, operandA(state));
}
void SpeedButton30Click(CalcState& state) {
  lu(state, operandB(state));
}
void SpeedButton31Click(CalcState& state) {
  cholesky(state, operandA(state));
}
void SpeedButton36Click(CalcState& state) {
  cholesky(state, operandB(state));
}

void SpeedButton27Click(CalcState& state) {
  // The field as an element; its real part rounded, halves to even (the imaginary part is
  // ignored).
  const Element z = parseElement(state.coefText, state.numberFormat());
  const int x = exponentOf(std::nearbyint(z.re()), state.coefText);
  power(state, operandA(state), state.regs.MatA, x);
}

void SpeedButton44Click(CalcState& state) {
  // The field as a plain decimal number, kept in CoefX, then truncated toward zero.
  const double value = textToFloat(state.coefText, state.decimalPoint());
  state.regs.CoefX = Element::real(value);
  const int x = exponentOf(std::trunc(value), state.coefText);
  power(state, operandB(state), state.regs.MatB, x);
}

void SpeedButton50Click(CalcState& state) {
  norm(state, operandA(state), state.regs.MatA);
}
void SpeedButton51Click(CalcState& state) {
  norm(state, operandB(state), state.regs.MatB);
}

}  // namespace kelvaro
