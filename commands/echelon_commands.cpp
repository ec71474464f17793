#include "commands/echelon_commands.h"

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands/accuracy.h"
#include "commands/command_frame.h"
#include "commands/exact_commands.h"
#include "commands/operand.h"
#include "commands/steps_commands.h"
#include "exact/exact_algebra.h"
#include "exact/exact_bounds.h"
#include "exact/exact_text.h"
#include "matrix/Zezizir2.h"
#include "numbers/element_text.h"
#include "numbers/result_writer.h"

namespace kelvaro {

using exact::ExactMatrix;
using exact::GaussRational;

namespace {

// A matrix these operations print: exact, or in doubles.
struct Shown {
  std::optional<ExactMatrix> exact;
  RCOMat values;

  int cols() const { return exact ? exact->cols() : values.cols(); }
  bool empty() const { return (exact ? exact->rows() : values.rows()) == 0; }
};

void appendRows(CalcState& state, const Shown& m) {
  if (m.exact)
    exact::appendMatrixRows(state.result, *m.exact, state.work);
  else
    writeMatrixRows(state.result, m.values, state.numberFormat(), state.work);
}

MatrixPart partOf(CalcState& state, std::string name, const Shown& m) {
  if (m.exact) return exactResultPart(std::move(name), *m.exact, state.work);
  return {std::move(name), m.values};
}

void keep(CalcState& state, std::string_view label, std::vector<MatrixPart> parts) {
  keepResult(state, label, state.regs.ResKind, std::move(parts));
}

void writeShown(CalcState& state, const Shown& m) {
  if (m.exact) return writeExactMatrix(state, *m.exact);
  const std::string label = completeResultLabel(state);
  appendRows(state, m);
  keep(state, label, {partOf(state, "", m)});
}

// After a result in doubles: a pivot within the tolerance was taken as zero.
void noteTolerance(CalcState& state, const EchelonOutcome& e) {
  if (!e.pivotTakenAsZero) return;
  char tolerance[32];
  std::snprintf(tolerance, sizeof tolerance, "%.2E", e.tolerance);
  std::string text = tolerance;
  for (char& c : text)
    if (c == '.') c = state.decimalPoint();
  appendErrorLine(state, " Notice: A pivot within the tolerance " + text +
                             " (max(m,n)*eps*norm_inf) was taken as zero.");
}

void rref(CalcState& state, Operand op) {
  const std::string label = op.text("RREF(", ")");
  const PaneSize size = startCommand(state, op.pane, label);
  setCurrentSize(state, size);
  writeSteps(state, exact::StepsOf::Rref, op, size);
  if (state.exact) {
    const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
    if (!exactResultFits(state, label, exact::echelonSizeBound(a))) return;
    writeExactMatrix(state, exact::reducedRowEchelon(a, ExactRun(state).work()).reduced);
    return;
  }
  Registers& regs = state.regs;
  readOperand(state, op.pane, size, regs.MatR);
  const EchelonOutcome e = MatRref(regs.MatR, state.work);
  writeCommandResult(state);
  noteTolerance(state, e);
}

void writeNullSpace(CalcState& state, const Shown& basis, char name) {
  // An empty pane has an empty result.
  if (basis.cols() > 0 || basis.empty()) return writeShown(state, basis);
  const std::string label = completeResultLabel(state);
  state.result.add(std::string("   Only the zero vector: the columns of ") + name +
                   " are independent.");
  state.result.add(std::string());
  keep(state, label, {MatrixPart{"", RCOMat()}});
}

void nullSpace(CalcState& state, Operand op) {
  const std::string label = op.text("Null(", ")");
  const PaneSize size = startCommand(state, op.pane, label);
  setCurrentSize(state, size);
  if (state.exact) {
    const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
    if (!exactResultFits(state, label, exact::echelonSizeBound(a))) return;
    writeNullSpace(state, {exact::nullSpace(a, ExactRun(state).work()), {}}, op.name);
    return;
  }
  RCOMat a;
  readOperand(state, op.pane, size, a);
  const EchelonOutcome e = MatRref(a, state.work);
  writeNullSpace(state, {std::nullopt, MatNullBasis(a, e.pivotColumns, size.cols)}, op.name);
  noteTolerance(state, e);
}

// Every solution: none, one, or X0 + N t with the free unknowns named.
void writeSolution(CalcState& state, bool solvable, const Shown& particular, const Shown& basis,
                   const std::vector<int>& freeRows) {
  const std::string label = completeResultLabel(state);
  if (!solvable) {
    state.result.add("   no solution");
    state.result.add(std::string());
    keep(state, label, {MatrixPart{"", RCOMat()}});
    return;
  }
  if (basis.cols() == 0) {
    appendRows(state, particular);
    keep(state, label, {partOf(state, "", particular)});
    return;
  }
  const bool oneColumn = particular.cols() == 1;
  std::string line = oneColumn ? "   X = X0 + N*t, free: " : "   X = X0 + N*T, free rows of X: ";
  for (std::size_t k = 0; k < freeRows.size(); ++k) {
    if (k > 0) line += ", ";
    if (oneColumn) line.append("t").append(std::to_string(k + 1)).append(" = x");
    line += std::to_string(freeRows[k] + 1);
  }
  state.result.add(std::move(line));
  state.result.add(std::string());
  for (const auto& [caption, m] : {std::pair{"   X0:", &particular}, std::pair{"   N:", &basis}}) {
    state.result.add(caption);
    state.result.add(std::string());
    appendRows(state, *m);
  }
  keep(state, label, {partOf(state, "X0", particular), partOf(state, "N", basis)});
}

std::vector<int> freeColumns(const std::vector<int>& pivots, int cols) {
  std::vector<int> free;
  for (int c = 0, k = 0; c < cols; ++c) {
    if (k < static_cast<int>(pivots.size()) && pivots[static_cast<std::size_t>(k)] == c)
      ++k;
    else
      free.push_back(c);
  }
  return free;
}

void solve(CalcState& state) {
  const std::string label = "Solve(A,B)";
  const auto [a, b] = startOnBothPanes(state, label);
  if (a.rows != b.rows) {
    appendErrorLine(state, " Error: To Calculate Solve(A,B), A(Row)=B(Row)!");
    return;
  }
  setCurrentSize(state, {a.cols, b.cols});
  writeSteps(state, exact::StepsOf::Solve, operandA(state), a, b);
  if (state.exact) {
    const ExactMatrix ma = readExactOperand(state, state.paneA, a, 'A');
    const ExactMatrix mb = readExactOperand(state, state.paneB, b, 'B');
    ExactMatrix both(a.rows, a.cols + b.cols, ma.isComplex() || mb.isComplex());
    if (!exactResultFits(state, label, exact::echelonSizeBound(both) + exact::echelonSizeBound(ma)))
      return;
    const exact::Solution s = exact::solve(ma, mb, ExactRun(state).work());
    writeSolution(state, s.solvable, {s.particular, {}}, {s.nullBasis, {}},
                  freeColumns(s.pivotColumns, a.cols));
    return;
  }
  RCOMat ma, mb;
  readOperand(state, state.paneA, a, ma);
  readOperand(state, state.paneB, b, mb);
  RCOMat both;
  both.assign(a.rows, a.cols + b.cols, Element::real(0), state.work);
  for (int r = 0; r < a.rows; ++r) {
    for (int c = 0; c < a.cols; ++c) both[r][c] = ma[r][c];
    for (int c = 0; c < b.cols; ++c) both[r][a.cols + c] = mb[r][c];
  }
  // The condition of a square A from the elimination's own factors; none for another shape.
  const bool square = a.rows == a.cols && a.rows > 0;
  const double normA = square ? norm1(ma) : 0.0;
  const EchelonOutcome e = MatRref(both, state.work, square);
  if (square) keepCondition(state, 'A', normA, e.squareInverseNorm1);
  const bool solvable = e.pivotColumns.empty() || e.pivotColumns.back() < a.cols;
  RCOMat particular;
  particular.assign(a.cols, b.cols, Element::real(0));
  if (solvable)
    for (int r = 0; r < static_cast<int>(e.pivotColumns.size()); ++r)
      for (int c = 0; c < b.cols; ++c)
        particular[e.pivotColumns[static_cast<std::size_t>(r)]][c] = both[r][a.cols + c];
  writeSolution(state, solvable, {std::nullopt, particular},
                {std::nullopt, MatNullBasis(both, e.pivotColumns, a.cols)},
                freeColumns(e.pivotColumns, a.cols));
  noteTolerance(state, e);
}

// One term's coefficient as the polynomial line writes it: its sign apart when it is real.
struct Coefficient {
  bool zero = false, real = true, negative = false;
  std::string text;  // without the sign when real
};

Coefficient coefficientOf(const GaussRational& v) {
  Coefficient c{v.isZero(), v.isReal(), v.isReal() && v.re.sign() < 0, {}};
  c.text = c.real ? v.re.abs().text() : v.text();
  return c;
}

Coefficient coefficientOf(const Element& e, const NumberFormat& nf) {
  std::string text = formatComplex(e, nf);
  Coefficient c{text == "0", text.find('i') == std::string::npos, false, {}};
  c.negative = c.real && text[0] == '-';
  c.text = c.negative ? text.substr(1) : text;
  return c;
}

// x^3 - 6x^2 + 11x - 6: terms with a zero coefficient left out, a coefficient 1 left out
// before a power of x, a fraction, a complex number or an exponent form in parentheses.
std::string polynomialLine(const std::vector<Coefficient>& coefficients) {
  std::string line;
  const int n = static_cast<int>(coefficients.size()) - 1;
  for (int i = 0; i <= n; ++i) {
    const Coefficient& c = coefficients[static_cast<std::size_t>(i)];
    const int power = n - i;
    if (c.zero) continue;
    if (!line.empty())
      line += c.negative ? " - " : " + ";
    else if (c.negative)
      line += '-';
    std::string body = c.text;
    if (power > 0 && body == "1") body.clear();
    if (power > 0 && (!c.real || body.find_first_of("/E") != std::string::npos))
      body = "(" + body + ")";
    line += body;
    if (power > 0) line += "x";
    if (power > 1) line.append("^").append(std::to_string(power));
  }
  return line;
}

void charPoly(CalcState& state, Operand op) {
  const std::string label = op.text("CharPoly(", ")");
  const PaneSize size = startCommand(state, op.pane, label);
  setCurrentSize(state, size);
  if (size.rows != size.cols) {
    appendErrorLine(state, op.text(" Error: To Calculate CharPoly(", "), Row=Col!"));
    return;
  }
  if (size.rows == 0) {  // an empty pane has an empty result
    completeResultLabel(state);
    keep(state, label, {MatrixPart{"", RCOMat()}});
    return;
  }
  std::vector<Coefficient> coefficients;
  Shown row;
  if (state.exact) {
    const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
    if (!exactResultFits(state, label, exact::charpolySizeBound(a))) return;
    const std::vector<GaussRational> p = exact::characteristicPolynomial(a, ExactRun(state).work());
    row.exact = ExactMatrix(1, static_cast<int>(p.size()));
    for (std::size_t k = 0; k < p.size(); ++k) {
      row.exact->set(0, static_cast<int>(k), p[k]);
      coefficients.push_back(coefficientOf(p[k]));
    }
  } else {
    RCOMat a;
    readOperand(state, op.pane, size, a);
    const std::vector<Element> p = MatCharPoly(a, state.work);
    NumberFormat nf = state.numberFormat();
    nf.display = DisplayFormat::Rectangular;
    row.values.resize(1, static_cast<int>(p.size()));
    for (std::size_t k = 0; k < p.size(); ++k) {
      row.values[0][static_cast<int>(k)] = p[k];
      coefficients.push_back(coefficientOf(p[k], nf));
    }
  }
  completeResultLabel(state);
  state.result.add("   " + polynomialLine(coefficients));
  state.result.add(std::string());
  state.result.add(std::string());
  appendRows(state, row);
  keep(state, label, {partOf(state, "", row)});
}

}  // namespace

void RrefAItemClick(CalcState& state) {
  rref(state, operandA(state));
}
void RrefBItemClick(CalcState& state) {
  rref(state, operandB(state));
}
void NullAItemClick(CalcState& state) {
  nullSpace(state, operandA(state));
}
void NullBItemClick(CalcState& state) {
  nullSpace(state, operandB(state));
}
void SolveItemClick(CalcState& state) {
  solve(state);
}
void CharPolyAItemClick(CalcState& state) {
  charPoly(state, operandA(state));
}
void CharPolyBItemClick(CalcState& state) {
  charPoly(state, operandB(state));
}

}  // namespace kelvaro
