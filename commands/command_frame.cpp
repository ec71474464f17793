#include "commands/command_frame.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "matrix/thread_pool.h"
#include "numbers/pane_text.h"
#include "numbers/result_parts.h"
#include "numbers/result_writer.h"

namespace kelvaro {

namespace {

// About what reading, counting or aligning a pane costs: its characters.
std::int64_t textOf(const Pane& pane) {
  std::int64_t characters = 0;
  for (const std::string& line : pane.lines()) characters += static_cast<std::int64_t>(line.size());
  return characters;
}

// onA(), then onB(); at the same time when both panes are long. What onB does must be kept
// aside and only taken up by the caller once both have returned: an error of onA comes first
// (rethrown, whatever onB did) and then nothing of onB may show, as if onB never ran.
template <class OnA, class OnB>
void onBothPanes(const CalcState& state, OnA onA, OnB onB) {
  const std::int64_t shorter = std::min(textOf(state.paneA), textOf(state.paneB));
  parallelRanges(2, rangesFor(2, grainFor(shorter)), [&](int first, int last) {
    for (int pane = first; pane < last; ++pane) pane == 0 ? onA() : onB();
  });
}

}  // namespace

void runPrelude(CalcState& state, int resultKind) {
  std::vector<std::string> alignedB;
  onBothPanes(
      state, [&] { alignPane(state.paneA, state.work); },
      [&] { alignedB = alignedLines(state.paneB, state.work); });
  state.paneB.setLines(std::move(alignedB));
  if (resultKind >= 0) state.regs.ResKind = resultKind;
  state.pendingSteps = {};
  state.condition.reset();
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
  Pane warningOfB;
  onBothPanes(
      state, [&] { sizes.a = countPane(state, state.paneA); },
      [&] {
        sizes.b.rows = rowCount(state.paneB);
        sizes.b.cols = columnCount(state.paneB, warningOfB, state.work);
      });
  for (const std::string& line : warningOfB.lines()) state.result.add(line);
  appendLabel(state, label);
  return sizes;
}

void readBothOperands(const CalcState& state, PaneSize sizeA, RCOMat& regA, PaneSize sizeB,
                      RCOMat& regB, ElementReading readingOfB) {
  // B goes into a matrix of its own: regB keeps what it held when A cannot be read.
  RCOMat b;
  bool readA = false;
  try {
    onBothPanes(
        state,
        [&] {
          readOperand(state, state.paneA, sizeA, regA);
          readA = true;
        },
        [&] { readOperand(state, state.paneB, sizeB, b, readingOfB); });
  } catch (...) {
    // B could not be read: it holds what was read, then zeros.
    if (readA) regB = std::move(b);
    throw;
  }
  regB = std::move(b);
}

void writeCommandResult(CalcState& state) {
  const int kind = state.regs.ResKind;
  // The writer completes the pane's last line, the command's label, with "=".
  const std::string label = state.result.empty() ? std::string() : state.result.lines().back();
  // A row of text costs about what reading it does, some tens of operations a cell.
  const RowRanges rowRanges = [](int count, std::int64_t cost,
                                 const std::function<void(int, int)>& body) {
    parallelFor(count, grainFor(cost * 32), body);
  };
  writeResult(state.result, state.regs, state.numberFormat(), state.work, rowRanges);
  keepResult(state, label, kind, resultParts(state.regs, kind, state.work));
}

}  // namespace kelvaro
