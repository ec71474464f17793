#pragma once
// A calculator state as the window starts it, with the operand panes and x given, and the
// message a command shows in its message box.

#include <string>
#include <utility>
#include <vector>

#include "commands/calc_state.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"

namespace kelvaro::test_support {

using Lines = std::vector<std::string>;

inline CalcState startedWith(Lines a, Lines b = {}, std::string x = "1") {
  CalcState s;
  FormCreate(s, ".");
  s.paneA.setLines(std::move(a));
  s.paneB.setLines(std::move(b));
  s.coefText = std::move(x);
  return s;
}

// The message of the CalcError fn throws, or "" when it throws none.
template <typename Fn>
std::string errorOf(Fn&& fn) {
  try {
    fn();
  } catch (const CalcError& e) {
    return e.what();
  }
  return "";
}

}  // namespace kelvaro::test_support
