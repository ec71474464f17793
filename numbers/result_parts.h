#pragma once
// A printed result as matrices, for copying it and for using it as an operand: the registers
// that hold each kind of result, read as the result writer reads them.

#include <string>
#include <string_view>
#include <vector>

#include "numbers/cancel_flag.h"
#include "numbers/matrix_formats.h"
#include "numbers/registers.h"

namespace kelvaro {

// The parts of a result of kind resultKind (ResKind before the writer resets it): a matrix,
// scalar or dimensions (rows, columns) as one unnamed part; the factors of QR, LU, LDL' and
// the SVD by name; the eigenvalues as one column. Elements the writer prints real-only are
// real here; places the registers do not have are empty elements, printed as 0. A large
// result is copied in parts, with looks at the cancel flag between them.
std::vector<MatrixPart> resultParts(const Registers& regs, int resultKind,
                                    const CancelFlag* cancel = nullptr);

// A printed result in a few words: its label and the size of each part ("inv(A), 3 by 3",
// "LU(A), L 3 by 3, U 3 by 3", "Eig(A), 3 eigenvalues", "Det(A), one number").
std::string resultSummary(std::string_view label, int resultKind,
                          const std::vector<MatrixPart>& parts);

}  // namespace kelvaro
