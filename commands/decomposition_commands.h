#pragma once
// The decompositions of real matrices: QR, eigenvalues and SVD of pane A or pane B.

#include "commands/calc_state.h"

namespace kelvaro {

void SpeedButton26Click(CalcState& state);  // QR(A)
void SpeedButton28Click(CalcState& state);  // QR(B)
void SpeedButton33Click(CalcState& state);  // Eig(A)
void SpeedButton43Click(CalcState& state);  // Eig(B)
void SpeedButton41Click(CalcState& state);  // Svd(A)
void SpeedButton42Click(CalcState& state);  // Svd(B)

}  // namespace kelvaro
