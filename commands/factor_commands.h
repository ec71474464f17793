#pragma once
// Determinant, rank, LU, Cholesky (L*D*L'), integer power and Frobenius norm, each for
// pane A and pane B.

#include "commands/calc_state.h"

namespace kelvaro {

void SpeedButton32Click(CalcState& state);  // Det(A)
void SpeedButton37Click(CalcState& state);  // Det(B)
void SpeedButton34Click(CalcState& state);  // Rank(A)
void SpeedButton35Click(CalcState& state);  // Rank(B)
void SpeedButton29Click(CalcState& state);  // LU(A)
void SpeedButton30Click(CalcState& state);  // LU(B)
void SpeedButton31Click(CalcState& state);  // Chol(A)
void SpeedButton36Click(CalcState& state);  // Chol(B)
void SpeedButton27Click(CalcState& state);  // A^x
void SpeedButton44Click(CalcState& state);  // B^x
void SpeedButton50Click(CalcState& state);  // Norm(A)
void SpeedButton51Click(CalcState& state);  // Norm(B)

}  // namespace kelvaro
