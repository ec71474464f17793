#include "commands/elementwise_commands.h"

#include <string>
#include <string_view>
#include <vector>

#include "commands/command_frame.h"
#include "commands/exact_commands.h"
#include "commands/operand.h"
#include "matrix/Zezizir2.h"
#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/pane_text.h"

namespace kelvaro {

namespace {

void transpose(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("", "'"));
  Registers& regs = state.regs;
  setCurrentSize(state, {size.cols, size.rows});
  if (state.exact) return exactTranspose(state, op, size);
  readOperand(state, op.pane, size, regs.MatC);
  MatTranspose(regs.MatC, regs.MatR, regs.MatErr);
  writeCommandResult(state);
}

void timesX(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("", "*x"));
  Registers& regs = state.regs;
  setCurrentSize(state, size);
  if (state.exact) return exactTimesX(state, op, size);
  readOperand(state, op.pane, size, regs.MatC);
  regs.CoefX = parseElement(state.coefText, state.numberFormat());
  MatScalarMul(regs.CoefX, regs.MatC, regs.MatR, regs.MatErr);
  writeCommandResult(state);
}

void dimension(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("Dim(", ")"));
  Registers& regs = state.regs;
  setCurrentSize(state, size);
  if (state.exact) return exactDimension(state, op, size);
  readOperand(state, op.pane, size, regs.MatR);
  MatDim(regs.MatR, regs.DimRows, regs.DimCols, regs.MatErr);
  writeCommandResult(state);
}

void trace(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("Trace(", ")"));
  Registers& regs = state.regs;
  setCurrentSize(state, size);
  if (state.exact) return exactTrace(state, op, size);
  readOperand(state, op.pane, size, regs.MatR);
  MatTrace(regs.MatR, regs.ScalarR, regs.MatErr);
  writeCommandResult(state);
}

void fill(CalcState& state, Pane& pane) {
  // Everything is read before the pane is touched, so a typo in a field loses nothing.
  const int rows = textToInteger(state.rowText);
  const int cols = textToInteger(state.columnText);
  // Under exact arithmetic every cell holds x's exact value.
  const std::string t = state.exact ? readExactCoefficient(state).text()
                                    : normalizeToken(state.coefText, state.numberFormat());
  const long long elements = static_cast<long long>(rows) * (cols > 1 ? cols : 1);
  if (elements > kMaxFillElements) {
    throw CalcError("Cannot fill " + std::to_string(rows) + " x " + std::to_string(cols) +
                    " elements: at most " + std::to_string(kMaxFillElements) +
                    " elements can be filled.");
  }
  if (rows <= 0) {
    pane.clear();
    return;
  }
  std::string cell = " " + t;
  if (cell.size() < 11) cell.resize(11, ' ');
  // The size of the text is known before it is built: beyond what an aligned pane may hold it
  // is refused, and the pane keeps its text.
  const std::size_t lineLength = static_cast<std::size_t>(cols > 0 ? cols : 0) * cell.size();
  if (lineLength + 1 > kMaxAlignedCharacters / static_cast<std::size_t>(rows)) {
    throw CalcError("Cannot fill " + std::to_string(rows) + " x " + std::to_string(cols) +
                    " elements of " + std::to_string(cell.size()) +
                    " characters: the pane would hold more than " +
                    std::to_string(kMaxAlignedCharacters) + " characters.");
  }
  std::string line;
  line.reserve(lineLength);
  for (int c = 0; c < cols; ++c) line += cell;
  // Each row is a line of its own, an empty one when there are no columns, and an empty line
  // follows the last. The whole text is built before it replaces the pane.
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(rows) + 1);
  CancelCountdown countdown(state.work);
  for (int r = 0; r < rows; ++r) {
    countdown.tick(static_cast<std::size_t>(cols) + 1);
    lines.push_back(line);
  }
  lines.emplace_back();
  pane.setLines(std::move(lines));
}

// Calls f(r, c, element) for every position of the operand in reading order, element
// text converted when its turn comes and missing elements as complex zeros, until f returns
// false. A conversion error propagates from the element where it happens.
template <class F>
void forEachOperandElement(const CalcState& state, const Pane& pane, PaneSize size, F&& f) {
  ElementParser parse(state.numberFormat());
  int nextRow = 0, nextCol = 0;
  bool stopped = false;
  const auto visit = [&](const Element& e) {
    stopped = !f(nextRow, nextCol, e);
    if (++nextCol == size.cols) nextCol = 0, ++nextRow;
  };
  const auto zerosBefore = [&](int r, int c) {
    while (!stopped && (nextRow < r || (nextRow == r && nextCol < c)))
      visit(Element::complex(0.0, 0.0));
  };
  forEachPaneToken(
      pane, size.rows, size.cols,
      [&](int r, int c, std::string_view token) {
        zerosBefore(r, c);
        if (!stopped) visit(parse(token));
        return !stopped;
      },
      state.work);
  zerosBefore(size.rows, 0);
}

