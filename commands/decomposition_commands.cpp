#include "commands/decomposition_commands.h"

#include <cstddef>
#include <string_view>

#include "commands/command_frame.h"
#include "commands/exact_commands.h"
#include "commands/operand.h"
#include "exact/exact_text.h"
#include "matrix/Zezizir2.h"
#include "numbers/element_text.h"
#include "numbers/matrix_text.h"

namespace kelvaro {

namespace {

constexpr std::string_view kRealOnlyNotice = " Notice: Please input real matrix!";
constexpr std::string_view kEigenNotConverged = " Notice: Eigenvalue iteration did not converge!";
constexpr std::string_view kSvdNotConverged = " Notice: Singular value iteration did not converge!";

// These commands take real numbers only. Row r is the r-th non-blank line; each token goes
// through the standard decimal conversion into store(r, c, value). A token with an "i" in it
// prints the notice and ends the reading (false); a token that is no number throws.
// Under exact arithmetic the tokens are read as exact values (fractions included) and their
// nearest doubles stored; a complex value prints the notice.
template <typename Store>
bool readRealPane(CalcState& state, const Operand& op, PaneSize size, Store store) {
  const char separator = state.decimalPoint();
  bool realOnly = true;
  exact::ExactReader reader(op.text("Matrix "), state.numberFormat());
  forEachPaneToken(
      op.pane, size.rows, size.cols,
      [&](int r, int c, std::string_view token) {
        if (state.exact) {
          const exact::GaussRational v = reader.read(token, r, c);
          realOnly = v.isReal();
          if (realOnly) store(r, c, v.re.toDouble());
          return realOnly;
        }
        realOnly = token.find('i') == std::string_view::npos;
        if (realOnly) store(r, c, textToFloat(token, separator));
        return realOnly;
      },
      state.work);
  if (!realOnly) appendErrorLine(state, kRealOnlyNotice);
  return realOnly;
}

// Zeroes a register to rows x cols real zeros, so that short rows read as zeros.
void sizeReal(const CalcState& state, RCOMat& reg, int rows, int cols) {
  reg.assign(rows, cols, Element::real(0.0), state.work);
}

void decomposeQR(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("QR(", ")"));
  setCurrentSize(state, size);
  const int m = size.rows, n = size.cols;
  if (m < n) {
    appendErrorLine(state, " Error: To Calculate QR, Row>=Col!");
    return;
  }
  Registers& regs = state.regs;
  regs.MatF1.resizeForOverwrite(m, m, state.work);  // MatQR writes every element of Q
  sizeReal(state, regs.MatF2, m, n);
  const bool read = readRealPane(state, op, size, [&regs](int r, int c, double value) {
    regs.MatF2[r][c] = Element::real(value);
  });
  if (!read) return;
  MatQR(regs.MatF2, m, n, regs.MatF1, state.work);
  writeCommandResult(state);
  if (state.exact) noteComputedInDoubles(state, "QR");
}

void eigenvalues(CalcState& state, Operand op) {
  const PaneSize size = startCommand(state, op.pane, op.text("Eig(", ")"));
  setCurrentSize(state, size);
  if (size.rows != size.cols) {
    appendErrorLine(state, op.text(" Error: To Calculate Eig(", "), Row=Col!"));
    return;
  }
  if (state.exact) return exactEigenvalues(state, op, size);
  const int n = size.rows;
  Registers& regs = state.regs;
  matrx2 work(n);
  // Nothing of an earlier command may show through entries the iteration did not reach.
  regs.EigRe.assign(static_cast<std::size_t>(n) + 1, 0.0);
  regs.EigIm.assign(static_cast<std::size_t>(n) + 1, 0.0);
  const bool read = readRealPane(
      state, op, size, [&work](int r, int c, double value) { work[r + 1][c + 1] = value; });
  if (!read) return;
  bool converged = true;
  if (n > 0) {
    MatBalance(work, n, state.work);
    MatHessenberg(work, n, state.work);
    converged = MatHqr(work, n, regs.EigRe, regs.EigIm, state.work);
  }
  writeCommandResult(state);
  if (!converged) appendErrorLine(state, kEigenNotConverged);
}

// operand is MatA for Svd(A), MatB for Svd(B); the writer prints S from MatA.
void singularValues(CalcState& state, Operand op, RCOMat& operand) {
  const PaneSize size = startCommand(state, op.pane, op.text("Svd(", ")"));
  setCurrentSize(state, size);
  const int m = size.rows, n = size.cols;
  Registers& regs = state.regs;
  sizeReal(state, operand, m, n);
  sizeReal(state, regs.MatF1, m, m);
  sizeReal(state, regs.MatF2, n, n);
  const bool read = readRealPane(state, op, size, [&operand](int r, int c, double value) {
    operand[r][c] = Element::real(value);
  });
  if (!read) return;
  const bool converged = MatSvd(operand, regs.MatF1, regs.MatF2, m, n, 1e-15L, state.work);
  if (&operand != &regs.MatA) regs.MatA = operand;
  writeCommandResult(state);
  if (!converged) appendErrorLine(state, kSvdNotConverged);
  if (state.exact) noteComputedInDoubles(state, "Svd");
}

}  // namespace

void SpeedButton26Click(CalcState& state) {
  decomposeQR(state, operandA(state));
}

void SpeedButton28Click(CalcState& state) {
  decomposeQR(state, operandB(state));
}

void SpeedButton33Click(CalcState& state) {
  eigenvalues(state, operandA(state));
}

void SpeedButton43Click(CalcState& state) {
  eigenvalues(state, operandB(state));
}

void SpeedButton41Click(CalcState& state) {
  singularValues(state, operandA(state), state.regs.MatA);
}

void SpeedButton42Click(CalcState& state) {
  singularValues(state, operandB(state), state.regs.MatB);
}

}  // namespace kelvaro
