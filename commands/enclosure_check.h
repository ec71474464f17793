#pragma once
// The check of results that are not rational (eigenvalues, singular values and vectors, QR
// factors, the norm) against rigorous enclosures of their true values: the precision of the
// enclosures rises until each printed digit is decided or nothing more can be learnt.

#include "commands/accuracy.h"

namespace kelvaro {

bool isEnclosedOperation(const CommandInfo& command);

// What the check of such a result reads of state: the operand panes, the printed result and
// the settings, without the registers' matrices and the Result pane (copied quickly).
CalcState enclosedCheckState(const CalcState& state);

// Compares each printed entry of the last result of `command` (Eig, Svd, QR or Norm) with the
// true value of the values as typed, as checkPrintedEntries does for rational results.
AccuracyCheck checkEnclosedEntries(const CalcState& state, const CommandInfo& command,
                                   WorkToken& work);

}  // namespace kelvaro
