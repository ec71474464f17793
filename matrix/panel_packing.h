#pragma once
// Operands packed for the register tile kernel (SplitKernels::gemmTile): rows of the left
// operand in panels of mr, columns of the right one in panels of nr, each step's values side
// by side in the order the tile reads them.

#include <algorithm>
#include <cstddef>

#include "matrix/split_matrix.h"

namespace kelvaro {

// The values of s from row row0 and column col0 on.
struct SplitValues {
  const SplitMatrix& s;
  int row0 = 0;
  int col0 = 0;
  double re(int i, int k) const { return s.rowRe(row0 + i)[col0 + k]; }
  double im(int i, int k) const { return s.rowIm(row0 + i)[col0 + k]; }
};

// Packs rows [i0, i0 + rows) x depth [k0, k0 + depth) of a into panels of mr rows: per k,
// mr real parts then mr imaginary parts (Real: the real parts alone); rows past the end are
// zeros.
template <bool Real = false, class Values>
void packA(const Values& a, int i0, int rows, int k0, int depth, int mr, double* out) {
  for (int p = 0; p < rows; p += mr) {
    for (int k = 0; k < depth; ++k) {
      for (int r = 0; r < mr; ++r) {
        const bool inside = p + r < rows;
        out[r] = inside ? a.re(i0 + p + r, k0 + k) : 0.0;
        if constexpr (!Real) out[mr + r] = inside ? a.im(i0 + p + r, k0 + k) : 0.0;
      }
      out += Real ? mr : 2 * mr;
    }
  }
}

// Packs the panels [firstPanel, lastPanel) of nr columns of b (depth rows, cols columns), the
// whole depth of each: panel pb at pb * depth * 2 * nr, per k nr real parts then nr imaginary
// parts (Real: pb * depth * nr, the real parts alone); columns past the end are zeros. A
// depth range of a panel is then one run.
template <bool Real = false, class Values>
void packB(const Values& b, int depth, int cols, int nr, int firstPanel, int lastPanel,
           double* out) {
  constexpr int parts = Real ? 1 : 2;
  out += static_cast<std::size_t>(firstPanel) * depth * parts * nr;
  for (int pb = firstPanel; pb < lastPanel; ++pb) {
    const int j = pb * nr;
    const int width = std::min(nr, cols - j);
    for (int k = 0; k < depth; ++k) {
      for (int x = 0; x < width; ++x) out[x] = b.re(k, j + x);
      std::fill(out + width, out + nr, 0.0);
      if constexpr (!Real) {
        for (int x = 0; x < width; ++x) out[nr + x] = b.im(k, j + x);
        std::fill(out + nr + width, out + 2 * nr, 0.0);
      }
      out += parts * nr;
    }
  }
}

}  // namespace kelvaro
