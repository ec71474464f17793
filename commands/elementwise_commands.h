#pragma once
// Transpose, multiple by x, fill with x, dimensions, trace, the element-wise product and
// quotient, and the element-wise logic.

#include "commands/calc_state.h"

namespace kelvaro {

// The most elements Fill A/B with x writes; a larger Row x Column is refused.
inline constexpr long long kMaxFillElements = 10'000'000;

void SpeedButton14Click(CalcState& state);  // A'
void SpeedButton15Click(CalcState& state);  // B'
void SpeedButton16Click(CalcState& state);  // A*x
void SpeedButton17Click(CalcState& state);  // B*x
void SpeedButton45Click(CalcState& state);  // Fill A with x
void SpeedButton47Click(CalcState& state);  // Fill B with x
void SpeedButton19Click(CalcState& state);  // Dim(A)
void SpeedButton20Click(CalcState& state);  // Dim(B)
void SpeedButton24Click(CalcState& state);  // Trace(A)
void SpeedButton25Click(CalcState& state);  // Trace(B)
void SpeedButton46Click(CalcState& state);  // A.*B
void SpeedButton52Click(CalcState& state);  // A./B
void SpeedButton21Click(CalcState& state);  // A&B
void SpeedButton22Click(CalcState& state);  // A|B
void SpeedButton23Click(CalcState& state);  // A#B

}  // namespace kelvaro
