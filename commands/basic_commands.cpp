#include "commands/basic_commands.h"

#include <string_view>

#include "commands/command_frame.h"
#include "commands/exact_commands.h"
#include "matrix/Zezizir2.h"

namespace kelvaro {

namespace {

// Reprints one operand pane at the current precision and display format.
void showPane(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text(""));
  setCurrentSize(state, size);
  if (state.exact) return exactShowPane(state, op, size);
  readOperand(state, op.pane, size, state.regs.MatR);
  writeCommandResult(state);
}

// A+B, and A-B by reading B negated into MatB.
void addPanes(CalcState& state, std::string_view label, std::string_view errorLine,
              ElementReading readingOfB) {
  const auto [sizeA, sizeB] = startOnBothPanes(state, label);
  if (sizeA != sizeB) {
    appendErrorLine(state, errorLine);
    return;
  }
  Registers& regs = state.regs;
  setCurrentSize(state, sizeA);
  if (state.exact) return exactSum(state, sizeA, readingOfB == ElementReading::Negated);
  // MatAdd writes every element of MatR, on storage of that size if MatR has it: filling it
  // beforehand would only touch the memory twice. Without elements it is sized here.
  if (sizeA.rows == 0 || sizeA.cols == 0) regs.MatR.resize(sizeA.rows, sizeA.cols);
  readBothOperands(state, sizeA, regs.MatA, sizeA, regs.MatB, readingOfB);
  // Two empty panes leave MatErr at 5 and MatR empty: the writer then prints the bare "=".
  MatAdd(regs.MatA, regs.MatB, regs.MatR, regs.MatErr, state.work);
  writeCommandResult(state);
}

}  // namespace

void SpeedButton11Click(CalcState& state) {
  showPane(state, operandA(state));
}

void SpeedButton12Click(CalcState& state) {
  showPane(state, operandB(state));
}

void SpeedButton13Click(CalcState& state) {
  addPanes(state, "A+B", " Error: To Calculate A+B, the two Matrice must be same dimensions!",
           ElementReading::Plain);
}

void SpeedButton9Click(CalcState& state) {
  addPanes(state, "A-B", " Error: To Calculate A-B, the two Matrice must be same dimensions!",
           ElementReading::Negated);
}

}  // namespace kelvaro
