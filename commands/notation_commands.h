#pragma once
// "Complex Format" and the polar/rectangular commands of the operand panes' context menus.

#include "commands/calc_state.h"

namespace kelvaro {

// The user picked an item of "Complex Format" (also the one already selected): results are
// written in that notation from now on, and Coef.(x), pane A and pane B are rewritten in it,
// in that order. A conversion error ends the command where it happened: the format stays
// chosen and what was converted before stays converted. RowN and ColN hold the counts of the
// pane converted last.
void RadioGroup1Click(CalcState& state, DisplayFormat chosen);

// "Polar To Rect" / "Rect to Polar" of pane A (...1Click) and pane B (...2Click), in either
// display format.
void PolarToRect1Click(CalcState& state);
void RecttoPolar1Click(CalcState& state);
void PolarToRect2Click(CalcState& state);
void RecttoPolar2Click(CalcState& state);

}  // namespace kelvaro
