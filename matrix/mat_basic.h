#pragma once
// Status word and the simplest routines of the matrix library.

#include <cstddef>

#include "numbers/rcomat.h"

namespace kelvaro {

// MatErr values.
inline constexpr int kMatOk = 0;
inline constexpr int kMatSingular = 3;
inline constexpr int kMatSizeMismatch = 4;
inline constexpr int kMatEmpty = 5;

// rows and cols of m with MatErr := 0; 0, 0 and MatErr := 5 for a matrix without rows.
void MatDim(const RCOMat& m, int& rows, int& cols, int& MatErr);

// The common size of two operands: true with rows and cols when they agree; otherwise false
// with MatErr 5 for an empty operand (m1 checked first) or 4 for different sizes.
bool MatSameDim(const RCOMat& m1, const RCOMat& m2, int& rows, int& cols, int& MatErr);

// Gives m the shape rows x cols for a routine that then writes every element itself; a matrix
// that has that shape already is kept instead of being filled twice.
inline void sizeFor(RCOMat& m, int rows, int cols, const CancelFlag* cancel = nullptr) {
  if (m.rows() != rows || m.cols() != cols) m.resize(rows, cols, cancel);
}

// r[i][j] := op(m1[i][j], m2[i][j]) for two operands of one size; otherwise MatErr as
// MatSameDim gives it and r unchanged. A cancel while r is built anew leaves it empty.
template <typename Op>
void MatElementwise(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr, Op op,
                    const CancelFlag* cancel = nullptr) {
  int rows, cols;
  if (!MatSameDim(m1, m2, rows, cols, MatErr)) return;
  const auto a = m1.elements();
  const auto b = m2.elements();
  r.assignFrom(
      rows, cols, [&](std::size_t i) { return op(a[i], b[i]); }, cancel);
}

// r := m1 + m2. Stops with 5 for an empty operand, 4 for different sizes (r unchanged).
void MatAdd(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr,
            const CancelFlag* cancel = nullptr);

}  // namespace kelvaro
