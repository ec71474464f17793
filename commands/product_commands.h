#pragma once
// Matrix products, inverses, the two linear solves and the Kronecker product.

#include "commands/calc_state.h"

namespace kelvaro {

void SpeedButton39Click(CalcState& state);  // A*B
void SpeedButton40Click(CalcState& state);  // A'*B
void SpeedButton18Click(CalcState& state);  // inv(A)
void SpeedButton38Click(CalcState& state);  // inv(B)
void SpeedButton2Click(CalcState& state);   // inv(A)*B
void SpeedButton49Click(CalcState& state);  // A/B
void KronItemClick(CalcState& state);       // Kron(A,B), in the Operations menu

}  // namespace kelvaro
