#pragma once
// Bounds on the size of exact results, taken before they are computed: exact numbers grow
// without limit where doubles saturate, so a command first checks that its result's text
// could fit in the Result pane. Each bound is in characters of the result's rows (as
// matrixTextSize counts them) and may be far above the true size, never below it.

#include <cstdint>

#include "exact/exact_matrix.h"

namespace kelvaro::exact {

// a * b: each entry a sum of cols(a) products.
std::uint64_t productSizeBound(const ExactMatrix& a, const ExactMatrix& b);
// a^x, x >= 1: entries below (n N)^x over d^x, N the largest integer entry of d a.
std::uint64_t powerSizeBound(const ExactMatrix& a, std::uint64_t x);
// Hadamard's bound on the minors of a with its rows' denominators cleared.
std::uint64_t determinantSizeBound(const ExactMatrix& a);
std::uint64_t inverseSizeBound(const ExactMatrix& a);
// The reduced row echelon form, a null-space basis and every solution: quotients of minors.
std::uint64_t echelonSizeBound(const ExactMatrix& a);
// The characteristic polynomial's coefficients, the polynomial line and the row beside it.
std::uint64_t charpolySizeBound(const ExactMatrix& a);

}  // namespace kelvaro::exact
