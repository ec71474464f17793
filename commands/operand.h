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

// The frame up to the label of a command on one pane: prelude, the pane's counts, label.
inline PaneSize startOnOperand(CalcState& state, const Operand& op, int resultKind,
                               std::string_view label) {
  runPrelude(state, resultKind);
  const PaneSize size = countPane(state, op.pane);
  appendLabel(state, label);
  return size;
}

// The same for a command on both panes, A counted before B.
struct PaneSizes {
  PaneSize a, b;
};
inline PaneSizes startOnBothPanes(CalcState& state, int resultKind, std::string_view label) {
  runPrelude(state, resultKind);
  PaneSizes sizes;
  sizes.a = countPane(state, state.paneA);
  sizes.b = countPane(state, state.paneB);
  appendLabel(state, label);
  return sizes;
}

}  // namespace kelvaro
