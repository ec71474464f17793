#pragma once
// LU factorisation without pivoting (Doolittle): a = L * U, L unit lower triangular.

#include "matrix/mat_basic.h"
#include "matrix/work_token.h"

namespace kelvaro {

// Factors a in place and writes every element of l and u (sized rows x cols by the caller;
// their old values are not read). Returns -1 when rows != cols (nothing done), 0 when a pivot
// of the steps 0 .. n-2 is 0 by the element comparison (l and u untouched), 1 on success.
// The fixed entries of l and u are the reals 1 and 0; the last pivot is never tested. work
// counts the n - 1 elimination steps.
int MatLU(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols, WorkToken* work = nullptr);

// From how many columns right of a panel of steps MatLU takes them by register tiles, where
// the processor's path does that faster (the results are the same). 0, the default, is 256;
// tests set 1 to reach the tiles at small orders.
void setLuTilesFrom(int columns);

// How many columns right of a panel MatLU's rows take at a time where it would be more than
// twice that many (the results are the same). 0, the default, is 512; tests set a few to reach
// the blocks at small orders.
void setLuColumnBlock(int columns);

// The same on elements alone, as it runs for matrices with non-complex elements.
int MatLUElements(RCOMat& a, RCOMat& l, RCOMat& u, int rows, int cols);

}  // namespace kelvaro
