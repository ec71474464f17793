#pragma once
// The Frobenius norm of a matrix.

#include "numbers/rcomat.h"

namespace kelvaro {

// Square root of the sum, in reading order, of re*re + im*im over every element.
double frobeniusNorm(const RCOMat& m);

}  // namespace kelvaro