// A.*B and A./B: sizes checked, A read, then each element of B combined with A's as B is
// read. divide also refuses a zero in B, ending the command there.
void elementwise(CalcState& state, std::string_view label, std::string_view sizeError,
                 std::string_view sizeErrorEnd, bool divide) {
  const auto [sizeA, sizeB] = startOnBothPanes(state, label);
  if (sizeA != sizeB) {
    state.result.add(std::string(sizeError));
    state.result.add(std::string(sizeErrorEnd));
    return;
  }
  Registers& regs = state.regs;
  setCurrentSize(state, sizeA);
  if (state.exact) return exactElementwise(state, sizeA, divide);
  regs.MatB.assign(sizeA.rows, sizeA.cols, Element::complex(0.0, 0.0), state.work);
  regs.MatR.resize(sizeA.rows, sizeA.cols, state.work);
  readOperand(state, state.paneA, sizeA, regs.MatA);
  bool zeroDivisor = false;
  forEachOperandElement(state, state.paneB, sizeA, [&](int r, int c, const Element& b) {
    regs.MatB[r][c] = b;
    if (!divide) {
      regs.MatR[r][c] = regs.MatA[r][c] * b;
      return true;
    }
    if (isZero(b)) {
      zeroDivisor = true;
      return false;
    }
    regs.MatR[r][c] = regs.MatA[r][c] / b;
    return true;
  });
  if (zeroDivisor) {
    appendErrorLine(state, " Error: To Calculate A./B, the Matrix B without 0!");
    return;
  }
  writeCommandResult(state);
}

void logical(CalcState& state, std::string_view label,
             void (*routine)(const RCOMat&, const RCOMat&, RCOMat&, int&)) {
  const char operation = label[1];
  const auto [sizeA, sizeB] = startOnBothPanes(state, label);
  if (sizeA != sizeB) {
    appendErrorLine(state, " Error: To Calculate " + std::string(label) +
                               ", the two Matrice must be same dimensions!");
    return;
  }
  Registers& regs = state.regs;
  setCurrentSize(state, sizeA);
  if (state.exact) return exactLogical(state, sizeA, operation);
  readBothOperands(state, sizeA, regs.MatA, sizeB, regs.MatB);
  routine(regs.MatA, regs.MatB, regs.MatR, regs.MatErr);
  writeCommandResult(state);
}

}  // namespace

void SpeedButton14Click(CalcState& state) {
  transpose(state, operandA(state));
}
void SpeedButton15Click(CalcState& state) {
  transpose(state, operandB(state));
}
void SpeedButton16Click(CalcState& state) {
  timesX(state, operandA(state));
}
void SpeedButton17Click(CalcState& state) {
  timesX(state, operandB(state));
}
void SpeedButton45Click(CalcState& state) {
  fill(state, state.paneA);
}
void SpeedButton47Click(CalcState& state) {
  fill(state, state.paneB);
}
void SpeedButton19Click(CalcState& state) {
  dimension(state, operandA(state));
}
void SpeedButton20Click(CalcState& state) {
  dimension(state, operandB(state));
}
void SpeedButton24Click(CalcState& state) {
  trace(state, operandA(state));
}
void SpeedButton25Click(CalcState& state) {
  trace(state, operandB(state));
}

void SpeedButton46Click(CalcState& state) {
  // This one size error is followed by a line of one blank, not an empty line.
  elementwise(state, "A.*B", " Error: To Calculate A.*B, the two Matrixs must be same dimensions!",
              " ", false);
}

void SpeedButton52Click(CalcState& state) {
  elementwise(state, "A./B", " Error: To Calculate A./B, the two Matrixs must be same dimensions!",
              "", true);
}

void SpeedButton21Click(CalcState& state) {
  logical(state, "A&B", MatAnd);
}
void SpeedButton22Click(CalcState& state) {
  logical(state, "A|B", MatOr);
}
void SpeedButton23Click(CalcState& state) {
  logical(state, "A#B", MatXor);
}

}  // namespace kelvaro
