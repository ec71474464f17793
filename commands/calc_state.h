#pragma once
// The calculator as a window sees it, without the window: the three panes, the parameter
// fields, the registers and the decimal separator in force.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exact/steps.h"
#include "matrix/work_limits.h"
#include "matrix/work_token.h"
#include "numbers/matrix_formats.h"
#include "numbers/number_format.h"
#include "numbers/pane.h"
#include "numbers/registers.h"

namespace kelvaro {

struct CalcState {
  Pane paneA;   // RichEdit1, "Matrix A:"
  Pane paneB;   // RichEdit2, "Matrix B:"
  Pane result;  // RichEdit3, "Result:"

  std::string coefText = "1";                          // LabeledEdit1, "Coef.(x)"
  std::string rowText = "3";                           // LabeledEdit2, "Row"
  std::string columnText = "3";                        // LabeledEdit3, "Column"
  std::string precisionText = "3";                     // ComboBox1, "Precision"
  DisplayFormat display = DisplayFormat::Rectangular;  // RadioGroup1, "Complex Format"
  // The precision "exact": the operations compute in exact arithmetic on the values as typed
  // (set, with PrecScale, by the precision box's change handler).
  bool exact = false;

  // The locale's decimal separator as the locale gives it (compared whole at start-up);
  // numbers are written with its first character.
  std::string decimalSeparator = ".";

  Registers regs;

  // The last result the result writer printed, as matrices, taken as it was printed (the
  // registers change afterwards: the writer resets ResKind, a failing command resizes some).
  // Empty before the first result.
  std::vector<MatrixPart> lastResult;
  // How many results the writer has printed so far, and the last in a few words, its label and
  // size, as a screen reader says it ("inv(A), 3 by 3").
  std::uint64_t resultsWritten = 0;
  std::string lastResultSummary;

  // "Show steps" (kelvaro-cli --steps): the row operations before the result of RREF, Solve,
  // the inverses, Det, Rank, LU and Chol. The steps the running command wrote, and those of
  // the last result (for Copy Result As LaTeX).
  bool showSteps = false;
  exact::StepRecord pendingSteps, lastSteps;

  // The 1-norm condition of the square operand of the last operation that has one (inverse,
  // solve, determinant, LU, Cholesky), taken from its own factors; none after the others.
  struct Condition {
    char operand = 'A';
    double value = 0.0;  // infinity when a factor is singular
  };
  std::optional<Condition> condition;

  // kelvaro-cli's clipboard; in the window, the system clipboard's text on its way in or out.
  std::string clipboard;

  // The work A^x and B^x may take (see matrixPower); tests and fuzzing lower it.
  std::uint64_t powerWorkLimit = kPowerWorkLimit;

  // The token of the command being run, owned by whoever runs it (none: the command only
  // computes). The long loops report their progress to it and end with CommandCancelled
  // once it is cancelled, leaving this state half-changed: a caller that may cancel runs the
  // command on a copy of the state and keeps the copy only when the command ends.
  WorkToken* work = nullptr;

  char decimalPoint() const { return decimalSeparator.empty() ? '.' : decimalSeparator[0]; }
  NumberFormat numberFormat() const { return {regs.PrecScale, decimalPoint(), display}; }
};

}  // namespace kelvaro
