#pragma once
// "Show steps" (kelvaro-cli --steps): the row operations a person writes, each with the matrix
// after it, above the result of RREF, Solve, the inverses, Det, Rank, LU and Chol; and the
// same steps in LaTeX for Copy Result As.

#include <string>

#include "commands/calc_state.h"
#include "commands/command_frame.h"
#include "commands/operand.h"
#include "exact/steps.h"

namespace kelvaro {

// When Show steps is on: the steps of `what` on the operand (with pane B as the right-hand
// side of Solve), written into the Result pane above the command's label line and kept for
// the last result. A matrix beyond 12 x 12 gets a notice there instead; an empty one nothing.
void writeSteps(CalcState& state, exact::StepsOf what, const Operand& op, PaneSize size,
                PaneSize sizeOfB = {});

// The steps as an aligned sequence of matrices, each operation over its arrow.
std::string stepsLatex(const exact::StepRecord& record);

}  // namespace kelvaro
