#pragma once
// How far the digits of a result can be trusted: the condition of the operation's square
// operand, said in plain words for the window's bottom strip.

#include <string>

#include "commands/calc_state.h"

namespace kelvaro {

// "cond(A) = 3.2E+12: up to 12 of the 16 significant digits may be lost"; from 1/eps on,
// "cond(A) = 5.1E+17: A is singular to working precision" (without the number when a factor
// is exactly singular). The number is written with decimalPoint.
std::string conditionText(const CalcState::Condition& condition, char decimalPoint);

// Keeps ||A||_1 * ||inv(A)||_1 as the condition of the operand (nothing when it is NaN, as from
// an operand with NaN in it; infinity when inverseNorm is).
void keepCondition(CalcState& state, char operand, double norm, double inverseNorm);

// The strip's text after the state's last command; empty when it has nothing to say.
std::string accuracyNote(const CalcState& state);

}  // namespace kelvaro
