#include "commands/command_frame.h"

#include <string>

#include "commands/shell_commands.h"
#include "numbers/result_parts.h"
#include "numbers/result_writer.h"

namespace kelvaro {

void runPrelude(CalcState& state, int resultKind) {
  Refresh1Click(state);
  Refresh2Click(state);
  if (resultKind >= 0) state.regs.ResKind = resultKind;
  state.pendingSteps = {};
}

void keepResult(CalcState& state, std::string_view label, int resultKind,
                std::vector<MatrixPart> parts) {
  state.lastResult = std::move(parts);
  state.lastResultSummary = resultSummary(label, resultKind, state.lastResult);
  ++state.resultsWritten;
  state.lastSteps = std::move(state.pendingSteps);
  state.pendingSteps = {};
}

PaneSize countPane(CalcState& state, const Pane& pane) {
  PaneSize size;
  size.rows = rowCount(pane);
  size.cols = columnCount(pane, state.result, state.work);
  return size;
}

void appendLabel(CalcState& state, std::string_view label) {
  state.result.add(std::string(label));
}

void appendErrorLine(CalcState& state, std::string_view errorLine) {
  state.result.add(std::string(errorLine));
  state.result.add(std::string());
}

PaneSize resultSize(std::int64_t rows, std::int64_t cols) {
  checkMatrixSize(rows, cols);
  if (rows <= 0 || cols <= 0) return {};  // no rows or no columns: an empty result
  return {static_cast<int>(rows), static_cast<int>(cols)};
}

void setCurrentSize(CalcState& state, PaneSize size) {
  state.regs.RowN = size.rows;
  state.regs.ColN = size.cols;
}

void readOperand(const CalcState& state, const Pane& pane, PaneSize size, RCOMat& reg,
                 ElementReading reading) {
  readPane(pane, size.rows, size.cols, reg, state.numberFormat(), reading, state.work);
}

PaneSize startCommand(CalcState& state, const Pane& pane, std::string_view label) {
  const PaneSize size = countPane(state, pane);
  appendLabel(state, label);
  return size;
}

PaneSizes startOnBothPanes(CalcState& state, std::string_view label) {
  PaneSizes sizes;
  sizes.a = countPane(state, state.paneA);
  sizes.b = countPane(state, state.paneB);
  appendLabel(state, label);
  return sizes;
}

void writeCommandResult(CalcState& state) {
  const int kind = state.regs.ResKind;
  // The writer completes the pane's last line, the command's label, with "=".
  const std::string label = state.result.empty() ? std::string() : state.result.lines().back();
  writeResult(state.result, state.regs, state.numberFormat(), state.work);
  keepResult(state, label, kind, resultParts(state.regs, kind, state.work));
}

}  // namespace kelvaro
