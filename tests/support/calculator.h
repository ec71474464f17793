#pragma once
// A calculator state as the window starts it, with the operand panes and x given, for tests
// that run commands by their action name and look at the Result pane.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "numbers/calc_error.h"

namespace kelvaro::test_support {

struct Calc {
  using Lines = std::vector<std::string>;
  CalcState s;
  Calc(const Lines& a, const Lines& b = {}, const std::string& x = "1") {
    FormCreate(s, ".");
    s.paneA.setLines(a);
    s.paneB.setLines(b);
    s.coefText = x;
  }
  // Runs the command the action names; returns the message of a CalcError, or "".
  std::string run(const char* action) {
    const CommandInfo* c = findCommandByAction(action);
    EXPECT_NE(c, nullptr) << action;
    try {
      c->run(s);
    } catch (const CalcError& e) {
      return e.what();
    }
    return "";
  }
  const Lines& result() const { return s.result.lines(); }
  // The Row and Column fields of the fill commands.
  void size(const std::string& rows, const std::string& columns) {
    s.rowText = rows;
    s.columnText = columns;
  }
};

}  // namespace kelvaro::test_support
