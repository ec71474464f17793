#pragma once
// How far the digits of a result can be trusted: the condition of the operation's square
// operand, said in plain words for the window's bottom strip, and the check of every printed
// entry against the true result of the values as typed.

#include <string>
#include <string_view>
#include <vector>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "exact/rational.h"

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

// What the check of a result's printed entries found.
struct AccuracyCheck {
  // "all 9 printed entries are correct", "4 of 9 printed entries differ from the true result
  // (first: row 2, column 3, printed 0.125, true 0.126)", "not checked: ..."
  std::string verdict;
  // Each differing entry: "U, row 2, column 3: printed 0.125, true 0.126".
  std::vector<std::string> differing;
};

// The operations whose results are checked.
bool isCheckedOperation(const CommandInfo& command);

// Runs `command` again on a copy of `state`, in exact arithmetic on the values as typed, and
// compares each entry of the last result, which the command has just printed in doubles,
// with the true value rounded as the number formatter rounds at the precision in force.
// Cancelling `work` ends the check with "not checked: beyond the time budget".
AccuracyCheck checkPrintedEntries(const CalcState& state, const CommandInfo& command,
                                  WorkToken& work);

// The same, given at most `seconds` of work (work may also be cancelled from elsewhere).
AccuracyCheck checkWithinBudget(const CalcState& state, const CommandInfo& command, double seconds,
                                WorkToken& work);

// The number formatter's text of the exact value p, rounded as it rounds at nf's precision.
std::string roundedText(const exact::Rational& p, const NumberFormat& nf);

// " Accuracy: ", the condition where there is one, and the verdict.
std::string accuracyLine(const CalcState& state, const AccuracyCheck& check);

}  // namespace kelvaro
