#include "commands/product_commands.h"

#include <string>

#include "commands/accuracy.h"
#include "commands/command_frame.h"
#include "commands/exact_commands.h"
#include "commands/operand.h"
#include "commands/steps_commands.h"
#include "matrix/Zezizir2.h"

namespace kelvaro {

namespace {

constexpr std::string_view kProductShapeError = " Error: To Calculate A*B, A(Col)=B(Row)!";

// Reads the operand into MatC and inverts it: Gauss-Jordan on its split parts when square,
// the element-wise reciprocal otherwise. MatR gets the result; false when singular.
bool readAndInvert(CalcState& state, const Pane& pane, PaneSize size);

// The condition of a square operand from the inverse itself (MatC and MatR as readAndInvert
// leaves them).
void keepInverseCondition(CalcState& state, char operand, PaneSize size) {
  if (size.rows == size.cols && size.rows > 0)
    keepCondition(state, operand, norm1(state.regs.MatC), norm1(state.regs.MatR));
}

bool readAndInvert(CalcState& state, const Pane& pane, PaneSize size) {
  Registers& regs = state.regs;
  regs.MatC.resize(size.rows, size.cols, state.work);
  regs.MatR.resize(size.rows, size.cols, state.work);
  readOperand(state, pane, size, regs.MatC);
  if (size.rows != size.cols) {
    elementwiseReciprocal(regs.MatC, regs.MatR);
    return true;
  }
  RCoVecD re, im;
  re.reserve(regs.MatC.elements().size());
  im.reserve(regs.MatC.elements().size());
  CancelCountdown countdown(state.work);
  for (const Element& e : regs.MatC.elements()) {
    countdown.tick();
    re.push_back(e.re());
    im.push_back(e.im());
  }
  return MatInverse(size.rows, re, im, regs.MatR, state.work) == 0;
}

void inverse(CalcState& state, Operand op) {
  const std::string label = op.text("inv(", ")");
  const PaneSize size = startCommand(state, op.pane, label);
  if (size.rows == size.cols) writeSteps(state, exact::StepsOf::Inverse, op, size);
  if (state.exact) return exactInverse(state, op, size);
  if (!readAndInvert(state, op.pane, size)) {
    appendErrorLine(state, " Error: " + label + " has no result!");
    return;
  }
  keepInverseCondition(state, op.name, size);
  setCurrentSize(state, size);
  writeCommandResult(state);
}

}  // namespace

void SpeedButton39Click(CalcState& state) {
  const auto [a, b] = startOnBothPanes(state, "A*B");
  if (a.cols != b.rows) {
    appendErrorLine(state, kProductShapeError);
    return;
  }
  if (state.exact) return exactProduct(state, a, b);
  Registers& regs = state.regs;
  regs.MatR.resize(a.rows, b.cols, state.work);
  readBothOperands(state, a, regs.MatA, b, regs.MatB);
  MatMul(regs.MatA, regs.MatB, regs.MatR, regs.MatErr, state.work);
  setCurrentSize(state, {a.rows, b.cols});
  writeCommandResult(state);
}

void SpeedButton40Click(CalcState& state) {
  const PaneSize a = countPane(state, state.paneA);
  appendLabel(state, "A'*B");
  if (state.exact) return exactTransposeProduct(state, a);
  Registers& regs = state.regs;
  regs.MatR.resize(a.cols, a.rows, state.work);
  readOperand(state, state.paneA, a, regs.MatC);
  MatTranspose(regs.MatC, regs.MatR, regs.MatErr);
  // B is counted only now, so a warning about it lands below the label.
  const PaneSize b = countPane(state, state.paneB);
  if (b.rows != a.rows) {
    appendErrorLine(state, kProductShapeError);
    return;
  }
  regs.MatA.resize(a.cols, a.rows, state.work);
  MatCopy(regs.MatR, regs.MatA, regs.MatErr);
  readOperand(state, state.paneB, b, regs.MatB);
  setCurrentSize(state, {a.cols, b.cols});
  regs.MatR.resize(a.cols, b.cols, state.work);
  MatMul(regs.MatA, regs.MatB, regs.MatR, regs.MatErr, state.work);
  writeCommandResult(state);
}

void SpeedButton18Click(CalcState& state) {
  inverse(state, operandA(state));
}
void SpeedButton38Click(CalcState& state) {
  inverse(state, operandB(state));
}

void SpeedButton2Click(CalcState& state) {
  const PaneSize a = countPane(state, state.paneA);
  appendLabel(state, "inv(A)*B");
  if (state.exact) return exactInverseTimes(state, a);
  const bool inverted = readAndInvert(state, state.paneA, a);
  const PaneSize b = countPane(state, state.paneB);
  // The shape comes first: a singular A with a B that does not fit reports the shape.
  if (b.rows != a.cols) {
    appendErrorLine(state, kProductShapeError);
    return;
  }
  Registers& regs = state.regs;
  regs.MatA.resize(a.rows, a.cols, state.work);
  MatCopy(regs.MatR, regs.MatA, regs.MatErr);
  readOperand(state, state.paneB, b, regs.MatB);
  if (!inverted) {
    appendErrorLine(state, " Error: inv(A)*B has no result!");
    return;
  }
  // MatA holds the inverse now.
  if (a.rows == a.cols && a.rows > 0) keepCondition(state, 'A', norm1(regs.MatC), norm1(regs.MatA));
  regs.MatR.resize(a.rows, b.cols, state.work);
  MatMul(regs.MatA, regs.MatB, regs.MatR, regs.MatErr, state.work);
  setCurrentSize(state, {a.rows, b.cols});
  writeCommandResult(state);
}

void SpeedButton49Click(CalcState& state) {
  const auto [a, b] = startOnBothPanes(state, "A/B");
  if (b.rows != a.cols || b.cols != b.rows) {
    appendErrorLine(state, " Error: To Calculate A/B, B Should be square, and A(Col)=B(Row)!");
    return;
  }
  if (state.exact) return exactDivide(state, a, b);
  Registers& regs = state.regs;
  regs.MatC.resize(b.rows, b.cols, state.work);
  regs.MatR.resize(a.rows, b.cols, state.work);
  readBothOperands(state, a, regs.MatA, b, regs.MatB);
  const double normB = norm1(regs.MatB);
  MatInvLU(regs.MatB, regs.MatC, regs.MatErr, state.work);
  // A singular B prints nothing beyond the label.
  if (regs.MatErr != kMatOk) return;
  if (b.rows > 0) keepCondition(state, 'B', normB, norm1(regs.MatC));
  MatMul(regs.MatA, regs.MatC, regs.MatR, regs.MatErr, state.work);
  setCurrentSize(state, {a.rows, a.cols});
  writeCommandResult(state);
}

void KronItemClick(CalcState& state) {
  const auto [a, b] = startOnBothPanes(state, "Kron(A,B)");
  // Sized before A and B are read: a result beyond the limit costs no reading either.
  const PaneSize size = resultSize(std::int64_t{a.rows} * b.rows, std::int64_t{a.cols} * b.cols);
  setCurrentSize(state, size);
  if (state.exact) return exactKron(state, a, b);
  Registers& regs = state.regs;
  regs.MatR.resize(size.rows, size.cols, state.work);
  readBothOperands(state, a, regs.MatA, b, regs.MatB);
  MatKron(regs.MatA, regs.MatB, regs.MatR, regs.MatErr, state.work);
  setCurrentSize(state, size);
  writeCommandResult(state);
}

}  // namespace kelvaro
