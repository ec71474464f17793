#pragma once
// A calculator state as the window starts it, with the operand panes and x given, the
// message a command shows in its message box, a state as bytes to compare, and the operations
// that take long.

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "commands/calc_state.h"
#include "commands/command_table.h"
#include "commands/shell_commands.h"
#include "matrix/work_token.h"
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

// Rows of a rows x cols real matrix (cols = rows when 0) with a strong diagonal, so that every
// routine runs through to its end.
inline Lines matrixLines(int rows, int seed, int cols = 0) {
  if (cols == 0) cols = rows;
  Lines lines;
  for (int i = 0; i < rows; ++i) {
    std::string line;
    for (int j = 0; j < cols; ++j) {
      const double v = i == j ? rows + 1.0 : std::sin(seed + 7.0 * i + 3.0 * j);
      line += std::to_string(v) + " ";
    }
    lines.push_back(line);
  }
  return lines;
}

// Panes A and B n x n matrices as above, x given.
inline CalcState stateWith(int n, const std::string& x = "3") {
  return startedWith(matrixLines(n, 1), matrixLines(n, 2), x);
}

// Every pane, field and register of a state, as bytes.
inline std::string stateBytes(const CalcState& s) {
  std::string b;
  const auto add = [&b](const auto& value) {
    b.append(reinterpret_cast<const char*>(&value), sizeof value);
  };
  const auto addElement = [&](const Element& e) { add(e.kind()), add(e.re()), add(e.im()); };
  for (const std::string& field : {s.paneA.text(), s.paneB.text(), s.result.text(), s.coefText,
                                   s.rowText, s.columnText, s.precisionText, s.decimalSeparator})
    b += field + '\0';
  const Registers& r = s.regs;
  for (const RCOMat* m : {&r.MatA, &r.MatB, &r.MatC, &r.MatR, &r.MatF1, &r.MatF2}) {
    add(m->rows()), add(m->cols());
    for (const Element& e : m->elements()) addElement(e);
  }
  for (const std::vector<double>* v : {&r.EigRe, &r.EigIm})
    for (const double x : *v) add(x);
  addElement(r.ScalarR), addElement(r.CoefX), add(s.display), add(s.powerWorkLimit);
  for (const int x : {r.DimRows, r.DimCols, r.RowN, r.ColN, r.ResKind, r.MatErr}) add(x);
  add(static_cast<double>(r.PrecScale));
  return b;
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

// The operations that announce their steps (on 8 x 8 panes): the long ones.
inline std::vector<const CommandInfo*> longOperations() {
  std::vector<const CommandInfo*> operations;
  for (const CommandInfo& command : commandTable()) {
    CalcState s = stateWith(8);
    WorkToken token;
    s.work = &token;
    command.run(s);
    if (token.known() > 0) operations.push_back(&command);
  }
  return operations;
}

}  // namespace kelvaro::test_support
