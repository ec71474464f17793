#pragma once
// The operations beside the operation panel, in every precision: the reduced row echelon
// form RREF(A), RREF(B); a null-space basis Null(A), Null(B); every solution of A*X = B,
// Solve(A,B); the characteristic polynomial CharPoly(A), CharPoly(B). Under "exact" they
// compute exactly; otherwise in doubles with partial pivoting and the tolerance
// max(m, n) * eps * norm_inf, and a notice when a pivot within it was taken as zero.

#include "commands/calc_state.h"

namespace kelvaro {

void RrefAItemClick(CalcState& state);
void RrefBItemClick(CalcState& state);
void NullAItemClick(CalcState& state);
void NullBItemClick(CalcState& state);
void SolveItemClick(CalcState& state);
void CharPolyAItemClick(CalcState& state);
void CharPolyBItemClick(CalcState& state);

}  // namespace kelvaro
