#pragma once
// The commands that are the frame and nothing else: show A, show B, A+B and A-B.

#include "commands/calc_state.h"

namespace kelvaro {

void SpeedButton11Click(CalcState& state);  // A
void SpeedButton12Click(CalcState& state);  // B
void SpeedButton13Click(CalcState& state);  // A+B
void SpeedButton9Click(CalcState& state);   // A-B

}  // namespace kelvaro
