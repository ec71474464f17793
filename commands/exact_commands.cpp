#include "commands/exact_commands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "exact/exact_algebra.h"
#include "exact/exact_bounds.h"
#include "exact/exact_eigen.h"
#include "exact/exact_text.h"
#include "matrix/thread_pool.h"
#include "numbers/calc_error.h"
#include "numbers/element_text.h"
#include "numbers/pane_text.h"

namespace kelvaro {

using exact::ExactMatrix;
using exact::GaussRational;
using exact::Rational;

namespace {

// The most characters a result may print: what a pane may hold.
constexpr std::uint64_t kResultLimit = kMaxAlignedCharacters;
// Significant digits of the decimals beside exact results.
constexpr int kDecimalDigits = 15;

Element approximately(const GaussRational& v) {
  if (v.isReal()) return Element::real(v.re.toDouble());
  return Element::complex(v.re.toDouble(), v.im.toDouble());
}

// Kinds other than a plain matrix leave ResKind at 0 after printing, as the writer does.
void printed(CalcState& state, std::string_view label, std::vector<MatrixPart> parts) {
  const int kind = state.regs.ResKind;
  state.regs.ResKind = kResMatrix;
  keepResult(state, label, kind, std::move(parts));
}

void appendFactor(CalcState& state, std::string_view caption, const ExactMatrix& m) {
  state.result.add(std::string(caption));
  state.result.add(std::string());
  exact::appendMatrixRows(state.result, m, state.work);
}

void writeExactFactors(CalcState& state, std::string_view label,
                       std::initializer_list<std::pair<const char*, const ExactMatrix*>> factors) {
  std::uint64_t size = 0;
  for (const auto& [name, m] : factors) size += exact::matrixTextSize(*m) + 8;
  if (!exactResultFits(state, label, size)) return;
  completeResultLabel(state);
  std::vector<MatrixPart> parts;
  for (const auto& [name, m] : factors) {
    appendFactor(state, std::string("   ") + name + ":", *m);
    parts.push_back(exactResultPart(name, *m, state.work));
  }
  printed(state, label, std::move(parts));
}

ExactMatrix elementwiseReciprocal(const ExactMatrix& m) {
  ExactMatrix r(m.rows(), m.cols(), m.isComplex());
  for (int i = 0; i < m.rows(); ++i)
    for (int j = 0; j < m.cols(); ++j)
      if (!m.at(i, j).isZero()) r.set(i, j, GaussRational(Rational(1)) / m.at(i, j));
  r.dropZeroImaginary();
  return r;
}

// The inverse (bounded first), or the element-wise reciprocal of a matrix that is not
// square; nothing when singular or refused (refused sets `refused`).
std::optional<ExactMatrix> invertOrReciprocal(CalcState& state, std::string_view label,
                                              const ExactMatrix& m, bool& refused) {
  refused = false;
  if (m.rows() != m.cols()) return elementwiseReciprocal(m);
  if (!exactResultFits(state, label, exact::inverseSizeBound(m))) {
    refused = true;
    return std::nullopt;
  }
  return exact::inverse(m, ExactRun(state).work());
}

}  // namespace

MatrixPart exactResultPart(std::string name, const ExactMatrix& m, const CancelFlag* cancel) {
  MatrixPart part{std::move(name), RCOMat(m.rows(), m.cols()), {}};
  part.exactTexts.reserve(m.size());
  CancelCountdown countdown(cancel);
  for (int r = 0; r < m.rows(); ++r)
    for (int c = 0; c < m.cols(); ++c) {
      const GaussRational v = m.at(r, c);
      countdown.tick(v.textWork());
      part.values[r][c] = approximately(v);
      part.exactTexts.push_back(v.text());
    }
  return part;
}

std::string completeResultLabel(CalcState& state) {
  std::string label = state.result.lines().back();
  state.result.appendToLast("=");
  state.result.add(std::string());
  return label;
}

ExactRun::ExactRun(CalcState& state)
    : progress_(state.work), work_{state.work, &progress_, exact::Isolation::Auto, threadCount()} {}

ExactMatrix readExactOperand(CalcState& state, const Pane& pane, PaneSize size, char name,
                             bool negate) {
  checkMatrixSize(size.rows, size.cols);
  return exact::readExactPane(pane, size.rows, size.cols, std::string("Matrix ") + name,
                              state.numberFormat(), negate, state.work);
}

GaussRational readExactCoefficient(const CalcState& state) {
  return exact::ExactReader("Coef.(x)", state.numberFormat()).read(state.coefText);
}

bool exactResultFits(CalcState& state, std::string_view label, std::uint64_t bound) {
  if (bound <= kResultLimit) return true;
  appendErrorLine(state, " Error: To Calculate " + std::string(label) +
                             " exactly, its text could take up to " + std::to_string(bound) +
                             " characters; the Result pane holds at most " +
                             std::to_string(kResultLimit) + "!");
  return false;
}

void writeExactMatrix(CalcState& state, const ExactMatrix& m) {
  const std::string label = state.result.lines().back();
  if (!exactResultFits(state, label, exact::matrixTextSize(m))) return;
  completeResultLabel(state);
  exact::appendMatrixRows(state.result, m, state.work);
  printed(state, label, {exactResultPart("", m, state.work)});
}

void writeExactScalar(CalcState& state, const GaussRational& v) {
  const std::string label = completeResultLabel(state);
  state.result.add(exact::scalarLine(v.text()));
  state.result.add(std::string());
  ExactMatrix one(1, 1);
  one.set(0, 0, v);
  printed(state, label, {exactResultPart("", one, state.work)});
}

void exactShowPane(CalcState& state, Operand op, PaneSize size) {
  writeExactMatrix(state, readExactOperand(state, op.pane, size, op.name));
}

void exactSum(CalcState& state, PaneSize size, bool subtract) {
  const ExactMatrix a = readExactOperand(state, state.paneA, size, 'A');
  const ExactMatrix b = readExactOperand(state, state.paneB, size, 'B');
  const ExactRun run(state);
  writeExactMatrix(state,
                   subtract ? exact::subtract(a, b, run.work()) : exact::add(a, b, run.work()));
}

void exactTranspose(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  writeExactMatrix(state, exact::transpose(a, ExactRun(state).work()));
}

void exactTimesX(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  const GaussRational x = readExactCoefficient(state);
  state.regs.CoefX = approximately(x);
  writeExactMatrix(state, exact::scale(a, x, ExactRun(state).work()));
}

void exactDimension(CalcState& state, Operand op, PaneSize size) {
  readExactOperand(state, op.pane, size, op.name);
  state.regs.DimRows = size.rows;
  state.regs.DimCols = size.cols;
  writeCommandResult(state);
}

void exactTrace(CalcState& state, Operand op, PaneSize size) {
  writeExactScalar(state, exact::trace(readExactOperand(state, op.pane, size, op.name)));
}

void exactElementwise(CalcState& state, PaneSize size, bool divide) {
  const ExactMatrix a = readExactOperand(state, state.paneA, size, 'A');
  const ExactMatrix b = readExactOperand(state, state.paneB, size, 'B');
  ExactMatrix r(size.rows, size.cols, a.isComplex() || b.isComplex());
  CancelCountdown countdown(state.work);
  for (int i = 0; i < size.rows; ++i)
    for (int j = 0; j < size.cols; ++j) {
      countdown.tick();
      if (!divide) {
        r.set(i, j, a.at(i, j) * b.at(i, j));
      } else if (b.at(i, j).isZero()) {
        appendErrorLine(state, " Error: To Calculate A./B, the Matrix B without 0!");
        return;
      } else {
        r.set(i, j, a.at(i, j) / b.at(i, j));
      }
    }
  r.dropZeroImaginary();
  writeExactMatrix(state, r);
}

void exactLogical(CalcState& state, PaneSize size, char operation) {
  const ExactMatrix a = readExactOperand(state, state.paneA, size, 'A');
  const ExactMatrix b = readExactOperand(state, state.paneB, size, 'B');
  ExactMatrix r(size.rows, size.cols);
  for (int i = 0; i < size.rows; ++i)
    for (int j = 0; j < size.cols; ++j) {
      const bool x = !a.at(i, j).isZero(), y = !b.at(i, j).isZero();
      const bool v = operation == '&' ? x && y : operation == '|' ? x || y : x != y;
      r.re(i, j) = Rational(v ? 1 : 0);
    }
  writeExactMatrix(state, r);
}

void exactProduct(CalcState& state, PaneSize a, PaneSize b) {
  const ExactMatrix ma = readExactOperand(state, state.paneA, a, 'A');
  const ExactMatrix mb = readExactOperand(state, state.paneB, b, 'B');
  if (!exactResultFits(state, "A*B", exact::productSizeBound(ma, mb))) return;
  setCurrentSize(state, {a.rows, b.cols});
  writeExactMatrix(state, exact::multiply(ma, mb, ExactRun(state).work()));
}

void exactTransposeProduct(CalcState& state, PaneSize a) {
  const ExactRun run(state);
  const ExactMatrix at = exact::transpose(readExactOperand(state, state.paneA, a, 'A'), run.work());
  const PaneSize b = countPane(state, state.paneB);
  if (b.rows != a.rows) {
    appendErrorLine(state, " Error: To Calculate A*B, A(Col)=B(Row)!");
    return;
  }
  const ExactMatrix mb = readExactOperand(state, state.paneB, b, 'B');
  if (!exactResultFits(state, "A'*B", exact::productSizeBound(at, mb))) return;
  setCurrentSize(state, {a.cols, b.cols});
  writeExactMatrix(state, exact::multiply(at, mb, run.work()));
}

void exactInverse(CalcState& state, Operand op, PaneSize size) {
  const std::string label = op.text("inv(", ")");
  bool refused = false;
  const std::optional<ExactMatrix> inv =
      invertOrReciprocal(state, label, readExactOperand(state, op.pane, size, op.name), refused);
  if (refused) return;
  if (!inv) {
    appendErrorLine(state, " Error: " + label + " has no result!");
    return;
  }
  setCurrentSize(state, size);
  writeExactMatrix(state, *inv);
}

void exactInverseTimes(CalcState& state, PaneSize a) {
  bool refused = false;
  const std::optional<ExactMatrix> inv =
      invertOrReciprocal(state, "inv(A)*B", readExactOperand(state, state.paneA, a, 'A'), refused);
  if (refused) return;
  const PaneSize b = countPane(state, state.paneB);
  if (b.rows != a.cols) {
    appendErrorLine(state, " Error: To Calculate A*B, A(Col)=B(Row)!");
    return;
  }
  const ExactMatrix mb = readExactOperand(state, state.paneB, b, 'B');
  if (!inv) {
    appendErrorLine(state, " Error: inv(A)*B has no result!");
    return;
  }
  if (!exactResultFits(state, "inv(A)*B", exact::productSizeBound(*inv, mb))) return;
  setCurrentSize(state, {a.rows, b.cols});
  writeExactMatrix(state, exact::multiply(*inv, mb, ExactRun(state).work()));
}

void exactDivide(CalcState& state, PaneSize a, PaneSize b) {
  const ExactMatrix ma = readExactOperand(state, state.paneA, a, 'A');
  const ExactMatrix mb = readExactOperand(state, state.paneB, b, 'B');
  if (!exactResultFits(state, "A/B", exact::inverseSizeBound(mb))) return;
  const ExactRun run(state);
  const std::optional<ExactMatrix> inv = exact::inverse(mb, run.work());
  // A singular B prints nothing beyond the label, as in the other precisions.
  if (!inv || !exactResultFits(state, "A/B", exact::productSizeBound(ma, *inv))) return;
  setCurrentSize(state, a);
  writeExactMatrix(state, exact::multiply(ma, *inv, run.work()));
}

void exactKron(CalcState& state, PaneSize a, PaneSize b) {
  const ExactMatrix ma = readExactOperand(state, state.paneA, a, 'A');
  const ExactMatrix mb = readExactOperand(state, state.paneB, b, 'B');
  ExactMatrix k(a.rows * b.rows, a.cols * b.cols, ma.isComplex() || mb.isComplex());
  CancelCountdown countdown(state.work);
  for (int i = 0; i < k.rows(); ++i)
    for (int j = 0; j < k.cols(); ++j) {
      countdown.tick();
      k.set(i, j, ma.at(i / b.rows, j / b.cols) * mb.at(i % b.rows, j % b.cols));
    }
  k.dropZeroImaginary();
  writeExactMatrix(state, k);
}

void exactDeterminant(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  if (!exactResultFits(state, op.text("Det(", ")"), exact::determinantSizeBound(a))) return;
  writeExactScalar(state, exact::determinant(a, ExactRun(state).work()));
}

void exactRank(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  writeExactScalar(state, Rational(exact::rank(a, ExactRun(state).work())));
}

void exactLU(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  if (size.rows != size.cols) {
    appendErrorLine(state, " Error: To Calculate LU, Matrix must be square!");
    return;
  }
  const std::string label = op.text("LU(", ")");
  if (!exactResultFits(state, label, 2 * exact::echelonSizeBound(a))) return;
  const std::optional<exact::LUFactors> f = exact::luWithoutPivoting(a, ExactRun(state).work());
  if (!f) {
    appendErrorLine(state, " Error:  Calculate LU failed!");
    return;
  }
  writeExactFactors(state, label, {{"L", &f->lower}, {"U", &f->upper}});
}

void exactCholesky(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  const std::string label = op.text("Chol(", ")");
  if (!exactResultFits(state, label, 2 * exact::echelonSizeBound(a))) return;
  const std::optional<exact::LDLFactors> f = exact::ldlWithoutPivoting(a, ExactRun(state).work());
  if (!f) {
    appendErrorLine(state, " No Cholesky decomposition!");
    return;
  }
  writeExactFactors(state, label, {{"L", &f->lower}, {"D", &f->diagonal}});
}

void exactPower(CalcState& state, Operand op, PaneSize size, int x) {
  const std::string label = state.result.lines().back();
  ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  const ExactRun run(state);
  if (x < 0) {
    // Through the exact inverse; a singular matrix prints nothing beyond the label.
    if (!exactResultFits(state, label, exact::inverseSizeBound(a))) return;
    std::optional<ExactMatrix> inv = exact::inverse(a, run.work());
    if (!inv) return;
    a = std::move(*inv);
  }
  const std::uint64_t magnitude = x < 0 ? -static_cast<std::int64_t>(x) : x;
  if (magnitude > 1 && !exactResultFits(state, label, exact::powerSizeBound(a, magnitude))) return;
  writeExactMatrix(state, exact::power(a, magnitude, run.work()));
}

void exactNorm(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  const exact::NormText norm = exact::exactNorm(a, state.decimalPoint(), kDecimalDigits);
  const std::string label = completeResultLabel(state);
  std::string line = exact::scalarLine(norm.root);
  if (norm.root != norm.decimals) line += " ~ " + norm.decimals;
  state.result.add(std::move(line));
  state.result.add(std::string());
  MatrixPart part{"", RCOMat(1, 1), {}};
  part.values[0][0] = Element::real(norm.value);
  printed(state, label, {std::move(part)});
}

void exactEigenvalues(CalcState& state, Operand op, PaneSize size) {
  const ExactMatrix a = readExactOperand(state, op.pane, size, op.name);
  const std::vector<exact::EigenvalueLine> lines =
      exact::exactEigenvalues(a, state.decimalPoint(), kDecimalDigits, ExactRun(state).work());
  const std::string label = completeResultLabel(state);
  state.result.add(std::string());
  std::size_t width = 10;
  for (const auto& l : lines) width = std::max(width, l.text.size());
  MatrixPart list{std::string(kEigenvalueList), RCOMat(size.rows, 1), {}};
  bool allExact = true;
  int k = 0;
  for (const auto& l : lines) {
    std::string line(1 + width - std::min(width, l.text.size()), ' ');
    line += l.text + "   multiplicity " + std::to_string(l.multiplicity);
    if (l.re.size() > 1) line += " each";
    state.result.add(std::move(line));
    allExact = allExact && l.exact && l.re.size() == 1;
    for (std::size_t i = 0; i < l.re.size(); ++i)
      for (int m = 0; m < l.multiplicity && k < size.rows; ++m, ++k) {
        list.values[k][0] =
            l.im[i] == 0 ? Element::real(l.re[i]) : Element::complex(l.re[i], l.im[i]);
        list.exactTexts.push_back(l.text);
      }
  }
  state.result.add(std::string());
  if (!allExact) list.exactTexts.clear();
  printed(state, label, {std::move(list)});
}

void noteComputedInDoubles(CalcState& state, std::string_view operation) {
  appendErrorLine(state, " Notice: " + std::string(operation) +
                             " has no exact form: it was computed in double precision.");
}

}  // namespace kelvaro
