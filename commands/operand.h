#pragma once
// The twin commands of panes A and B differ only in their pane and the letter in their
// label and messages; an Operand carries both.

#include <string>
#include <string_view>

#include "commands/calc_state.h"
#include "commands/command_frame.h"

namespace kelvaro {

struct Operand {
  Pane& pane;
  char name;  // 'A' or 'B'

  // prefix + name + suffix: ("Det(", ")") gives "Det(A)".
  std::string text(std::string_view prefix, std::string_view suffix = {}) const {
    std::string s(prefix);
    s += name;
    s += suffix;
    return s;
  }
};

inline Operand operandA(CalcState& state) {
  return {state.paneA, 'A'};
}
inline Operand operandB(CalcState& state) {
  return {state.paneB, 'B'};
}

}  // namespace kelvaro
