#pragma once
// The row operations a person writes on paper, one by one, with the matrix after each: for
// the reduced row echelon form, a solution, an inverse, a determinant, a rank, L U and
// L D L'. The pivot rule is the one of a hand calculation: the first non-zero entry at or
// below the pivot row in exact arithmetic; in doubles the entry of largest modulus, one
// within the tolerance max(m,n)*eps*norm_inf(A) counting as zero.

#include <string>
#include <vector>

#include "exact/exact_matrix.h"
#include "numbers/number_format.h"
#include "numbers/rcomat.h"

namespace kelvaro::exact {

// Steps are shown for matrices of at most this many rows and columns.
inline constexpr int kMaxStepsOrder = 12;

enum class StepsOf { Rref, Solve, Inverse, Determinant, Rank, LU, Cholesky };

// One line of steps: the operation as written ("R2 := R2 - 3/2*R1", "R1 <-> R3",
// "R2 := 1/4*R2"; empty for the matrix at the start), a note beside it ("det factor -1",
// "L21 = 3/2"), and the matrix after it as printed, row-major; columns from `split` on are
// the right-hand side of an augmented matrix ([A | B], [A | I]), cols when there is none.
struct Step {
  std::string operation, note;
  int rows = 0, cols = 0, split = 0;
  std::vector<std::string> cells;
};

struct StepRecord {
  std::vector<Step> steps;
  std::string conclusion;  // "Det = -1 * 3 * 2/3 = -2", "Rank = 2"; may be empty
};

// The steps in exact arithmetic; b is the right-hand side of Solve.
StepRecord exactSteps(StepsOf what, const ExactMatrix& a, const ExactMatrix* b = nullptr);
// The steps in doubles, the numbers printed as nf prints them.
StepRecord doubleSteps(StepsOf what, const RCOMat& a, const RCOMat* b, const NumberFormat& nf);

}  // namespace kelvaro::exact
