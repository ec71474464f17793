#include "commands/steps_commands.h"

#include <algorithm>
#include <regex>
#include <utility>
#include <vector>

#include "commands/exact_commands.h"

namespace kelvaro {

namespace {

using exact::Step;
using exact::StepsOf;

const char* nameOf(StepsOf what) {
  switch (what) {
    case StepsOf::Rref:
      return "RREF";
    case StepsOf::Solve:
      return "Solve";
    case StepsOf::Inverse:
      return "inv";
    case StepsOf::Determinant:
      return "Det";
    case StepsOf::Rank:
      return "Rank";
    case StepsOf::LU:
      return "LU";
    case StepsOf::Cholesky:
      return "Chol";
  }
  return "";
}

// The lines of the steps: each operation (with its note), the matrix after it, an empty line;
// every column as wide as its widest entry in any step, the right-hand side after a bar.
std::vector<std::string> stepLines(const exact::StepRecord& record, const std::string& heading) {
  std::vector<std::size_t> widths;
  for (const Step& s : record.steps) {
    widths.resize(std::max(widths.size(), static_cast<std::size_t>(s.cols)), 10);
    for (std::size_t i = 0; i < s.cells.size(); ++i)
      widths[i % s.cols] = std::max(widths[i % s.cols], s.cells[i].size());
  }
  std::vector<std::string> lines{" " + heading};
  for (const Step& s : record.steps) {
    if (!s.operation.empty())
      lines.push_back(" " + s.operation + (s.note.empty() ? "" : "      " + s.note));
    for (int r = 0; r < s.rows; ++r) {
      std::string line;
      for (int c = 0; c < s.cols; ++c) {
        if (c == s.split && c > 0) line += " |";
        const std::string& cell = s.cells[static_cast<std::size_t>(r * s.cols + c)];
        line.append(1 + widths[static_cast<std::size_t>(c)] - cell.size(), ' ').append(cell);
      }
      lines.push_back(std::move(line));
    }
    lines.emplace_back();
  }
  if (!record.conclusion.empty()) {
    lines.push_back(" " + record.conclusion);
    lines.emplace_back();
  }
  return lines;
}

// Puts lines above the last line of the Result pane (the command's label).
void insertAboveLabel(CalcState& state, std::vector<std::string> lines) {
  Pane& result = state.result;
  std::string label = result.lines().back();
  result.setLine(result.lineCount() - 1, std::move(lines.front()));
  for (std::size_t i = 1; i < lines.size(); ++i) result.add(std::move(lines[i]));
  result.add(std::move(label));
}

// A printed number in LaTeX: fractions as \frac, exponents as \times10^{...}.
std::string latexNumber(const std::string& text) {
  static const std::regex exponent(R"(E\+?(-?)0*(\d+))"), fraction(R"((\d+)/(\d+))");
  return std::regex_replace(std::regex_replace(text, exponent, R"(\times10^{$1$2})"), fraction,
                            R"(\frac{$1}{$2})");
}

std::string latexMatrix(const Step& s) {
  std::string columns(static_cast<std::size_t>(s.cols), 'c');
  if (s.split < s.cols) columns.insert(static_cast<std::size_t>(s.split), 1, '|');
  std::string out = "\\left[\\begin{array}{" + columns + "}";
  for (int r = 0; r < s.rows; ++r) {
    out += r == 0 ? " " : " \\\\ ";
    for (int c = 0; c < s.cols; ++c)
      out.append(c == 0 ? "" : " & ")
          .append(latexNumber(s.cells[static_cast<std::size_t>(r * s.cols + c)]));
  }
  return out + " \\end{array}\\right]";
}

std::string latexOperation(const std::string& operation) {
  static const std::regex row(R"(R(\d+))");
  std::string t = std::regex_replace(latexNumber(operation), row, "R_{$1}");
  t = std::regex_replace(t, std::regex("<->"), "\\leftrightarrow");
  return std::regex_replace(t, std::regex(R"(\*)"), " ");
}

}  // namespace

void writeSteps(CalcState& state, StepsOf what, const Operand& op, PaneSize size,
                PaneSize sizeOfB) {
  if (!state.showSteps || size.rows == 0 || size.cols == 0) return;
  const int widest = std::max({size.rows, size.cols, sizeOfB.cols});
  if (widest > exact::kMaxStepsOrder) {
    insertAboveLabel(state, {" Notice: Steps are shown for matrices up to 12 x 12; " +
                                 op.text("Matrix ", " is ") + std::to_string(size.rows) + " x " +
                                 std::to_string(std::max(size.cols, sizeOfB.cols)) + ".",
                             ""});
    return;
  }
  const bool solve = what == StepsOf::Solve;
  exact::StepRecord record;
  if (state.exact) {
    const exact::ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
    const exact::ExactMatrix b =
        solve ? readExactOperand(state, state.paneB, sizeOfB, 'B') : exact::ExactMatrix();
    record = exact::exactSteps(what, a, solve ? &b : nullptr);
  } else {
    RCOMat a, b;
    readOperand(state, op.pane, size, a);
    if (solve) readOperand(state, state.paneB, sizeOfB, b);
    record = exact::doubleSteps(what, a, solve ? &b : nullptr, state.numberFormat());
  }
  const std::string heading =
      std::string("Steps of ") + nameOf(what) + (solve ? "(A,B)" : op.text("(", ")")) + ":";
  insertAboveLabel(state, stepLines(record, heading));
  state.pendingSteps = std::move(record);
}

std::string stepsLatex(const exact::StepRecord& record) {
  std::string out = "\\begin{aligned}\n";
  for (const Step& s : record.steps) {
    out += "&";
    if (!s.operation.empty()) {
      out += "\\xrightarrow";
      if (!s.note.empty()) out.append("[\\text{").append(s.note).append("}]");
      out.append("{").append(latexOperation(s.operation)).append("} ");
    }
    out += latexMatrix(s) + " \\\\\n";
  }
  if (!record.conclusion.empty()) out.append("&\\text{").append(record.conclusion).append("}\n");
  return out + "\\end{aligned}\n";
}

}  // namespace kelvaro
