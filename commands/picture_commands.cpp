#include "commands/picture_commands.h"

#include "numbers/calc_error.h"
#include "numbers/matrix_formats.h"
#include "numbers/matrix_text.h"

namespace kelvaro {

PictureSource panePicture(const CalcState& state, char pane) {
  const Pane& text = pane == 'A' ? state.paneA : state.paneB;
  Pane unshownWarnings;
  const int rows = rowCount(text);
  const int cols = columnCount(text, unshownWarnings);
  if (rows == 0 || cols == 0)
    throw CalcError(std::string("Matrix ") + pane + " is empty: there is nothing to draw.");
  PictureSource source{std::string("Matrix ") + pane, {}};
  readPane(text, rows, cols, source.values, state.numberFormat());
  return source;
}

PictureSource resultPicture(const CalcState& state, std::string_view part) {
  const std::vector<MatrixPart>& parts = state.lastResult;
  if (parts.empty() || parts[0].values.empty()) throw CalcError("There is no result to draw yet.");
  const MatrixPart* chosen = &parts[0];
  if (!part.empty()) {
    chosen = nullptr;
    for (const MatrixPart& p : parts)
      if (p.name == part) chosen = &p;
    if (chosen == nullptr)
      throw CalcError("The last result has no part " + std::string(part) + ".");
  }
  // The summary starts with the label: "LU(A), L 3 by 3, U 3 by 3".
  std::string title = state.lastResultSummary.substr(0, state.lastResultSummary.find(", "));
  if (!chosen->name.empty()) title += ": " + chosen->name;
  return {title, chosen->values};
}

PictureSource resultFrontPicture(const CalcState& state) {
  const std::vector<MatrixPart>& parts = state.lastResult;
  const bool svd = parts.size() == 3 && parts[1].name == "S";
  PictureSource source = resultPicture(state, svd ? "S" : "");
  if (parts[0].name == kEigenvalueList) source.kind = PictureSource::Kind::Eigenvalues;
  if (svd) source.kind = PictureSource::Kind::SingularValues;
  return source;
}

void savePictureOfA(CalcState& state, UserInterface& ui, std::string_view path) {
  ui.savePicture(panePicture(state, 'A'), std::string(path));
}

void savePictureOfB(CalcState& state, UserInterface& ui, std::string_view path) {
  ui.savePicture(panePicture(state, 'B'), std::string(path));
}

void savePictureOfResult(CalcState& state, UserInterface& ui, std::string_view path) {
  ui.savePicture(resultFrontPicture(state), std::string(path));
}

}  // namespace kelvaro
