#include "commands/notation_commands.h"

#include <string>
#include <utility>
#include <vector>

#include "exact/exact_text.h"
#include "numbers/calc_error.h"
#include "numbers/matrix_text.h"
#include "numbers/notation_text.h"

namespace kelvaro {

namespace {

// An exact value in the notation, exactly: in polar form only on an axis, where its angle is
// a multiple of 90 degrees (a positive real number stays as it is, as the formatter writes it).
std::string exactNotation(const exact::GaussRational& v, DisplayFormat to,
                          const std::string& place) {
  if (to == DisplayFormat::Rectangular || (v.isReal() && v.re.sign() >= 0)) return v.text();
  if (!v.re.isZero() && !v.im.isZero())
    throw CalcError(place + ": " + v.text() +
                    " has no exact polar form: its angle is not a multiple of 90 degrees.");
  if (v.im.isZero()) return v.re.abs().text() + "(180)";
  return v.im.abs().text() + (v.im.sign() > 0 ? "(90)" : "(-90)");
}

// Under exact arithmetic the values are read exactly and rewritten exactly; otherwise as the
// other precisions convert them.
void convertOperand(CalcState& state, Pane& pane, char name, DisplayFormat to) {
  if (!state.exact) {
    const ConvertedSize size =
        convertPane(pane, to, state.numberFormat(), state.result, state.work);
    state.regs.RowN = size.rows;
    state.regs.ColN = size.cols;
    return;
  }
  const int rows = rowCount(pane), cols = columnCount(pane, state.result, state.work);
  const std::string where = std::string("Matrix ") + name;
  exact::ExactReader reader(where, state.numberFormat());
  std::vector<std::string> lines(static_cast<std::size_t>(rows));
  forEachPaneToken(
      pane, rows, cols,
      [&](int r, int c, std::string_view token) {
        const std::string place =
            where + ", row " + std::to_string(r + 1) + ", column " + std::to_string(c + 1);
        lines[static_cast<std::size_t>(r)] +=
            exactNotation(reader.read(token, r, c), to, place) + "  ";
      },
      state.work);
  lines.emplace_back();
  pane.setLines(std::move(lines));
  state.regs.RowN = rows;
  state.regs.ColN = cols;
}

}  // namespace

void RadioGroup1Click(CalcState& state, DisplayFormat chosen) {
  state.display = chosen;
  state.coefText =
      state.exact
          ? exactNotation(exact::ExactReader("Coef.(x)", state.numberFormat()).read(state.coefText),
                          chosen, "Coef.(x)")
          : convertToken(state.coefText, chosen, state.numberFormat());
  convertOperand(state, state.paneA, 'A', chosen);
  convertOperand(state, state.paneB, 'B', chosen);
}

void PolarToRect1Click(CalcState& state) {
  convertOperand(state, state.paneA, 'A', DisplayFormat::Rectangular);
}
void RecttoPolar1Click(CalcState& state) {
  convertOperand(state, state.paneA, 'A', DisplayFormat::Polar);
}
void PolarToRect2Click(CalcState& state) {
  convertOperand(state, state.paneB, 'B', DisplayFormat::Rectangular);
}
void RecttoPolar2Click(CalcState& state) {
  convertOperand(state, state.paneB, 'B', DisplayFormat::Polar);
}

}  // namespace kelvaro
