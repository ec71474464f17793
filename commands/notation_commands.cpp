#include "commands/notation_commands.h"

#include "numbers/notation_text.h"

namespace kelvaro {

namespace {

void convertOperand(CalcState& state, Pane& pane, DisplayFormat to) {
  const ConvertedSize size = convertPane(pane, to, state.numberFormat(), state.result, state.work);
  state.regs.RowN = size.rows;
  state.regs.ColN = size.cols;
}

}  // namespace

void RadioGroup1Click(CalcState& state, DisplayFormat chosen) {
  state.display = chosen;
  state.coefText = convertToken(state.coefText, chosen, state.numberFormat());
  convertOperand(state, state.paneA, chosen);
  convertOperand(state, state.paneB, chosen);
}

void PolarToRect1Click(CalcState& state) {
  convertOperand(state, state.paneA, DisplayFormat::Rectangular);
}
void RecttoPolar1Click(CalcState& state) {
  convertOperand(state, state.paneA, DisplayFormat::Polar);
}
void PolarToRect2Click(CalcState& state) {
  convertOperand(state, state.paneB, DisplayFormat::Rectangular);
}
void RecttoPolar2Click(CalcState& state) {
  convertOperand(state, state.paneB, DisplayFormat::Polar);
}

}  // namespace kelvaro
