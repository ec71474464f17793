#include "commands/shell_commands.h"

#include <utility>
#include <vector>

#include "commands/exact_commands.h"
#include "commands/file_io.h"
#include "numbers/pane_text.h"
#include "numbers/result_writer.h"

namespace kelvaro {

void FormCreate(CalcState& state, const std::string& decimalSeparator) {
  state.result.clear();
  state.paneA.clear();
  state.paneB.clear();
  state.decimalSeparator = decimalSeparator;
  if (decimalSeparator == ".") {
    state.paneA.setLines({"1 0 3+2.5i", "0 1 0", "0 0 1.5"});
    state.paneB.setLines({"1 0 3-2.5i", "0 1 0", "0 0 1.5"});
  } else if (decimalSeparator == ",") {
    state.paneA.setLines({"1 0 3+2,5i", "0 1 0", "0 0 1,5"});
    state.paneB.setLines({"1 0 3-2,5i", "0 1 0", "0 0 1,5"});
  }
  state.regs = Registers{};
}

void Refresh1Click(CalcState& state) {
  alignPane(state.paneA, state.work);
}
void Refresh2Click(CalcState& state) {
  alignPane(state.paneB, state.work);
}
void Align1Click(CalcState& state) {
  alignPane(state.result, state.work);
}

void clearPaneA(CalcState& state) {
  state.paneA.clear();
}
void clearPaneB(CalcState& state) {
  state.paneB.clear();
}
void clearResultPane(CalcState& state) {
  state.result.clear();
}

void SWapAandB1Click(CalcState& state) {
  std::vector<std::string> formerA = state.paneA.lines();
  state.paneA.setLines(state.paneB.lines());
  state.paneB.setLines(std::move(formerA));
}

namespace {

// A result that still holds a label or an operand name is not a bare matrix.
bool resultHoldsLabels(const Pane& result) {
  for (const auto& line : result.lines())
    if (line.find_first_of("=AB") != std::string::npos) return true;
  return false;
}

void swapWithResult(CalcState& state, Pane& operand, UserInterface& ui) {
  if (resultHoldsLabels(state.result)) {
    ui.showNote(std::string(kSwapRefusal));
    return;
  }
  std::vector<std::string> formerOperand = operand.lines();
  operand.setLines(state.result.lines());
  state.result.setLines(std::move(formerOperand));
}

}  // namespace

void SwapAandResult1Click(CalcState& state, UserInterface& ui) {
  swapWithResult(state, state.paneA, ui);
}

void SwapBandResult1Click(CalcState& state, UserInterface& ui) {
  swapWithResult(state, state.paneB, ui);
}

void commatodot1Click(CalcState& state, UserInterface& ui) {
  replaceCharacter(state.result, ',', '.');
  ui.showWarning(std::string(kSeparatorSwapDone));
}

void dottocomma1Click(CalcState& state, UserInterface& ui) {
  replaceCharacter(state.result, '.', ',');
  ui.showWarning(std::string(kSeparatorSwapDone));
}

void saveResult(const CalcState& state, const std::string& path) {
  std::size_t size = 0;
  for (const auto& line : state.result.lines()) size += line.size() + 1;
  std::string bytes;
  bytes.reserve(size);
  for (const auto& line : state.result.lines()) {
    bytes += line;
    bytes += '\n';
  }
  writeFileSafely(path, bytes);
}

void ComboBox1Change(CalcState& state) {
  if (state.precisionText == kExactPrecision) {
    // What is still computed in doubles (QR, Svd) prints with every digit a double has.
    state.regs.PrecScale = kExactPrecScale;
    state.exact = true;
    return;
  }
  changePrecision(state.precisionText, state.decimalPoint(), state.regs);
  state.exact = false;
}

}  // namespace kelvaro
