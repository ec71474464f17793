#include "commands/exchange_commands.h"

#include <utility>

#include "commands/steps_commands.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_formats.h"
#include "numbers/matrix_recognition.h"
#include "numbers/matrix_text.h"
#include "numbers/pane_text.h"

namespace kelvaro {

namespace {

std::string sizeText(const RCOMat& m) {
  return std::to_string(m.rows()) + "x" + std::to_string(m.cols());
}

void copyMatrices(CalcState& state, UserInterface& ui, std::span<const MatrixPart> parts,
                  std::string_view format, const std::string& what) {
  MatrixFormat chosen;
  CopyOptions options;
  if (!parseCopyFormat(format, chosen, options.fullPrecision))
    throw CalcError("There is no copy format \"" + quoteForMessage(format) + "\".");
  options.precision = state.numberFormat();
  options.localeSeparator = state.decimalPoint();
  state.clipboard = writeMatrices(parts, chosen, options);
  ui.showStatus("Copied " + what + " as " + formatInfo(chosen).name +
                (options.fullPrecision ? " (full precision)" : ""));
}

void checkResult(const std::vector<MatrixPart>& parts, const char* verb) {
  if (parts.empty()) throw CalcError(std::string("There is no result to ") + verb + " yet.");
  if (parts[0].values.empty())
    throw CalcError(std::string("The last result is empty: there is nothing to ") + verb + ".");
}

// A pane's matrix as every command reads it; short rows end in zeros. Nothing is written to
// the Result pane, not even the incomplete-matrix warning.
void copyPane(CalcState& state, UserInterface& ui, const Pane& pane, char name,
              std::string_view format) {
  Pane unshownWarnings;
  const int rows = rowCount(pane);
  const int cols = columnCount(pane, unshownWarnings);
  if (rows == 0 || cols == 0)
    throw CalcError(std::string("Matrix ") + name + " is empty: there is nothing to copy.");
  MatrixPart part;
  readPane(pane, rows, cols, part.values, state.numberFormat());
  copyMatrices(state, ui, {&part, 1}, format, std::string(1, name));
}

// Rows of pane text into the pane, aligned, all at once or not at all.
void putRows(Pane& pane, char name, std::vector<std::string> rows) {
  Pane staged;
  staged.setLines(std::move(rows));
  try {
    alignPane(staged);
  } catch (const CalcError& e) {
    throw CalcError(std::string("Matrix ") + name + " cannot take it: " + e.what());
  }
  pane = std::move(staged);
}

void pasteText(CalcState& state, UserInterface& ui, std::string_view text, Pane& pane, char name) {
  ReadMatrices read = readMatrices(text, state.numberFormat());
  const std::string source = formatInfo(read.format).name;
  if (read.parts.size() > 1) {
    std::string names;
    for (const MatrixPart& part : read.parts)
      names +=
          (names.empty() ? "" : ", ") + (part.name.empty() ? "?" : quoteForMessage(part.name, 20));
    throw CalcError("Cannot paste: the " + source + " text holds " +
                    std::to_string(read.parts.size()) + " matrices (" + names +
                    "); a pane takes one.");
  }
  const std::string size = sizeText(read.parts[0].values);
  std::vector<std::string> rows =
      read.format == MatrixFormat::Pane
          ? std::move(read.paneRows)
          : fullPrecisionRows(read.parts[0].values, state.decimalPoint(),
                              "Cannot paste: the " + source + " text");
  // The values are in the rows now: their memory goes before the pane is aligned.
  read.parts.clear();
  read.parts.shrink_to_fit();
  putRows(pane, name, std::move(rows));
  ui.showStatus("Pasted " + size + " from " + source);
}

// A part of the result as pane rows: an exact result as printed, one in doubles at full
// precision.
std::vector<std::string> paneRows(const MatrixPart& part, char decimalSeparator,
                                  const std::string& what) {
  if (part.exactTexts.empty()) return fullPrecisionRows(part.values, decimalSeparator, what);
  std::vector<std::string> rows(static_cast<std::size_t>(part.values.rows()));
  const auto cols = static_cast<std::size_t>(part.values.cols());
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < cols; ++c)
      rows[r].append(c > 0 ? " " : "").append(part.exactTexts[r * cols + c]);
  return rows;
}

void resultTo(CalcState& state, UserInterface& ui, Pane& pane, char name, std::string_view part) {
  const std::vector<MatrixPart>& parts = state.lastResult;
  checkResult(parts, "use");
  const MatrixPart* chosen = &parts[0];
  if (!part.empty()) {
    chosen = nullptr;
    std::string names;
    for (const MatrixPart& p : parts) {
      if (p.name == part && p.name != kEigenvalueList) chosen = &p;
      if (!p.name.empty() && p.name != kEigenvalueList)
        names += (names.empty() ? "" : ", ") + p.name;
    }
    if (chosen == nullptr)
      throw CalcError("The last result has no part " + std::string(part) +
                      (names.empty() ? "." : " (its parts: " + names + ")."));
  }
  const bool named = !chosen->name.empty() && chosen->name != kEigenvalueList;
  const std::string what = named ? "the result's " + chosen->name : "the result";
  putRows(pane, name,
          paneRows(*chosen, state.decimalPoint(),
                   named ? "The result's " + chosen->name : "The result"));
  ui.showStatus("Used " + what + " as " + name + " (" + sizeText(chosen->values) + ")");
}

}  // namespace

void copyResult(CalcState& state, UserInterface& ui, std::string_view format) {
  checkResult(state.lastResult, "copy");
  copyMatrices(state, ui, state.lastResult, format, "the result");
  // In LaTeX the steps that led to it go first.
  if (!state.lastSteps.steps.empty() && format.starts_with("latex"))
    state.clipboard.insert(0, stepsLatex(state.lastSteps));
}

void copyPaneA(CalcState& state, UserInterface& ui, std::string_view format) {
  copyPane(state, ui, state.paneA, 'A', format);
}

void copyPaneB(CalcState& state, UserInterface& ui, std::string_view format) {
  copyPane(state, ui, state.paneB, 'B', format);
}

void pasteMatrixA(CalcState& state, UserInterface& ui) {
  pasteText(state, ui, state.clipboard, state.paneA, 'A');
}

void pasteMatrixB(CalcState& state, UserInterface& ui) {
  pasteText(state, ui, state.clipboard, state.paneB, 'B');
}

void pasteTextInto(CalcState& state, UserInterface& ui, char pane, std::string_view text) {
  pasteText(state, ui, text, pane == 'A' ? state.paneA : state.paneB, pane);
}

void resultToA(CalcState& state, UserInterface& ui, std::string_view part) {
  resultTo(state, ui, state.paneA, 'A', part);
}

void resultToB(CalcState& state, UserInterface& ui, std::string_view part) {
  resultTo(state, ui, state.paneB, 'B', part);
}

std::vector<std::string> resultPartNames(const CalcState& state) {
  std::vector<std::string> names;
  for (const MatrixPart& part : state.lastResult)
    if (!part.name.empty() && part.name != kEigenvalueList) names.push_back(part.name);
  return names;
}

}  // namespace kelvaro
